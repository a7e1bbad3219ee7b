// The score model and its structural operations.

#include <gtest/gtest.h>

#include <vector>

#include "score/score.h"

namespace corvane {
namespace {

// The beats of every timeline measure, and the Note count of each of a track's measures.
std::vector<std::int32_t> meters(const Score& score) {
    std::vector<std::int32_t> out;
    for (const MeasureInfo& info : score.measures) {
        out.push_back(info.beats);
    }
    return out;
}

std::vector<std::size_t> noteCounts(const Track& track) {
    std::vector<std::size_t> out;
    for (const TrackMeasure& measure : track.measures) {
        out.push_back(measure.size());
    }
    return out;
}

bool allDefaultRests(const TrackMeasure& measure, std::int32_t velocity = 90) {
    Note rest;
    rest.velocity = velocity;
    for (const Note& note : measure) {
        if (!(note == rest)) {
            return false;
        }
    }
    return true;
}

void expectTimelineInvariant(const Score& score) {
    for (const Track& track : score.tracks) {
        EXPECT_EQ(track.measures.size(), score.measures.size());
    }
}

TEST(ScoreModel, DefaultScoreIsOneMeasureOfFourQuarterRestsOnOneTrebleTrack) {
    const Score score;
    ASSERT_EQ(score.measures.size(), 1u);
    EXPECT_EQ(score.measures[0], (MeasureInfo{0, 120, 4}));
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_EQ(score.tracks[0].program, 0);
    EXPECT_EQ(score.tracks[0].kind, Treble);
    ASSERT_EQ(score.tracks[0].measures.size(), 1u);
    const TrackMeasure& measure = score.tracks[0].measures[0];
    EXPECT_EQ(measure.size(), 4u);
    EXPECT_TRUE(allDefaultRests(measure));
    const Note& rest = measure.front();
    EXPECT_EQ(rest.duration, 4);
    EXPECT_EQ(rest.velocity, 90);
    EXPECT_EQ(rest.tie, TieNone);
    EXPECT_TRUE(rest.isRest());
}

TEST(ScoreModel, FreshMeasureHoldsThatManyRestsAndNothingForZeroOrLess) {
    EXPECT_EQ(freshMeasure(3).size(), 3u);
    EXPECT_EQ(freshMeasure(5).size(), 5u);
    EXPECT_TRUE(freshMeasure(0).empty());
    EXPECT_TRUE(freshMeasure(-4).empty());
    EXPECT_TRUE(allDefaultRests(freshMeasure(5)));
}

TEST(ScoreModel, AddedMeasuresFollowTheirMeterInEveryTrack) {
    Score score;
    score.addTrack(5, Bass);
    score.addMeasure(0, 120, 4);
    score.measures.back().beats = 3;
    score.addMeasure(score.measures.back().key, score.measures.back().tempo,
                     score.measures.back().beats);
    score.addMeasure(-2, 80, 5);

    EXPECT_EQ(meters(score), (std::vector<std::int32_t>{4, 3, 3, 5}));
    EXPECT_EQ(score.measures[3], (MeasureInfo{-2, 80, 5}));
    expectTimelineInvariant(score);
    for (const Track& track : score.tracks) {
        EXPECT_EQ(noteCounts(track), (std::vector<std::size_t>{4, 4, 3, 5}));
        for (const TrackMeasure& measure : track.measures) {
            EXPECT_TRUE(allDefaultRests(measure));
        }
    }
}

TEST(ScoreModel, AddMeasureCarriesEachTracksLastVelocityForward) {
    Score score;
    score.addTrack(0, Treble);
    score.addTrack(0, Treble);
    score.tracks[0].measures[0].back().velocity = 60;
    score.tracks[0].measures[0].back().tie = TieStart;
    score.tracks[0].measures[0].back().pitches.push_back({2, Sharp});
    score.tracks[1].measures[0].front().velocity = 30;  // not the last Note: no effect
    score.tracks[2].measures[0].clear();                // nothing to carry

    score.addMeasure(0, 120, 4);

    // Only the velocity is carried; the new Notes are plain quarter rests.
    EXPECT_TRUE(allDefaultRests(score.tracks[0].measures[1], 60));
    EXPECT_TRUE(allDefaultRests(score.tracks[1].measures[1], 90));
    EXPECT_TRUE(allDefaultRests(score.tracks[2].measures[1], 90));
    EXPECT_EQ(score.tracks[0].measures[1].size(), 4u);
}

TEST(ScoreModel, FirstMeasureOfAnEmptyTimelineGetsDefaultVelocity) {
    Score score;
    score.clear();
    score.addTrack(0, Treble);  // a track with no measures
    score.addMeasure(1, 90, 3);
    ASSERT_EQ(score.tracks[0].measures.size(), 1u);
    EXPECT_TRUE(allDefaultRests(score.tracks[0].measures[0], 90));
    EXPECT_EQ(score.tracks[0].measures[0].size(), 3u);
}

TEST(ScoreModel, RemoveLastMeasureDropsItEverywhereButKeepsTheLastOne) {
    Score score;
    score.addTrack(0, Drums);
    score.addMeasure(0, 120, 3);
    score.addMeasure(0, 120, 5);

    score.removeLastMeasure();
    EXPECT_EQ(meters(score), (std::vector<std::int32_t>{4, 3}));
    expectTimelineInvariant(score);

    score.removeLastMeasure();
    score.removeLastMeasure();
    score.removeLastMeasure();
    EXPECT_EQ(meters(score), (std::vector<std::int32_t>{4}));
    expectTimelineInvariant(score);

    Score trackless;
    trackless.deleteTrack(0);
    trackless.addMeasure(0, 120, 4);
    trackless.removeLastMeasure();
    EXPECT_EQ(trackless.measures.size(), 1u);
}

TEST(ScoreModel, NewTrackIsFilledWithRestsForEveryMeterAndIgnoresOtherTracks) {
    Score score;
    score.measures[0].beats = 3;
    score.tracks[0].resetMeasures(score);
    score.addMeasure(0, 120, 5);
    score.addMeasure(0, 120, 4);
    score.tracks[0].measures[2].back().velocity = 20;

    score.addTrack(42, Bass);

    const Track& added = score.tracks[1];
    EXPECT_EQ(added.program, 42);
    EXPECT_EQ(added.kind, Bass);
    EXPECT_EQ(noteCounts(added), (std::vector<std::size_t>{3, 5, 4}));
    for (const TrackMeasure& measure : added.measures) {
        EXPECT_TRUE(allDefaultRests(measure, 90));
    }
}

TEST(ScoreModel, DeleteTrackMovesLaterTracksUpWithTheirContent) {
    Score score;
    score.addTrack(10, Bass);
    score.addTrack(20, Drums);
    score.tracks[1].measures[0].front().pitches.push_back({1, Flat});
    score.tracks[2].measures[0].clear();
    const Track second = score.tracks[1];
    const Track third = score.tracks[2];

    score.deleteTrack(0);

    ASSERT_EQ(score.tracks.size(), 2u);
    EXPECT_EQ(score.tracks[0], second);
    EXPECT_EQ(score.tracks[1], third);
}

TEST(ScoreModel, DeletingTheMiddleAndLastTracks) {
    Score score;
    score.addTrack(10, Bass);
    score.addTrack(20, Drums);
    score.deleteTrack(1);
    ASSERT_EQ(score.tracks.size(), 2u);
    EXPECT_EQ(score.tracks[0].program, 0);
    EXPECT_EQ(score.tracks[1].program, 20);
    score.deleteTrack(1);
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_EQ(score.tracks[0].program, 0);
}

TEST(ScoreModel, DeletingATrackThatDoesNotExistChangesNothing) {
    Score score;
    score.addTrack(3, Drums);
    const Score before = score;
    score.deleteTrack(2);
    score.deleteTrack(static_cast<std::size_t>(-1));
    EXPECT_EQ(score, before);
}

TEST(ScoreModel, DeletingTheOnlyTrackKeepsTheTimelineAndANewTrackFillsIt) {
    Score score;
    score.addMeasure(3, 100, 3);
    score.deleteTrack(0);
    EXPECT_TRUE(score.tracks.empty());
    EXPECT_EQ(meters(score), (std::vector<std::int32_t>{4, 3}));

    score.addTrack(0, Treble);
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_EQ(score.tracks[0].kind, Treble);
    EXPECT_EQ(score.tracks[0].program, 0);
    EXPECT_EQ(noteCounts(score.tracks[0]), (std::vector<std::size_t>{4, 3}));
}

TEST(ScoreModel, ResetMeasuresReplacesEveryMeasureByItsMetersRestsAndKeepsTheTrack) {
    Score score;
    score.addMeasure(0, 120, 3);
    score.addMeasure(0, 120, 5);
    Track& track = score.tracks[0];
    track.program = 73;
    track.kind = Bass;
    track.measures[0].clear();
    Note note;
    note.duration = 2;
    note.tie = TieStart;
    note.velocity = 12;
    note.pitches.push_back({4, Sharp});
    track.measures[1].push_back(note);
    track.measures[2].pop_front();

    track.resetMeasures(score);

    EXPECT_EQ(track.program, 73);
    EXPECT_EQ(track.kind, Bass);
    EXPECT_EQ(noteCounts(track), (std::vector<std::size_t>{4, 3, 5}));
    for (const TrackMeasure& measure : track.measures) {
        EXPECT_TRUE(allDefaultRests(measure, 90));
    }
}

TEST(ScoreModel, ClearEmptiesTheScoreAndReleasesItsStorage) {
    Score score;
    score.addTrack(1, Bass);
    score.addMeasure(0, 120, 4);
    score.clear();
    EXPECT_TRUE(score.tracks.empty());
    EXPECT_TRUE(score.measures.empty());
    EXPECT_EQ(score.tracks.capacity(), 0u);
    EXPECT_EQ(score.measures.capacity(), 0u);
}

struct TicksCase {
    std::int32_t duration;
    std::int32_t dots;
    std::int32_t triplet;
    std::int32_t ticks;
};

TEST(ScoreModel, NoteTicks) {
    const TicksCase cases[] = {
        {1, 0, 0, 96},  {2, 0, 0, 48}, {4, 0, 0, 24},  {8, 0, 0, 12},  {16, 0, 0, 6},
        {32, 0, 0, 3},  {4, 1, 0, 36}, {4, 2, 0, 42},  {16, 1, 0, 9},  {8, 2, 1, 14},
        {8, 2, 3, 14},  {32, 0, 2, 2}, {4, 0, 1, 16},  {1, 2, 0, 168}, {32, 2, 0, 5},
        {32, 1, 0, 4},  {4, 5, 0, 24}, {4, -1, 0, 24},  // other dot counts count as none
        {4, 0, -7, 16},                                 // any non-zero triplet mark
        {0, 0, 0, 0},   {-4, 1, 1, 0},                  // no division by zero
    };
    for (const TicksCase& c : cases) {
        Note note;
        note.duration = c.duration;
        note.dots = c.dots;
        note.triplet = c.triplet;
        EXPECT_EQ(noteTicks(note), c.ticks)
            << "duration " << c.duration << " dots " << c.dots << " triplet " << c.triplet;
    }
}

TEST(ScoreModel, CuttingTies) {
    struct Case {
        TieState before;
        TieState atStart;
        TieState atEnd;
    };
    const Case cases[] = {
        {TieNone, TieNone, TieNone},
        {TieStart, TieStart, TieNone},
        {TieEnd, TieNone, TieEnd},
        {TieMiddle, TieStart, TieEnd},
    };
    for (const Case& c : cases) {
        Note start;
        start.tie = c.before;
        cutTieAtStart(start);
        EXPECT_EQ(start.tie, c.atStart) << "from " << c.before;
        Note end;
        end.tie = c.before;
        cutTieAtEnd(end);
        EXPECT_EQ(end.tie, c.atEnd) << "from " << c.before;
    }
}

TEST(ScoreModel, RestBecomesANoteOfTheSameLengthWhenItGetsAHead) {
    Note note;
    note.duration = 8;
    note.dots = 1;
    note.tie = TieStart;
    EXPECT_TRUE(note.isRest());
    const std::int32_t length = noteTicks(note);
    note.pitches.push_back({0, AccidentalNone});
    EXPECT_FALSE(note.isRest());
    EXPECT_EQ(noteTicks(note), length);
}

TEST(ScoreModel, HeldNotesAndHeadsSurviveInsertionAndRemovalAroundThem) {
    Score score;
    TrackMeasure& measure = score.tracks[0].measures[0];
    Note& held = *std::next(measure.begin());
    held.pitches.push_back({1, AccidentalNone});
    held.pitches.push_back({3, Sharp});
    NoteHead& heldHead = held.pitches.back();

    measure.pop_front();
    measure.insert(measure.begin(), Note{});
    measure.insert(measure.end(), Note{});
    measure.erase(std::prev(measure.end(), 2));
    held.pitches.push_front({-2, Flat});
    held.pitches.erase(held.pitches.begin());
    held.pitches.erase(held.pitches.begin());

    held.duration = 2;
    heldHead.position = 5;
    EXPECT_EQ(std::next(measure.begin())->duration, 2);
    ASSERT_EQ(std::next(measure.begin())->pitches.size(), 1u);
    EXPECT_EQ(std::next(measure.begin())->pitches.front().position, 5);
}

}  // namespace
}  // namespace corvane
