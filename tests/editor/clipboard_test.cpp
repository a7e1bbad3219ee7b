// The editor's measure clipboard: its initial content, and that it outlives the score it was
// copied from.

#include <gtest/gtest.h>

#include "fake_window.h"

namespace corvane::test {
namespace {

TEST(Clipboard, StartsWithTheDefaultScoresFirstMeasure) {
    FakeWindow window;
    const EditorView view(hostOf(window));
    EXPECT_EQ(view.clipboard().kind(), Treble);
    EXPECT_EQ(view.clipboard().key(), 0);
    EXPECT_EQ(view.clipboard().beats(), 4);
    EXPECT_EQ(view.clipboard().notes(), freshMeasure(4));
}

TEST(Clipboard, SurvivesTrackDeletionAndLoads) {
    ViewFixture f;
    f.edit([](Score& s) { s.tracks[0].measures[0].front().pitches.push_back(NoteHead{4}); });
    f.window.measureDialog = [](MeasureDialogModel& m) { m.copy(); };
    f.clickAt(50, 90);
    const TrackMeasure copied = f.view.clipboard().notes();
    ASSERT_EQ(copied, f.view.score().tracks[0].measures[0]);
    f.edit([](Score& s) { s.deleteTrack(0); });
    f.view.setLoadedScore(Score());
    EXPECT_EQ(f.view.clipboard().notes(), copied);
    f.clickAt(50, 90, true);
    EXPECT_EQ(f.view.score().tracks[0].measures[0], copied);
}

TEST(Clipboard, APasteChangesTheScoreUnlessTheMeasureHoldsTheCopyAlready) {
    Score score;
    score.addMeasure(0, 120, 4);
    score.addMeasure(0, 120, 4);
    MeasureClipboard clipboard;
    clipboard.copy(score, 1, 0);
    EXPECT_FALSE(clipboard.pasteChanges(score, 0, 0)) << "the same rests";
    score.tracks[0].measures[0].back().pitches.push_back(NoteHead{0, AccidentalNone});
    EXPECT_TRUE(clipboard.pasteChanges(score, 0, 0));
    // A tie from measure 0 into the rests of measure 1 would be cut.
    score.tracks[0].measures[1].front().pitches.push_back(NoteHead{0, AccidentalNone});
    clipboard.copy(score, 1, 0);
    score.tracks[0].measures[0].back().tie = TieStart;
    score.tracks[0].measures[1].front().tie = TieEnd;
    EXPECT_TRUE(clipboard.pasteChanges(score, 1, 0));
    Score pasted = score;
    clipboard.paste(pasted, 1, 0);
    EXPECT_NE(pasted, score);
    score.measures[2].beats = 3;
    score.tracks[0].measures[2] = freshMeasure(3);
    EXPECT_FALSE(clipboard.pasteChanges(score, 2, 0)) << "does not fit";
}

}  // namespace
}  // namespace corvane::test
