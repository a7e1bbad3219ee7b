#include "editor/editor_view.h"

#include <algorithm>
#include <cstdlib>
#include <list>
#include <type_traits>
#include <vector>

namespace corvane {

// hoverNote points into a TrackMeasure held in vectors that grow while the view fills; moving a
// list on reallocation keeps its nodes, and so the pointer, only if the move cannot throw.
static_assert(std::is_nothrow_move_constructible_v<TrackMeasure>);
static_assert(std::is_nothrow_move_constructible_v<Track>);

namespace {
constexpr int kInitialBufferWidth = 800;
constexpr int kInitialBufferHeight = 600;
constexpr int kMarkerHalfWidth = 9;
constexpr int kMarkerHalfHeight = 16;
}  // namespace

EditorView::EditorView(EditorWindow& w)
    : window(w),
      clientRect(w.clientRect()),
      drawing(w.createCanvas(kInitialBufferWidth, kInitialBufferHeight)) {
    copyMeasure(0, 0);
}

ScreenLayout EditorView::layout() const {
    return computeLayout(score, firstVisibleMeasure, clientRect.right);
}

void EditorView::ensureTimeline() {
    if (score.measures.empty()) {
        score.addMeasure(0, 120, 4);
    }
}

void EditorView::prepareForLoad() {
    hoverNote = nullptr;
    hoverTrack = 0;
    hoverMeasure = 0;
}

void EditorView::finishLoad() {
    ensureTimeline();
    dirty = false;
    firstVisibleMeasure = 0;
}

void EditorView::fillView() {
    while (firstVisibleMeasure + measuresPerScreen > static_cast<int>(score.measures.size())) {
        const MeasureInfo last = score.measures.back();
        score.addMeasure(last.key, last.tempo, last.beats);
    }
}

void EditorView::onResize() {
    ensureTimeline();
    clientRect = window.clientRect();
    drawing.growBackBuffer(clientRect.right, clientRect.bottom);
    measuresPerScreen = usableWidth(clientRect.right) / layout::kMeasureWidth;
    fillView();
    invalidate();
}

void EditorView::updateHover(int x, int y) {
    ensureTimeline();
    lastMouseX = x;
    lastMouseY = y;
    hoverNote = nullptr;
    overTrackHeader = false;
    overAddTrackZone = false;
    overMeasureHeader = false;
    overNoteArea = false;

    const ScreenLayout screen = layout();
    const int trackCount = static_cast<int>(score.tracks.size());
    for (int k = 0; k < trackCount; ++k) {
        const int bandOffset = layout::kTrackSpacing * k;
        if (y < layout::kBandTop + bandOffset || y > layout::kBandBottom + bandOffset) {
            continue;
        }
        hoverTrack = k;
        if (x >= layout::kTrackHeaderLeft && x < layout::kFirstMeasureLeft) {
            overTrackHeader = true;
            break;
        }
        for (const MeasureSlot& slot : screen.measures) {
            if (x >= slot.left && x < slot.headerEnd()) {
                hoverMeasure = slot.index;
                overMeasureHeader = true;
                break;
            }
            if (x >= slot.headerEnd() && x < slot.noteAreaEnd(screen.pixelsPerQuarter)) {
                overNoteArea = true;
                hoverMeasure = slot.index;
                // The nearest note; of two at equal distance the later one.
                int noteX = slot.firstNoteHitX();
                int bestDistance = 0;
                for (Note& note : score.tracks[static_cast<std::size_t>(k)]
                                      .measures[static_cast<std::size_t>(slot.index)]) {
                    const int distance = std::abs(x - noteX);
                    if (hoverNote != nullptr && distance > bestDistance) {
                        break;
                    }
                    hoverNote = &note;
                    bestDistance = distance;
                    noteX += noteAdvance(note, screen.pixelsPerQuarter);
                }
                window.invalidateRect(markerRect);
                markerX = x;
                markerY = y - y % layout::kStaffStep;
                markerRect = Rect{x - kMarkerHalfWidth, markerY - kMarkerHalfHeight,
                                  x + kMarkerHalfWidth, markerY + kMarkerHalfHeight};
                window.invalidateRect(markerRect);
                break;
            }
        }
        break;
    }

    if (y > layout::kTrackSpacing * trackCount + layout::kAddTrackGap) {
        overAddTrackZone = true;
    }
    if (!overNoteArea) {
        window.invalidateRect(markerRect);
    }
}

void EditorView::onMouseLeave() {
    window.invalidateRect(markerRect);
    while (window.showCursor() < 0) {
    }
}

void EditorView::invalidate() {
    window.invalidate();
}

void EditorView::copyMeasure(int measure, int track) {
    const Track& source = score.tracks[static_cast<std::size_t>(track)];
    const MeasureInfo& info = score.measures[static_cast<std::size_t>(measure)];
    clipKind = source.kind;
    clipKey = info.key;
    clipBeats = info.beats;
    clipNotes = source.measures[static_cast<std::size_t>(measure)];
    if (!clipNotes.empty()) {
        cutTieAtStart(clipNotes.front());
        cutTieAtEnd(clipNotes.back());
    }
}

void EditorView::pasteMeasure(int measure, int track) {
    Track& target = score.tracks[static_cast<std::size_t>(track)];
    const MeasureInfo& info = score.measures[static_cast<std::size_t>(measure)];
    if (clipKind != target.kind || clipKey != info.key || clipBeats != info.beats) {
        return;
    }
    target.measures[static_cast<std::size_t>(measure)] = clipNotes;
    if (measure > 0) {
        TrackMeasure& previous = target.measures[static_cast<std::size_t>(measure - 1)];
        if (!previous.empty()) {
            cutTieAtEnd(previous.back());
        }
    }
    if (measure < static_cast<int>(score.measures.size()) - 1) {
        TrackMeasure& next = target.measures[static_cast<std::size_t>(measure + 1)];
        if (!next.empty()) {
            cutTieAtStart(next.front());
        }
    }
}

}  // namespace corvane
