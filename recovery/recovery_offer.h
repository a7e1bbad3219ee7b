#pragma once
// The questions at start: the recovery copies left by editors that are no longer running are
// offered back one at a time, newest first. Yes hands the copy over and ends the questions
// (older copies wait for the next start); No moves the copy to discarded/, where it is kept for
// a week, and offers the next. Nothing is deleted when the user says No.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recovery/recovery_files.h"
#include "score/score.h"

namespace corvane {

// A copy the user chose to restore: the score, what it belongs to, and the claim a
// RecoveryStore adopts so that the copy stays until the score is saved.
struct RestoredCopy {
    Score score;
    RecoveryRecord record;
    RecoveryClaim claim;
};

class RecoveryOffer {
  public:
    // Copies in discarded/ are removed this long after they were put there.
    static constexpr std::chrono::hours kKeepDiscarded{24 * 7};

    // Looks through `folder` (normally recoveryFolder()) at `now`: removes what was discarded
    // more than a week ago, takes over the copies of editors no longer running (their stale
    // records and temporary files are removed), and loads the newest copy. Copies that do not
    // load are moved to discarded/ and named in message().
    RecoveryOffer(std::filesystem::path folder, WallTime now);
    ~RecoveryOffer() = default;
    RecoveryOffer(RecoveryOffer&&) = default;
    RecoveryOffer& operator=(RecoveryOffer&&) = default;
    RecoveryOffer(const RecoveryOffer&) = delete;
    RecoveryOffer& operator=(const RecoveryOffer&) = delete;

    // "Corvane was not closed properly. Restore the unsaved changes to NAME from TIME?" for
    // the copy on offer; nullopt when nothing (more) is offered.
    std::optional<std::string> question() const;
    // What the copy on offer belongs to; null when nothing is offered.
    const RecoveryRecord* offered() const;
    // Yes: hands over the copy on offer; nothing more is offered. Empty when nothing was.
    std::optional<RestoredCopy> accept();
    // No: moves the copy on offer (copy and record) to discarded/ and offers the next newest.
    void decline();
    // For the status line: a sentence for each copy that could not be loaded or moved, or an
    // empty text when there was none.
    std::string message() const;

  private:
    struct Candidate {
        std::string name;
        RecoveryRecord record;
        FileHandle lock;
    };

    void removeExpired() const;
    void collect();
    void claimOrphan(const std::string& name);
    void loadNewest();
    void moveAside(const Candidate& candidate);
    std::filesystem::path pathOf(const std::string& file) const { return folder_ / file; }

    std::filesystem::path folder_;
    WallTime now_;
    std::vector<Candidate> candidates_;  // oldest first: the one on offer is at the back
    std::optional<Score> loaded_;        // the one on offer, loaded
    std::vector<std::string> messages_;
};

// "an untitled score", or the file name of the file a copy belongs to (the whole path when it
// names no file).
std::string copyTitle(const RecoveryRecord& record);

}  // namespace corvane
