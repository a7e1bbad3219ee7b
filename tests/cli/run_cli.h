#pragma once
// Runs the built corvane-cli binary and collects what it printed and how it ended.

#include <string>
#include <vector>

namespace corvane::testing {

struct CliResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs corvane-cli with `args` (after the program name) in the current folder.
CliResult runCli(const std::vector<std::string>& args);

// The lines of `text`, without their line ends.
std::vector<std::string> lines(const std::string& text);

}  // namespace corvane::testing
