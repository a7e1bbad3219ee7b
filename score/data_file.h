#pragma once
// The file wrapper through which every file of the program is read and written: the score file,
// the MIDI export and the temporary playback file.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

// A file operation that failed. what() is a sentence a person understands; path() and reason()
// say which file and why, when that is known.
class FileError : public std::runtime_error {
  public:
    explicit FileError(const std::string& sentence, std::string path = {},
                       std::string reason = {});

    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }
    // "PATH: REASON", or whichever of the two is known; empty when neither is.
    std::string detail() const;

  private:
    std::string path_;
    std::string reason_;
};

inline constexpr const char* kErrorOpenRead = "Error opening a file to read.";
inline constexpr const char* kErrorOpenWrite = "Error opening a file to write.";
inline constexpr const char* kErrorWrite = "Error writing a file. The file on disk was not changed.";

// The cause of a failed file operation in plain words, from its errno value: "permission
// denied", "no such file", "this is a folder, not a file", "the disk is full", ... When
// `creating` a file, a missing entry is the folder it was to go in: "no such folder".
std::string fileErrorReason(int error, bool creating = false);

// The folder for temporary files: $TMPDIR when it is set and not empty, else /tmp; absolute.
std::string temporaryFolder();

// A file of this user's alone (mode 0600) under a new, unique name in `folder`, created without
// following links and holding `bytes`, every write checked. It is deleted when this object goes.
class PrivateTempFile {
  public:
    // The name is `prefix`, a unique part and `suffix`. Raises FileError(kErrorOpenWrite) naming
    // the file and the cause; nothing is left behind then.
    PrivateTempFile(const std::vector<std::uint8_t>& bytes, const std::string& folder,
                    std::string_view prefix, std::string_view suffix);
    ~PrivateTempFile();
    PrivateTempFile(const PrivateTempFile&) = delete;
    PrivateTempFile& operator=(const PrivateTempFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Reads a whole file at once, or collects written bytes in memory and replaces the target
// atomically on commit(). A DataFile is a local object of the operation that uses it.
class DataFile {
  public:
    // `path` is made absolute; a file name ending in ".txt" makes this a text file, for which
    // reads give 0, writes do nothing and commit() refuses.
    explicit DataFile(std::string path);
    // A DataFile over bytes already in memory (for tests and fuzzing); commit() is not allowed.
    static DataFile fromBytes(std::vector<std::uint8_t> bytes);

    DataFile(DataFile&&) noexcept = default;
    DataFile& operator=(DataFile&&) noexcept = default;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    // An uncommitted write is discarded: the target file is left as it was.
    ~DataFile() = default;

    const std::string& path() const { return path_; }
    bool textMode() const { return textMode_; }

    // The first read loads the whole file; raises kErrorOpenRead, with the path and the cause,
    // when it is missing, is not a regular file or cannot be read (a read never creates a file).
    // Past the end, values read as 0 and atEnd() turns true.
    void read(std::uint8_t& value);
    void read(std::int32_t& value);
    bool atEnd() const { return atEnd_; }
    // Bytes not yet read (loads the file if needed).
    std::size_t remaining();
    // Hands over the bytes not yet read, without copying them; reads after it are past the end.
    std::vector<std::uint8_t> takeRemaining();

    // Little-endian; nothing in text mode.
    void write(std::uint8_t value);
    void write(std::int32_t value);
    // One byte, also in text mode.
    void writeByte(std::uint8_t value);
    // `count` bytes as they are, also in text mode: writeByte for each, in one step.
    void writeBytes(const std::uint8_t* data, std::size_t count);
    // Big-endian, for MIDI files; nothing in text mode.
    void writeBE16(std::uint32_t value);
    void writeBE32(std::uint32_t value);
    // Makes room for `bytes` more bytes to be written, so a large file is built without copying.
    void reserve(std::size_t bytes) { out_.reserve(out_.size() + bytes); }
    // Bytes written so far and not yet committed.
    const std::vector<std::uint8_t>& written() const { return out_; }
    // Hands over the bytes written so far, leaving nothing to commit.
    std::vector<std::uint8_t> takeWritten() { return std::exchange(out_, {}); }

    // Writes the collected bytes to a temporary file beside the target, checks every write, the
    // flush and the close, and renames it over the target (through a symbolic link, over the file
    // it points to). Raises FileError with the target's path and the cause, and leaves the old
    // file intact and no temporary file behind: kErrorOpenWrite when the file cannot be created
    // or replaced (a text-mode path, a missing or unwritable folder, a folder or a read-only file
    // at the path), kErrorWrite when writing it fails (a full disk).
    void commit();

  private:
    DataFile() = default;
    void load();

    std::string path_;
    bool textMode_ = false;
    bool memory_ = false;
    bool loaded_ = false;
    bool atEnd_ = false;
    std::vector<std::uint8_t> in_;
    std::size_t pos_ = 0;
    std::vector<std::uint8_t> out_;
};

}  // namespace corvane
