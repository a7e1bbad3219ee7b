// The kinds of entry a path can name, found from the file system, and the words messages use
// for each, which the score file, the temporary files and the soundfont messages share.

#include "score/file_kind.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "score/data_file.h"
#include "tests/score/test_files.h"

namespace corvane::testing {
namespace {

FileKind kindAt(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return fileKindOf(info.st_mode);
}

TEST(FileKind, EveryKindOfEntryIsToldApartAndNamed) {
    TempDir dir;
    writeBytes(dir.file("plain"), {1});
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::symlink("plain", dir.file("link").c_str()), 0);

    EXPECT_EQ(kindAt(dir.file("plain")), FileKind::Regular);
    EXPECT_EQ(kindAt(dir.path().string()), FileKind::Folder);
    EXPECT_EQ(kindAt(dir.file("pipe")), FileKind::NamedPipe);
    EXPECT_EQ(kindAt("/dev/null"), FileKind::Device);
    EXPECT_EQ(kindAt(socketPath), FileKind::Socket);
    EXPECT_EQ(kindAt(dir.file("link")), FileKind::Other) << "a link itself, not what it names";
    ::close(listener);

    EXPECT_EQ(describeFileKind(FileKind::Socket), "a socket");
    EXPECT_EQ(notAFileReason(FileKind::Socket), "this is a socket, not a file");
    EXPECT_EQ(notAFileReason(FileKind::Other), "this is not a regular file");
    EXPECT_EQ(describeFileKind(FileKind::Other), "not a regular file");
}

TEST(FileKind, TheSystemsReasonsUseTheSameWords) {
    EXPECT_EQ(fileErrorReason(EISDIR), notAFileReason(FileKind::Folder));
    EXPECT_EQ(fileErrorReason(EISDIR), "this is a folder, not a file");
    EXPECT_EQ(fileErrorReason(ENOTDIR), notAFolderReason());
    EXPECT_EQ(notAFolderReason(), "a part of the path is not a folder");
}

}  // namespace
}  // namespace corvane::testing
