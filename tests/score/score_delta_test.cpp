// The score delta: what a capture kept before a change goes into the delta only where the change
// altered it, and swapping the delta with the score turns either side into the other, whatever
// changed: measures, the timeline, the measure count, track settings and the track list. The
// tail of a score follows measures dropped from the end and given back.

#include <gtest/gtest.h>

#include <functional>

#include "score/score_delta.h"
#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

using Capture = std::function<void(Score&, ChangeCapture&)>;
using Edit = std::function<void(Score&, ScoreDelta&)>;

// Captures what `capture` names in a copy of `start`, makes `edit` (which may record parts of
// its own), settles, and checks that the delta swaps the score back to `start` and forth again.
ScoreDelta roundTrip(const Score& start, const Capture& capture, const Edit& edit) {
    Score score = start;
    ChangeCapture kept;
    capture(score, kept);
    ScoreDelta delta;
    edit(score, delta);
    const Score changed = score;
    kept.settle(score, delta);
    delta.swapWith(score);
    EXPECT_EQ(score, start);
    delta.swapWith(score);
    EXPECT_EQ(score, changed);
    return delta;
}

Note quarterAt(int position) {
    Note note;
    note.pitches.push_back(NoteHead{position, AccidentalNone});
    return note;
}

// Copies measures [first, end) of `track`.
Capture measuresOf(std::size_t track, std::size_t first, std::size_t end) {
    return [=](Score& s, ChangeCapture& kept) { kept.copyMeasures(s, track, first, end); };
}

TEST(ScoreDelta, AnUnchangedScopeGivesAnEmptyDelta) {
    const Score start = samples::largeScore(6, 3);
    EXPECT_TRUE(roundTrip(start, measuresOf(1, 0, 6), [](Score&, ScoreDelta&) {}).empty());
}

TEST(ScoreDelta, OnlyTheMeasuresThatChangedAreKept) {
    const Score start = samples::largeScore(6, 3);
    const ScoreDelta delta = roundTrip(start, measuresOf(1, 3, 6), [](Score& s, ScoreDelta&) {
        s.tracks[1].measures[4].front() = quarterAt(3);
    });
    EXPECT_FALSE(delta.empty());
}

TEST(ScoreDelta, ChangesOutsideTheCaptureAreNotRecorded) {
    const Score start = samples::largeScore(6, 3);
    Score score = start;
    ChangeCapture kept;
    kept.copyMeasures(score, 0, 2, 6);
    kept.copyMeasures(score, 2, 0, 6);
    score.tracks[0].measures[1].front() = quarterAt(5);
    const Score changed = score;
    ScoreDelta delta;
    kept.settle(score, delta);
    EXPECT_TRUE(delta.empty());
    delta.swapWith(score);
    EXPECT_EQ(score, changed) << "an empty delta swaps nothing";
}

TEST(ScoreDelta, KeyChangeRefillingEveryFollowingMeasureOfEveryTrack) {
    const Score start = samples::largeScore(40, 4);
    Score score = start;
    ChangeCapture kept;
    kept.copyInfos(score, 3);
    // A tie cut in measure 3 comes first: the copy taken then is what the delta keeps, not the
    // measure as the cut left it.
    kept.copyMeasureOfEveryTrack(score, 3);
    score.tracks[0].measures[3].front().tie = TieNone;
    for (std::size_t m = 3; m < score.measures.size(); ++m) {
        kept.takeMeasureOfEveryTrack(score, m);
        EXPECT_EQ(score.tracks[2].measures[m].empty(), m > 3) << "taken out, not copied, once";
        score.measures[m].key = 4;
        for (Track& track : score.tracks) {
            track.measures[m] = freshMeasure(4);
        }
    }
    kept.takeMeasureOfEveryTrack(score, 5);
    EXPECT_EQ(score.tracks[0].measures[5], freshMeasure(4)) << "a measure is taken only once";
    const Score changed = score;
    ScoreDelta delta;
    kept.settle(score, delta);
    delta.swapWith(score);
    EXPECT_EQ(score, start);
    delta.swapWith(score);
    EXPECT_EQ(score, changed);
}

