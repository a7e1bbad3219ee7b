#pragma once
// Screen layout shared by the hover test and the painter: where tracks, measures and notes stand
// in client pixels. All arithmetic is integer with truncating division, product first.

#include <algorithm>
#include <vector>

#include "score/score.h"

namespace corvane {

namespace layout {
inline constexpr int kToolbarTop = 1;
inline constexpr int kToolbarBottom = 24;  // inclusive
inline constexpr int kToolbarSlotWidth = 16;
inline constexpr int kToolbarLeft = 3;  // slot b covers 16b + 3 <= x < 16b + 19
inline constexpr int kToolbarSlots = 24;

inline constexpr int kTrackSpacing = 100;
inline constexpr int kStaffMiddle = 90;  // middle line of track 0
inline constexpr int kBandTop = 45;      // hover band of track 0, inclusive
inline constexpr int kBandBottom = 139;  // inclusive
inline constexpr int kStaffStep = 5;     // pixels per staff position
inline constexpr int kAddTrackGap = 40;  // the add-track zone starts below 100 * tracks + 40

inline constexpr int kTrackHeaderLeft = 10;
inline constexpr int kFirstMeasureLeft = 44;  // also the end of the track header

inline constexpr int kMinClientWidth = 318;
inline constexpr int kRightMargin = 20;
inline constexpr int kMeasureWidth = 300;  // one screen page holds usableWidth / 300 measures

inline constexpr int kNoSignature = 999;  // "previous key/beats" before the first visible measure
inline constexpr int kKeySignatureStep = 7;
inline constexpr int kKeySignatureBase = 10;
inline constexpr int kTimeSignatureWidth = 15;
inline constexpr int kMeasureGap = 35;      // fixed space of every measure besides its signatures
inline constexpr int kHeaderExtra = 27;     // header ends 27 pixels after the signatures
inline constexpr int kFirstNoteHit = 37;    // first note's x for hit testing
inline constexpr int kFirstNotePaint = 35;  // first note's x for painting
inline constexpr int kLayoutFixed = 34;
}  // namespace layout

// One visible measure.
struct MeasureSlot {
    int index = 0;      // absolute measure index
    int left = 0;       // left edge
    int keyWidth = 0;   // key-signature width (0 when the key is unchanged)
    int timeWidth = 0;  // time-signature width (0 when the meter is unchanged)
    int beats = 0;

    // Header: left <= x < headerEnd().
    int headerEnd() const { return left + keyWidth + timeWidth + layout::kHeaderExtra; }
    // Note area: headerEnd() <= x < noteAreaEnd(ppq); also the next measure's left edge.
    int noteAreaEnd(int pixelsPerQuarter) const {
        return left + keyWidth + timeWidth + layout::kMeasureGap + beats * pixelsPerQuarter;
    }
    // x of the first Note for hit testing.
    int firstNoteHitX() const { return left + keyWidth + timeWidth + layout::kFirstNoteHit; }
};

struct ScreenLayout {
    int usableWidth = 0;  // Wc = max(W, 318) - 20
    int pixelsPerQuarter = 0;
    std::vector<MeasureSlot> measures;  // the visible measures, left to right
    int firstTrack = 0;                 // the track in the top row (see firstShownTrack)
};

// Wc for a client area whose right edge is `clientWidth`.
int usableWidth(int clientWidth);

// Lays out the visible measures from `firstVisibleMeasure` for a client width: usableWidth / 300
// of them, capped by the measures that remain, at least one while any remains; the tracks from
// the one `trackScroll` shows in the top row.
ScreenLayout computeLayout(const Score& score, int firstVisibleMeasure, int clientWidth,
                           int trackScroll = 0);

// Vertical scrolling moves the track area by whole tracks. Scrolled down by `trackScroll` pixels
// (a multiple of 100), track k stands in row k - trackScroll / 100, exactly where track
// k - trackScroll / 100 stands unscrolled; the tracks above row 0 are neither drawn nor hit, so
// nothing of them reaches up into the toolbar.
inline int firstShownTrack(int trackScroll) {
    return trackScroll / layout::kTrackSpacing;
}

// The largest scroll for `trackCount` tracks: the last track in the top row.
inline int maxTrackScroll(int trackCount) {
    return layout::kTrackSpacing * std::max(0, trackCount - 1);
}

// `trackScroll` rounded down to whole tracks and kept within 0..maxTrackScroll(trackCount).
int clampTrackScroll(long long trackScroll, int trackCount);

// How many rows of tracks a client area `clientHeight` pixels high shows with their whole hover
// band; at least 1.
int rowsInView(int clientHeight);

// How far the Note after `note` stands to the right of it, in pixels.
int noteAdvance(const Note& note, int pixelsPerQuarter);

// Middle line y of the track in row `row` (track `row` when the view is not scrolled).
inline int staffMiddleY(int row) {
    return layout::kStaffMiddle + layout::kTrackSpacing * row;
}

// Staff position under a marker at `markerY` over the track in row `row` (-9..+9 inside the
// band).
inline int staffPosition(int row, int markerY) {
    return (staffMiddleY(row) - markerY) / layout::kStaffStep;
}

}  // namespace corvane
