// The one-measure clipboard: its initial content, copying with ties cut, and when a paste fits.

#include <gtest/gtest.h>

#include "fake_window.h"

namespace corvane::test {
namespace {

Note tied(TieState tie, int position = 0) {
    Note note;
    note.tie = tie;
    note.pitches.push_back(NoteHead{position, AccidentalNone});
    return note;
}

TEST(Clipboard, StartsWithTheDefaultScoresFirstMeasure) {
    FakeWindow window;
    const EditorView view(window);
    EXPECT_EQ(view.clipKind, Treble);
    EXPECT_EQ(view.clipKey, 0);
    EXPECT_EQ(view.clipBeats, 4);
    EXPECT_EQ(view.clipNotes, freshMeasure(4));
}

TEST(Clipboard, CopyCutsTiesAtBothEndsAndKeepsTheSource) {
    ViewFixture f;
    TrackMeasure& source = f.view.score.tracks[0].measures[1];
    source = {tied(TieMiddle, 1), tied(TieMiddle, 1), tied(TieStart, 2)};
    f.view.score.measures[1] = MeasureInfo{3, 100, 3};
    f.view.copyMeasure(1, 0);
    EXPECT_EQ(f.view.clipKey, 3);
    EXPECT_EQ(f.view.clipBeats, 3);
    ASSERT_EQ(f.view.clipNotes.size(), 3u);
    EXPECT_EQ(f.view.clipNotes.front().tie, TieStart);
    EXPECT_EQ(std::next(f.view.clipNotes.begin())->tie, TieMiddle);
    EXPECT_EQ(f.view.clipNotes.back().tie, TieNone);
    EXPECT_EQ(source.front().tie, TieMiddle);
    EXPECT_EQ(source.back().tie, TieStart);
    // A deep copy: changing the source later leaves the clipboard alone.
    source.front().pitches.clear();
    EXPECT_EQ(f.view.clipNotes.front().pitches.size(), 1u);
}

TEST(Clipboard, OneNoteMeasureEndsUntied) {
    ViewFixture f;
    f.view.score.tracks[0].measures[0] = {tied(TieMiddle)};
    f.view.copyMeasure(0, 0);
    ASSERT_EQ(f.view.clipNotes.size(), 1u);
    EXPECT_EQ(f.view.clipNotes.front().tie, TieNone);
}

TEST(Clipboard, CopyOfAnEmptyMeasure) {
    ViewFixture f;
    f.view.score.tracks[0].measures[0].clear();
    f.view.copyMeasure(0, 0);
    EXPECT_TRUE(f.view.clipNotes.empty());
    f.view.pasteMeasure(1, 0);
    EXPECT_TRUE(f.view.score.tracks[0].measures[1].empty());
}

TEST(Clipboard, PasteNeedsMatchingKindKeyAndBeats) {
    ViewFixture f(1400, 600);  // four measures
    f.view.score.addTrack(0, Bass);
    f.view.score.tracks[0].measures[0].front() = tied(TieNone, 3);
    f.view.copyMeasure(0, 0);
    f.view.score.measures[1].beats = 3;
    f.view.score.tracks[0].measures[1] = freshMeasure(3);
    f.view.score.measures[2].key = 1;
    f.view.score.measures[3].tempo = 60;  // the tempo does not matter
    const Score before = f.view.score;
    f.view.pasteMeasure(1, 0);  // other meter
    f.view.pasteMeasure(2, 0);  // other key
    f.view.pasteMeasure(0, 1);  // other kind
    EXPECT_EQ(f.view.score, before);
    f.view.pasteMeasure(3, 0);
    EXPECT_EQ(f.view.score.tracks[0].measures[3], f.view.clipNotes);
    f.view.pasteMeasure(3, 0);  // the clipboard keeps its content
    EXPECT_EQ(f.view.score.tracks[0].measures[3], f.view.clipNotes);
}

TEST(Clipboard, PasteCutsTheNeighboursTies) {
    ViewFixture f(1024, 600);  // three measures
    Track& track = f.view.score.tracks[0];
    track.measures[0].back() = tied(TieMiddle);
    track.measures[2].front() = tied(TieEnd);
    f.view.pasteMeasure(1, 0);
    EXPECT_EQ(track.measures[0].back().tie, TieEnd);
    EXPECT_EQ(track.measures[2].front().tie, TieNone);
}

TEST(Clipboard, PasteAtTheEdgesTouchesNoMissingNeighbour) {
    ViewFixture f;
    Track& track = f.view.score.tracks[0];
    track.measures[1].front() = tied(TieEnd);
    track.measures[0].back() = tied(TieStart);
    f.view.pasteMeasure(0, 0);  // measure 0: only the next one is cut
    EXPECT_EQ(track.measures[1].front().tie, TieNone);
    track.measures[0].back() = tied(TieStart);
    f.view.pasteMeasure(1, 0);  // the last measure: only the previous one is cut
    EXPECT_EQ(track.measures[0].back().tie, TieNone);
    EXPECT_EQ(track.measures[1], f.view.clipNotes);
}

TEST(Clipboard, SurvivesTrackDeletionAndLoads) {
    ViewFixture f;
    f.view.score.tracks[0].measures[0].front() = tied(TieNone, 4);
    f.view.copyMeasure(0, 0);
    const TrackMeasure copied = f.view.clipNotes;
    f.view.score.deleteTrack(0);
    f.view.prepareForLoad();
    f.view.score = Score();
    f.view.finishLoad();
    EXPECT_EQ(f.view.clipNotes, copied);
    f.view.pasteMeasure(0, 0);
    EXPECT_EQ(f.view.score.tracks[0].measures[0], copied);
}

}  // namespace
}  // namespace corvane::test
