#include "cli/cli_util.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "score/data_file.h"
#include "score/score_reader.h"

namespace corvane::cli {

void failInput(const std::string& message) {
    throw CliFailure(kExitBadInput, message);
}

void failUsage(const std::string& message) {
    throw CliFailure(kExitUsage, message);
}

const std::string& ParsedArgs::value(const std::string& name, std::size_t index) const {
    return options.at(name).at(index);
}

std::int32_t ParsedArgs::intValue(const std::string& name, std::int32_t fallback, std::int32_t low,
                                  std::int32_t high, std::size_t index) const {
    if (!has(name)) {
        return fallback;
    }
    return parseInt(value(name, index), name, low, high);
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                     std::size_t minPositional, std::size_t maxPositional) {
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        const OptionSpec* known = nullptr;
        for (const OptionSpec& candidate : options) {
            if (candidate.name == arg) {
                known = &candidate;
            }
        }
        if (known == nullptr) {
            failUsage("unknown option " + arg);
        }
        if (parsed.has(arg)) {
            failUsage("option " + arg + " given twice");
        }
        const auto count = static_cast<std::size_t>(known->values);
        if (args.size() - i - 1 < count) {
            failUsage("option " + arg + " needs " + std::to_string(count) +
                      (count == 1 ? " value" : " values"));
        }
        std::vector<std::string>& values = parsed.options[arg];
        values.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                      args.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
        i += count;
    }
    if (parsed.positional.size() < minPositional) {
        failUsage("missing arguments");
    }
    if (parsed.positional.size() > maxPositional) {
        failUsage("unexpected argument " + parsed.positional[maxPositional]);
    }
    return parsed;
}

std::int32_t parseInt(const std::string& text, const std::string& what, std::int32_t low,
                      std::int32_t high) {
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last) {
        failUsage(what + " must be a whole number, not \"" + text + "\"");
    }
    if (value < low || value > high) {
        failUsage(what + " must be between " + std::to_string(low) + " and " +
                  std::to_string(high) + ", not " + text);
    }
    return value;
}

Score loadScore(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        failInput(path + ": no such file.");
    }
    if (std::filesystem::is_directory(status)) {
        failInput(path + ": is a folder, not a score file.");
    }
    Score score;
    LoadResult result;
    try {
        result = ScoreReader().load(path, score);
    } catch (const FileError& error) {
        failInput(path + ": " + error.what());
    }
    if (!result) {
        failInput(path + ": " + result.reason);
    }
    return score;
}

}  // namespace corvane::cli
