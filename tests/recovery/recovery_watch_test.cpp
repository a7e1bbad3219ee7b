// The watch that keeps a document's recovery copy in step: told of each change and ticked on a
// made-up clock, it asks for a copy once unsaved changes wait, for another only when the score
// changed again, has the copy removed when the document is clean or closed, and takes a
// restored copy as its own.

#include "recovery/recovery_watch.h"

#include <gtest/gtest.h>

#include "recovery/recovery_offer.h"
#include "tests/recovery/recovery_test_support.h"

namespace corvane::testing {
namespace {

class RecoveryWatchTest : public RecoveryTest {
  protected:
    // A tick at `seconds` on the made-up clock, after which the store has written what it took.
    void tickAt(RecoveryWatch& watch, double seconds, const Score& score) {
        now_ = seconds;
        watch.tick(score, "/home/ana/song.cvn");
        watch.store().flush();
    }
    RecoveryWatch makeWatch() {
        return RecoveryWatch(folder(), {}, [this] { return at(now_); });
    }
    bool copyExists(RecoveryWatch& watch) {
        return std::filesystem::exists(watch.store().copyPath());
    }

    double now_ = 0;
};

TEST_F(RecoveryWatchTest, UnsavedChangesGetACopyAfterThePauseAndACleanDocumentNone) {
    RecoveryWatch watch = makeWatch();
    watch.documentChanged(7, false);
    EXPECT_EQ(watch.store().dueAt(), std::nullopt) << "a clean document waits for nothing";

    now_ = 10;
    watch.documentChanged(8, true);
    EXPECT_EQ(watch.store().dueAt(), at(10) + AutosavePolicy::kPause);
    tickAt(watch, 10.5, scoreWithMeasures(2));
    EXPECT_FALSE(copyExists(watch));
    tickAt(watch, 11, scoreWithMeasures(2));
    ASSERT_TRUE(copyExists(watch));
    EXPECT_EQ(loadCopy(watch.store().copyPath()), scoreWithMeasures(2));

    // Told again of the same revision (the title changed, say): no new copy is due.
    watch.documentChanged(8, true);
    EXPECT_EQ(watch.store().dueAt(), std::nullopt);
    // The score changed again (an edit, or growth while scrolling): a new copy is due.
    now_ = 20;
    watch.documentChanged(9, true);
    EXPECT_EQ(watch.store().dueAt(), at(20) + AutosavePolicy::kPause);
    tickAt(watch, 21, scoreWithMeasures(4));
    EXPECT_EQ(loadCopy(watch.store().copyPath()), scoreWithMeasures(4));

    // Saved, or undone to its saved point: the copy goes.
    watch.documentChanged(10, false);
    watch.store().flush();
    EXPECT_FALSE(copyExists(watch));
    EXPECT_EQ(names(), std::vector<std::string>{});
}

TEST_F(RecoveryWatchTest, ANormalCloseLeavesNoCopy) {
    RecoveryWatch watch = makeWatch();
    watch.documentChanged(1, true);
    tickAt(watch, 5, scoreWithMeasures(1));
    ASSERT_TRUE(copyExists(watch));
    watch.documentClosed();
    watch.store().flush();
    EXPECT_EQ(names(), std::vector<std::string>{});
}

TEST_F(RecoveryWatchTest, ARestoredCopyIsKeptAsItIsUntilTheDocumentChanges) {
    const std::string lost = leaveCopy(scoreWithMeasures(5), "/home/ana/song.cvn", kSomeDay);
    RecoveryOffer offer(folder(), kSomeDay);
    std::optional<RestoredCopy> restored = offer.accept();
    ASSERT_TRUE(restored);

    RecoveryWatch watch = makeWatch();
    // The session tells of the restored score before the copy is handed over.
    watch.documentChanged(3, true);
    watch.adopt(std::move(restored->claim), 3);
    watch.store().flush();
    EXPECT_EQ(watch.store().copyPath(), folder() / (lost + ".cvn"));
    EXPECT_EQ(watch.store().dueAt(), std::nullopt) << "the copy already holds this score";
    watch.documentChanged(3, true);
    EXPECT_EQ(watch.store().dueAt(), std::nullopt);

    now_ = 30;
    watch.documentChanged(4, true);
    tickAt(watch, 31, scoreWithMeasures(6));
    EXPECT_EQ(loadCopy(folder() / (lost + ".cvn")), scoreWithMeasures(6));
}

}  // namespace
}  // namespace corvane::testing
