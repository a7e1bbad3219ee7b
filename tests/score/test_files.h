#pragma once
// Files and folders for tests: a temporary folder removed afterwards, and whole-file reads and
// writes that fail the test when they cannot be done.

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, deleted with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of `name` inside the folder, as a string.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Lowers the file size limit of the whole process (every thread) for one scope, with SIGXFSZ
// ignored so that a write past it fails with EFBIG instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t oldHandler_;
};

// Appends `value` as 4 little-endian bytes.
void putInt(std::vector<std::uint8_t>& bytes, std::int32_t value);

}  // namespace corvane::testing
