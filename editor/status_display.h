#pragma once
// What the window shows around the client area without stopping the user: the status line and
// the scroll bar of the track area.

#include <string_view>

namespace corvane {

class StatusDisplay {
  public:
    virtual ~StatusDisplay() = default;

    // The status line now says `text` (what a click at the pointer would do; may be empty).
    virtual void showStatus(std::string_view text) = 0;
    // Says `text` once where the user sees it without being stopped (the status line): what an
    // import had to approximate, say.
    virtual void showNotice(std::string_view text) = 0;
    // The track area is scrolled down by `trackScroll` pixels of at most `maxTrackScroll`; told
    // when either changes and after every size change.
    virtual void showTrackScroll(int trackScroll, int maxTrackScroll) = 0;
};

}  // namespace corvane
