#pragma once
// What a path names when it is not the regular file a message expected, in the words every
// message uses for it ("a folder", "a named pipe", ...).

#include <sys/types.h>

#include <string>

namespace corvane {

enum class FileKind { Regular, Folder, NamedPipe, Device, Socket, Other };

// The kind of a file system entry of mode `mode` (st_mode of stat()).
FileKind fileKindOf(mode_t mode);

// "a file", "a folder", "a named pipe", "a device", "a socket"; "not a regular file" for any
// other kind.
std::string describeFileKind(FileKind kind);

// Why an entry of `kind` (any but Regular) cannot be read or written as a file: "this is a
// folder, not a file", ..., "this is not a regular file".
std::string notAFileReason(FileKind kind);

// Why a path through something that is not a folder leads nowhere: "a part of the path is not a
// folder".
std::string notAFolderReason();

}  // namespace corvane
