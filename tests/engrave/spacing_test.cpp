// Horizontal spacing: columns shared by the staves, room growing with the length of a note,
// ink that never touches, and justification that fills a line exactly.

#include <gtest/gtest.h>

#include <cmath>
#include <list>

#include "engrave/measure_spacing.h"
#include "tests/engrave/engrave_scores.h"

namespace corvane::engrave {
namespace {

using testing::noteAt;

class Spacing : public ::testing::Test {
  protected:
    // An engraved measure refers to its track's Notes, so the tracks stay here.
    EngravedMeasure engraved(const TrackMeasure& notes, int previousVelocity = 90) {
        Track& track = tracks_.emplace_back();
        track.measures = {notes};
        return engraveMeasure(track, 0, 0, previousVelocity);
    }

  private:
    std::list<Track> tracks_;
};

TEST_F(Spacing, LongerValuesGetMoreRoomButLessThanTheirLength) {
    for (const int ticks : {3, 6, 12, 24, 48}) {
        EXPECT_LT(idealSpace(ticks), idealSpace(2 * ticks));
        EXPECT_LT(idealSpace(2 * ticks), 2 * idealSpace(ticks));
    }
    EXPECT_NEAR(idealSpace(48) / idealSpace(24), std::cbrt(2.0), 1e-9);
    // Within one measure: the room after a half note beats the room after a quarter.
    const MeasureSpacing s = spaceMeasure(
        {engraved({noteAt(4, {0}), noteAt(4, {0}), noteAt(2, {0})})}, 4);
    ASSERT_EQ(s.columnTicks, (std::vector{0, 24, 48}));
    EXPECT_GT(s.idealGap[2], s.idealGap[1]);
    EXPECT_DOUBLE_EQ(s.idealGap[0], s.idealGap[1]);
}

TEST_F(Spacing, StavesShareColumnsAndTheShortestNoteSetsTheRoom) {
    const MeasureSpacing s =
        spaceMeasure({engraved({noteAt(2, {0}), noteAt(2, {0})}),
                      engraved({noteAt(4, {0}), noteAt(8, {0}), noteAt(8, {0}), noteAt(2, {0})})},
                     4);
    EXPECT_EQ(s.columnTicks, (std::vector{0, 24, 36, 48}));
    EXPECT_DOUBLE_EQ(s.idealGap[0], idealSpace(24));
    EXPECT_DOUBLE_EQ(s.idealGap[1], idealSpace(12));
    EXPECT_EQ(s.columnOf(36), 2u);
}

TEST_F(Spacing, InkNeverTouchesEvenAtTheLeastStretch) {
    Note sharp = noteAt(32, {0, 1, 2});
    for (NoteHead& h : sharp.pitches) {
        h.accidental = Sharp;
    }
    std::vector<Note> notes(8, sharp);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        notes[i].velocity = 100 + static_cast<int>(i);  // a number under every note
    }
    const EngravedMeasure m = engraved(TrackMeasure(notes.begin(), notes.end()), -1);
    const MeasureSpacing s = spaceMeasure({m}, 1);
    const std::vector<double> x = s.columnX(0);
    for (std::size_t i = 0; i + 1 < m.notes.size(); ++i) {
        EXPECT_LT(x[i] + m.notes[i].right(), x[i + 1] + m.notes[i + 1].left());
        EXPECT_LT(x[i] + m.notes[i].dynamic->right, x[i + 1] + m.notes[i + 1].dynamic->left);
    }
    EXPECT_GT(s.width(0), x.back() + m.notes.back().right());
}

TEST_F(Spacing, JustificationFillsTheLineExactly) {
    const MeasureSpacing a = spaceMeasure({engraved({noteAt(1, {0})})}, 4);
    const MeasureSpacing b =
        spaceMeasure({engraved({noteAt(4, {0}), noteAt(4, {0}), noteAt(8, {0}), noteAt(8, {0}),
                                noteAt(4, {0})})},
                     4);
    const double fixed = 7.5;
    const double natural = fixed + a.width(1) + b.width(1);
    for (const double target : {natural, natural * 1.7, natural * 0.9}) {
        const double s = stretchToFill({&a, &b}, fixed, target);
        EXPECT_NEAR(fixed + a.width(s) + b.width(s), target, 1e-6);
    }
    EXPECT_EQ(stretchToFill({&a, &b}, fixed, fixed + a.width(0) + b.width(0) - 1), 0.0);
}

TEST_F(Spacing, AMeasureWithoutNotesStillTakesRoom) {
    const MeasureSpacing s = spaceMeasure({EngravedMeasure{}}, 4);
    EXPECT_TRUE(s.columnTicks.empty());
    EXPECT_GT(s.width(1), 4.0);
    EXPECT_EQ(s.width(1), s.width(3));
}

}  // namespace
}  // namespace corvane::engrave
