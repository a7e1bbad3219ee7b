#include "tests/recovery/recovery_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "score/score_reader.h"

namespace corvane::testing {

RecoveryTest::RecoveryTest() {
    ::setenv("XDG_STATE_HOME", state_.file("state").c_str(), 1);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
}

std::vector<std::string> RecoveryTest::names(const std::filesystem::path& path) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
        out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string RecoveryTest::leaveCopy(const Score& score, const std::string& belongsTo,
                                    WallTime time) {
    RecoveryStore store(folder(), {}, [time] { return time; });
    store.changed(at(0));
    store.tick(at(10), score, belongsTo);
    store.flush();
    return store.copyPath().stem().string();
}

RecoveryStore::TimePoint RecoveryTest::at(double seconds) {
    return RecoveryStore::TimePoint(std::chrono::hours(1)) +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

Score scoreWithMeasures(int measures) {
    Score score;
    for (int i = 0; i < measures; ++i) {
        score.addMeasure(i % 8, 100 + i, 3);
    }
    return score;
}

std::vector<std::string> filesOf(const std::string& name) {
    return {name + ".cvn", name + ".record"};
}

Score loadCopy(const std::filesystem::path& path) {
    Score score;
    const LoadResult result = ScoreReader().load(path.string(), score);
    EXPECT_TRUE(result) << path << ": " << result.reason;
    return score;
}

}  // namespace corvane::testing
