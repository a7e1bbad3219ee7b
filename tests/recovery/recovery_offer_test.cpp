// The questions at start: copies of editors that are gone, newest first; Yes restores and stops,
// No puts the copy aside; copies that do not load are put aside and named once.

#include "recovery/recovery_offer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/recovery/recovery_test_support.h"
#include "tests/score/sample_scores.h"

namespace corvane::testing {
namespace {

using std::chrono::hours;
using std::chrono::minutes;

const WallTime kToday = kSomeDay + hours(2);

void setModified(const std::filesystem::path& path, WallTime when) {
    const time_t seconds = std::chrono::system_clock::to_time_t(when);
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST_F(RecoveryTest, NothingIsOfferedOrMadeWhenThereAreNoCopies) {
    RecoveryOffer offer(folder(), kToday);
    EXPECT_EQ(offer.question(), std::nullopt);
    EXPECT_EQ(offer.offered(), nullptr);
    EXPECT_EQ(offer.accept(), std::nullopt);
    offer.decline();
    EXPECT_EQ(offer.message(), "");
    EXPECT_FALSE(std::filesystem::exists(folder()));
}

TEST_F(RecoveryTest, CopiesAreOfferedNewestFirstAndNoPutsThemAside) {
    const std::string oldest = leaveCopy(scoreWithMeasures(1), "", kSomeDay - hours(30));
    const std::string newest = leaveCopy(scoreWithMeasures(3), "/home/ana/b.cvn", kSomeDay);
    const std::string middle =
        leaveCopy(scoreWithMeasures(2), "/home/ana/a.cvn", kSomeDay - minutes(1));

    RecoveryOffer offer(folder(), kToday);
    EXPECT_EQ(offer.question(),
              "Corvane was not closed properly. Restore the unsaved changes to b.cvn from "
              "7 Dec 2026 15:44?");
    offer.decline();
    EXPECT_EQ(names(folder() / "discarded"), filesOf(newest));
    EXPECT_EQ(offer.question(),
              "Corvane was not closed properly. Restore the unsaved changes to a.cvn from "
              "7 Dec 2026 15:43?");
    offer.decline();
    EXPECT_EQ(offer.question(),
              "Corvane was not closed properly. Restore the unsaved changes to an untitled score "
              "from 6 Dec 2026 09:44?");
    offer.decline();
    EXPECT_EQ(offer.question(), std::nullopt);
    EXPECT_EQ(offer.message(), "");

    // Put aside whole, not deleted: they still load.
    std::vector<std::string> aside;
    for (const std::string& name : {newest, middle, oldest}) {
        aside.insert(aside.end(), {name + ".cvn", name + ".record"});
    }
    std::sort(aside.begin(), aside.end());
    EXPECT_EQ(names(folder() / "discarded"), aside);
    EXPECT_EQ(loadCopy(folder() / "discarded" / (middle + ".cvn")), scoreWithMeasures(2));
    EXPECT_EQ(names(), std::vector<std::string>{"discarded"});
}

TEST_F(RecoveryTest, YesRestoresTheCopyAndLeavesOlderOnesForTheNextStart) {
    const std::string older = leaveCopy(scoreWithMeasures(1), "/home/ana/a.cvn", kSomeDay);
    const std::string newer = leaveCopy(scoreWithMeasures(2), "/home/ana/b.cvn", kToday);
    {
        RecoveryOffer offer(folder(), kToday);
        std::optional<RestoredCopy> restored = offer.accept();
        ASSERT_TRUE(restored);
        EXPECT_EQ(restored->score, scoreWithMeasures(2));
        EXPECT_EQ(restored->record, (RecoveryRecord{"/home/ana/b.cvn", kToday}));
        EXPECT_EQ(restored->claim.name, newer);
        EXPECT_EQ(offer.question(), std::nullopt) << "asked again after Yes";

        // While the claim is held the restored copy belongs to this editor.
        EXPECT_EQ(RecoveryOffer(folder(), kToday).offered()->belongsTo, "/home/ana/a.cvn");
    }
    // Not taken over by a store: both remain, and are offered again.
    std::vector<std::string> both = filesOf(older);
    both.insert(both.end(), {newer + ".cvn", newer + ".record"});
    std::sort(both.begin(), both.end());
    EXPECT_EQ(names(), both);
    EXPECT_EQ(RecoveryOffer(folder(), kToday).offered()->belongsTo, "/home/ana/b.cvn");
}

TEST_F(RecoveryTest, CopiesOfRunningEditorsAndOnesOfferedElsewhereAreLeftAlone) {
    RecoveryStore running(folder());
    running.changed(at(0));
    running.tick(at(5), scoreWithMeasures(4), "/home/ana/running.cvn");
    running.flush();
    const std::string gone = leaveCopy(scoreWithMeasures(1), "/home/ana/gone.cvn", kSomeDay);

    RecoveryOffer first(folder(), kToday);
    ASSERT_NE(first.offered(), nullptr);
    EXPECT_EQ(first.offered()->belongsTo, "/home/ana/gone.cvn");
    // A second window starting meanwhile finds nothing to offer.
    RecoveryOffer second(folder(), kToday);
    EXPECT_EQ(second.question(), std::nullopt);

    first.decline();
    EXPECT_EQ(first.question(), std::nullopt);
    EXPECT_EQ(names(folder() / "discarded"), filesOf(gone));
    EXPECT_EQ(loadCopy(running.copyPath()), scoreWithMeasures(4));
}

TEST_F(RecoveryTest, ACopyThatDoesNotLoadIsPutAsideAndNamedOnce) {
    const std::string good = leaveCopy(scoreWithMeasures(1), "/home/ana/good.cvn", kSomeDay);
    const std::string bad = leaveCopy(scoreWithMeasures(1), "/home/ana/bad.cvn", kToday);
    std::vector<std::uint8_t> bytes = readBytes(folder() / (bad + ".cvn"));
    bytes.resize(bytes.size() - 3);
    writeBytes(folder() / (bad + ".cvn"), bytes);

    RecoveryOffer offer(folder(), kToday);
    EXPECT_EQ(offer.offered()->belongsTo, "/home/ana/good.cvn");
    EXPECT_EQ(offer.message(),
              "The recovery copy of bad.cvn from 7 Dec 2026 17:44 could not be "
              "loaded and was moved to " +
                  (folder() / "discarded").string() +
                  ". The file is damaged: it claims 3 notes but is too short "
                  "for them in track 1, measure 2.");
    EXPECT_EQ(names(folder() / "discarded"), filesOf(bad));
    EXPECT_EQ(readBytes(folder() / "discarded" / (bad + ".cvn")), bytes);

    offer.decline();
    EXPECT_EQ(RecoveryOffer(folder(), kToday).message(), "") << "said twice";
}

TEST_F(RecoveryTest, WhatWasPutAsideIsRemovedAfterAWeek) {
    const std::string declined = leaveCopy(scoreWithMeasures(1), "", kSomeDay - hours(24 * 30));
    setModified(folder() / (declined + ".cvn"), kSomeDay - hours(24 * 30));
    RecoveryOffer(folder(), kToday).decline();
    const std::filesystem::path aside = folder() / "discarded";
    writeBytes(aside / "old.cvn", {'x'});
    setModified(aside / "old.cvn", kToday - RecoveryOffer::kKeepDiscarded - minutes(1));
    writeBytes(aside / "recent.cvn", {'x'});
    setModified(aside / "recent.cvn", kToday - RecoveryOffer::kKeepDiscarded + minutes(1));

    // The copy written a month ago was put aside today: its week starts now.
    RecoveryOffer(folder(), kToday);
    std::vector<std::string> kept = filesOf(declined);
    kept.push_back("recent.cvn");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(names(aside), kept);

    RecoveryOffer(folder(), kToday + RecoveryOffer::kKeepDiscarded + minutes(1));
    EXPECT_EQ(names(aside), std::vector<std::string>{});
}

TEST_F(RecoveryTest, LeftoversOfEditorsThatAreGoneAreRemoved) {
    RecoveryStore running(folder());
    running.changed(at(0));
    running.tick(at(5), scoreWithMeasures(4), {});
    running.flush();
    const std::string runningName = running.copyPath().stem().string();
    const std::string gone = leaveCopy(scoreWithMeasures(1), {}, kSomeDay);
    // A record whose copy was never written, and writes that never finished.
    writeRecord(folder(), "editor-empty", {"/home/ana/empty.cvn", kSomeDay}, false);
    for (const std::string& name : {gone, runningName}) {
        writeBytes(folder() / ("." + name + ".cvn.123-456.tmp"), {'x'});
        writeBytes(folder() / ("." + name + ".record.89ab.tmp"), {'x'});
    }
    writeBytes(folder() / "notes.txt", {'x'});

    RecoveryOffer offer(folder(), kToday);
    std::vector<std::string> left = filesOf(gone);
    left.insert(left.end(),
                {runningName + ".cvn", runningName + ".record", "notes.txt",
                 "." + runningName + ".cvn.123-456.tmp", "." + runningName + ".record.89ab.tmp"});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(names(), left);
    EXPECT_EQ(offer.offered()->time, kSomeDay);
}

TEST_F(RecoveryTest, ACopyWithoutAGoodRecordIsOfferedAsUntitledFromWhenItWasWritten) {
    const std::string lost = leaveCopy(scoreWithMeasures(5), "/home/ana/song.cvn", kSomeDay);
    std::filesystem::remove(folder() / (lost + ".record"));
    setModified(folder() / (lost + ".cvn"), kSomeDay - minutes(10));
    const std::string damaged = leaveCopy(scoreWithMeasures(6), "/home/ana/song.cvn", kSomeDay);
    writeBytes(folder() / (damaged + ".record"), {0xff, 0x00, '\n'});
    setModified(folder() / (damaged + ".cvn"), kSomeDay - minutes(2));

    RecoveryOffer offer(folder(), kToday);
    EXPECT_EQ(offer.question(),
              "Corvane was not closed properly. Restore the unsaved changes to an untitled score "
              "from 7 Dec 2026 15:42?");
    // The record made for the copy without one keeps it from being offered twice.
    EXPECT_EQ(RecoveryOffer(folder(), kToday).question(), std::nullopt);
    offer.decline();
    EXPECT_EQ(*offer.offered(), (RecoveryRecord{"", kSomeDay - minutes(10)}));
    EXPECT_EQ(offer.accept()->score, scoreWithMeasures(5));
    EXPECT_EQ(names(folder() / "discarded"), filesOf(damaged));
}

}  // namespace
}  // namespace corvane::testing
