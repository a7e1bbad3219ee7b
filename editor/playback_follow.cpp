#include "editor/playback_follow.h"

#include <algorithm>
#include <cmath>

#include "editor/editor_view.h"
#include "sound/player.h"

namespace corvane {

std::optional<PlaybackMarker> playbackMarker(const ScreenLayout& screen, const SongPosition& heard,
                                             int trackCount, int clientHeight) {
    const auto slot = std::find_if(screen.measures.begin(), screen.measures.end(),
                                   [&](const MeasureSlot& m) { return m.index == heard.measure; });
    const int rows = trackCount - screen.firstTrack;
    if (slot == screen.measures.end() || rows <= 0) {
        return std::nullopt;
    }
    // From the top of the first track's band to the bottom of the last one's, within the window.
    const int top = layout::kBandTop;
    const int bottom =
        std::min(clientHeight, layout::kBandBottom + 1 + layout::kTrackSpacing * (rows - 1));
    if (bottom <= top) {
        return std::nullopt;
    }
    const int right = slot->noteAreaEnd(screen.pixelsPerQuarter);
    // Notes stand at the painter's first note x and a quarter's width per beat after it.
    const int firstBeat = slot->left + slot->keyWidth + slot->timeWidth + layout::kFirstNotePaint;
    const double beat = std::clamp(heard.beat, 0.0, static_cast<double>(slot->beats));
    const int lineX =
        std::min(right, firstBeat + static_cast<int>(std::lround(beat * screen.pixelsPerQuarter)));
    return PlaybackMarker{Rect{slot->left, top, right, bottom}, lineX};
}

void PageTurner::start(int firstVisibleMeasure) {
    following_ = true;
    expected_ = firstVisibleMeasure;
}

std::optional<int> PageTurner::turn(int heardMeasure, int firstVisibleMeasure, int perScreen,
                                    int measureCount) {
    if (following_ && firstVisibleMeasure != expected_) {
        // The user scrolled (or an edit scrolled for them): the view is theirs now.
        following_ = false;
    }
    const int page = std::max(perScreen, 1);
    if (!following_ || heardMeasure < 0 || heardMeasure >= measureCount ||
        (heardMeasure >= firstVisibleMeasure && heardMeasure < firstVisibleMeasure + page)) {
        return std::nullopt;
    }
    const int next = firstVisibleMeasure + page;
    int first = heardMeasure >= next && heardMeasure < next + page ? next : heardMeasure;
    first = std::clamp(first, 0, std::max(measureCount - page, 0));
    if (first == firstVisibleMeasure) {
        return std::nullopt;
    }
    expected_ = first;
    return first;
}

std::optional<PlaybackMarker> EditorView::followPlayback() {
    if (player_ == nullptr) {
        return std::nullopt;
    }
    const std::optional<SongPosition> heard = player_->position();
    if (!heard) {
        return std::nullopt;
    }
    ensureTimeline();
    if (const std::optional<int> first =
            pageTurner_.turn(heard->measure, firstVisibleMeasure_, measuresPerScreen_,
                             static_cast<int>(score_.measures.size()))) {
        firstVisibleMeasure_ = *first;
        updateHover(hover_.mouse.x, hover_.mouse.y);
        invalidate();
    }
    return playbackMarker(layout(), *heard, static_cast<int>(score_.tracks.size()),
                          clientRect_.bottom);
}

}  // namespace corvane
