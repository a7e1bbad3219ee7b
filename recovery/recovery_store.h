#pragma once
// A running editor's recovery copy: while the score has unsaved changes, a complete score file
// of it is kept in the recovery folder, beside a locked record of what it belongs to, so that
// the next start can offer the work back after a crash. The calling (window) thread only turns
// the score into bytes; a writer thread of the store's writes the files.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "recovery/autosave_policy.h"
#include "recovery/recovery_files.h"
#include "score/data_file.h"

namespace corvane {

class Score;

class RecoveryStore {
  public:
    using TimePoint = AutosavePolicy::TimePoint;
    using WallClock = std::function<WallTime()>;
    // Told, on the thread that calls tick(), a sentence for the status line when writing or
    // removing the copy starts failing, and an empty text when a later copy is written again.
    using StatusListener = std::function<void(const std::string&)>;

    // Keeps copies in `folder` (normally recoveryFolder()), which is only created with the first
    // copy. `wallClock` gives the time each record names.
    explicit RecoveryStore(
        std::filesystem::path folder, StatusListener status = {},
        WallClock wallClock = [] { return std::chrono::system_clock::now(); });
    // Finishes what was handed to the writer, then stops it. A copy that still exists is left in
    // place: at a normal exit the caller has called clean() before.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // After every edit that leaves the score with unsaved changes.
    void changed(TimePoint now);
    // From a timer: when a copy is due, turns `score` into bytes here and hands them to the
    // writer, to be kept as belonging to `belongsTo` (empty for an untitled score). Reports to
    // the listener how earlier writes went.
    void tick(TimePoint now, const Score& score, const std::string& belongsTo);
    // When the score becomes clean (saved, undone to its saved point, replaced by a file that
    // was opened, or its changes given up at close) and at a normal exit: the copy and its
    // record are removed.
    void clean();
    // Takes over a copy restored at start: it is kept, under its own name, as this editor's
    // copy, and replaced as the restored score changes. This editor's own copy is removed.
    void adopt(RecoveryClaim claim);

    // When tick() next takes a copy; nullopt while nothing waits for one.
    std::optional<TimePoint> dueAt() const { return policy_.dueAt(); }
    // Where this editor's copy is (it exists only while there are unsaved changes).
    std::filesystem::path copyPath() const;
    // Waits until the writer has done everything handed to it so far.
    void flush();

  private:
    enum class JobKind { Write, Remove, Adopt };
    struct Job {
        JobKind kind = JobKind::Write;
        std::uint64_t number = 0;
        std::string name;
        DataFile copy{std::string()};
        RecoveryRecord record;
        FileHandle lock;
    };

    void push(Job job);
    void run();
    void perform(Job& job);
    void writeCopy(Job& job);
    std::string removeCopy();  // empty, or what failed
    void report(bool ok, const std::string& text, std::uint64_t number);
    void takeNotices(TimePoint now);

    const std::filesystem::path folder_;
    const StatusListener status_;
    const WallClock wallClock_;

    // The calling thread's own.
    AutosavePolicy policy_;
    std::string name_;
    std::uint64_t lastWrite_ = 0;  // number of the newest write handed over
    std::uint64_t nextNumber_ = 1;

    // The writer's own: the record it holds, under which name.
    FileHandle held_;
    std::string heldName_;
    bool failing_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::vector<std::string> notices_;  // for the listener; empty: writing works again
    std::uint64_t failedWrite_ = 0;     // number of the newest write that failed, until taken

    std::thread writer_;
};

}  // namespace corvane
