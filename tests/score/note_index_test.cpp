// Notes named by index: checked lookups, and neighbours across bar lines.

#include "score/note_index.h"

#include <gtest/gtest.h>

#include <iterator>

namespace corvane {
namespace {

// One track of `measures` measures; measure m holds m + 1 Notes of distinct velocities.
Score numbered(int measures) {
    Score score;
    score.measures.assign(static_cast<std::size_t>(measures), MeasureInfo{});
    score.tracks[0].measures.clear();
    int velocity = 1;
    for (int m = 0; m < measures; ++m) {
        TrackMeasure notes;
        for (int n = 0; n <= m; ++n) {
            Note note;
            note.velocity = velocity++;
            notes.push_back(note);
        }
        score.tracks[0].measures.push_back(notes);
    }
    return score;
}

int velocityAt(const Score& score, NoteIndex at) {
    const Note* note = findNote(score, at);
    return note != nullptr ? note->velocity : -1;
}

TEST(NoteIndex, FindsTheNoteItNames) {
    const Score score = numbered(3);
    EXPECT_EQ(velocityAt(score, NoteIndex{0, 0, 0}), 1);
    EXPECT_EQ(velocityAt(score, NoteIndex{0, 1, 1}), 3);
    EXPECT_EQ(velocityAt(score, NoteIndex{0, 2, 0}), 4);
    EXPECT_EQ(velocityAt(score, NoteIndex{0, 2, 2}), 6);
    Score edited = score;
    findNote(edited, NoteIndex{0, 2, 1})->velocity = 99;
    EXPECT_EQ(velocityAt(edited, NoteIndex{0, 2, 1}), 99);
    EXPECT_EQ(findMeasure(edited, 0, 2), &edited.tracks[0].measures[2]);
}

// An index kept from an older score names nothing once the score has shrunk under it.
TEST(NoteIndex, OutOfRangeIndexesNameNothing) {
    Score score = numbered(3);
    for (const NoteIndex at : {NoteIndex{1, 0, 0}, NoteIndex{-1, 0, 0}, NoteIndex{0, 3, 0},
                               NoteIndex{0, -1, 0}, NoteIndex{0, 1, 2}, NoteIndex{0, 0, -1}}) {
        SCOPED_TRACE(testing::Message() << at.track << '/' << at.measure << '/' << at.note);
        EXPECT_EQ(findNote(score, at), nullptr);
        EXPECT_EQ(findNote(static_cast<const Score&>(score), at), nullptr);
        EXPECT_EQ(previousNote(score, at), nullptr);
        EXPECT_EQ(nextNote(score, at), nullptr);
    }
    EXPECT_EQ(findMeasure(score, 0, 3), nullptr);
    EXPECT_EQ(findMeasure(score, 1, 0), nullptr);
    const NoteIndex last{0, 2, 2};
    ASSERT_NE(findNote(score, last), nullptr);
    score.tracks[0].measures[2].pop_back();
    EXPECT_EQ(findNote(score, last), nullptr);
    score.tracks.clear();
    EXPECT_EQ(findNote(score, NoteIndex{}), nullptr);
}

// previousNote and nextNote cross bar lines and stop at the ends of the score.
TEST(NoteIndex, NeighboursCrossBarLinesAndStopAtTheEnds) {
    Score score = numbered(3);
    auto& m = score.tracks[0].measures;
    EXPECT_EQ(previousNote(score, NoteIndex{0, 0, 0}), nullptr);
    EXPECT_EQ(previousNote(score, NoteIndex{0, 1, 1}), &m[1].front());
    EXPECT_EQ(previousNote(score, NoteIndex{0, 1, 0}), &m[0].back());
    EXPECT_EQ(nextNote(score, NoteIndex{0, 0, 0}), &m[1].front());
    EXPECT_EQ(nextNote(score, NoteIndex{0, 1, 0}), &m[1].back());
    EXPECT_EQ(nextNote(score, NoteIndex{0, 2, 2}), nullptr);
    EXPECT_EQ(previousNote(score, NoteIndex{0, 2, 0}), &m[1].back());
}

TEST(NoteIndex, AnEmptyMeasureHasNoNeighbourToOffer) {
    Score score = numbered(3);
    score.tracks[0].measures[1].clear();
    EXPECT_EQ(nextNote(score, NoteIndex{0, 0, 0}), nullptr);
    EXPECT_EQ(previousNote(score, NoteIndex{0, 2, 0}), nullptr);
}

}  // namespace
}  // namespace corvane
