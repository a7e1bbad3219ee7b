#pragma once
// Runs the built corvane-cli binary and collects what it printed and how it ended.

#include <string>
#include <utility>
#include <vector>

namespace corvane::testing {

struct CliResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the program at `path` with `args` (after the program name) in the current folder, with
// the environment variables `env` (name, value) set for it alone.
CliResult runProgram(const std::string& path, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env = {});

// runProgram for the built corvane-cli.
CliResult runCli(const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env = {});

// The lines of `text`, without their line ends.
std::vector<std::string> lines(const std::string& text);

}  // namespace corvane::testing
