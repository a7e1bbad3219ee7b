// What corvane-cli answers about itself: its version and usage on standard output with exit 0,
// every command's own usage, and a one-line refusal of what it does not know.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"

namespace corvane {
namespace {

using testing::CliResult;
using testing::lines;
using testing::runCli;

// The commands `corvane-cli --help` lists, in its order.
std::vector<std::string> listedCommands() {
    const CliResult help = runCli({"--help"});
    std::vector<std::string> commands;
    for (const std::string& line : lines(help.out)) {
        const std::string prefix = "  corvane-cli ";
        if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size() &&
            line[prefix.size()] >= 'a' && line[prefix.size()] <= 'z') {
            commands.push_back(line.substr(prefix.size(), line.find(' ', prefix.size()) - prefix.size()));
        }
    }
    return commands;
}

TEST(CliUsage, VersionAndHelpGoToStandardOutput) {
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("corvane-cli ") + CORVANE_VERSION + "\n");
    EXPECT_EQ(version.err, "");

    for (const std::string flag : {"--help", "-h"}) {
        const CliResult help = runCli({flag});
        EXPECT_EQ(help.exitCode, 0) << flag;
        EXPECT_EQ(help.err, "") << flag;
        EXPECT_NE(help.out.find("corvane-cli --help | --version"), std::string::npos) << help.out;
    }
}

TEST(CliUsage, EveryCommandAnswersHelpWithItsOwnUsageAndDoesNothingElse) {
    const std::vector<std::string> commands = listedCommands();
    ASSERT_GE(commands.size(), 10u);
    for (const std::string& command : commands) {
        // The other arguments would make the command fail if it ran: nothing is written.
        const CliResult help = runCli({command, "/nonexistent/in.cvn", "--help"});
        EXPECT_EQ(help.exitCode, 0) << command << ": " << help.err;
        EXPECT_EQ(help.err, "") << command;
        EXPECT_EQ(help.out.rfind("usage: corvane-cli " + command + " ", 0), 0u) << help.out;
        EXPECT_EQ(lines(help.out).size(), 1u) << help.out;
    }
}

TEST(CliUsage, AnUnknownOptionOrCommandIsRefusedInOneLineWithExit2) {
    for (const std::string word : {"--frobnicate", "-x", "frobnicate"}) {
        const CliResult result = runCli({word});
        EXPECT_EQ(result.exitCode, 2) << word;
        EXPECT_EQ(result.out, "") << word;
        ASSERT_EQ(lines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find(word), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--help"), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace corvane
