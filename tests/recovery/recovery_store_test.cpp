// A running editor's recovery copy: written by the store's own thread when due, replaced, removed
// when the score is clean, failures said once, and never half written.

#include "recovery/recovery_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>

#include "recovery/recovery_offer.h"
#include "score/score_reader.h"
#include "tests/recovery/recovery_test_support.h"
#include "tests/score/sample_scores.h"

namespace corvane::testing {
namespace {

// What the store told the status line, in order.
class StatusLog {
  public:
    RecoveryStore::StatusListener listener() {
        return [this](const std::string& text) {
            const std::lock_guard lock(mutex_);
            texts_.push_back(text);
        };
    }
    std::vector<std::string> texts() const {
        const std::lock_guard lock(mutex_);
        return texts_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

RecoveryRecord recordOf(const std::filesystem::path& copy) {
    std::filesystem::path record = copy;
    record.replace_extension(".record");
    const std::vector<std::uint8_t> bytes = readBytes(record);
    return parseRecord(std::string(bytes.begin(), bytes.end())).value_or(RecoveryRecord{});
}

class RecoveryStoreTest : public RecoveryTest {
  protected:
    // Makes the store's next tick take a copy of `score`, and waits until it is written.
    void copyNow(RecoveryStore& store, const Score& score, const std::string& belongsTo = {}) {
        now_ += 10;
        store.changed(at(now_));
        store.tick(at(now_ + 5), score, belongsTo);
        store.flush();
    }
    // A tick that takes no copy: delivers what the writer has to say.
    void tickOnly(RecoveryStore& store) { store.tick(at(now_ += 0.1), Score(), {}); }

    double now_ = 0;
    WallTime wallNow_ = kSomeDay;
    StatusLog status_;
};

TEST_F(RecoveryStoreTest, ACopyIsWrittenWhenDueWithItsRecordAndRemovedWhenClean) {
    RecoveryStore store(folder(), status_.listener(), [this] { return wallNow_; });
    const Score score = samples::richScore();
    store.tick(at(0), score, "/home/ana/song.cvn");
    store.flush();
    EXPECT_FALSE(std::filesystem::exists(folder())) << "written without a change";

    store.changed(at(1));
    store.tick(at(1.5), score, "/home/ana/song.cvn");
    store.flush();
    EXPECT_FALSE(std::filesystem::exists(folder())) << "written before the pause";
    ASSERT_EQ(store.dueAt(), at(2));
    store.tick(at(2), score, "/home/ana/song.cvn");
    store.flush();

    const std::string name = store.copyPath().stem().string();
    EXPECT_EQ(names(), filesOf(name));
    EXPECT_EQ(readBytes(store.copyPath()), samples::encode(score));
    EXPECT_EQ(recordOf(store.copyPath()), (RecoveryRecord{"/home/ana/song.cvn", kSomeDay}));
    struct stat info {};
    ASSERT_EQ(::stat(folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The running editor holds its record.
    EXPECT_FALSE(takeRecordLock(folder() / (name + ".record")));

    store.clean();
    store.flush();
    EXPECT_EQ(names(), std::vector<std::string>{});
    EXPECT_EQ(store.dueAt(), std::nullopt);
    EXPECT_EQ(status_.texts(), std::vector<std::string>{});
}

TEST_F(RecoveryStoreTest, ANewerCopyReplacesTheOlderAndItsRecord) {
    RecoveryStore store(folder(), {}, [this] { return wallNow_; });
    copyNow(store, scoreWithMeasures(1));
    wallNow_ += std::chrono::minutes(3);
    copyNow(store, scoreWithMeasures(2), "/home/ana/saved-as.cvn");

    EXPECT_EQ(loadCopy(store.copyPath()), scoreWithMeasures(2));
    EXPECT_EQ(recordOf(store.copyPath()),
              (RecoveryRecord{"/home/ana/saved-as.cvn", kSomeDay + std::chrono::minutes(3)}));
    EXPECT_EQ(names().size(), 2u);
    EXPECT_FALSE(takeRecordLock(folder() / (store.copyPath().stem().string() + ".record")));
}

TEST_F(RecoveryStoreTest, OnlyTheNewestOfCopiesTakenInQuickSuccessionIsKept) {
    RecoveryStore store(folder());
    for (int i = 1; i <= 40; ++i) {
        now_ += 3;
        store.changed(at(now_));
        store.tick(at(now_ + 2), scoreWithMeasures(i), {});
    }
    store.flush();
    EXPECT_EQ(loadCopy(store.copyPath()), scoreWithMeasures(40));

    // A removal after writes still waiting leaves nothing behind.
    for (int i = 1; i <= 5; ++i) {
        now_ += 3;
        store.changed(at(now_));
        store.tick(at(now_ + 2), scoreWithMeasures(i), {});
    }
    store.clean();
    store.flush();
    EXPECT_EQ(names(), std::vector<std::string>{});
}

TEST_F(RecoveryStoreTest, AFailedWriteIsSaidOnceTriedAgainAndClearedBySuccess) {
    RecoveryStore store(folder(), status_.listener());
    // A file where the state folder belongs: nothing can be written beneath it.
    writeBytes(state_.path() / "state", {'x'});
    copyNow(store, scoreWithMeasures(1));
    tickOnly(store);
    const std::vector<std::string> said = status_.texts();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "The recovery copy could not be written (" +
                           (state_.path() / "state" / "corvane").string() +
                           ": a part of the path is not a folder); it will be tried again.");

    // It is tried again without another edit, and failing again is not said again.
    ASSERT_TRUE(store.dueAt().has_value());
    store.tick(*store.dueAt(), scoreWithMeasures(1), {});
    store.flush();
    tickOnly(store);
    EXPECT_EQ(status_.texts().size(), 1u);
    ASSERT_TRUE(store.dueAt().has_value());

    std::filesystem::remove(state_.path() / "state");
    store.tick(*store.dueAt(), scoreWithMeasures(1), {});
    store.flush();
    tickOnly(store);
    EXPECT_EQ(status_.texts(), (std::vector<std::string>{said[0], ""}));
    EXPECT_EQ(loadCopy(store.copyPath()), scoreWithMeasures(1));
    EXPECT_EQ(store.dueAt(), std::nullopt);
}

TEST_F(RecoveryStoreTest, AWriteThatFailedBeforeTheScoreWasSavedIsNotRetried) {
    RecoveryStore store(folder(), status_.listener());
    writeBytes(state_.path() / "state", {'x'});
    copyNow(store, scoreWithMeasures(1));
    store.clean();
    store.flush();
    std::filesystem::remove(state_.path() / "state");
    tickOnly(store);
    EXPECT_EQ(store.dueAt(), std::nullopt);
    // The failure was said, and the removal that followed ended it.
    EXPECT_EQ(status_.texts().size(), 2u);
    EXPECT_EQ(status_.texts().back(), "");
    EXPECT_FALSE(std::filesystem::exists(folder()));
}

TEST_F(RecoveryStoreTest, ARestoredCopyIsAdoptedKeptAndRemovedWhenClean) {
    const std::string old = leaveCopy(scoreWithMeasures(2), "/home/ana/song.cvn", kSomeDay);
    RecoveryStore store(folder());
    copyNow(store, scoreWithMeasures(9));  // this editor's own, before the question was answered
    RecoveryOffer offer(folder(), kSomeDay);
    std::optional<RestoredCopy> restored = offer.accept();
    ASSERT_TRUE(restored);
    store.adopt(std::move(restored->claim));
    store.flush();

    EXPECT_EQ(store.copyPath(), folder() / (old + ".cvn"));
    EXPECT_EQ(names(), (std::vector<std::string>{old + ".cvn", old + ".record"}));
    EXPECT_FALSE(takeRecordLock(folder() / (old + ".record")));
    EXPECT_EQ(store.dueAt(), std::nullopt) << "the restored score already has its copy";

    copyNow(store, scoreWithMeasures(3), "/home/ana/song.cvn");
    EXPECT_EQ(loadCopy(folder() / (old + ".cvn")), scoreWithMeasures(3));
    store.clean();
    store.flush();
    EXPECT_EQ(names(), std::vector<std::string>{});
}

// Every write of a copy stopped after each number of bytes in turn, for the first copy and for
// one that replaces another: a copy that exists is always a whole one, the old or the new, and
// has its record; nothing else is left behind.
TEST_F(RecoveryStoreTest, ACopyIsNeverHalfWritten) {
    RecoveryStore store(folder(), status_.listener());
    const Score older;
    const Score newer = scoreWithMeasures(3);
    const std::string name = store.copyPath().stem().string();
    const auto check = [&](std::size_t limit, bool replacing) {
        const std::vector<std::string> files = names();
        if (files == filesOf(name)) {
            const Score copy = loadCopy(store.copyPath());
            const std::string belongsTo = recordOf(store.copyPath()).belongsTo;
            EXPECT_TRUE(copy == newer || (replacing && copy == older)) << limit << " bytes";
            EXPECT_TRUE(belongsTo == "/home/ana/newer.cvn" ||
                        (replacing && belongsTo == "/home/ana/older.cvn"))
                << limit << " bytes";
        } else {
            // A record alone holds no work; the next start removes it.
            EXPECT_FALSE(replacing) << limit << " bytes";
            EXPECT_TRUE(files.empty() || files == std::vector<std::string>{name + ".record"})
                << limit << " bytes";
        }
    };
    // Past the copy's size, the limit stops the record written after it.
    const std::size_t largest = samples::encode(newer).size() + 100;
    for (std::size_t limit = 0; limit <= largest && !HasFailure(); ++limit) {
        for (const bool replacing : {false, true}) {
            store.clean();
            if (replacing) {
                copyNow(store, older, "/home/ana/older.cvn");
            }
            const FileSizeLimit stop(limit);
            copyNow(store, newer, "/home/ana/newer.cvn");
            check(limit, replacing);
        }
    }
    // Small limits stopped the copy, the largest let it through.
    EXPECT_EQ(loadCopy(store.copyPath()), newer);
    const std::vector<std::string> said = status_.texts();
    ASSERT_GE(said.size(), 2u);
    EXPECT_NE(said[0].find(": the file is too large); it will be tried again."), std::string::npos)
        << said[0];
    EXPECT_EQ(said[1], "");
}

// A child process that keeps a recovery copy, killed as a crash would end it.
class KilledEditor {
  public:
    explicit KilledEditor(const std::string& belongsTo) {
        int fds[2];
        if (::pipe(fds) != 0) {
            throw std::runtime_error("no pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(CORVANE_RECOVERY_CHILD, CORVANE_RECOVERY_CHILD, belongsTo.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char said[16] = {};
        ready_ = ::read(fds[0], said, sizeof said - 1) > 0 && std::string(said) == "ready\n";
        ::close(fds[0]);
    }
    ~KilledEditor() { kill(); }
    KilledEditor(const KilledEditor&) = delete;
    KilledEditor& operator=(const KilledEditor&) = delete;

    bool ready() const { return ready_; }
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

TEST_F(RecoveryStoreTest, TheCopyOfAKilledEditorIsOfferedButNotWhileItRuns) {
    KilledEditor editor("/home/ana/song.cvn");
    ASSERT_TRUE(editor.ready());
    EXPECT_EQ(RecoveryOffer(folder(), WallTime::clock::now()).question(), std::nullopt)
        << "the copy of a running editor was offered";

    editor.kill();
    RecoveryOffer offer(folder(), WallTime::clock::now());
    ASSERT_TRUE(offer.question());
    EXPECT_TRUE(offer.question()->starts_with(
        "Corvane was not closed properly. Restore the unsaved changes to song.cvn from "));
    std::optional<RestoredCopy> restored = offer.accept();
    ASSERT_TRUE(restored);
    EXPECT_EQ(samples::encode(restored->score), samples::encode(samples::richScore()));
    EXPECT_EQ(restored->record.belongsTo, "/home/ana/song.cvn");
}

}  // namespace
}  // namespace corvane::testing
