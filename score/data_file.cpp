#include "score/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

// Closes a descriptor and removes the temporary file unless release() was called.
class TempFile {
public:
    TempFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
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
    // Closes the descriptor, reporting whether the close succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void release() { name_.clear(); }

private:
    int fd_;
    std::string name_;
};

std::string writeError(int error) {
    if (error == EFBIG || error == ENOSPC || error == EDQUOT) {
        return std::string("Error writing a file: ") + std::strerror(error) +
               ". The old file was kept.";
    }
    return std::string("Error writing a file: ") + std::strerror(error) + ".";
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
    std::FILE* stream = std::fopen(path_.c_str(), "rb");
    if (stream == nullptr) {
        throw FileError(kErrorOpenRead);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    bool failed = false;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) {
            failed = std::ferror(stream) != 0;
            break;
        }
    }
    std::fclose(stream);
    if (failed) {
        throw FileError(kErrorOpenRead);
    }
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
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 24)};
    out_.insert(out_.end(), bytes, bytes + 4);
}

void DataFile::writeByte(std::uint8_t value) { out_.push_back(value); }

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
    const std::filesystem::path target(path_);
    // A folder can't be replaced by a file, and writing there would fail only at the rename.
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) {
        throw FileError(kErrorOpenWrite);
    }
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX"));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw FileError(kErrorOpenWrite);
    }
    TempFile temp(fd, pattern);

    // A new file gets the usual permissions; a replaced file keeps its own.
    struct stat existing {};
    mode_t mode;
    if (::stat(path_.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(temp.fd(), mode);

    const std::uint8_t* data = out_.data();
    std::size_t left = out_.size();
    while (left > 0) {
        const ssize_t n = ::write(temp.fd(), data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError(writeError(errno));
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(temp.fd()) != 0 && errno != EINVAL && errno != EROFS) {
        throw FileError(writeError(errno));
    }
    if (!temp.close()) {
        throw FileError(writeError(errno));
    }
    if (::rename(temp.name().c_str(), path_.c_str()) != 0) {
        throw FileError(writeError(errno));
    }
    temp.release();
    out_.clear();
}

void DataFile::remove() noexcept {
    if (!memory_ && !path_.empty()) {
        std::remove(path_.c_str());
    }
}

}  // namespace corvane
