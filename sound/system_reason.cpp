#include "sound/system_reason.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "score/file_kind.h"

namespace corvane {

std::string plainSystemReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "the disk is read-only";
        case ENOENT:
            return "the folder does not exist";
        case ENOTDIR:
            return notAFolderReason();
        case EISDIR:
            return notAFileReason(FileKind::Folder);
        case ENAMETOOLONG:
            return "the name is too long";
        case EFBIG:
            return "the file is too large";
        default:
            break;
    }
    std::string text = std::strerror(error);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

}  // namespace corvane
