#include "score/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include "score/file_kind.h"

namespace corvane {

FileError::FileError(const std::string& sentence, std::string path, std::string reason)
    : std::runtime_error(sentence), path_(std::move(path)), reason_(std::move(reason)) {}

std::string FileError::detail() const {
    if (path_.empty() || reason_.empty()) {
        return path_.empty() ? reason_ : path_;
    }
    return path_ + ": " + reason_;
}

std::string fileErrorReason(int error, bool creating) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOENT:
            return creating ? "no such folder" : "no such file";
        case EISDIR:
            return notAFileReason(FileKind::Folder);
        case ENOTDIR:
            return notAFolderReason();
        case ENOSPC:
            return "the disk is full";
        case EDQUOT:
            return "the disk quota is used up";
        case EROFS:
            return "the disk is read-only";
        case EFBIG:
            return "the file is too large";
        case ENAMETOOLONG:
            return "the name is too long";
        case ELOOP:
            return "too many symbolic links";
        case EMFILE:
        case ENFILE:
            return "too many files are open";
        case EIO:
            return "the disk reported an input/output error";
        case EBUSY:
        case ETXTBSY:
            return "the file is in use";
        case EEXIST:
            return "a file of that name is already there";
        case ENXIO:
        case ENODEV:
            return "no such device";
        default:
            break;
    }
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::string temporaryFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute.string();
}

namespace {

constexpr const char* kTextFileReason = "a name ending in .txt is kept for text files";

std::string absolutePath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

bool isTextFileName(const std::string& path) {
    return std::filesystem::path(path).extension() == ".txt";
}

// How a new file is named and opened.
struct NewFile {
    std::string prefix;
    std::string suffix;
    mode_t mode = 0666;  // filtered by the umask, as for any new file
    int extraFlags = 0;
};

// A new file created exclusively under a unique name. It is closed and deleted on destruction
// unless it has been renamed or released. Failures name `reportPath` (the file the user knows
// of), or the new file itself when that is empty.
class TempFile {
  public:
    TempFile(const std::filesystem::path& folder, const NewFile& file, std::string reportPath)
        : report_(std::move(reportPath)) {
        std::random_device random;
        std::string name;
        for (int attempt = 0; attempt < 100; ++attempt) {
            name = (folder / (file.prefix + std::to_string(::getpid()) + "-" +
                              std::to_string(random()) + file.suffix))
                       .string();
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | file.extraFlags,
                         file.mode);
            if (fd_ >= 0) {
                name_ = name;
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        const int error = errno;
        throw FileError(kErrorOpenWrite, report_.empty() ? name : report_,
                        fileErrorReason(error, true));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!name_.empty()) {
            ::unlink(name_.c_str());
        }
    }

    int fd() const { return fd_; }

    // Writes all of `bytes`, raising FileError on any failure.
    void writeAll(const std::vector<std::uint8_t>& bytes) {
        const std::uint8_t* data = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, data, left);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail(errno);
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    // Closes the file, after flushing it to disk when `durable`; raises FileError if either
    // fails.
    void finish(bool durable) {
        // fsync is not supported everywhere (some pseudo file systems); that is no failure.
        if (durable && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS &&
            errno != ENOTSUP) {
            fail(errno);
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            fail(errno);
        }
    }

    // Renames the finished file over `target`; afterwards nothing is deleted on destruction.
    void renameTo(const std::string& target) {
        if (::rename(name_.c_str(), target.c_str()) != 0) {
            fail(errno);
        }
        name_.clear();
    }

    // Hands the finished file over: its name is returned and it is no longer deleted here.
    std::string release() { return std::exchange(name_, {}); }

  private:
    [[noreturn]] void fail(int error) const {
        throw FileError(kErrorWrite, report_.empty() ? name_ : report_, fileErrorReason(error));
    }

    int fd_ = -1;
    std::string name_;
    std::string report_;
};

// Makes a rename in `folder` durable; failing that only weakens durability, so it is ignored.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

PrivateTempFile::PrivateTempFile(const std::vector<std::uint8_t>& bytes,
                                 const std::string& folder, std::string_view prefix,
                                 std::string_view suffix) {
    // O_EXCL already refuses a link at the name; O_NOFOLLOW says so twice. The file is read back
    // at once, so it needs no flush to disk.
    TempFile file(folder, NewFile{std::string(prefix), std::string(suffix), 0600, O_NOFOLLOW}, {});
    try {
        file.writeAll(bytes);
        file.finish(false);
    } catch (const FileError& error) {
        // No file of the user's was there to keep: it is simply one that could not be written.
        throw FileError(kErrorOpenWrite, error.path(), error.reason());
    }
    path_ = file.release();
}

PrivateTempFile::~PrivateTempFile() {
    ::unlink(path_.c_str());
}

DataFile::DataFile(std::string path)
    : path_(absolutePath(path)), textMode_(isTextFileName(path_)) {}

DataFile DataFile::fromBytes(std::vector<std::uint8_t> bytes) {
    DataFile file;
    file.memory_ = true;
    file.loaded_ = true;
    file.in_ = std::move(bytes);
    return file;
}

void DataFile::load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    if (textMode_ || path_.empty()) {
        return;
    }
    // Non-blocking, so that opening a named pipe with no writer returns at once instead of
    // waiting forever; regular files read the same either way.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw FileError(kErrorOpenRead, path_, fileErrorReason(errno));
    }
    // Only regular files: a folder cannot be read, and a device or pipe might never end.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileError(kErrorOpenRead, path_, fileErrorReason(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw FileError(kErrorOpenRead, path_, notAFileReason(fileKindOf(info.st_mode)));
    }
    // Read straight into place; the loop still copes with a file that changes size meanwhile.
    // Once the expected size is in, the end is looked for in a small buffer of its own, so that
    // a large file is not copied to make room for bytes that are not there.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    std::uint8_t more[1 << 12];
    for (;;) {
        const bool full = filled == bytes.size();
        const ssize_t got = full ? ::read(fd, more, sizeof more)
                                 : ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw FileError(kErrorOpenRead, path_, fileErrorReason(error));
        }
        if (got == 0) {
            break;
        }
        if (full) {
            bytes.insert(bytes.end(), more, more + got);
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    ::close(fd);
    in_ = std::move(bytes);
}

