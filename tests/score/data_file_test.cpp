// DataFile: byte order, reading past the end, saves that fail without harm, the file and the
// cause that every failure names, and the private temporary files.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "score/data_file.h"
#include "score/score_reader.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::FileSizeLimit;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

TEST(DataFile, WritesLittleAndBigEndianValues) {
    DataFile file = DataFile::fromBytes({});
    file.write(std::uint8_t{0xAB});
    file.write(std::int32_t{-2});
    file.write(std::int32_t{0x01020304});
    file.writeBE16(0x12345678);  // only the low 16 bits
    file.writeBE32(0x0A0B0C0D);
    file.writeByte(0x7F);
    const std::uint8_t run[] = {0x80, 0x00, 0x11};
    file.writeBytes(run, 3);
    const std::vector<std::uint8_t> expected = {0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03,
                                                0x02, 0x01, 0x56, 0x78, 0x0A, 0x0B, 0x0C,
                                                0x0D, 0x7F, 0x80, 0x00, 0x11};
    EXPECT_EQ(file.written(), expected);
    EXPECT_EQ(file.takeWritten(), expected);
    EXPECT_TRUE(file.written().empty());
}

TEST(DataFile, ReadsValuesAndZeroPastTheEnd) {
    DataFile file = DataFile::fromBytes({0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x05, 0x06});
    std::uint8_t byte = 0;
    std::int32_t value = 0;
    file.read(byte);
    EXPECT_EQ(byte, 1);
    file.read(value);
    EXPECT_EQ(value, -2);
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.remaining(), 2u);
    value = 99;
    file.read(value);  // only two bytes left
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(file.atEnd());
    byte = 9;
    file.read(byte);
    EXPECT_EQ(byte, 0);
}

TEST(DataFile, HandsOverTheBytesNotYetRead) {
    DataFile file = DataFile::fromBytes({0x01, 0x02, 0x03, 0x04});
    std::uint8_t byte = 0;
    file.read(byte);
    EXPECT_EQ(file.takeRemaining(), (std::vector<std::uint8_t>{0x02, 0x03, 0x04}));
    EXPECT_EQ(file.remaining(), 0u);
    file.read(byte);
    EXPECT_TRUE(file.atEnd());

    const TempDir dir;
    writeBytes(dir.file("a.bin"), {7, 8, 9});
    DataFile fromDisk(dir.file("a.bin"));
    EXPECT_EQ(fromDisk.takeRemaining(), (std::vector<std::uint8_t>{7, 8, 9}));
    EXPECT_THROW(DataFile(dir.file("missing.bin")).takeRemaining(), FileError);
}

TEST(DataFile, PathIsMadeAbsolute) {
    const DataFile file("some/score.cvn");
    EXPECT_TRUE(std::filesystem::path(file.path()).is_absolute());
    EXPECT_EQ(std::filesystem::path(file.path()).filename(), "score.cvn");
}

TEST(DataFile, NothingReachesTheDiskWithoutCommit) {
    TempDir dir;
    const std::string path = dir.file("kept.mid");
    writeBytes(path, {1, 2, 3});
    {
        DataFile file(path);
        file.writeBE32(42);
    }
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
    {
        DataFile file(path);
        file.writeBE32(42);
        file.commit();
    }
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{0, 0, 0, 42}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"kept.mid"}));
}

TEST(DataFile, InMemoryAndTextFilesCannotBeCommitted) {
    DataFile memory = DataFile::fromBytes({});
    memory.write(std::int32_t{1});
    EXPECT_THROW(memory.commit(), FileError);

    TempDir dir;
    DataFile text(dir.file("out.txt"));
    text.writeByte('x');
    text.write(std::int32_t{5});  // nothing in text mode
    text.writeBE32(5);            // nothing either
    EXPECT_EQ(text.written(), (std::vector<std::uint8_t>{'x'}));
    EXPECT_THROW(text.commit(), FileError);
    EXPECT_TRUE(dir.entries().empty());
}

// Saves that cannot even start leave everything as it was and say "Error opening a file to write."
TEST(ScoreSave, UnwritablePlacesAreRefusedWithTheOpenError) {
    TempDir dir;
    const std::string plain = dir.file("plain.cvn");
    writeBytes(plain, {7, 7, 7});
    std::filesystem::create_directory(dir.path() / "folder.cvn");
    struct Target {
        std::string path;
        std::string reason;
    };
    const Target targets[] = {
        {plain + "/inside.cvn", "a part of the path is not a folder"},
        {dir.file("missing/score.cvn"), "no such folder"},
        {dir.file("folder.cvn"), "this is a folder, not a file"},
        {dir.path().string() + "/", "this is a folder, not a file"},  // no file name at all
        {dir.file("notes.txt"), "a name ending in .txt is kept for text files"},
    };
    for (const Target& target : targets) {
        try {
            ScoreReader().save(target.path, samples::richScore());
            ADD_FAILURE() << target.path << ": no error";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Error opening a file to write.") << target.path;
            EXPECT_EQ(error.path(), target.path);
            EXPECT_EQ(error.reason(), target.reason) << target.path;
            EXPECT_EQ(error.detail(), target.path + ": " + target.reason);
        }
    }
    EXPECT_EQ(readBytes(plain), (std::vector<std::uint8_t>{7, 7, 7}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "folder.cvn"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"folder.cvn", "plain.cvn"}));
}

