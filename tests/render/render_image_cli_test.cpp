#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "score/score.h"
#include "score/score_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"
#include "tests/support/golden.h"

namespace corvane {
namespace {

using testing::lines;
using testing::runCli;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Width and height from a PNG file's header; (0, 0) when it is not a PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& path) {
    const std::string bytes = readAll(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) {
        return {0, 0};
    }
    const auto be32 = [&bytes](std::size_t at) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return v;
    };
    return {be32(16), be32(20)};
}

bool contains(const std::vector<std::string>& all, const std::string& line) {
    return std::find(all.begin(), all.end(), line) != all.end();
}

class RenderImage : public ::testing::Test {
  protected:
    void SetUp() override { ScoreReader().save(score, Score()); }
    const testing::TempDir dir;
    const std::string score = dir.file("fresh.cvn");
    const std::string png = dir.file("out.png");
    const std::string list = dir.file("out.txt");
};

TEST_F(RenderImage, PaintsTheEditorsPictureAndItsDisplayList) {
    const auto result = runCli({"render-image", score, png, "--display-list", list});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(pngSize(png), std::pair(800u, 600u));
    const std::vector<std::string> ops = lines(readAll(list));
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front(), "fill 0 0 800 600");
    EXPECT_TRUE(contains(ops, "text 5 28 Piano"));
    EXPECT_TRUE(contains(ops, "and 107 0 0 30 71 14 56"));
    EXPECT_TRUE(contains(ops, "text 44 44 1 BPM: 120"));
    EXPECT_TRUE(contains(ops, "and 132 0 0 12 40 99 70"));
    EXPECT_TRUE(contains(ops, "text 428 44 2"));  // the view was filled to two measures
}

TEST_F(RenderImage, SizeAndFirstMeasureActAsInTheEditor) {
    const auto result = runCli({"render-image", score, png, "--size", "1024", "300",
                                "--first-measure", "5", "--display-list", list});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(pngSize(png), std::pair(1024u, 300u));
    const std::vector<std::string> ops = lines(readAll(list));
    EXPECT_EQ(ops.front(), "fill 0 0 1024 300");
    // Three measures a page; scrolling to measure 5 appended measures up to the eighth.
    EXPECT_TRUE(contains(ops, "text 44 44 6 BPM: 120"));
    // The other two measures show just their numbers.
    std::vector<std::string> plainLabels;
    for (const std::string& op : ops) {
        std::istringstream fields(op);
        std::string kind;
        int x = 0;
        int y = 0;
        std::string text;
        if (fields >> kind >> x >> y && kind == "text" && y == 44 && std::getline(fields, text) &&
            text.find("BPM") == std::string::npos) {
            plainLabels.push_back(text);
        }
    }
    EXPECT_EQ(plainLabels, (std::vector<std::string>{" 7", " 8"}));
}

TEST_F(RenderImage, RefusesBadArgumentsAndUnusableFiles) {
    EXPECT_EQ(runCli({"render-image", score}).exitCode, 2);
    EXPECT_EQ(runCli({"render-image", score, png, "--size", "0", "600"}).exitCode, 2);
    EXPECT_EQ(runCli({"render-image", score, png, "--size", "800"}).exitCode, 2);
    EXPECT_EQ(runCli({"render-image", score, png, "--first-measure", "-1"}).exitCode, 2);
    EXPECT_EQ(runCli({"render-image", score, png, "--zoom", "2"}).exitCode, 2);
    const auto missing = runCli({"render-image", dir.file("none.cvn"), png});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.empty());
    const auto unwritable = runCli({"render-image", score, dir.file("no/such/folder.png")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("folder.png"), std::string::npos);
}

TEST_F(RenderImage, ReplayWritesThePictureOfItsFinalState) {
    const std::string script = dir.file("script.txt");
    std::ofstream(script) << "move 150 52\n";
    const auto result = runCli({"replay", script, "--display-list", list, "--image", png});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(pngSize(png), std::pair(800u, 600u));
    const std::vector<std::string> ops = lines(readAll(list));
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops.front(), "fill 0 0 800 600");
    // The entry marker under the mouse, with two ledger lines above the staff, comes last.
    EXPECT_EQ(std::vector<std::string>(ops.end() - 3, ops.end()),
              (std::vector<std::string>{"line 142 60 159 60", "line 142 50 159 50",
                                        "ellipse 144 46 156 55"}));
}

// The sample piece as its tool writes it: it reads back as built, every measure is full, and it
// paints the display list kept in golden/.
TEST(SamplePiece, IsWrittenLoadsAndPaintsItsGoldenDisplayList) {
    const testing::TempDir dir;
    const testing::CliResult made = testing::runProgram(CORVANE_SAMPLE_SCORE_PATH, {dir.path()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    Score loaded;
    ASSERT_TRUE(ScoreReader().load(dir.file("sample.cvn"), loaded));
    EXPECT_EQ(loaded, samples::samplePiece());
    for (const Track& track : loaded.tracks) {
        for (std::size_t m = 0; m < loaded.measures.size(); ++m) {
            std::int32_t ticks = 0;
            for (const Note& note : track.measures[m]) {
                ticks += noteTicks(note);
            }
            EXPECT_EQ(ticks, 24 * loaded.measures[m].beats) << "measure " << m;
        }
    }

    const std::string png = dir.file("sample.png");
    const std::string list = dir.file("sample.txt");
    const auto painted =
        runCli({"render-image", dir.file("sample.cvn"), png, "--size",
                std::to_string(CORVANE_SAMPLE_WIDTH), std::to_string(CORVANE_SAMPLE_HEIGHT),
                "--display-list", list});
    ASSERT_EQ(painted.exitCode, 0) << painted.err;
    EXPECT_EQ(pngSize(png), std::pair(std::uint32_t{CORVANE_SAMPLE_WIDTH},
                                      std::uint32_t{CORVANE_SAMPLE_HEIGHT}));
    testing::expectMatchesGolden(readAll(list),
                                 std::filesystem::path(CORVANE_RENDER_GOLDEN_DIR) / "sample_piece.txt");
}

}  // namespace
}  // namespace corvane
