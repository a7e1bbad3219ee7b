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

}  // namespace
}  // namespace corvane::test
