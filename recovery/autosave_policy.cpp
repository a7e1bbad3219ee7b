#include "recovery/autosave_policy.h"

#include <algorithm>

namespace corvane {

void AutosavePolicy::changed(TimePoint now) {
    if (!waiting_) {
        waiting_ = true;
        firstChange_ = now;
    }
    lastChange_ = now;
    retryAt_.reset();
}

bool AutosavePolicy::tick(TimePoint now) {
    const std::optional<TimePoint> due = dueAt();
    if (!due || now < *due) {
        return false;
    }
    waiting_ = false;
    lastCopy_ = now;
    retryAt_.reset();
    return true;
}

void AutosavePolicy::failed(TimePoint now) {
    // Changes made after the failed copy already wait for the next one.
    if (waiting_) {
        return;
    }
    waiting_ = true;
    firstChange_ = now;
    lastChange_ = now;
    retryAt_ = now + kRetry;
}

void AutosavePolicy::cleaned() {
    waiting_ = false;
    retryAt_.reset();
}

std::optional<AutosavePolicy::TimePoint> AutosavePolicy::dueAt() const {
    if (!waiting_) {
        return std::nullopt;
    }
    TimePoint due = retryAt_ ? *retryAt_ : std::min(lastChange_ + kPause, firstChange_ + kLatest);
    if (lastCopy_) {
        due = std::max(due, *lastCopy_ + kMinInterval);
    }
    return due;
}

}  // namespace corvane
