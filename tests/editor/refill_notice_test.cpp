// A key or meter change that replaces notes with rests says so at once: how many notes, in which
// measures, and that Undo brings them back. The rule itself is the Measure Properties dialog's.

#include <gtest/gtest.h>

#include "editor/refill_notice.h"
#include "fake_window.h"

namespace corvane::test {
namespace {

// Measures of 4/4 in C; track 0 holds a note in each measure of `withNotes` (counted from 0),
// track 1 one in measure 3.
Score scoreWithNotes(int measures, std::initializer_list<int> withNotes) {
    Score score;
    score.addTrack(0, Bass);
    while (static_cast<int>(score.measures.size()) < measures) {
        score.addMeasure(0, 120, 4);
    }
    for (const int m : withNotes) {
        score.tracks[0].measures[static_cast<std::size_t>(m)].front().pitches.push_back(
            NoteHead{0, AccidentalNone});
    }
    score.tracks[1].measures[3].back().pitches.push_back(NoteHead{1, AccidentalNone});
    return score;
}

// What the dialog's OK with `change` at `measure` says.
std::optional<std::string> noticeOf(Score& score, int measure,
                                    const std::function<void(MeasureDialogModel&)>& change) {
    const RefillNotice notice(score, measure);
    MeasureDialogModel model(score, measure, [] {});
    change(model);
    model.ok();
    return notice.after(score);
}

TEST(RefillNotice, CountsTheNotesOfEveryTrackInTheMeasuresTheChangeReached) {
    Score score = scoreWithNotes(8, {0, 2, 3, 5, 7});
    score.measures[7].key = 3;  // the run of key 0 ends before it
    EXPECT_EQ(noticeOf(score, 2, [](MeasureDialogModel& m) { m.keySignature = 2; }),
              "The key change replaced 4 notes with rests in measures 3-4 and 6; Edit > Undo "
              "brings them back.");
    EXPECT_FALSE(score.tracks[0].measures[0].front().isRest()) << "before the change: kept";
    EXPECT_FALSE(score.tracks[0].measures[7].front().isRest()) << "after the run: kept";
}

TEST(RefillNotice, OneNoteAndBothChangesAtOnce) {
    Score score = scoreWithNotes(6, {5});
    score.measures[4].beats = 3;
    score.measures[5].beats = 3;
    score.tracks[1].measures[3].back().pitches.clear();
    score.tracks[0].measures[4] = freshMeasure(3);
    score.tracks[0].measures[5] = freshMeasure(3);
    score.tracks[0].measures[5].front().pitches.push_back(NoteHead{0, AccidentalNone});
    // The key runs to the end, the meter only over measures 4 and 5: together they reach all.
    EXPECT_EQ(noticeOf(score, 4,
                       [](MeasureDialogModel& m) {
                           m.keySignature = -1;
                           m.meter = 5;
                       }),
              "The key and meter change replaced 1 note with a rest in measure 6; Edit > Undo "
              "brings it back.");
}

TEST(RefillNotice, MeterAloneAndManyMeasures) {
    Score score = scoreWithNotes(14, {0, 2, 4, 6, 8, 10, 12});
    EXPECT_EQ(noticeOf(score, 0, [](MeasureDialogModel& m) { m.meter = 3; }),
              "The meter change replaced 8 notes with rests in 8 measures from 1 to 13; Edit > "
              "Undo brings them back.");
}

TEST(RefillNotice, NothingToSayWhenNoNoteWasReplaced) {
    Score score = scoreWithNotes(4, {0});
    EXPECT_EQ(noticeOf(score, 1, [](MeasureDialogModel& m) { m.tempoText = "90"; }),
              std::nullopt)
        << "a tempo change keeps the notes";
    score.tracks[1].measures[3].back().pitches.clear();
    EXPECT_EQ(noticeOf(score, 1, [](MeasureDialogModel& m) { m.keySignature = 4; }),
              std::nullopt)
        << "only rests were refilled";
    EXPECT_EQ(noticeOf(score, 0, [](MeasureDialogModel& m) { m.keySignature = 0; }),
              std::nullopt)
        << "confirmed unchanged";
}

TEST(RefillNotice, TheEditorSaysItAtOnceAndUndoBringsTheNotesBack) {
    ViewFixture f;
    f.clickAt(110, 75);
    const Score withNote = f.view.score();
    f.window.measureDialog = [](MeasureDialogModel& m) { m.tempoText = "100"; };
    f.clickAt(60, 90);
    EXPECT_TRUE(f.window.notices.empty());
    f.window.measureDialog = [](MeasureDialogModel& m) {
        m.keySignature = 1;
        m.ok();
    };
    f.clickAt(60, 90);
    ASSERT_EQ(f.window.notices.size(), 1u);
    EXPECT_EQ(f.window.notices[0],
              "The key change replaced 1 note with a rest in measure 1; Edit > Undo brings it "
              "back.");
    f.view.undo();
    EXPECT_EQ(f.view.score().tracks, withNote.tracks);
}

}  // namespace
}  // namespace corvane::test
