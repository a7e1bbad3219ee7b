#pragma once
// When to take a recovery copy of a score with unsaved changes: soon after the user pauses, and
// at the latest a few seconds after the first change the last copy does not hold, but never more
// often than every two seconds while the user keeps editing. Pure: the caller passes the time.

#include <chrono>
#include <optional>

namespace corvane {

class AutosavePolicy {
  public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // A pause in editing this long takes a copy.
    static constexpr std::chrono::seconds kPause{1};
    // A change waits no longer than this for its copy; ticked at kTickInterval, every change
    // is then in a copy within five seconds.
    static constexpr std::chrono::seconds kLatest{4};
    static constexpr std::chrono::milliseconds kTickInterval{500};
    // Copies are taken at least this far apart.
    static constexpr std::chrono::seconds kMinInterval{2};
    // A copy that could not be written is tried again this long after, unless the user edits
    // again sooner.
    static constexpr std::chrono::seconds kRetry{5};

    // An edit left the score with changes no copy holds yet.
    void changed(TimePoint now);
    // True when a copy should be taken now; the copy then counts as taken.
    bool tick(TimePoint now);
    // The copy taken last could not be written; it is due again later.
    void failed(TimePoint now);
    // The score has no unsaved changes any more (saved, undone to the saved point, discarded).
    void cleaned();

    // When tick() will next return true; nullopt while nothing waits for a copy.
    std::optional<TimePoint> dueAt() const;

  private:
    bool waiting_ = false;  // changes that no copy taken holds
    TimePoint firstChange_{};
    TimePoint lastChange_{};
    std::optional<TimePoint> lastCopy_;
    std::optional<TimePoint> retryAt_;
};

}  // namespace corvane
