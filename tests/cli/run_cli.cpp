#include "tests/cli/run_cli.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "tests/score/test_files.h"

namespace corvane::testing {

CliResult runProgram(const std::string& path, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env) {
    const TempDir dir;
    const std::string outPath = dir.file("out");
    const std::string errPath = dir.file("err");

    std::vector<std::string> argv = {path};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv) {
        raw.push_back(arg.data());
    }
    raw.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        for (const auto& [name, value] : env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (std::freopen(outPath.c_str(), "w", stdout) == nullptr ||
            std::freopen(errPath.c_str(), "w", stderr) == nullptr) {
            ::_exit(127);
        }
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<std::uint8_t> out = readBytes(outPath);
    const std::vector<std::uint8_t> err = readBytes(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

CliResult runCli(const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env) {
    return runProgram(CORVANE_CLI_PATH, args, env);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

}  // namespace corvane::testing
