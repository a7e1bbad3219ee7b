#include "editor/note_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry_helpers.h"

namespace corvane {
namespace {

using testing::measureUnits;
using testing::noteAt;
using testing::parseMeasure;
using testing::rhythm;
using testing::savedBytes;

// A score with one track of `kind` whose measures hold the given rhythms.
Score scoreOf(const std::vector<std::string>& measures, int beats = 4, TrackKind kind = Treble) {
    Score score;
    score.measures.clear();
    score.tracks[0].measures.clear();
    score.tracks[0].kind = kind;
    for (const std::string& text : measures) {
        score.measures.push_back(MeasureInfo{0, 120, beats});
        score.tracks[0].measures.push_back(parseMeasure(text));
    }
    return score;
}

NoteEntry leftEntry(int duration, int dots = 0) {
    NoteEntry entry;
    entry.duration = duration;
    entry.dots = dots;
    return entry;
}

NoteEntry rightEntry(int duration) {
    NoteEntry entry;
    entry.duration = duration;
    entry.rightButton = true;
    return entry;
}

void enter(Score& score, int measure, int index, const NoteEntry& entry) {
    enterNote(score, NoteIndex{0, measure, index}, entry);
}

TEST(LengthUnits, NoteValuesInThirtySecondNotes) {
    struct Row {
        int duration, dots, units;
    };
    const Row rows[] = {{1, 0, 32}, {2, 0, 16}, {4, 0, 8},  {8, 0, 4},  {16, 0, 2},
                        {32, 0, 1}, {4, 1, 12}, {4, 2, 14}, {16, 1, 3}, {32, 1, 1},
                        {1, 1, 48}, {1, 2, 56}, {2, 1, 24}, {8, 2, 7},  {16, 2, 3}};
    for (const Row& row : rows) {
        EXPECT_EQ(lengthUnits(row.duration, row.dots), row.units)
            << row.duration << " with " << row.dots << " dots";
    }
}

// Rhythm changes: the starting measure, which Note is entered, the request and the result.
struct RhythmCase {
    const char* name;
    const char* start;
    int index;
    NoteEntry entry;
    const char* expected;  // nullptr: the entry is refused
    int beats = 4;
};

NoteEntry tripletEntry(int duration, bool right = false) {
    NoteEntry entry = right ? rightEntry(duration) : leftEntry(duration);
    entry.triplet = true;
    return entry;
}

class RhythmTest : public ::testing::TestWithParam<RhythmCase> {};

TEST_P(RhythmTest, KeepsTheMeasureFull) {
    const RhythmCase& c = GetParam();
    Score score = scoreOf({c.start}, c.beats);
    const auto before = savedBytes(score);
    enter(score, 0, c.index, c.entry);
    const TrackMeasure& notes = score.tracks[0].measures[0];
    if (c.expected == nullptr) {
        EXPECT_EQ(savedBytes(score), before) << "a refused entry must not change the score";
        return;
    }
    EXPECT_EQ(rhythm(notes), c.expected);
    EXPECT_EQ(measureUnits(notes), c.beats * 8);
}

const RhythmCase kRhythmCases[] = {
    {"HalfAbsorbsTheNextQuarter", "r4 r4 r4 r4", 0, leftEntry(2), "n2 r4 r4"},
    {"WholeOnThirdQuarterRefused", "r4 r4 r4 r4", 2, leftEntry(1), nullptr},
    {"EighthOnQuarterLeavesEighthRest", "r4 r4 r4 r4", 0, leftEntry(8), "n8 r8 r4 r4 r4"},
    {"DottedQuarterOnHalfRest", "r2 r2", 0, leftEntry(4, 1), "n4. r8 r2"},
    {"FillOfTwelveShortestFirst", "r2 r2", 0, leftEntry(8), "n8 r8 r4 r2"},
    {"DoubleDottedQuarterOnHalf", "r2 r2", 0, leftEntry(4, 2), "n4.. r16 r2"},
    {"GrowthSplitsAbsorbedRemainder", "r4 r2 r4", 0, leftEntry(4, 1), "n4. r8 r4 r4"},
    {"GrowthStopsAtPitchedNote", "r4 n4 r2", 0, leftEntry(2), nullptr},
    {"GrowthNeverCrossesTheBarLine", "r2 r4 r4", 2, leftEntry(2), nullptr},
    {"GrowthAbsorbsARestTripletGroup", "r4 r8t1 r8t3 r8t2 r2", 0, leftEntry(2), "n2 r2"},
    {"GrowthStopsAtGroupWithPitches", "r4 r8t1 n8t3 r8t2 r2", 0, leftEntry(2), nullptr},
    {"GrowthStopsAtGroupWithPitchedFirst", "r4 n8t1 r8t3 r8t2 r2", 0, leftEntry(2), nullptr},
    {"RightQuarterOnDottedHalf", "n2. r4", 0, rightEntry(4), "r4 r2 r4"},
    {"RightWholeOnDottedQuarterFallsBack", "n4. n8 n2", 0, rightEntry(1), "r4 r8 n8 n2"},
    {"RightWholeOnDoubleDottedFallsBack", "n4.. n16 n2", 0, rightEntry(1), "r4 r16 r8 n16 n2"},
    {"RightFallbackKeepsPowerOfTwoLength", "n4 n4 n2", 0, rightEntry(1), "r4 n4 n2"},
    {"RightFallbackOnDottedHalf", "n2. n4", 0, rightEntry(1), "r2 r4 n4"},
    {"RightDropsDots", "r2 r2", 0,
     [] {
         NoteEntry e = rightEntry(4);
         e.dots = 1;
         return e;
     }(),
     "r4 r4 r2"},
    {"RightTripletThatCannotGrowRefused", "n4 n4 n2", 0, tripletEntry(2, true), nullptr},
    {"TripletEighthsOnQuarterRest", "r4 r4 r4 r4", 0, tripletEntry(8), "n8t1 r8t3 r8t2 r4 r4 r4"},
    {"TripletQuartersOnWholeRest", "r1", 0, tripletEntry(4), "n4t1 r4t3 r4t2 r2"},
    {"TripletHalvesFillTheWhole", "r1", 0, tripletEntry(2), "n2t1 r2t3 r2t2"},
    {"TripletThirtySecondsOnSixteenth", "r16 r16 r8 r4 r2", 0, tripletEntry(32),
     "n32t1 r32t3 r32t2 r16 r8 r4 r2"},
    {"TripletIgnoresDots", "r4 r4 r4 r4", 0,
     [] {
         NoteEntry e = tripletEntry(8);
         e.dots = 1;
         return e;
     }(),
     "n8t1 r8t3 r8t2 r4 r4 r4"},
    {"TripletWholeRefused", "r1", 0, tripletEntry(1), nullptr},
    {"RightTripletMakesRestGroup", "n2 r2", 0, tripletEntry(4, true), "r4t1 r4t3 r4t2 r2"},
    {"MiddleMemberKeepsGroup", "r8t1 r8t3 r8t2 r4 r2", 1, leftEntry(1), "r8t1 n8t3 r8t2 r4 r2"},
    {"LastMemberKeepsGroup", "r8t1 r8t3 r8t2 r4 r2", 2, tripletEntry(2), "r8t1 r8t3 n8t2 r4 r2"},
    {"FirstMemberKeepsValueForShorterRequest", "r8t1 r8t3 r8t2 r4 r2", 0, leftEntry(32),
     "n8t1 r8t3 r8t2 r4 r2"},
    {"FirstMemberWidensGroupIntoQuarter", "r8t1 r8t3 r8t2 r4 r2", 0, leftEntry(4), "n4 r4 r2"},
    {"FirstMemberWidensGroupIntoHalf", "r8t1 r8t3 r8t2 r4 r2", 0, leftEntry(2), "n2 r2"},
    {"FirstMemberWidensRestGroupWithRightButton", "n8t1 r8t3 r8t2 r4 r2", 0, rightEntry(4),
     "r4 r4 r2"},
    {"FirstMemberWideningRefusedWhenMemberHasPitches", "r8t1 n8t3 r8t2 r4 r2", 0, leftEntry(4),
     nullptr},
    {"FirstMemberWideningRefusedForRightButtonToo", "r8t1 r8t3 n8t2 r4 r2", 0, rightEntry(4),
     nullptr},
    {"FirstMemberThatCannotGrowStaysInGroupOnRight", "n8t1 r8t3 r8t2 n4 r2", 0, rightEntry(2),
     "r8t1 r8t3 r8t2 n4 r2"},
    {"FirstMemberTripletRequestDoesNotNest", "r4t1 r4t3 r4t2 r2", 0, tripletEntry(4),
     "n4t1 r4t3 r4t2 r2"},
    {"ThreeFourMeasure", "r4 r4 r4", 0, leftEntry(2, 1), "n2.", 3},
    {"FiveFourWholeAndQuarter", "r4 r4 r4 r4 r4", 1, leftEntry(1), "r4 n1", 5},
    {"EqualLengthChangesNothing", "r4 r4 r4 r4", 0, leftEntry(4), "n4 r4 r4 r4"},
    {"ShorterValueOnWholeRest", "r1", 0, leftEntry(32), "n32 r32 r16 r8 r4 r2"},
};

INSTANTIATE_TEST_SUITE_P(Entries, RhythmTest, ::testing::ValuesIn(kRhythmCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EnterNote, RejectsRequestsThatDoNotDescribeTheTarget) {
    Score score = scoreOf({"r4 r4 r4 r4", "r4 r4 r4 r4"});
    const auto before = savedBytes(score);

    const NoteEntry entry = leftEntry(4);
    // Targets that name no Note: a measure, track or index out of range.
    for (const NoteIndex target : {NoteIndex{0, 2, 0}, NoteIndex{0, -1, 0}, NoteIndex{1, 1, 0},
                                   NoteIndex{-1, 1, 0}, NoteIndex{0, 1, 4}, NoteIndex{0, 1, -1}}) {
        EXPECT_TRUE(enterNote(score, target, entry).midiKeys.empty());
    }
    const NoteIndex inSecond{0, 1, 0};
    for (const int duration : {0, 3, 64, -4}) {
        NoteEntry bad = entry;
        bad.duration = duration;
        EXPECT_TRUE(enterNote(score, inSecond, bad).midiKeys.empty()) << duration;
    }
    NoteEntry threeDots = entry;
    threeDots.dots = 3;
    EXPECT_TRUE(enterNote(score, inSecond, threeDots).midiKeys.empty());

    EXPECT_EQ(savedBytes(score), before);
    // The same request on a Note that exists goes in.
    EXPECT_FALSE(enterNote(score, inSecond, entry).midiKeys.empty());
    EXPECT_NE(savedBytes(score), before);
}

TEST(EnterNote, PitchesAccidentalsAndChords) {
    Score score = scoreOf({"r4 r4 r4 r4"});
    score.measures[0].key = 1;  // F sharp in the signature
    NoteEntry entry = leftEntry(4);
    entry.keySignature = 1;
    entry.position = -3;  // F4
    entry.accidental = Sharp;
    enter(score, 0, 0, entry);
    Note& note = noteAt(score.tracks[0].measures[0], 0);
    ASSERT_EQ(note.pitches.size(), 1u);
    EXPECT_EQ(note.pitches.front(), (NoteHead{-3, AccidentalNone})) << "the key already sharps F";

    entry.accidental = Flat;  // the same position again: its accidental is replaced
    enter(score, 0, 0, entry);
    ASSERT_EQ(note.pitches.size(), 1u);
    EXPECT_EQ(note.pitches.front(), (NoteHead{-3, Natural}));

    entry.position = -2;  // G4: a chord member, appended at the end
    entry.accidental = Flat;
    entry.duration = 8;  // and the length rules still apply
    enter(score, 0, 0, entry);
    ASSERT_EQ(note.pitches.size(), 2u);
    EXPECT_EQ(note.pitches.front(), (NoteHead{-3, Natural}));
    EXPECT_EQ(note.pitches.back(), (NoteHead{-2, Flat}));
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "n8 r8 r4 r4 r4");

    entry.position = -3;  // re-entering the first head moves it to the end
    entry.accidental = AccidentalNone;
    enter(score, 0, 0, entry);
    ASSERT_EQ(note.pitches.size(), 2u);
    EXPECT_EQ(note.pitches.front(), (NoteHead{-2, Flat}));
    EXPECT_EQ(note.pitches.back(), (NoteHead{-3, AccidentalNone}));
}

TEST(EnterNote, DrumAccidentalsAreStoredAsTyped) {
    Score score = scoreOf({"r4 r4 r4 r4"}, 4, Drums);
    score.measures[0].key = 1;
    NoteEntry entry = leftEntry(4);
    entry.trackKind = Drums;
    entry.keySignature = 1;
    entry.position = -3;
    entry.accidental = Sharp;
    enter(score, 0, 0, entry);
    EXPECT_EQ(noteAt(score.tracks[0].measures[0], 0).pitches.front(), (NoteHead{-3, Sharp}));
}

TEST(EnterNote, OctaveIsStoredByLeftEntriesOnly) {
    Score score = scoreOf({"r4 r4 r4 r4"});
    NoteEntry entry = leftEntry(4);
    entry.octave = 1;
    enter(score, 0, 0, entry);
    Note& note = noteAt(score.tracks[0].measures[0], 0);
    EXPECT_EQ(note.octave, 1);
    NoteEntry right = rightEntry(4);
    right.octave = -1;
    enter(score, 0, 0, right);
    EXPECT_EQ(note.octave, 1);
    EXPECT_TRUE(note.isRest());
    entry.octave = -1;
    enter(score, 0, 0, entry);
    EXPECT_EQ(note.octave, -1);
}

TEST(EnterNote, RightButtonTurnsAChordIntoARest) {
    Score score = scoreOf({"n4 r4 r4 r4"});
    Note& note = noteAt(score.tracks[0].measures[0], 0);
    note.pitches.push_back(NoteHead{3, Sharp});
    enter(score, 0, 0, rightEntry(4));
    EXPECT_TRUE(note.isRest());
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "r4 r4 r4 r4");
}

TEST(EnterNote, TripletGroupMembersCarryTheNewVelocity) {
    Score score = scoreOf({"r4 r4 r4 r4"});
    NoteEntry entry = tripletEntry(8);
    entry.velocity = 40;
    enter(score, 0, 0, entry);
    for (const Note& note : score.tracks[0].measures[0])
        EXPECT_EQ(note.velocity, 40);
}

TEST(EnterNote, HeldReferencesSurviveInsertionAndRemoval) {
    Score score = scoreOf({"r4 n4 r4 r4 ", "r2 r2"});
    TrackMeasure& notes = score.tracks[0].measures[0];
    Note* before = &noteAt(notes, 0);
    Note* pitched = &noteAt(notes, 1);
    Note* next = &noteAt(score.tracks[0].measures[1], 0);

    NoteEntry entry = leftEntry(32);
    enter(score, 0, 2, entry);  // splits the third quarter into five Notes
    EXPECT_EQ(rhythm(notes), "r4 n4 n32 r32 r16 r8 r4");
    entry.duration = 2;  // absorbs the four rests and the old last quarter
    enter(score, 0, 2, entry);
    EXPECT_EQ(rhythm(notes), "r4 n4 n2");

    EXPECT_EQ(before, &noteAt(notes, 0));
    EXPECT_EQ(pitched, &noteAt(notes, 1));
    EXPECT_FALSE(pitched->isRest());
    EXPECT_EQ(next, &noteAt(score.tracks[0].measures[1], 0));
}

}  // namespace
}  // namespace corvane