std::size_t DataFile::remaining() {
    load();
    return in_.size() - pos_;
}

std::vector<std::uint8_t> DataFile::takeRemaining() {
    load();
    std::vector<std::uint8_t> rest = std::exchange(in_, {});
    rest.erase(rest.begin(),
               rest.begin() + static_cast<std::ptrdiff_t>(std::min(pos_, rest.size())));
    pos_ = 0;
    return rest;
}

void DataFile::read(std::uint8_t& value) {
    load();
    if (textMode_) {
        value = 0;
        return;
    }
    if (pos_ >= in_.size()) {
        value = 0;
        atEnd_ = true;
        return;
    }
    value = in_[pos_++];
}

void DataFile::read(std::int32_t& value) {
    load();
    if (textMode_) {
        value = 0;
        return;
    }
    if (in_.size() - pos_ < 4) {
        value = 0;
        pos_ = in_.size();
        atEnd_ = true;
        return;
    }
    const std::uint32_t v = static_cast<std::uint32_t>(in_[pos_]) |
                            static_cast<std::uint32_t>(in_[pos_ + 1]) << 8 |
                            static_cast<std::uint32_t>(in_[pos_ + 2]) << 16 |
                            static_cast<std::uint32_t>(in_[pos_ + 3]) << 24;
    pos_ += 4;
    value = static_cast<std::int32_t>(v);
}

void DataFile::write(std::uint8_t value) {
    if (!textMode_) {
        out_.push_back(value);
    }
}

void DataFile::write(std::int32_t value) {
    if (textMode_) {
        return;
    }
    const auto v = static_cast<std::uint32_t>(value);
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v >> 16));
    out_.push_back(static_cast<std::uint8_t>(v >> 24));
}

void DataFile::writeByte(std::uint8_t value) {
    out_.push_back(value);
}

void DataFile::writeBytes(const std::uint8_t* data, std::size_t count) {
    out_.insert(out_.end(), data, data + count);
}

void DataFile::writeBE16(std::uint32_t value) {
    if (textMode_) {
        return;
    }
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
    out_.push_back(static_cast<std::uint8_t>(value));
}

void DataFile::writeBE32(std::uint32_t value) {
    if (textMode_) {
        return;
    }
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    out_.insert(out_.end(), bytes, bytes + 4);
}

void DataFile::commit() {
    if (memory_ || path_.empty()) {
        throw FileError(kErrorOpenWrite, path_, "there is no file name");
    }
    if (textMode_) {
        throw FileError(kErrorOpenWrite, path_, kTextFileReason);
    }
    std::filesystem::path target(path_);
    std::error_code ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    if (std::filesystem::is_symlink(target, ec)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }
    if (!target.has_filename()) {
        throw FileError(kErrorOpenWrite, path_, notAFileReason(FileKind::Folder));
    }
    // A replaced file keeps its permissions; a new one gets the usual ones.
    mode_t mode = 0666;
    bool replacing = false;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        replacing = true;
        // A folder cannot be replaced by a file, and a read-only file is not ours to replace:
        // opening either for writing would fail, and so does this.
        if (!S_ISREG(existing.st_mode)) {
            throw FileError(kErrorOpenWrite, path_, notAFileReason(fileKindOf(existing.st_mode)));
        }
        if (::access(target.c_str(), W_OK) != 0) {
            throw FileError(kErrorOpenWrite, path_, fileErrorReason(errno));
        }
        mode = existing.st_mode & 07777;
    }

    // Keep the name under the usual 255-byte limit even for a long target name.
    const std::string base = target.filename().string().substr(0, 200);
    TempFile temp(target.parent_path(), NewFile{"." + base + ".", ".tmp", mode, 0}, path_);
    if (replacing) {
        // Undo the umask filtering so the replacement has exactly the old permissions.
        ::fchmod(temp.fd(), mode);
    }
    temp.writeAll(out_);
    temp.finish(true);
    temp.renameTo(target.string());
    syncFolder(target.parent_path());
    out_.clear();
}

}  // namespace corvane
