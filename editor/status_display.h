#pragma once
// What the window shows around the client area without stopping the user: the status line and
// the scroll bar of the track area.

#include <algorithm>
#include <string>
#include <string_view>

namespace corvane {

class StatusDisplay {
  public:
    virtual ~StatusDisplay() = default;

    // The status line now says `text` (what a click at the pointer would do; may be empty).
    virtual void showStatus(std::string_view text) = 0;
    // Says `text` once where the user sees it without being stopped (the status line), for a
    // while: that a copy of unsaved work could not be written, say.
    virtual void showNotice(std::string_view text) = 0;
    // A report the user should be able to read in full, such as what an import had to
    // approximate: `summary` in a few words, `details` the whole of it, a line a point. It stays
    // until the user dismisses it or the next report comes; an empty summary takes it away. A
    // display without a place for reports says the details once, on one line, as a notice.
    virtual void showReport(std::string_view summary, std::string_view details) {
        if (summary.empty()) {
            return;
        }
        std::string line(details.empty() ? summary : details);
        std::replace(line.begin(), line.end(), '\n', ' ');
        showNotice(line);
    }
    // The track area is scrolled down by `trackScroll` pixels of at most `maxTrackScroll`; told
    // when either changes and after every size change.
    virtual void showTrackScroll(int trackScroll, int maxTrackScroll) = 0;
};

}  // namespace corvane
