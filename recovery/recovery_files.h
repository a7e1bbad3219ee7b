#pragma once
// The files behind recovery copies: the folder they live in, the small text record beside each
// copy that says what it belongs to, and the lock an editor holds on its record while it runs.
// A record whose lock can be taken belongs to an editor that is no longer running: unlike
// process ids, locks are not reused, and the system drops them when a process ends in any way.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

using WallTime = std::chrono::system_clock::time_point;

// The folder for recovery copies: $XDG_STATE_HOME/corvane/recovery, or
// ~/.local/state/corvane/recovery when XDG_STATE_HOME is unset or not absolute.
std::filesystem::path recoveryFolder();
// The same from the two variables' values (null when unset); `home` falls back to the
// password database when it is unset or not absolute.
std::filesystem::path recoveryFolderFrom(const char* xdgStateHome, const char* home);

// Creates `folder` and its missing parents for this user alone (mode 0700) and narrows an
// existing `folder` of this user's to 0700. Raises FileError naming the folder and the cause.
void makePrivateFolder(const std::filesystem::path& folder);

inline constexpr std::string_view kCopySuffix = ".cvn";
inline constexpr std::string_view kRecordSuffix = ".record";
inline constexpr std::string_view kDiscardedFolder = "discarded";

// A fresh name for a running editor's copy and record: unique among the editors of every
// machine that shares the folder.
std::string newCopyName();

// What a copy belongs to: the file it was saved to or opened from (empty for an untitled score)
// and when it was written.
struct RecoveryRecord {
    std::string belongsTo;
    WallTime time;

    friend bool operator==(const RecoveryRecord&, const RecoveryRecord&) = default;
};

// The record as text: a first line naming the format, then "file: " and "time: " lines (seconds
// since 1970). Backslashes and line breaks in the file name are escaped.
std::string formatRecord(const RecoveryRecord& record);
// Reads formatRecord's text; nullopt when it is not a record. A missing "file" line means an
// untitled score, a missing or bad "time" line gives the epoch.
std::optional<RecoveryRecord> parseRecord(std::string_view text);

// An open file descriptor, closed when this object goes. A lock taken with flock() through it
// is released with it.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Opens the record at `path` and takes its lock without waiting. Empty when the file is gone or
// replaced meanwhile, or its lock is held: by a running editor, or by another window that is
// offering it back right now.
FileHandle takeRecordLock(const std::filesystem::path& path);

// Writes `record` as NAME.record in `folder` atomically and returns it open and locked. The new
// record is locked before its name appears, so no other editor ever sees it unlocked. With
// `replace`, it takes the place of the old record (whose lock the caller then drops); without,
// an existing record of that name is left alone and FileError says so. Raises FileError
// naming the record and the cause; no temporary file is left behind.
FileHandle writeRecord(const std::filesystem::path& folder, const std::string& name,
                       const RecoveryRecord& record, bool replace);

// The whole text of an open file, read from its start; empty when it cannot be read.
std::string readAll(const FileHandle& file);

// A copy that has been taken over from an editor that is no longer running: its name in the
// recovery folder and its record's lock. Moving it into a RecoveryStore makes the copy that
// store's own, so that it is kept until the restored score is saved.
struct RecoveryClaim {
    std::string name;
    FileHandle lock;
};

// "7 Dec 2026 15:44" for `time` in the local time zone.
std::string describeTime(WallTime time);

}  // namespace corvane
