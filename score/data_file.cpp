#include "score/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace corvane {

namespace {

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

std::string writeError(int error) {
    return std::string("Error writing a file: ") + std::strerror(error) +
           ". The file on disk was not changed.";
}

// A temporary file beside the target, created exclusively. It is closed and deleted on
// destruction unless it has been renamed over the target.
class TempFile {
  public:
    // Creates the file in `folder` with a name derived from `base`; raises kErrorOpenWrite when
    // the folder does not allow it.
    TempFile(const std::filesystem::path& folder, const std::string& base, mode_t mode) {
        // Keep the name under the usual 255-byte limit even for a long target name.
        const std::string stem = "." + base.substr(0, 200) + ".";
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = (folder / (stem + std::to_string(::getpid()) + "-" +
                                                std::to_string(random()) + ".tmp"))
                                         .string();
            // The mode is filtered by the umask, as for any new file.
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd_ >= 0) {
                name_ = name;
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        throw FileError(kErrorOpenWrite);
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
    const std::string& name() const { return name_; }

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
                throw FileError(writeError(errno));
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    // Flushes to disk and closes, raising FileError if either fails.
    void finish() {
        // fsync is not supported everywhere (some pseudo file systems); that is no failure.
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
            throw FileError(writeError(errno));
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            throw FileError(writeError(errno));
        }
    }

    // Renames the finished file over `target`; afterwards nothing is deleted on destruction.
    void renameTo(const std::string& target) {
        if (::rename(name_.c_str(), target.c_str()) != 0) {
            throw FileError(writeError(errno));
        }
        name_.clear();
    }

  private:
    int fd_ = -1;
    std::string name_;
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
        throw FileError(kErrorOpenRead);
    }
    // Only regular files: a folder cannot be read, and a device or pipe might never end.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw FileError(kErrorOpenRead);
    }
    // Read straight into place; the loop still copes with a file that changes size meanwhile.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() + (1 << 16));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            throw FileError(kErrorOpenRead);
        }
        if (got == 0) {
            break;
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
    if (memory_ || textMode_ || path_.empty()) {
        throw FileError(kErrorOpenWrite);
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
        throw FileError(kErrorOpenWrite);
    }
    // A replaced file keeps its permissions; a new one gets the usual ones.
    mode_t mode = 0666;
    bool replacing = false;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        replacing = true;
        // A folder cannot be replaced by a file, and a read-only file is not ours to replace:
        // opening either for writing would fail, and so does this.
        if (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0) {
            throw FileError(kErrorOpenWrite);
        }
        mode = existing.st_mode & 07777;
    }

    TempFile temp(target.parent_path(), target.filename().string(), mode);
    if (replacing) {
        // Undo the umask filtering so the replacement has exactly the old permissions.
        ::fchmod(temp.fd(), mode);
    }
    temp.writeAll(out_);
    temp.finish();
    temp.renameTo(target.string());
    syncFolder(target.parent_path());
    out_.clear();
}

void DataFile::remove() noexcept {
    // unlink, unlike the C library's remove, never deletes a folder.
    if (!memory_ && !path_.empty()) {
        ::unlink(path_.c_str());
    }
}

}  // namespace corvane
