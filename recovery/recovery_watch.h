#pragma once
// Keeps a running editor's recovery copy in step with its document: told of every change to the
// document and ticked by a timer of the window's, it hands the store a copy when the autosave
// policy says one is due and has the copy removed once the document is clean. Plain code,
// handed its clock.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "recovery/autosave_policy.h"
#include "recovery/recovery_files.h"
#include "recovery/recovery_store.h"

namespace corvane {

class Score;

class RecoveryWatch {
  public:
    using Clock = std::function<AutosavePolicy::TimePoint()>;

    // Keeps the copy in `folder` (normally recoveryFolder()); `status` hears what the store says
    // for the status line.
    explicit RecoveryWatch(
        std::filesystem::path folder, RecoveryStore::StatusListener status = {},
        Clock clock = [] { return AutosavePolicy::Clock::now(); });
    RecoveryWatch(const RecoveryWatch&) = delete;
    RecoveryWatch& operator=(const RecoveryWatch&) = delete;

    // The document changed: `revision` changes whenever its score may have, `dirty` says whether
    // it has unsaved changes. A dirty document whose score changed waits for a copy; a clean one
    // has none.
    void documentChanged(std::uint64_t revision, bool dirty);
    // From the window's timer, every AutosavePolicy::kTickInterval: when a copy is due, hands
    // one of `score`, belonging to `belongsTo` (empty for an untitled score), to the store.
    void tick(const Score& score, const std::string& belongsTo);
    // A copy restored at start is the document now, at `revision`: it becomes this editor's own
    // copy, and no new one is taken until the document changes again.
    void adopt(RecoveryClaim claim, std::uint64_t revision);
    // The document was closed normally (saved, or its changes given up): no copy is left.
    void documentClosed();

    RecoveryStore& store() { return store_; }

  private:
    Clock clock_;
    RecoveryStore store_;
    // Whether the document was dirty when last told, and its revision then.
    bool sawDirty_ = false;
    std::uint64_t lastRevision_ = 0;
};

}  // namespace corvane
