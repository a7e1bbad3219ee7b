#pragma once
// Helpers shared by every corvane-cli command: option parsing, failures with an exit code, and
// loading a score the way the editor's Open command does.

#include <cstdint>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "score/score.h"

namespace corvane {
class FileError;
}

namespace corvane::cli {

// Exit codes of corvane-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;  // the input file could not be used
inline constexpr int kExitUsage = 2;     // wrong usage or a bad script

// Ends the command: main prints what() as one line on stderr and exits with `code`. For
// kExitUsage, main also prints the command's usage line.
class CliFailure : public std::runtime_error {
  public:
    CliFailure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

// Raises CliFailure(kExitBadInput, message).
[[noreturn]] void failInput(const std::string& message);
// Raises CliFailure(kExitUsage, message).
[[noreturn]] void failUsage(const std::string& message);

// An option the command accepts: its name with the dashes ("--size") and how many values follow.
struct OptionSpec {
    std::string name;
    int values = 1;
};

// The arguments of one command, split into positional arguments and options.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    // The index-th value of option `name`; the option must be present.
    const std::string& value(const std::string& name, std::size_t index = 0) const;
    // The option's value as an integer within [low, high], or `fallback` when absent.
    std::int32_t intValue(const std::string& name, std::int32_t fallback,
                          std::int32_t low = std::numeric_limits<std::int32_t>::min(),
                          std::int32_t high = std::numeric_limits<std::int32_t>::max(),
                          std::size_t index = 0) const;
};

// Splits `args` by `options`; raises a usage failure for an unknown option, a missing option
// value, a repeated option, or a positional count outside [minPositional, maxPositional].
ParsedArgs parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                     std::size_t minPositional, std::size_t maxPositional);

// A whole decimal integer within [low, high]; anything else is a usage failure naming `what`.
std::int32_t parseInt(const std::string& text, const std::string& what,
                      std::int32_t low = std::numeric_limits<std::int32_t>::min(),
                      std::int32_t high = std::numeric_limits<std::int32_t>::max());

// The line that says why a file could not be used: "PATH: REASON" (the cause in plain words),
// falling back to the error's own sentence where the cause is not known.
std::string describe(const FileError& error);

// Writes `text` to the file at `path`, replacing it; raises an input failure naming the file and
// the cause when that fails.
void writeTextFile(const std::string& path, const std::string& text);

// The whole content of the file at `path`, which may also be a named pipe; raises an input
// failure naming the file and the cause (a folder, a missing file, no permission).
std::string readTextFile(const std::string& path);

// Loads a .cvn file with the editor's loader. A missing, unreadable or damaged file, or one that
// is not a score, raises an input failure whose message names the file and says why.
Score loadScore(const std::string& path);

}  // namespace corvane::cli
