// The one-measure clipboard: copying with ties cut, and when a paste fits.

#include "score/measure_clipboard.h"

#include <gtest/gtest.h>

#include <iterator>

namespace corvane {
namespace {

Note tied(TieState tie, int position = 0) {
    Note note;
    note.tie = tie;
    note.pitches.push_back(NoteHead{position, AccidentalNone});
    return note;
}

// The default score with `measures` measures of 4/4.
Score scoreWith(int measures) {
    Score score;
    for (int m = 1; m < measures; ++m) {
        score.addMeasure(0, 120, 4);
    }
    return score;
}

TEST(MeasureClipboard, CopyCutsTiesAtBothEndsAndKeepsTheSource) {
    Score score = scoreWith(2);
    TrackMeasure& source = score.tracks[0].measures[1];
    source = {tied(TieMiddle, 1), tied(TieMiddle, 1), tied(TieStart, 2)};
    score.measures[1] = MeasureInfo{3, 100, 3};
    MeasureClipboard clipboard;
    clipboard.copy(score, 1, 0);
    EXPECT_EQ(clipboard.key(), 3);
    EXPECT_EQ(clipboard.beats(), 3);
    EXPECT_EQ(clipboard.kind(), Treble);
    const TrackMeasure& notes = clipboard.notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes.front().tie, TieStart);
    EXPECT_EQ(std::next(notes.begin())->tie, TieMiddle);
    EXPECT_EQ(notes.back().tie, TieNone);
    EXPECT_EQ(source.front().tie, TieMiddle);
    EXPECT_EQ(source.back().tie, TieStart);
    // A deep copy: changing the source later leaves the clipboard alone.
    source.front().pitches.clear();
    EXPECT_EQ(notes.front().pitches.size(), 1u);
}

TEST(MeasureClipboard, OneNoteMeasureEndsUntied) {
    Score score = scoreWith(1);
    score.tracks[0].measures[0] = {tied(TieMiddle)};
    MeasureClipboard clipboard;
    clipboard.copy(score, 0, 0);
    ASSERT_EQ(clipboard.notes().size(), 1u);
    EXPECT_EQ(clipboard.notes().front().tie, TieNone);
}

TEST(MeasureClipboard, CopyOfAnEmptyMeasure) {
    Score score = scoreWith(2);
    score.tracks[0].measures[0].clear();
    MeasureClipboard clipboard;
    clipboard.copy(score, 0, 0);
    EXPECT_TRUE(clipboard.notes().empty());
    EXPECT_TRUE(clipboard.paste(score, 1, 0));
    EXPECT_TRUE(score.tracks[0].measures[1].empty());
}

TEST(MeasureClipboard, PasteNeedsMatchingKindKeyAndBeats) {
    Score score = scoreWith(4);
    score.addTrack(0, Bass);
    score.tracks[0].measures[0].front() = tied(TieNone, 3);
    MeasureClipboard clipboard;
    clipboard.copy(score, 0, 0);
    score.measures[1].beats = 3;
    score.tracks[0].measures[1] = freshMeasure(3);
    score.measures[2].key = 1;
    score.measures[3].tempo = 60;  // the tempo does not matter
    const Score before = score;
    EXPECT_FALSE(clipboard.paste(score, 1, 0));  // other meter
    EXPECT_FALSE(clipboard.paste(score, 2, 0));  // other key
    EXPECT_FALSE(clipboard.paste(score, 0, 1));  // other kind
    EXPECT_EQ(score, before);
    EXPECT_TRUE(clipboard.paste(score, 3, 0));
    EXPECT_EQ(score.tracks[0].measures[3], clipboard.notes());
    EXPECT_TRUE(clipboard.paste(score, 3, 0));  // the clipboard keeps its content
    EXPECT_EQ(score.tracks[0].measures[3], clipboard.notes());
}

TEST(MeasureClipboard, PasteCutsTheNeighboursTies) {
    Score score = scoreWith(3);
    MeasureClipboard clipboard;
    clipboard.copy(score, 1, 0);
    Track& track = score.tracks[0];
    track.measures[0].back() = tied(TieMiddle);
    track.measures[2].front() = tied(TieEnd);
    EXPECT_TRUE(clipboard.paste(score, 1, 0));
    EXPECT_EQ(track.measures[0].back().tie, TieEnd);
    EXPECT_EQ(track.measures[2].front().tie, TieNone);
}

TEST(MeasureClipboard, PasteAtTheEdgesTouchesNoMissingNeighbour) {
    Score score = scoreWith(2);
    MeasureClipboard clipboard;
    clipboard.copy(score, 0, 0);
    Track& track = score.tracks[0];
    track.measures[1].front() = tied(TieEnd);
    track.measures[0].back() = tied(TieStart);
    EXPECT_TRUE(clipboard.paste(score, 0, 0));  // measure 0: only the next one is cut
    EXPECT_EQ(track.measures[1].front().tie, TieNone);
    track.measures[0].back() = tied(TieStart);
    EXPECT_TRUE(clipboard.paste(score, 1, 0));  // the last measure: only the previous one is cut
    EXPECT_EQ(track.measures[0].back().tie, TieNone);
    EXPECT_EQ(track.measures[1], clipboard.notes());
}

}  // namespace
}  // namespace corvane
