// What corvane-cli says when a script or an output cannot be used: one line of its own that
// names the file and the cause, readable whatever the input held, and nothing of the libraries'.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "score/score_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::CliResult;
using testing::lines;
using testing::putInt;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

// The one line of standard error, with the test failing unless there is exactly one.
std::string onlyErrorLine(const CliResult& result) {
    const std::vector<std::string> err = lines(result.err);
    EXPECT_EQ(err.size(), 1u) << result.err;
    return err.empty() ? "" : err.front();
}

TEST(CliReplayInput, AFolderOrAMissingScriptIsRefusedInOneLine) {
    TempDir dir;
    const struct {
        std::string script;
        std::string reason;
    } cases[] = {
        {dir.path().string(), ": this is a folder, not a file"},
        {dir.file("missing.script"), ": no such file"},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli({"replay", c.script, "--state", dir.file("state.txt")});
        EXPECT_EQ(result.exitCode, 1) << c.script;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(onlyErrorLine(result), "corvane-cli replay: " + c.script + c.reason);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

// A named pipe is a script like any other, so process substitution works; --help says so.
TEST(CliReplayInput, ANamedPipeIsReadAsAScript) {
    TempDir dir;
    const std::string pipe = dir.file("script.pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe) << "keydown 39\nkeydown 39\n"; });
    const CliResult result = runCli({"replay", pipe, "--state", dir.file("state.txt")});
    // Should the replay not have opened the pipe, this frees the writer that waits for it.
    ::close(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK));
    writer.join();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::ifstream state(dir.file("state.txt"));
    std::vector<std::string> stateLines;
    for (std::string line; std::getline(state, line);) {
        stateLines.push_back(line);
    }
    EXPECT_NE(std::find(stateLines.begin(), stateLines.end(), "firstVisibleMeasure=2"),
              stateLines.end());

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("a named pipe works too"), std::string::npos) << help.out;
}

// A binary file given as a script: the bad line is quoted with its unreadable bytes spelled out,
// so the terminal gets readable text only, and a long line is cut.
TEST(CliReplayInput, UnreadableBytesAreQuoted) {
    TempDir dir;
    const std::string script = dir.file("binary.script");
    std::string bytes = "# a comment\n\x7f" "ELF\x02\x01\x01";
    bytes += std::string(1, '\0') + "\xff\xfe\"q\\\xc3\xa9" + std::string(200, 'x') + "\n";
    std::ofstream(script, std::ios::binary) << bytes;

    const CliResult result = runCli({"replay", script});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(onlyErrorLine(result),
              "corvane-cli replay: " + script + " line 2: unknown line \"\\x7fELF\\x02\\x01\\x01"
              "\\x00\\xff\\xfe\\\"q\\\\\xc3\xa9" + std::string(46, 'x') + "...\"");
    for (const char c : result.err) {
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int{c};
    }
}

TEST(CliReplayOutput, AnOutputThatCannotBeWrittenIsNamed) {
    TempDir dir;
    const std::string script = dir.file("empty.script");
    std::ofstream(script) << "# nothing\n";
    const std::string folder = dir.path().string();
    const CliResult save = runCli({"replay", script, "--save", folder});
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_EQ(onlyErrorLine(save), "corvane-cli replay: " + folder + ": this is a folder, not a file");

    const CliResult state = runCli({"replay", script, "--state", dir.file("no/state.txt")});
    EXPECT_EQ(state.exitCode, 1);
    EXPECT_EQ(onlyErrorLine(state),
              "corvane-cli replay: " + dir.file("no/state.txt") + ": no such folder");
}

// play writes its song only to the temporary folder, and says which file it could not write.
TEST(CliPlayOutput, AnUnwritableTemporaryFolderIsNamed) {
    TempDir dir;
    ScoreReader().save(dir.file("a.cvn"), Score());
    const std::string missing = dir.file("missing");
    const CliResult result = runCli({"play", dir.file("a.cvn")}, {{"TMPDIR", missing}});
    EXPECT_EQ(result.exitCode, 1);
    const std::string expected =
        "corvane-cli play: cannot write the temporary playback file " + missing + "/cvn-playback-";
    // The sound library may have its own say, on lines of its own.
    std::vector<std::string> ours;
    for (const std::string& line : lines(result.err)) {
        if (line.rfind("corvane-cli", 0) == 0) {
            ours.push_back(line);
        }
    }
    ASSERT_EQ(ours.size(), 1u) << result.err;
    EXPECT_EQ(ours[0].rfind(expected, 0), 0u) << ours[0];
    EXPECT_NE(ours[0].find(".mid: no such folder"), std::string::npos) << ours[0];
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.cvn"});
}

// Qt's own notices (here about a missing XDG_RUNTIME_DIR) do not reach the terminal.
TEST(CliPictures, PrintNothingButTheirOwnLine) {
    TempDir dir;
    ScoreReader().save(dir.file("a.cvn"), Score());
    std::ofstream(dir.file("empty.script")) << "\n";
    const std::vector<std::pair<std::string, std::string>> noRuntimeDir = {
        {"XDG_RUNTIME_DIR", ""}};
    const CliResult image =
        runCli({"render-image", dir.file("a.cvn"), dir.file("a.png")}, noRuntimeDir);
    EXPECT_EQ(image.exitCode, 0);
    EXPECT_EQ(image.out + image.err, "");
    const CliResult replay =
        runCli({"replay", dir.file("empty.script"), "--image", dir.file("b.png")}, noRuntimeDir);
    EXPECT_EQ(replay.exitCode, 0);
    EXPECT_EQ(replay.out + replay.err, "");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.cvn", "a.png", "b.png", "empty.script"}));

    // A failure is still told, in one line of the command's own.
    const CliResult failed =
        runCli({"render-image", dir.file("a.cvn"), dir.file("no/a.png")}, noRuntimeDir);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(onlyErrorLine(failed).find("no/a.png"), std::string::npos);
}

// A count the file is too short for is told in the singular for one, the plural otherwise.
TEST(CliInfoMessages, CountsAgreeWithTheirNouns) {
    TempDir dir;
    const auto withTracks = [&](std::int32_t tracks) {
        std::vector<std::uint8_t> bytes = {'C', 'V', 'N', 'h', 'd'};
        for (const std::int32_t v : {1, 0, 4, 120, tracks}) {
            putInt(bytes, v);
        }
        const std::string path = dir.file("tracks" + std::to_string(tracks) + ".cvn");
        writeBytes(path, bytes);
        return onlyErrorLine(runCli({"info", path}));
    };
    EXPECT_NE(withTracks(1).find("it claims 1 track but is too short for it."), std::string::npos);
    EXPECT_NE(withTracks(2).find("it claims 2 tracks but is too short for them."),
              std::string::npos);
}

}  // namespace
}  // namespace corvane