TEST(ScoreDelta, AppendedMeasuresAreTakenBackAndGivenAgain) {
    const Score start = samples::largeScore(5, 2);
    const ScoreDelta delta = roundTrip(start, measuresOf(0, 3, 5), [](Score& s, ScoreDelta& delta) {
        s.tracks[0].measures[4].back() = quarterAt(-2);
        growTimeline(s, 8);
        delta.measuresAppended(s, 5);
    });
    EXPECT_FALSE(delta.empty());
    Score grown = start;
    growTimeline(grown, 7);
    EXPECT_EQ(grown.measures.back(), start.measures.back()) << "growth copies the last settings";
    EXPECT_EQ(grown.tracks[1].measures[6].size(), 4u) << "filled with quarter rests";
}

TEST(ScoreDelta, TrackSettingsAndAResetTrack) {
    const Score start = samples::largeScore(4, 3);
    roundTrip(start, measuresOf(2, 0, 4), [&](Score& s, ScoreDelta& delta) {
        s.tracks[2].program = 40;
        s.tracks[2].kind = Drums;
        s.tracks[2].resetMeasures(s);
        delta.settingsWere(s, 2, start.tracks[2].program, start.tracks[2].kind);
    });
    ScoreDelta unchanged;
    unchanged.settingsWere(start, 1, start.tracks[1].program, start.tracks[1].kind);
    EXPECT_TRUE(unchanged.empty());
}

TEST(ScoreDelta, TracksAddedAndDeletedAnywhere) {
    const Score start = samples::largeScore(4, 4);
    const Capture nothing = [](Score&, ChangeCapture&) {};
    roundTrip(start, nothing, [](Score& s, ScoreDelta& delta) {
        s.addTrack(7, Bass);
        delta.trackAdded(4);
    });
    for (std::size_t gone = 0; gone < 4; ++gone) {
        roundTrip(start, nothing, [gone](Score& s, ScoreDelta& delta) {
            Track before = s.tracks[gone];
            s.deleteTrack(gone);
            delta.trackRemoved(gone, std::move(before));
        });
    }
}

TEST(ScoreTail, KeepsTheMeasuresDroppedFromTheEndAndGivesThemBack) {
    const Score start = samples::largeScore(8, 3);
    Score score = start;
    ScoreTail tail(8);
    tail.takeLastMeasure(score);
    tail.takeLastMeasure(score);
    EXPECT_EQ(tail.from(), 6u);
    EXPECT_EQ(tail.size(), 2u);
    ASSERT_EQ(score.measures.size(), 6u);
    ASSERT_EQ(score.tracks[2].measures.size(), 6u);
    growTimeline(score, 9);
    const Score grown = score;

    Score copy = score;
    tail.copyInto(copy);
    EXPECT_EQ(copy, start);
    tail.swapWith(score);
    EXPECT_EQ(score, start);
    tail.swapWith(score);
    EXPECT_EQ(score, grown) << "the tail kept what the score had";
}

TEST(ScoreDelta, NotesMadeRestsCountsTheSoundingNotesOfRefilledMeasures) {
    Score start = samples::largeScore(6, 3);
    // Measure 2 of track 1 holds rests only already: it loses nothing.
    start.tracks[1].measures[2] = freshMeasure(4);
    Score score = start;
    ChangeCapture kept;
    for (std::size_t m = 2; m < 4; ++m) {
        kept.takeMeasureOfEveryTrack(score, m);
        for (Track& track : score.tracks) {
            track.measures[m] = freshMeasure(4);
        }
    }
    // Measure 4 keeps its notes but loses a tie: it changed, yet no note became a rest.
    kept.copyMeasureOfEveryTrack(score, 4);
    score.tracks[0].measures[4].front().tie = TieEnd;
    ScoreDelta delta;
    kept.settle(score, delta);
    // largeScore gives each measure six sounding Notes and two rests.
    const std::vector<RestedMeasure> expected{{2, 12}, {3, 18}};
    EXPECT_EQ(delta.notesMadeRests(score), expected);
}

}  // namespace
}  // namespace corvane
