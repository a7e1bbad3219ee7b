#include "recovery/recovery_watch.h"

#include <utility>

namespace corvane {

RecoveryWatch::RecoveryWatch(std::filesystem::path folder, RecoveryStore::StatusListener status,
                             Clock clock)
    : clock_(std::move(clock)), store_(std::move(folder), std::move(status)) {}

void RecoveryWatch::documentChanged(std::uint64_t revision, bool dirty) {
    if (!dirty) {
        if (sawDirty_) {
            store_.clean();
        }
        sawDirty_ = false;
        return;
    }
    if (!sawDirty_ || lastRevision_ != revision) {
        store_.changed(clock_());
        lastRevision_ = revision;
    }
    sawDirty_ = true;
}

void RecoveryWatch::tick(const Score& score, const std::string& belongsTo) {
    store_.tick(clock_(), score, belongsTo);
}

void RecoveryWatch::adopt(RecoveryClaim claim, std::uint64_t revision) {
    store_.adopt(std::move(claim));
    sawDirty_ = true;
    lastRevision_ = revision;
}

void RecoveryWatch::documentClosed() {
    store_.clean();
}

}  // namespace corvane
