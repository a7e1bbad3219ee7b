// corvane-cli info: the summary of a score, and one line of reason for a file it cannot use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "score/score_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::CliResult;
using testing::lines;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

TEST(CliInfo, SummarisesTheDefaultScore) {
    TempDir dir;
    ScoreReader().save(dir.file("default.cvn"), Score());
    const CliResult result = runCli({"info", dir.file("default.cvn")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(lines(result.out), (std::vector<std::string>{
                                     "measures: 1",
                                     "tracks: 1",
                                     "notes: 0 (0 pitches, 4 rests)",
                                     "track 1: treble, Piano (program 0), 0 notes, 4 rests",
                                     "measure 1: tempo 120, no key signature, meter 4/4",
                                 }));
}

TEST(CliInfo, ListsTracksAndOnlyTheMeasuresWhereSomethingChanges) {
    Score score;
    score.tracks[0].measures[0].front().pitches.push_back({0, AccidentalNone});
    score.tracks[0].measures[0].back().pitches = {{0, Sharp}, {2, AccidentalNone}};
    score.addTrack(32, Bass);
    score.addTrack(127, Drums);
    score.addMeasure(0, 120, 4);   // measure 2: nothing changes
    score.addMeasure(-1, 120, 4);  // measure 3: one flat
    score.addMeasure(-1, 96, 3);   // measure 4: tempo and meter
    score.addMeasure(3, 96, 3);    // measure 5: three sharps
    score.addMeasure(3, 96, 3);
    TempDir dir;
    ScoreReader().save(dir.file("song.cvn"), score);

    const CliResult result = runCli({"info", dir.file("song.cvn")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out),
              (std::vector<std::string>{
                  "measures: 6",
                  "tracks: 3",
                  "notes: 2 (3 pitches, 61 rests)",
                  "track 1: treble, Piano (program 0), 2 notes, 19 rests",
                  "track 2: bass, Accoustic Bass (program 32), 0 notes, 21 rests",
                  "track 3: drums, Gunshot (program 127), 0 notes, 21 rests",
                  "measure 1: tempo 120, no key signature, meter 4/4",
                  "measure 3: key signature 1 flat",
                  "measure 4: tempo 96, meter 3/4",
                  "measure 5: key signature 3 sharps",
              }));
}

TEST(CliInfo, UnusableFilesGiveOneLineOfReasonAndExitCode1) {
    TempDir dir;
    writeBytes(dir.file("short.cvn"), {'C', 'V'});
    writeBytes(dir.file("other.cvn"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 24});
    std::vector<std::uint8_t> damaged = samples::encode(Score());
    damaged.resize(damaged.size() - 3);
    writeBytes(dir.file("cut.cvn"), damaged);
    std::vector<std::uint8_t> badTempo = samples::encode(Score());
    badTempo[5 + 4 + 8] = 0;  // the tempo of measure 1
    writeBytes(dir.file("tempo.cvn"), badTempo);

    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {dir.file("missing.cvn"), "no such file"},
        {dir.path().string(), "folder"},
        {dir.file("short.cvn"), "too short"},
        {dir.file("other.cvn"), "not a Corvane score file"},
        {dir.file("cut.cvn"), "damaged"},
        {dir.file("tempo.cvn"), "a tempo of 0 is out of range"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli({"info", c.path});
        EXPECT_EQ(result.exitCode, 1) << c.path;
        EXPECT_EQ(result.out, "") << c.path;
        const std::vector<std::string> errLines = lines(result.err);
        ASSERT_EQ(errLines.size(), 1u) << c.path << ": " << result.err;
        EXPECT_NE(errLines[0].find(c.path), std::string::npos) << errLines[0];
        EXPECT_NE(errLines[0].find(c.reason), std::string::npos) << errLines[0];
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.cvn")));
}

TEST(CliInfo, WrongUsageExitsWith2) {
    TempDir dir;
    ScoreReader().save(dir.file("a.cvn"), Score());
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"info"},
        {"info", dir.file("a.cvn"), dir.file("a.cvn")},
        {"info", dir.file("a.cvn"), "--size"},
        {"no-such-command", dir.file("a.cvn")},
    };
    for (const std::vector<std::string>& args : cases) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("usage"), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace corvane
