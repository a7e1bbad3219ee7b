// Where recovery copies live, the record beside each, and the locks that tell running editors
// from ones that are gone.

#include "recovery/recovery_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "recovery/recovery_offer.h"
#include "score/data_file.h"
#include "tests/recovery/recovery_test_support.h"

namespace corvane::testing {
namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(RecoveryFolder, FollowsXdgStateHomeOrFallsBackToTheHomeFolder) {
    EXPECT_EQ(recoveryFolderFrom("/srv/state", "/home/ana"), "/srv/state/corvane/recovery");
    // Unset, empty or relative values are not to be used.
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "state"}) {
        EXPECT_EQ(recoveryFolderFrom(unusable, "/home/ana"),
                  "/home/ana/.local/state/corvane/recovery");
    }
    // Without a usable HOME the password database names the home folder.
    const std::filesystem::path fallback = recoveryFolderFrom(nullptr, "relative");
    EXPECT_TRUE(fallback.is_absolute());
    EXPECT_TRUE(fallback.string().ends_with(".local/state/corvane/recovery")) << fallback;
}

TEST_F(RecoveryTest, MissingFoldersAreMadeForTheUserAlone) {
    ASSERT_EQ(folder(), state_.path() / "state" / "corvane" / "recovery");
    makePrivateFolder(folder());
    for (const auto& path :
         {state_.path() / "state", state_.path() / "state" / "corvane", folder()}) {
        EXPECT_EQ(modeOf(path), 0700u) << path;
    }
    // An existing folder open to others is narrowed; calling again is harmless.
    ::chmod(folder().c_str(), 0755);
    makePrivateFolder(folder());
    EXPECT_EQ(modeOf(folder()), 0700u);
}

TEST_F(RecoveryTest, AFolderThatCannotBeMadeIsReportedWithItsPathAndCause) {
    writeBytes(state_.path() / "state", {'x'});  // a file where a folder belongs
    try {
        makePrivateFolder(folder());
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), (state_.path() / "state" / "corvane").string());
        EXPECT_EQ(error.reason(), "a part of the path is not a folder");
    }
    std::filesystem::remove(state_.path() / "state");
    std::filesystem::create_directories(folder().parent_path());
    writeBytes(folder(), {'x'});
    try {
        makePrivateFolder(folder());
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.detail(), folder().string() + ": a file of that name is already there");
    }
}

TEST(RecoveryRecordText, RoundTripsAnyFileNameAndToleratesMissingLines) {
    const RecoveryRecord plain{"/home/ana/song.cvn", kSomeDay};
    EXPECT_EQ(formatRecord(plain),
              "corvane recovery record 1\nfile: /home/ana/song.cvn\ntime: 1796658240\n");
    EXPECT_EQ(parseRecord(formatRecord(plain)), plain);

    const RecoveryRecord odd{"/tmp/a\\b\nfile: /etc/passwd\r.cvn", kSomeDay};
    EXPECT_EQ(parseRecord(formatRecord(odd)), odd);
    const RecoveryRecord untitled{"", kSomeDay};
    EXPECT_EQ(parseRecord(formatRecord(untitled)), untitled);

    EXPECT_EQ(parseRecord("corvane recovery record 1\n"), RecoveryRecord{});
    EXPECT_EQ(parseRecord("corvane recovery record 1\nfile: /a.cvn\ntime: soon\n"),
              (RecoveryRecord{"/a.cvn", WallTime{}}));
    EXPECT_EQ(parseRecord(""), std::nullopt);
    EXPECT_EQ(parseRecord("CVNhd\x01\x00"), std::nullopt);

    // Times the clock cannot hold are bad times too, not wrapped-around ones.
    for (const char* time : {"9223372036854775807", "-9223372036854775807", "9300000000"}) {
        EXPECT_EQ(parseRecord(std::string("corvane recovery record 1\ntime: ") + time + "\n"),
                  RecoveryRecord{})
            << time;
    }
    const RecoveryRecord before1970{"/a.cvn", WallTime(std::chrono::seconds(-86400))};
    EXPECT_EQ(parseRecord(formatRecord(before1970)), before1970);
}

TEST_F(RecoveryTest, ARecordNamingAFolderIsStillOfferedByName) {
    EXPECT_EQ(copyTitle(RecoveryRecord{"/home/ana/song.cvn", kSomeDay}), "song.cvn");
    EXPECT_EQ(copyTitle(RecoveryRecord{"", kSomeDay}), "an untitled score");
    EXPECT_EQ(copyTitle(RecoveryRecord{"/home/ana/", kSomeDay}), "/home/ana/");
}

TEST_F(RecoveryTest, ARecordIsLockedWhileItsHandleIsOpen) {
    makePrivateFolder(folder());
    const std::filesystem::path path = folder() / "one.record";
    {
        const FileHandle held = writeRecord(folder(), "one", {"/a.cvn", kSomeDay}, false);
        EXPECT_EQ(parseRecord(readAll(held)), (RecoveryRecord{"/a.cvn", kSomeDay}));
        EXPECT_FALSE(takeRecordLock(path));

        // Replacing it keeps it locked throughout: first both, then the new one alone.
        FileHandle replaced = writeRecord(folder(), "one", {"/b.cvn", kSomeDay}, true);
        EXPECT_FALSE(takeRecordLock(path));
        const FileHandle stillHeld = std::move(replaced);
        EXPECT_FALSE(takeRecordLock(path));
    }
    const FileHandle taken = takeRecordLock(path);
    ASSERT_TRUE(taken);
    EXPECT_EQ(parseRecord(readAll(taken)), (RecoveryRecord{"/b.cvn", kSomeDay}));
    EXPECT_FALSE(takeRecordLock(path)) << "taken twice";
    EXPECT_FALSE(takeRecordLock(folder() / "none.record"));
    EXPECT_EQ(names(), (std::vector<std::string>{"one.record"}));
}

TEST_F(RecoveryTest, ANewRecordNeverReplacesAnExistingOne) {
    makePrivateFolder(folder());
    const FileHandle first = writeRecord(folder(), "one", {"/a.cvn", kSomeDay}, false);
    try {
        writeRecord(folder(), "one", {"/b.cvn", kSomeDay}, false);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.detail(),
                  (folder() / "one.record").string() + ": a file of that name is already there");
    }
    EXPECT_EQ(parseRecord(readAll(first))->belongsTo, "/a.cvn");
    EXPECT_EQ(names(), (std::vector<std::string>{"one.record"}));  // no temporary file left

    // Neither is a record written into a folder that is not there.
    EXPECT_THROW(writeRecord(folder() / "missing", "two", {}, false), FileError);
}

TEST_F(RecoveryTest, TimesAreShownAsDayMonthYearAndClock) {
    EXPECT_EQ(describeTime(kSomeDay), "7 Dec 2026 15:44");
    EXPECT_EQ(describeTime(kSomeDay + std::chrono::hours(8) + std::chrono::minutes(21)),
              "8 Dec 2026 00:05");
    EXPECT_EQ(describeTime(WallTime(std::chrono::seconds(1769990400))), "2 Feb 2026 00:00");
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    EXPECT_EQ(describeTime(kSomeDay), "7 Dec 2026 16:44");
}

}  // namespace
}  // namespace corvane::testing
