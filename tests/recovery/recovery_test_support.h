#pragma once
// A recovery folder of each test's own: XDG_STATE_HOME points into a fresh temporary folder, and
// times are shown in UTC. Copies are made by real stores driven by a made-up clock.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "recovery/recovery_files.h"
#include "recovery/recovery_store.h"
#include "score/score.h"
#include "tests/score/test_files.h"

namespace corvane::testing {

// 7 Dec 2026 15:44:00 UTC.
inline const WallTime kSomeDay = WallTime(std::chrono::seconds(1796658240));

class RecoveryTest : public ::testing::Test {
  protected:
    RecoveryTest();

    // The recovery folder as the program finds it.
    static std::filesystem::path folder() { return recoveryFolder(); }
    // The names in `path` (the recovery folder by default), sorted; none when it is missing.
    static std::vector<std::string> names(const std::filesystem::path& path = folder());

    // Leaves a copy of `score` as an editor that was killed would: a store writes it and goes
    // without cleaning up. Returns the copy's name.
    static std::string leaveCopy(const Score& score, const std::string& belongsTo, WallTime time);

    // A made-up point on the steady clock, `seconds` after some start.
    static RecoveryStore::TimePoint at(double seconds);

    TempDir state_;
};

// A score that differs from the default one by `measures` extra measures; tests tell copies
// apart by it.
Score scoreWithMeasures(int measures);

// A copy's two files, NAME.cvn and NAME.record, as names() lists them.
std::vector<std::string> filesOf(const std::string& name);

// Loads `path` with ScoreReader; fails the test when it does not load.
Score loadCopy(const std::filesystem::path& path);

}  // namespace corvane::testing
