// The golden-file helper: its diff shows where texts differ, a difference fails, and the update
// switch writes the file instead of comparing.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "tests/score/test_files.h"
#include "tests/support/golden.h"

namespace corvane::testing {
namespace {

std::string numbered(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    return text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(LineDiff, ShowsChangedLinesWithTheirContextAndWhereTheyAre) {
    EXPECT_EQ(lineDiff(numbered(1, 20), numbered(1, 20)), "");

    std::string changed = numbered(1, 20);
    changed.replace(changed.find("line 10\n"), 8, "line ten\n");
    EXPECT_EQ(lineDiff(numbered(1, 20), changed),
              "@@ golden line 8, actual line 8 @@\n"
              "  line 8\n  line 9\n- line 10\n+ line ten\n  line 11\n  line 12\n");

    // An inserted line shifts the actual numbering; a removal far away is a run of its own.
    std::string edited = numbered(1, 3) + "new\n" + numbered(4, 15) + numbered(17, 20);
    EXPECT_EQ(lineDiff(numbered(1, 20), edited),
              "@@ golden line 2, actual line 2 @@\n"
              "  line 2\n  line 3\n+ new\n  line 4\n  line 5\n"
              "@@ golden line 14, actual line 15 @@\n"
              "  line 14\n  line 15\n- line 16\n  line 17\n  line 18\n");

    EXPECT_EQ(lineDiff("", "only\n"), "@@ golden line 1, actual line 1 @@\n+ only\n");
}

TEST(LineDiff, StaysShortForLongDifferences) {
    const std::string diff = lineDiff(numbered(1, 5000), numbered(5001, 10000));
    EXPECT_NE(diff.find("- line 1\n"), std::string::npos);
    EXPECT_NE(diff.find("more changed lines"), std::string::npos);
    EXPECT_LT(diff.size(), 10000u);
}

class GoldenFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* value = std::getenv("CORVANE_UPDATE_GOLDEN");
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        unsetenv("CORVANE_UPDATE_GOLDEN");
    }
    void TearDown() override {
        if (saved) {
            setenv("CORVANE_UPDATE_GOLDEN", saved->c_str(), 1);
        } else {
            unsetenv("CORVANE_UPDATE_GOLDEN");
        }
    }

    // What the helper reported for `actual` against `path`, without failing this test.
    static std::vector<::testing::TestPartResult> check(const std::string& actual,
                                                        const std::filesystem::path& path) {
        ::testing::TestPartResultArray results;
        {
            const ::testing::ScopedFakeTestPartResultReporter reporter(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                &results);
            expectMatchesGolden(actual, path);
        }
        std::vector<::testing::TestPartResult> out;
        for (int i = 0; i < results.size(); ++i) {
            out.push_back(results.GetTestPartResult(i));
        }
        return out;
    }

    std::optional<std::string> saved;
    const TempDir dir;
    const std::filesystem::path golden = dir.path() / "sub" / "expected.txt";
};

TEST_F(GoldenFile, ComparesAndShowsTheDifference) {
    const std::filesystem::path missing = dir.path() / "missing.txt";
    std::vector<::testing::TestPartResult> results = check("a\n", missing);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].fatally_failed());
    EXPECT_NE(std::string(results[0].message()).find("CORVANE_UPDATE_GOLDEN=1"),
              std::string::npos);

    std::filesystem::create_directories(golden.parent_path());
    std::ofstream(golden) << "a\nb\nc\n";
    EXPECT_EQ(check("a\nb\nc\n", golden).size(), 0u);
    results = check("a\nB\nc\n", golden);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].nonfatally_failed());
    EXPECT_NE(std::string(results[0].message()).find("- b\n+ B\n"),
              std::string::npos);
    results = check("a\nb\nc", golden);
    ASSERT_EQ(results.size(), 1u) << "a missing last line end is a difference";
    EXPECT_NE(std::string(results[0].message()).find("line end"),
              std::string::npos);
    EXPECT_EQ(readText(golden), "a\nb\nc\n") << "comparing never writes";
}

TEST_F(GoldenFile, TheSwitchWritesTheFileAndSaysSo) {
    for (const char* off : {"", "0"}) {
        setenv("CORVANE_UPDATE_GOLDEN", off, 1);
        EXPECT_FALSE(updatingGolden()) << off;
    }
    setenv("CORVANE_UPDATE_GOLDEN", "1", 1);
    ASSERT_TRUE(updatingGolden());
    const std::vector<::testing::TestPartResult> results = check("new\ntext\n", golden);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].skipped());
    EXPECT_NE(std::string(results[0].message()).find(golden.string()),
              std::string::npos);
    EXPECT_EQ(readText(golden), "new\ntext\n");
    EXPECT_TRUE(check("new\ntext\n", golden).empty()) << "an unchanged file is not reported";
}

}  // namespace
}  // namespace corvane::testing
