#include "recovery/recovery_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>

#include "score/data_file.h"

namespace corvane {

namespace {

constexpr std::string_view kRecordHeader = "corvane recovery record 1";
constexpr const char* kErrorFolder = "Error creating a folder.";

bool isAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::filesystem::path homeFolder(const char* home) {
    if (isAbsolute(home)) {
        return home;
    }
    const passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && isAbsolute(entry->pw_dir)) {
        return entry->pw_dir;
    }
    return "/";
}

std::string escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// The time a "time: " line gives, in seconds since 1970; the epoch for a value that is not a
// number or lies beyond the times the clock can hold.
WallTime parseTime(std::string_view value) {
    constexpr long long kLatest =
        std::chrono::duration_cast<std::chrono::seconds>(WallTime::duration::max()).count();
    long long seconds = 0;
    if (std::from_chars(value.data(), value.data() + value.size(), seconds).ec != std::errc{} ||
        seconds > kLatest || seconds < -kLatest) {
        return WallTime{};
    }
    return WallTime(std::chrono::seconds(seconds));
}

std::string randomHex() {
    std::random_device random;
    const std::uint64_t value = (std::uint64_t{random()} << 32) ^ random();
    std::array<char, 17> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + 16, value, 16).ptr;
    return std::string(digits.data(), end);
}

// Writes all of `text` to `fd`, retrying short writes; false with errno set on failure.
bool writeText(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Deletes a temporary file on the way out unless it was handed over.
class TempName {
  public:
    explicit TempName(std::filesystem::path path) : path_(std::move(path)) {}
    ~TempName() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void release() { path_.clear(); }

  private:
    std::filesystem::path path_;
};

}  // namespace

std::string newCopyName() {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    return "editor-" + std::to_string(seconds) + "-" + std::to_string(::getpid()) + "-" +
           randomHex();
}

std::filesystem::path recoveryFolder() {
    return recoveryFolderFrom(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::filesystem::path recoveryFolderFrom(const char* xdgStateHome, const char* home) {
    const std::filesystem::path state = isAbsolute(xdgStateHome)
                                            ? std::filesystem::path(xdgStateHome)
                                            : homeFolder(home) / ".local" / "state";
    return state / "corvane" / "recovery";
}

void makePrivateFolder(const std::filesystem::path& folder) {
    std::filesystem::path prefix;
    for (const std::filesystem::path& part : folder.lexically_normal()) {
        prefix /= part;
        if (part.empty() || prefix == prefix.root_path()) {
            continue;
        }
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            // Some systems say why a folder cannot be made before they look whether it exists.
            const int error = errno;
            struct stat existing {};
            if (::stat(prefix.c_str(), &existing) != 0 || !S_ISDIR(existing.st_mode)) {
                throw FileError(kErrorFolder, prefix.string(), fileErrorReason(error, true));
            }
        }
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        throw FileError(kErrorFolder, folder.string(), fileErrorReason(errno, true));
    }
    if (!S_ISDIR(info.st_mode)) {
        throw FileError(kErrorFolder, folder.string(), "a file of that name is already there");
    }
    // The umask may have taken bits away, and an older folder may be open to others: copies of
    // unsaved work are for this user's eyes only.
    if (info.st_uid == ::getuid() && (info.st_mode & 07777) != 0700) {
        ::chmod(folder.c_str(), 0700);
    }
}

std::string formatRecord(const RecoveryRecord& record) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(record.time.time_since_epoch()).count();
    return std::string(kRecordHeader) + "\nfile: " + escape(record.belongsTo) +
           "\ntime: " + std::to_string(seconds) + "\n";
}

std::optional<RecoveryRecord> parseRecord(std::string_view text) {
    const std::size_t firstEnd = text.find('\n');
    if (text.substr(0, firstEnd) != kRecordHeader) {
        return std::nullopt;
    }
    RecoveryRecord record;
    std::size_t start = firstEnd == std::string_view::npos ? text.size() : firstEnd + 1;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("file: ")) {
            record.belongsTo = unescape(line.substr(6));
        } else if (line.starts_with("time: ")) {
            record.time = parseTime(line.substr(6));
        }
    }
    return record;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        FileHandle old(std::exchange(fd_, std::exchange(other.fd_, -1)));
    }
    return *this;
}

FileHandle takeRecordLock(const std::filesystem::path& path) {
    // Read-write: where flock is carried out with other locks (NFS), an exclusive lock needs it.
    // Non-blocking, so that a named pipe under a record's name cannot hold up the start.
    FileHandle file(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!file || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        return {};
    }
    // The editor that held it may have removed or replaced the record before letting go.
    struct stat opened {};
    struct stat named {};
    if (::fstat(file.get(), &opened) != 0 || ::stat(path.c_str(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino ||
        !S_ISREG(opened.st_mode)) {
        return {};
    }
    return file;
}

FileHandle writeRecord(const std::filesystem::path& folder, const std::string& name,
                       const RecoveryRecord& record, bool replace) {
    const std::filesystem::path target = folder / (name + std::string(kRecordSuffix));
    TempName temp(folder / ("." + name + std::string(kRecordSuffix) + "." + randomHex() + ".tmp"));
    FileHandle file(
        ::open(temp.path().c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file) {
        temp.release();  // nothing was created
        throw FileError(kErrorOpenWrite, target.string(), fileErrorReason(errno, true));
    }
    const auto fail = [&](int error) {
        throw FileError(kErrorWrite, target.string(), fileErrorReason(error));
    };
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 ||
        !writeText(file.get(), formatRecord(record))) {
        fail(errno);
    }
    if (::fsync(file.get()) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
        fail(errno);
    }
    // link() refuses an existing name where rename() would replace it.
    if (replace ? ::rename(temp.path().c_str(), target.c_str()) != 0
                : ::link(temp.path().c_str(), target.c_str()) != 0) {
        fail(errno);
    }
    if (replace) {
        temp.release();
    }
    return file;
}

std::string readAll(const FileHandle& file) {
    std::string text;
    std::array<char, 4096> buffer{};
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(file.get(), buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return text;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
        offset += n;
    }
}

std::string describeTime(WallTime time) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::array<char, 8> clock{};
    std::snprintf(clock.data(), clock.size(), "%02d:%02d", local.tm_hour, local.tm_min);
    return std::to_string(local.tm_mday) + " " + kMonths[static_cast<std::size_t>(local.tm_mon)] +
           " " + std::to_string(local.tm_year + 1900) + " " + clock.data();
}

}  // namespace corvane
