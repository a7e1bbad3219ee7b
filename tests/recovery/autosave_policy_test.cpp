// The timing of recovery copies, with a made-up clock.

#include "recovery/autosave_policy.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace corvane {
namespace {

using Policy = AutosavePolicy;
using std::chrono::milliseconds;

Policy::TimePoint at(int ms) {
    return Policy::TimePoint(std::chrono::hours(1)) + milliseconds(ms);
}

TEST(AutosavePolicy, NothingIsDueWithoutChangesOrOnceClean) {
    Policy policy;
    EXPECT_FALSE(policy.tick(at(0)));
    EXPECT_FALSE(policy.tick(at(60'000)));
    EXPECT_EQ(policy.dueAt(), std::nullopt);

    policy.changed(at(0));
    policy.cleaned();  // saved, or undone to the saved point
    EXPECT_EQ(policy.dueAt(), std::nullopt);
    EXPECT_FALSE(policy.tick(at(60'000)));
}

TEST(AutosavePolicy, APauseAfterAnEditTakesOneCopy) {
    Policy policy;
    policy.changed(at(0));
    EXPECT_EQ(policy.dueAt(), at(1000));
    EXPECT_FALSE(policy.tick(at(999)));
    EXPECT_TRUE(policy.tick(at(1000)));
    // The copy holds every change: nothing more until the next edit.
    EXPECT_FALSE(policy.tick(at(30'000)));
    policy.changed(at(31'000));
    EXPECT_TRUE(policy.tick(at(32'000)));
}

TEST(AutosavePolicy, KeepingOnEditingStillTakesACopyWithinTheDeadline) {
    Policy policy;
    // An edit every 300 ms never leaves a pause of a second.
    std::vector<int> copyTimes;
    for (int ms = 0; ms <= 12'500; ms += 100) {
        if (ms % 300 == 0) {
            policy.changed(at(ms));
        }
        if (policy.tick(at(ms))) {
            copyTimes.push_back(ms);
        }
    }
    // The first change waits 4 seconds, and so does each first change after a copy (4.2 s and
    // 8.4 s).
    EXPECT_EQ(copyTimes, (std::vector<int>{4000, 8200, 12'400}));
}

TEST(AutosavePolicy, CopiesAreNeverCloserThanTheMinimumInterval) {
    Policy policy;
    policy.changed(at(0));
    ASSERT_TRUE(policy.tick(at(1000)));
    // An edit right after the copy, then a pause: the pause alone would make it due at 2.2 s.
    policy.changed(at(1200));
    EXPECT_EQ(policy.dueAt(), at(3000));
    EXPECT_FALSE(policy.tick(at(2999)));
    EXPECT_TRUE(policy.tick(at(3000)));
}

TEST(AutosavePolicy, AFailedCopyIsTriedAgainLaterOrAtTheNextEdit) {
    Policy policy;
    policy.changed(at(0));
    ASSERT_TRUE(policy.tick(at(1000)));
    policy.failed(at(1500));
    EXPECT_EQ(policy.dueAt(), at(1500) + Policy::kRetry);
    EXPECT_FALSE(policy.tick(at(6499)));
    EXPECT_TRUE(policy.tick(at(6500)));

    // An edit while a retry waits brings the copy forward to the usual pause.
    policy.failed(at(9000));
    EXPECT_EQ(policy.dueAt(), at(14'000));
    policy.changed(at(9200));
    EXPECT_EQ(policy.dueAt(), at(10'200));

    // Once the score is clean, a failed copy no longer matters.
    policy.cleaned();
    EXPECT_EQ(policy.dueAt(), std::nullopt);

    // Edits made after the failed copy was taken are not held back by the retry.
    policy.changed(at(20'000));
    ASSERT_TRUE(policy.tick(at(21'000)));
    policy.changed(at(21'100));
    policy.failed(at(21'200));
    EXPECT_EQ(policy.dueAt(), at(23'000));
}

// Random editing sessions, ticked every half second as the window's timer does: every change is
// held by a copy within 5 seconds, and copies are at least 2 seconds apart.
TEST(AutosavePolicy, EveryChangeIsCopiedWithinFiveSecondsInRandomSessions) {
    std::mt19937 random(20261207);
    for (int session = 0; session < 200; ++session) {
        Policy policy;
        std::vector<int> changes;
        std::vector<int> copies;
        std::uniform_int_distribution<int> gap(0, 3000);
        int nextChange = gap(random);
        for (int ms = 0; ms <= 120'000; ms += 50) {
            if (ms >= nextChange && nextChange <= 100'000) {
                policy.changed(at(ms));
                changes.push_back(ms);
                nextChange = ms + (random() % 10 == 0 ? 8000 : gap(random));
            }
            if (ms % Policy::kTickInterval.count() == 0 && policy.tick(at(ms))) {
                copies.push_back(ms);
            }
        }
        for (std::size_t i = 1; i < copies.size(); ++i) {
            ASSERT_GE(copies[i] - copies[i - 1], 2000) << "session " << session;
        }
        for (const int change : changes) {
            const auto copy = std::lower_bound(copies.begin(), copies.end(), change);
            ASSERT_NE(copy, copies.end()) << "session " << session << ", change at " << change;
            ASSERT_LE(*copy - change, 5000) << "session " << session << ", change at " << change;
        }
    }
}

}  // namespace
}  // namespace corvane