TEST(ScoreSave, SaveThatFailsHalfwayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("song.cvn");
    const ScoreReader reader;
    reader.save(path, Score());
    const std::vector<std::uint8_t> old = readBytes(path);
    const Score big = samples::largeScore(40, 4);
    ASSERT_GT(samples::encode(big).size(), 4096u);

    try {
        const FileSizeLimit limit(4096);
        reader.save(path, big);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message, "Error writing a file. The file on disk was not changed.");
        EXPECT_EQ(error.path(), path);
        EXPECT_EQ(error.reason(), "the file is too large");
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"song.cvn"}));

    // The same save goes through once the limit is gone.
    reader.save(path, big);
    Score loaded;
    ASSERT_TRUE(reader.load(path, loaded));
    EXPECT_EQ(loaded, big);
}

// Runs `body` in a child process without root's right to write anywhere (it becomes "nobody"
// when the tests run as root) and returns its exit status.
template <typename Body>
int runUnprivileged(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(100);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

TEST(ScoreSave, UnwritableFolderKeepsTheOldFile) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    const std::string path = (folder / "song.cvn").string();
    ScoreReader().save(path, Score());
    const std::vector<std::uint8_t> old = readBytes(path);
    // The file itself may be written by anyone; only the folder refuses new entries.
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);

    const int status = runUnprivileged([&] {
        try {
            ScoreReader().save(path, samples::richScore());
            return 1;
        } catch (const FileError& error) {
            return std::string(error.what()) == "Error opening a file to write." &&
                           error.detail() == path + ": permission denied"
                       ? 0
                       : 2;
        }
    });
    EXPECT_EQ(status, 0) << "1: saved anyway, 2: another message, 100: could not drop root";
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(readBytes(path), old);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"song.cvn"}));
}

// Every failure to read names the file and says what is wrong with it in plain words.
TEST(FileError, ReadFailuresNameTheFileAndTheCause) {
    TempDir dir;
    writeBytes(dir.file("plain.cvn"), {1});
    const std::string pipe = dir.file("pipe.cvn");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {dir.file("missing.cvn"), "no such file"},
        {dir.path().string(), "this is a folder, not a file"},
        {pipe, "this is a named pipe, not a file"},
        {"/dev/null", "this is a device, not a file"},
        {dir.file("plain.cvn/inside.cvn"), "a part of the path is not a folder"},
    };
    for (const Case& c : cases) {
        Score score;
        try {
            (void)ScoreReader().load(c.path, score);
            ADD_FAILURE() << c.path << ": no error";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Error opening a file to read.") << c.path;
            EXPECT_EQ(error.detail(), c.path + ": " + c.reason);
        }
    }

    // A file the user may not read.
    const std::string secret = dir.file("secret.cvn");
    ScoreReader().save(secret, Score());
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const int status = runUnprivileged([&] {
        Score score;
        try {
            (void)ScoreReader().load(secret, score);
            return 1;
        } catch (const FileError& error) {
            return error.detail() == secret + ": permission denied" ? 0 : 2;
        }
    });
    EXPECT_EQ(status, 0) << "1: read anyway, 2: another message, 100: could not drop root";
}

TEST(FileError, CausesInPlainWords) {
    EXPECT_EQ(fileErrorReason(EACCES), "permission denied");
    EXPECT_EQ(fileErrorReason(EISDIR), "this is a folder, not a file");
    EXPECT_EQ(fileErrorReason(ENOSPC), "the disk is full");
    EXPECT_EQ(fileErrorReason(ENOENT), "no such file");
    EXPECT_EQ(fileErrorReason(ENOENT, true), "no such folder");
    // A cause without words of its own still reads as part of a sentence.
    EXPECT_EQ(fileErrorReason(EXDEV), "invalid cross-device link");

    EXPECT_EQ(FileError("Failed.", "/a/b.cvn", "no such file").detail(), "/a/b.cvn: no such file");
    EXPECT_EQ(FileError("Failed.", "/a/b.cvn").detail(), "/a/b.cvn");
    EXPECT_EQ(FileError("Failed.", {}, "no such file").detail(), "no such file");
    EXPECT_EQ(FileError("Failed.").detail(), "");
    EXPECT_STREQ(FileError("Failed.", "/a", "b").what(), "Failed.");
}

