#pragma once
// Following playback on screen: the view turns its page with the sound, and the window draws
// where the sound is over the score. The score painter never does, so pictures and display lists
// of a score do not depend on playback.

#include <optional>

#include "render/canvas.h"
#include "render/layout.h"
#include "sound/song_position.h"

namespace corvane {

// The playback marker as the window draws it, in client pixels.
struct PlaybackMarker {
    Rect measure;   // the measure being heard, bar line to bar line, over the tracks shown
    int lineX = 0;  // the beat being heard: a thin line across the same tracks

    friend bool operator==(const PlaybackMarker&, const PlaybackMarker&) = default;
};

// Where the marker of `heard` stands on `screen` in a client area `clientHeight` pixels high,
// the tracks shown being those of the `trackCount` from screen.firstTrack on; nullopt when the
// measure heard is not on screen or no track is shown.
std::optional<PlaybackMarker> playbackMarker(const ScreenLayout& screen, const SongPosition& heard,
                                             int trackCount, int clientHeight);

// The page turns of one playback.
class PageTurner {
  public:
    // Playback starts with the view at `firstVisibleMeasure`.
    void start(int firstVisibleMeasure);

    // Where the view must go so that it shows `heardMeasure` while it no longer does, the view
    // being at `firstVisibleMeasure` with room for `perScreen` measures of `measureCount`: the
    // next page, or the page that starts with the measure heard when the sound is further on,
    // yet never beyond the last full page, so that no measures are added. Nullopt when the view
    // stays: the measure is shown, or the user has moved the view since playback started (from
    // then on until the next start), or nothing has started.
    std::optional<int> turn(int heardMeasure, int firstVisibleMeasure, int perScreen,
                            int measureCount);

  private:
    bool following_ = false;
    int expected_ = 0;  // where the view is unless the user has moved it
};

}  // namespace corvane
