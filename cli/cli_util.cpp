#include "cli/cli_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

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

std::string describe(const FileError& error) {
    if (error.reason().empty()) {
        return error.path().empty() ? error.what() : error.path() + ": " + error.what();
    }
    return error.detail();
}

namespace {

// A file descriptor closed on destruction.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now; false (with errno set) when closing reports an error.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

[[noreturn]] void failFile(const std::string& path, int error, bool creating = false) {
    failInput(path + ": " + fileErrorReason(error, creating));
}

}  // namespace

void writeTextFile(const std::string& path, const std::string& text) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        failFile(path, errno, true);
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failFile(path, n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
    if (!file.close()) {
        failFile(path, errno);
    }
}

std::string readTextFile(const std::string& path) {
    // Reading a folder fails with EISDIR, which says what it is.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        failFile(path, errno);
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            failFile(path, errno);
        }
        if (n == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

Score loadScore(const std::string& path) {
    Score score;
    LoadResult result;
    try {
        result = ScoreReader().load(path, score);
    } catch (const FileError& error) {
        failInput(describe(error));
    }
    if (!result) {
        failInput(path + ": " + result.reason);
    }
    return score;
}

}  // namespace corvane::cli