// Sets TMPDIR for one scope, or unsets it for nullopt.
class TmpdirSetting {
  public:
    explicit TmpdirSetting(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("TMPDIR")) {
            saved_ = old;
        }
        set(value);
    }
    ~TmpdirSetting() { set(saved_); }
    TmpdirSetting(const TmpdirSetting&) = delete;
    TmpdirSetting& operator=(const TmpdirSetting&) = delete;

  private:
    static void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv("TMPDIR", value->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    std::optional<std::string> saved_;
};

TEST(TemporaryFolder, FollowsTmpdir) {
    {
        const TmpdirSetting tmpdir(std::string("/var/tmp/mine"));
        EXPECT_EQ(temporaryFolder(), "/var/tmp/mine");
    }
    {
        const TmpdirSetting tmpdir(std::string("relative"));
        EXPECT_EQ(temporaryFolder(), (std::filesystem::current_path() / "relative").string());
    }
    for (const std::optional<std::string>& unset : {std::optional<std::string>(""),
                                                    std::optional<std::string>()}) {
        const TmpdirSetting tmpdir(unset);
        EXPECT_EQ(temporaryFolder(), "/tmp");
    }
}

TEST(PrivateTempFile, HoldsTheBytesForThisUserOnlyAndGoesAway) {
    TempDir dir;
    const std::vector<std::uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 1};
    std::string first;
    {
        // Even a permissive umask gives no one else access.
        const mode_t mask = ::umask(0);
        const PrivateTempFile file(bytes, dir.path().string(), "song-", ".mid");
        const PrivateTempFile other(bytes, dir.path().string(), "song-", ".mid");
        ::umask(mask);
        first = file.path();
        const std::filesystem::path path(first);
        EXPECT_EQ(path.parent_path(), dir.path());
        EXPECT_EQ(path.filename().string().rfind("song-", 0), 0u);
        EXPECT_EQ(path.extension(), ".mid");
        EXPECT_NE(file.path(), other.path());
        EXPECT_EQ(readBytes(first), bytes);
        struct stat info {};
        ASSERT_EQ(::lstat(first.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_EQ(dir.entries().size(), 2u);
    }
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(PrivateTempFile, FailuresNameTheFileAndLeaveNothing) {
    TempDir dir;
    const std::string missing = dir.file("missing");
    try {
        const PrivateTempFile file({1, 2}, missing, "song-", ".mid");
        ADD_FAILURE() << "created in a missing folder";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Error opening a file to write.");
        EXPECT_EQ(std::filesystem::path(error.path()).parent_path(), missing);
        EXPECT_EQ(error.reason(), "no such folder");
    }

    const std::filesystem::path locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const int status = runUnprivileged([&] {
        try {
            const PrivateTempFile file({1, 2}, locked.string(), "song-", ".mid");
            return 1;
        } catch (const FileError& error) {
            return std::filesystem::path(error.path()).parent_path() == locked &&
                           error.reason() == "permission denied"
                       ? 0
                       : 2;
        }
    });
    EXPECT_EQ(status, 0) << "1: created anyway, 2: another message, 100: could not drop root";
    EXPECT_TRUE(std::filesystem::is_empty(locked));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"locked"});
}

// A write that fails halfway (the file size limit stands in for a full disk) says so and
// leaves no file behind.
TEST(PrivateTempFile, AFailedWriteLeavesNothing) {
    TempDir dir;
    const std::vector<std::uint8_t> big(8192, 0x55);
    try {
        const FileSizeLimit limit(4096);
        const PrivateTempFile file(big, dir.path().string(), "song-", ".mid");
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Error opening a file to write.");
        EXPECT_EQ(std::filesystem::path(error.path()).parent_path(), dir.path());
        EXPECT_EQ(error.reason(), "the file is too large");
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(ScoreSave, ReplacedFileKeepsItsPermissionsAndNewFilesFollowTheUmask) {
    TempDir dir;
    const std::string path = dir.file("shared.cvn");
    writeBytes(path, {1});
    ::chmod(path.c_str(), 0640);
    ScoreReader().save(path, Score());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    const mode_t mask = ::umask(027);
    ScoreReader().save(dir.file("new.cvn"), Score());
    ::umask(mask);
    ASSERT_EQ(::stat(dir.file("new.cvn").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(ScoreSave, SavingThroughASymbolicLinkReplacesTheFileItPointsTo) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "real");
    const std::string real = dir.file("real/score.cvn");
    writeBytes(real, {1, 2});
    const std::string link = dir.file("link.cvn");
    std::filesystem::create_symlink(real, link);

    ScoreReader().save(link, samples::richScore());

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), samples::encode(samples::richScore()));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.cvn", "real"}));
}

}  // namespace
}  // namespace corvane
