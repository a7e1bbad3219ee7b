#pragma once
// Golden files: outputs kept in the repository as readable text. A test compares what it made
// with its golden file; run with CORVANE_UPDATE_GOLDEN=1 it writes the file instead where they
// differ, for review with `git diff`, and reports itself skipped so that the run lists the files
// it wrote.

#include <filesystem>
#include <optional>
#include <string>

namespace corvane::testing {

// True when CORVANE_UPDATE_GOLDEN is set to anything but "" or "0".
bool updatingGolden();

// Checks `actual` against the golden file at `path`, failing with a line diff on a difference;
// when updating, writes `actual` there instead (creating folders) and marks the test skipped.
void expectMatchesGolden(const std::string& actual, const std::filesystem::path& path);

// The golden file's text, or nothing when it cannot be read.
std::optional<std::string> readGolden(const std::filesystem::path& path);

// Writes `text` as the golden file `path` (creating folders) and marks the test skipped, saying
// which file it wrote; a failure to write fails the test.
void writeGolden(const std::string& text, const std::filesystem::path& path);

// The lines that differ between `expected` and `actual` with two lines of context around each
// change: "-" lines only in `expected`, "+" lines only in `actual`, each run headed by the line
// numbers where it starts. Empty when the two are equal.
std::string lineDiff(const std::string& expected, const std::string& actual);

}  // namespace corvane::testing
