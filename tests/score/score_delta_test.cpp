// The score delta: recording brings the older copy up to date, and the delta turns either state
// into the other, whatever changed: measures, the timeline, the measure count, track settings
// and the track list.

#include <gtest/gtest.h>

#include <functional>

#include "score/score_delta.h"
#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

// Records the change `edit` makes to `start` within `scope` and checks both directions.
ScoreDelta checkRoundTrip(const Score& start, const std::function<void(Score&)>& edit,
                          const ChangeScope& scope = {}) {
    Score changed = start;
    edit(changed);
    Score older = start;
    ScoreDelta delta = ScoreDelta::record(older, changed, scope);
    EXPECT_EQ(older, changed) << "the older copy is brought up to date";
    Score score = changed;
    delta.backward(score);
    EXPECT_EQ(score, start);
    delta.forward(score);
    EXPECT_EQ(score, changed);
    return delta;
}

Note quarterAt(int position) {
    Note note;
    note.pitches.push_back(NoteHead{position, AccidentalNone});
    return note;
}

TEST(ScoreDelta, SameScoresGiveAnEmptyDelta) {
    const Score start = samples::largeScore(6, 3);
    EXPECT_TRUE(checkRoundTrip(start, [](Score&) {}).empty());
}

TEST(ScoreDelta, OneMeasureOfOneTrack) {
    const Score start = samples::largeScore(6, 3);
    const ScoreDelta delta = checkRoundTrip(
        start, [](Score& s) { s.tracks[1].measures[4].front() = quarterAt(3); },
        ChangeScope{3, 1});
    EXPECT_FALSE(delta.empty());
}

TEST(ScoreDelta, ChangesOutsideTheScopeAreNotRecorded) {
    const Score start = samples::largeScore(6, 3);
    Score changed = start;
    changed.tracks[0].measures[1].front() = quarterAt(5);
    Score older = start;
    EXPECT_TRUE(ScoreDelta::record(older, changed, ChangeScope{2, 0}).empty());
    EXPECT_TRUE(ScoreDelta::record(older, changed, ChangeScope{0, 2}).empty());
    EXPECT_EQ(older, start);
}

TEST(ScoreDelta, KeyChangeOverEveryFollowingMeasureOfEveryTrack) {
    const Score start = samples::largeScore(40, 4);
    checkRoundTrip(
        start,
        [](Score& s) {
            for (std::size_t m = 3; m < s.measures.size(); ++m) {
                s.measures[m].key = 4;
                for (Track& track : s.tracks) {
                    track.measures[m] = freshMeasure(4);
                }
            }
        },
        ChangeScope{2, std::nullopt});
}

TEST(ScoreDelta, GrowthAndTrimmingChangeTheMeasureCount) {
    const Score start = samples::largeScore(5, 2);
    const ScoreDelta grown = checkRoundTrip(start, [](Score& s) {
        s.tracks[0].measures[4].back() = quarterAt(-2);
        s.addMeasure(3, 90, 3);
        s.addMeasure(3, 90, 3);
    });
    EXPECT_EQ(grown.measuresBefore(), 5u);
    EXPECT_EQ(grown.measuresAfter(), 7u);
    checkRoundTrip(start, [](Score& s) {
        s.removeLastMeasure();
        s.removeLastMeasure();
    });
}

TEST(ScoreDelta, TrackSettings) {
    const Score start = samples::largeScore(4, 3);
    checkRoundTrip(
        start,
        [](Score& s) {
            s.tracks[2].program = 40;
            s.tracks[2].kind = Drums;
            s.tracks[2].resetMeasures(s);
        },
        ChangeScope{0, 2});
}

TEST(ScoreDelta, TracksAddedAndDeletedAnywhere) {
    const Score start = samples::largeScore(4, 4);
    checkRoundTrip(start, [](Score& s) { s.addTrack(7, Bass); });
    for (std::size_t gone = 0; gone < 4; ++gone) {
        checkRoundTrip(start, [gone](Score& s) { s.deleteTrack(gone); }, ChangeScope{0, gone});
    }
    checkRoundTrip(start, [](Score& s) {
        while (!s.tracks.empty()) {
            s.deleteTrack(0);
        }
    });
}

TEST(ScoreDelta, DeletingOneOfTwoEqualNeighbours) {
    Score start = samples::largeScore(3, 2);
    start.tracks.insert(start.tracks.begin() + 1, start.tracks[1]);
    checkRoundTrip(start, [](Score& s) { s.deleteTrack(1); });
    checkRoundTrip(start, [](Score& s) { s.deleteTrack(2); });
}

TEST(ScoreDelta, CopyMeasuresFromGivesTheOtherEnd) {
    const Score longer = samples::largeScore(8, 2);
    Score shorter = longer;
    shorter.removeLastMeasure();
    shorter.removeLastMeasure();
    shorter.tracks[0].measures[5].front() = quarterAt(1);
    Score to = shorter;
    copyMeasuresFrom(to, longer, 5);
    EXPECT_EQ(to, longer);
    copyMeasuresFrom(to, shorter, 6);
    EXPECT_NE(to, shorter) << "measure 5 lies before the copied end";
    copyMeasuresFrom(to, shorter, 5);
    EXPECT_EQ(to, shorter);
}

}  // namespace
}  // namespace corvane
