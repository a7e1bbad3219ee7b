#include "score/file_kind.h"

#include <sys/stat.h>

namespace corvane {

FileKind fileKindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::Folder;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::NamedPipe;
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return FileKind::Device;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::Socket;
    }
    return FileKind::Other;
}

std::string describeFileKind(FileKind kind) {
    switch (kind) {
        case FileKind::Regular:
            return "a file";
        case FileKind::Folder:
            return "a folder";
        case FileKind::NamedPipe:
            return "a named pipe";
        case FileKind::Device:
            return "a device";
        case FileKind::Socket:
            return "a socket";
        case FileKind::Other:
            break;
    }
    return "not a regular file";
}

std::string notAFileReason(FileKind kind) {
    if (kind == FileKind::Other) {
        return "this is " + describeFileKind(kind);
    }
    return "this is " + describeFileKind(kind) + ", not a file";
}

std::string notAFolderReason() {
    return "a part of the path is not " + describeFileKind(FileKind::Folder);
}

}  // namespace corvane
