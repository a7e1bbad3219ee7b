#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/note_entry.h"
#include "entry_helpers.h"

namespace corvane {
namespace {

using testing::noteAt;
using testing::parseMeasure;
using testing::rhythm;
using testing::savedBytes;

Score scoreOf(const std::vector<std::string>& measures) {
    Score score;
    score.measures.assign(measures.size(), MeasureInfo{});
    score.tracks[0].measures.clear();
    for (const std::string& text : measures)
        score.tracks[0].measures.push_back(parseMeasure(text));
    return score;
}

// A request together with the measure of its target (track 0).
struct Entry : NoteEntry {
    int measure = 0;
};

Entry entryAt(int measure, int duration = 4, int position = 0) {
    Entry entry;
    entry.measure = measure;
    entry.duration = duration;
    entry.position = position;
    return entry;
}

Note& at(Score& score, int measure, int index) {
    return noteAt(score.tracks[0].measures[static_cast<std::size_t>(measure)], index);
}

void enter(Score& score, int index, const Entry& entry) {
    enterNote(score, NoteIndex{0, entry.measure, index}, entry);
}

void setHeads(Note& note, std::vector<NoteHead> heads) {
    note.pitches.assign(heads.begin(), heads.end());
}

// Tying to the previous Note: only when the two hold the same heads, as sets.
struct TieCase {
    const char* name;
    std::vector<NoteHead> previous;  // empty: a rest
    std::vector<NoteHead> targetBefore;
    NoteHead entered;
    bool tied;
};

class TieToPrevious : public ::testing::TestWithParam<TieCase> {};

TEST_P(TieToPrevious, TiesOnlyEqualHeadSets) {
    const TieCase& c = GetParam();
    Score score = scoreOf({"r4 r4 r4 r4"});
    setHeads(at(score, 0, 0), c.previous);
    setHeads(at(score, 0, 1), c.targetBefore);
    Entry entry = entryAt(0, 4, c.entered.position);
    entry.accidental = c.entered.accidental;
    entry.tie = true;
    enter(score, 1, entry);
    EXPECT_EQ(at(score, 0, 0).tie, c.tied ? TieStart : TieNone);
    EXPECT_EQ(at(score, 0, 1).tie, c.tied ? TieEnd : TieNone);
}

const TieCase kTieCases[] = {
    {"SameSingleHead", {{2, AccidentalNone}}, {}, {2, AccidentalNone}, true},
    {"OtherPosition", {{2, AccidentalNone}}, {}, {3, AccidentalNone}, false},
    {"OtherAccidental", {{2, AccidentalNone}}, {}, {2, Sharp}, false},
    {"PreviousIsARest", {}, {}, {2, AccidentalNone}, false},
    {"ChordInAnotherOrder",
     {{0, AccidentalNone}, {4, Flat}},
     {{4, Flat}},
     {0, AccidentalNone},
     true},
    {"TargetHasAnExtraHead", {{0, AccidentalNone}}, {{4, Flat}}, {0, AccidentalNone}, false},
    {"PreviousHasAnExtraHead", {{0, AccidentalNone}, {4, Flat}}, {}, {0, AccidentalNone}, false},
};

INSTANTIATE_TEST_SUITE_P(Entries, TieToPrevious, ::testing::ValuesIn(kTieCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Ties, ChainGrowsIntoAMiddleAcrossTheBarLine) {
    Score score = scoreOf({"r4 r4 r4 r2", "r4 r4 r2"});
    score.tracks[0].measures[0] = parseMeasure("r2 n4 n4");
    at(score, 0, 1).tie = TieStart;
    at(score, 0, 2).tie = TieEnd;
    Entry entry = entryAt(1);
    entry.tie = true;
    enter(score, 0, entry);
    EXPECT_EQ(at(score, 0, 1).tie, TieStart);
    EXPECT_EQ(at(score, 0, 2).tie, TieMiddle);
    EXPECT_EQ(at(score, 1, 0).tie, TieEnd);
}

TEST(Ties, NothingToTieBeforeTheFirstNote) {
    Score score = scoreOf({"r4 r4 r4 r4"});
    Entry entry = entryAt(0);
    entry.tie = true;
    enter(score, 0, entry);
    EXPECT_EQ(at(score, 0, 0).tie, TieNone);
}

TEST(Ties, RightButtonNeverTies) {
    Score score = scoreOf({"n4 n4 r2"});
    Entry entry = entryAt(0);
    entry.rightButton = true;
    entry.tie = true;
    enter(score, 1, entry);
    EXPECT_EQ(at(score, 0, 0).tie, TieNone);
    EXPECT_EQ(at(score, 0, 1).tie, TieNone);
}

TEST(Ties, RetyingATiedNoteKeepsTheTie) {
    Score score = scoreOf({"n4 n4 r2"});
    at(score, 0, 0).tie = TieStart;
    at(score, 0, 1).tie = TieEnd;
    Entry entry = entryAt(0);
    entry.tie = true;
    enter(score, 1, entry);
    EXPECT_EQ(at(score, 0, 0).tie, TieStart);
    EXPECT_EQ(at(score, 0, 1).tie, TieEnd);
}

// Every entry, left or right, breaks the target's ties on both sides.
struct BreakCase {
    const char* name;
    TieState previous, target, next;
    TieState previousAfter, nextAfter;
};

class BreakTies : public ::testing::TestWithParam<std::tuple<BreakCase, bool>> {};

TEST_P(BreakTies, NeighboursLoseTheirHalf) {
    const auto& [c, right] = GetParam();
    Score score = scoreOf({"n4 n4 n4 n4"});
    at(score, 0, 0).tie = c.previous;
    at(score, 0, 1).tie = c.target;
    at(score, 0, 2).tie = c.next;
    Entry entry = entryAt(0, 4, 5);
    entry.rightButton = right;
    enter(score, 1, entry);
    EXPECT_EQ(at(score, 0, 0).tie, c.previousAfter);
    EXPECT_EQ(at(score, 0, 1).tie, TieNone);
    EXPECT_EQ(at(score, 0, 2).tie, c.nextAfter);
}

const BreakCase kBreakCases[] = {
    {"EndUntiesStart", TieStart, TieEnd, TieNone, TieNone, TieNone},
    {"EndTurnsMiddleIntoEnd", TieMiddle, TieEnd, TieNone, TieEnd, TieNone},
    {"StartUntiesEnd", TieNone, TieStart, TieEnd, TieNone, TieNone},
    {"StartTurnsMiddleIntoStart", TieNone, TieStart, TieMiddle, TieNone, TieStart},
    {"MiddleBreaksBothSides", TieMiddle, TieMiddle, TieMiddle, TieEnd, TieStart},
    {"UntiedTouchesNothing", TieEnd, TieNone, TieStart, TieEnd, TieStart},
};

INSTANTIATE_TEST_SUITE_P(Entries, BreakTies,
                         ::testing::Combine(::testing::ValuesIn(kBreakCases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Right" : "Left");
                         });

// A tied Note that gets shorter is followed by new rests; its real partner, further on, must
// still lose its half of the tie.
TEST(Ties, ShortenedTiedNoteUntiesItsOldPartner) {
    Score score = scoreOf({"n4 n4 n2"});
    at(score, 0, 0).tie = TieStart;
    at(score, 0, 1).tie = TieMiddle;
    at(score, 0, 2).tie = TieEnd;
    enter(score, 1, entryAt(0, 16, 3));
    const TrackMeasure& notes = score.tracks[0].measures[0];
    ASSERT_EQ(rhythm(notes), "n4 n16 r16 r8 n2");
    EXPECT_EQ(at(score, 0, 0).tie, TieNone);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(at(score, 0, i).tie, TieNone) << i;
    EXPECT_EQ(at(score, 0, 4).tie, TieNone) << "the half note would keep a tie end nothing starts";
}

TEST(Ties, ShortenedLastNoteUntiesTheNextMeasure) {
    Score score = scoreOf({"r2 n2", "n4 r4 r2"});
    at(score, 0, 1).tie = TieStart;
    at(score, 1, 0).tie = TieEnd;
    Entry entry = entryAt(0, 8);
    entry.rightButton = true;
    enter(score, 1, entry);
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "r2 r8 r8 r4");
    EXPECT_EQ(at(score, 1, 0).tie, TieNone);
}

TEST(Ties, GrowingOverATiedRestLeavesTheNoteAfterItAlone) {
    // Only a file can tie a rest. Growth absorbs it; the Note that then follows is untouched.
    Score score = scoreOf({"n4 r4 n2"});
    at(score, 0, 0).tie = TieStart;
    at(score, 0, 1).tie = TieEnd;
    at(score, 0, 2).tie = TieStart;
    enter(score, 0, entryAt(0, 2));
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "n2 n2");
    EXPECT_EQ(at(score, 0, 0).tie, TieNone);
    EXPECT_EQ(at(score, 0, 1).tie, TieStart);
}

TEST(Ties, MissingNeighboursAtTheEndsOfTheScore) {
    Score score = scoreOf({"n4 n4 n2", "n2 n2"});
    at(score, 0, 0).tie = TieEnd;
    at(score, 1, 1).tie = TieStart;
    Entry entry = entryAt(0);
    enter(score, 0, entry);
    EXPECT_EQ(at(score, 0, 0).tie, TieNone);
    entry = entryAt(1, 2);
    enter(score, 1, entry);
    EXPECT_EQ(at(score, 1, 1).tie, TieNone);
    EXPECT_EQ(at(score, 1, 0).tie, TieNone);
}

TEST(Ties, RefusedEntryKeepsTies) {
    Score score = scoreOf({"n4 n4 n2"});
    at(score, 0, 0).tie = TieStart;
    at(score, 0, 1).tie = TieMiddle;
    at(score, 0, 2).tie = TieEnd;
    const auto before = savedBytes(score);
    enter(score, 1, entryAt(0, 2));
    EXPECT_EQ(savedBytes(score), before);
}

std::vector<int> velocities(const Score& score) {
    std::vector<int> out;
    for (const TrackMeasure& notes : score.tracks[0].measures) {
        for (const Note& note : notes)
            out.push_back(note.velocity);
    }
    return out;
}

void setVelocities(Score& score, const std::vector<int>& values) {
    auto value = values.begin();
    for (TrackMeasure& notes : score.tracks[0].measures) {
        for (Note& note : notes)
            note.velocity = *value++;
    }
}

TEST(Velocity, CarriedForwardAcrossMeasuresUntilAChange) {
    Score score = scoreOf({"r4 r4 r4 r4", "r2 r2", "r4 r4 r2"});
    setVelocities(score, {90, 90, 90, 90, 90, 90, 90, 70, 90});
    Entry entry = entryAt(0);
    entry.velocity = 50;
    enter(score, 1, entry);
    EXPECT_EQ(velocities(score), (std::vector<int>{90, 50, 50, 50, 50, 50, 50, 70, 90}));
}

TEST(Velocity, ZeroKeepsEverything) {
    Score score = scoreOf({"r4 r4 r4 r4", "r1"});
    setVelocities(score, {90, 60, 60, 90, 60});
    enter(score, 1, entryAt(0));
    EXPECT_EQ(velocities(score), (std::vector<int>{90, 60, 60, 90, 60}));
}

TEST(Velocity, RestsLeftBehindTakeTheNewVelocity) {
    Score score = scoreOf({"r2 r4 r4", "r1"});
    setVelocities(score, {80, 80, 30, 80});
    Entry entry = entryAt(0, 8);
    entry.velocity = 100;
    entry.rightButton = true;
    enter(score, 0, entry);
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "r8 r8 r4 r4 r4");
    EXPECT_EQ(velocities(score), (std::vector<int>{100, 100, 100, 100, 30, 80}));
}

TEST(Velocity, RestsLeftBehindKeepAnUnchangedVelocity) {
    Score score = scoreOf({"r2 r4 r4"});
    setVelocities(score, {64, 30, 30});
    enter(score, 0, entryAt(0, 8));
    EXPECT_EQ(velocities(score), (std::vector<int>{64, 64, 64, 30, 30}));
}

TEST(Velocity, OutOfRangeRequestsAreClamped) {
    Score score = scoreOf({"r4 r4 r4 r4"});
    Entry entry = entryAt(0);
    entry.velocity = 300;
    enter(score, 0, entry);
    EXPECT_EQ(at(score, 0, 0).velocity, 127);
    entry.velocity = -5;
    enter(score, 0, entry);
    EXPECT_EQ(at(score, 0, 0).velocity, 1);
}

TEST(Velocity, RefusedEntryChangesNoVelocity) {
    Score score = scoreOf({"r4 r4 r4 r4", "r1"});
    const auto before = savedBytes(score);
    Entry entry = entryAt(0, 1);
    entry.velocity = 10;
    enter(score, 2, entry);
    EXPECT_EQ(savedBytes(score), before);
}

}  // namespace
}  // namespace corvane
