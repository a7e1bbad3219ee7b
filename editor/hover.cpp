#include "editor/hover.h"

#include <cstdlib>

namespace corvane {

namespace {

constexpr int kMarkerHalfWidth = 9;
constexpr int kMarkerHalfHeight = 16;

// The Note nearest to x in `notes`, laid out in `slot`: its index and whether it holds pitches;
// none in an empty measure.
struct Nearest {
    int index = 0;
    bool sounds = false;
};
std::optional<Nearest> nearestNote(const TrackMeasure& notes, const MeasureSlot& slot,
                                   int pixelsPerQuarter, int x) {
    std::optional<Nearest> nearest;
    int bestDistance = 0;
    int noteX = slot.firstNoteHitX();
    int index = 0;
    for (const Note& note : notes) {
        const int distance = std::abs(x - noteX);
        if (nearest && distance > bestDistance) {
            break;
        }
        nearest = Nearest{index, !note.isRest()};
        bestDistance = distance;
        noteX += noteAdvance(note, pixelsPerQuarter);
        ++index;
    }
    return nearest;
}

// The measure header or note area of track k under `point`, if any.
void hitMeasures(const Score& score, const ScreenLayout& screen, int k, Point point,
                 HoverHit& hit) {
    for (const MeasureSlot& slot : screen.measures) {
        if (point.x >= slot.left && point.x < slot.headerEnd()) {
            hit.area = HoverArea::MeasureHeader;
            hit.measure = slot.index;
            return;
        }
        if (point.x >= slot.headerEnd() && point.x < slot.noteAreaEnd(screen.pixelsPerQuarter)) {
            hit.area = HoverArea::NoteArea;
            hit.measure = slot.index;
            if (const TrackMeasure* notes = findMeasure(score, k, slot.index)) {
                if (const std::optional<Nearest> n =
                        nearestNote(*notes, slot, screen.pixelsPerQuarter, point.x)) {
                    hit.note = NoteIndex{k, slot.index, n->index};
                    hit.noteSounds = n->sounds;
                }
            }
            hit.marker = Point{point.x, point.y - point.y % layout::kStaffStep};
            return;
        }
    }
}

}  // namespace

HoverHit hitTest(const Score& score, const ScreenLayout& screen, Point point) {
    HoverHit hit;
    const int trackCount = static_cast<int>(score.tracks.size());
    for (int k = screen.firstTrack; k < trackCount; ++k) {
        const int bandOffset = layout::kTrackSpacing * (k - screen.firstTrack);
        if (point.y < layout::kBandTop + bandOffset || point.y > layout::kBandBottom + bandOffset) {
            continue;
        }
        hit.track = k;
        if (point.x >= layout::kTrackHeaderLeft && point.x < layout::kFirstMeasureLeft) {
            hit.area = HoverArea::TrackHeader;
        } else {
            hitMeasures(score, screen, k, point, hit);
        }
        return hit;
    }
    // The add-track zone follows the last track.
    if (point.y > layout::kTrackSpacing * (trackCount - screen.firstTrack) + layout::kAddTrackGap) {
        hit.area = HoverArea::AddTrackZone;
    }
    return hit;
}

Rect markerArea(Point marker) {
    return Rect{marker.x - kMarkerHalfWidth, marker.y - kMarkerHalfHeight,
                marker.x + kMarkerHalfWidth, marker.y + kMarkerHalfHeight};
}

void HoverState::apply(const HoverHit& hit, Point point) {
    mouse = point;
    area = hit.area;
    note = hit.note;
    noteSounds = hit.noteSounds;
    if (hit.track) {
        track = *hit.track;
    }
    if (hit.measure) {
        measure = *hit.measure;
    }
    if (hit.marker) {
        marker = *hit.marker;
        markerRect = markerArea(marker);
    }
}

void HoverState::forgetScore() {
    note.reset();
    noteSounds = false;
    track = 0;
    measure = 0;
}

}  // namespace corvane
