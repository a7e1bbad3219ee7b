// The rules behind the Track, Drum Track, Measure Properties and Dynamic dialogs.

#include <gtest/gtest.h>

#include "editor/dialog_rules.h"

namespace corvane::test {
namespace {

// A question that records what was asked and answers from a list.
struct Asker {
    explicit Asker(std::vector<bool> yes) : answers(std::move(yes)) {}
    std::vector<bool> answers;
    std::vector<std::pair<std::string, std::string>> asked;
    Confirm confirm() {
        return [this](std::string_view text, std::string_view caption) {
            asked.emplace_back(text, caption);
            const bool yes = answers.at(asked.size() - 1);
            return yes;
        };
    }
};

Note sounding(int position) {
    Note note;
    note.pitches.push_back(NoteHead{position, AccidentalNone});
    return note;
}

// A score of `measures` 4/4 measures in `tracks` treble tracks, every first note sounding.
Score scoreWithNotes(int measures, int tracks) {
    Score score;
    for (int i = 1; i < measures; ++i) {
        score.addMeasure(0, 120, 4);
    }
    for (int t = 1; t < tracks; ++t) {
        score.addTrack(t, Treble);
    }
    for (Track& track : score.tracks) {
        for (TrackMeasure& measure : track.measures) {
            measure.front() = sounding(1);
        }
    }
    return score;
}

TEST(BoxValue, LeadingDigitsOfTheFirstEightCharactersClamped) {
    struct Case {
        const char* text;
        int low, high, value;
    };
    for (const Case c :
         {Case{"64", 1, 127, 64}, Case{"500", 1, 127, 127}, Case{"128", 1, 127, 127},
          Case{"127", 1, 127, 127}, Case{"0", 1, 127, 1}, Case{"", 1, 127, 1},
          Case{"abc", 1, 127, 1}, Case{"12ab", 1, 255, 12}, Case{" 12", 1, 255, 1},
          Case{"-5", 1, 255, 1}, Case{"300", 1, 255, 255}, Case{"00000099", 1, 255, 99},
          Case{"000000099", 1, 255, 9}, Case{"99999999999999999999", 1, 255, 255},
          Case{"1234567", 1, 10'000'000, 1234567}}) {
        EXPECT_EQ(clampedBoxValue(c.text, c.low, c.high), c.value) << '"' << c.text << '"';
    }
}

TEST(DynamicDialog, OkClampsAndCancelClears) {
    DynamicDialogModel dialog;
    EXPECT_EQ(dialog.velocity, 0);
    dialog.text = "64";
    EXPECT_EQ(dialog.ok(), DialogStep::Close);
    EXPECT_EQ(dialog.velocity, 64);
    EXPECT_EQ(dialog.cancel(), DialogStep::Close);
    EXPECT_EQ(dialog.velocity, 0);
    dialog.text = "";
    dialog.ok();
    EXPECT_EQ(dialog.velocity, 1);
}

// --- Track Properties -------------------------------------------------------------------------

TEST(TrackDialog, ShowsTheTrack) {
    Score score = scoreWithNotes(1, 2);
    score.tracks[1].kind = Bass;
    score.tracks[1].program = 33;
    const TrackDialogModel treble(score, 0);
    EXPECT_EQ(treble.clef, Treble);
    EXPECT_EQ(treble.program, 0);
    const TrackDialogModel bass(score, 1);
    EXPECT_EQ(bass.clef, Bass);
    EXPECT_EQ(bass.program, 33);
    score.tracks[1].kind = Drums;
    EXPECT_FALSE(TrackDialogModel(score, 1).applicable());
    EXPECT_TRUE(TrackDialogModel(score, 0).applicable());
}

TEST(TrackDialog, OkWithoutChangesKeepsTheNotes) {
    Score score = scoreWithNotes(3, 2);
    const Score before = score;
    TrackDialogModel dialog(score, 1);
    EXPECT_EQ(dialog.ok(), DialogStep::Close);
    EXPECT_EQ(score, before);
}

TEST(TrackDialog, ClefChangeResetsOnlyThatTrack) {
    Score score = scoreWithNotes(2, 2);
    score.measures[1].beats = 3;
    score.tracks[1].measures[1] = freshMeasure(3);
    score.tracks[1].measures[1].back() = sounding(0);
    const Track other = score.tracks[0];
    TrackDialogModel dialog(score, 1);
    dialog.clef = Bass;
    dialog.program = 40;
    dialog.ok();
    EXPECT_EQ(score.tracks[1].kind, Bass);
    EXPECT_EQ(score.tracks[1].program, 40);
    EXPECT_EQ(score.tracks[1].measures[0], freshMeasure(4));
    EXPECT_EQ(score.tracks[1].measures[1], freshMeasure(3));
    EXPECT_EQ(score.tracks[0], other);

    TrackDialogModel back(score, 1);
    back.clef = Treble;
    back.ok();
    EXPECT_EQ(score.tracks[1].kind, Treble);
    EXPECT_EQ(score.tracks[1].program, 40);
}

TEST(TrackDialog, ProgramChangeKeepsNotesAndNoSelectionKeepsTheProgram) {
    Score score = scoreWithNotes(1, 1);
    const TrackMeasure notes = score.tracks[0].measures[0];
    TrackDialogModel dialog(score, 0);
    dialog.program = 127;
    dialog.ok();
    EXPECT_EQ(score.tracks[0].program, 127);
    EXPECT_EQ(score.tracks[0].measures[0], notes);
    TrackDialogModel none(score, 0);
    none.program.reset();
    none.ok();
    EXPECT_EQ(score.tracks[0].program, 127);
}

TEST(TrackDialog, CancelChangesNothing) {
    Score score = scoreWithNotes(2, 1);
    const Score before = score;
    TrackDialogModel dialog(score, 0);
    dialog.clef = Bass;
    dialog.program = 5;
    EXPECT_EQ(dialog.cancel(), DialogStep::Close);
    EXPECT_EQ(score, before);
}

TEST(TrackDialog, MakeDrumsNoThenYes) {
    Score score = scoreWithNotes(2, 2);
    score.tracks[0].program = 19;
    const Score before = score;
    Asker asker({false, true});
    TrackDialogModel dialog(score, 0);
    dialog.clef = Bass;
    dialog.program = 3;
    EXPECT_EQ(dialog.makeDrums(asker.confirm()), DialogStep::Stay);
    EXPECT_EQ(score, before);
    EXPECT_EQ(dialog.makeDrums(asker.confirm()), DialogStep::Close);
    ASSERT_EQ(asker.asked.size(), 2u);
    EXPECT_EQ(asker.asked[0].first, "Deleting track to make drum track, are you sure?");
    EXPECT_EQ(asker.asked[0].second, "Corvane");
    EXPECT_EQ(score.tracks[0].kind, Drums);
    EXPECT_EQ(score.tracks[0].program, 19);  // the dialog's choices are dropped
    for (const TrackMeasure& measure : score.tracks[0].measures) {
        EXPECT_EQ(measure, freshMeasure(4));
    }
    EXPECT_EQ(score.tracks[1], before.tracks[1]);
}

TEST(TrackDialog, DeleteTrackNoThenYes) {
    Score score = scoreWithNotes(2, 3);
    score.tracks[2].kind = Bass;
    score.tracks[2].program = 7;
    const Score before = score;
    Asker asker({false, true});
    TrackDialogModel dialog(score, 0);
    EXPECT_EQ(dialog.deleteTrack(asker.confirm()), DialogStep::Stay);
    EXPECT_EQ(score, before);
    EXPECT_EQ(dialog.deleteTrack(asker.confirm()), DialogStep::Close);
    EXPECT_EQ(asker.asked[1].first, "Deleting track, are you sure?");
    EXPECT_EQ(asker.asked[1].second, "Corvane");
    ASSERT_EQ(score.tracks.size(), 2u);
    EXPECT_EQ(score.tracks[0], before.tracks[1]);
    EXPECT_EQ(score.tracks[1], before.tracks[2]);
}

TEST(TrackDialog, DeletingTheOnlyTrackLeavesTheTimeline) {
    Score score = scoreWithNotes(3, 1);
    Asker asker({true});
    TrackDialogModel(score, 0).deleteTrack(asker.confirm());
    EXPECT_TRUE(score.tracks.empty());
    EXPECT_EQ(score.measures.size(), 3u);
}

TEST(DrumTrackDialog, OnlyDeleteChangesTheScore) {
    Score score = scoreWithNotes(1, 2);
    score.tracks[1].kind = Drums;
    const Score before = score;
    DrumTrackDialogModel dialog(score, 1);
    EXPECT_EQ(dialog.ok(), DialogStep::Close);
    EXPECT_EQ(dialog.cancel(), DialogStep::Close);
    Asker asker({false, true});
    EXPECT_EQ(dialog.deleteTrack(asker.confirm()), DialogStep::Stay);
    EXPECT_EQ(score, before);
    EXPECT_EQ(dialog.deleteTrack(asker.confirm()), DialogStep::Close);
    EXPECT_EQ(asker.asked[0].first, "Deleting track, are you sure?");
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_EQ(score.tracks[0].kind, Treble);
}

// --- Measure Properties -----------------------------------------------------------------------

TEST(MeasureDialog, ShowsTheMeasure) {
    Score score;
    score.measures[0] = MeasureInfo{-4, 88, 3};
    const MeasureDialogModel shown(score, 0, nullptr);
    EXPECT_EQ(shown.keySignature, -4);
    EXPECT_EQ(shown.meter, 3);
    EXPECT_EQ(shown.tempoText, "88");
    score.measures[0] = MeasureInfo{7, 200, 6};  // values the dialog cannot show
    const MeasureDialogModel odd(score, 0, nullptr);
    EXPECT_EQ(odd.keySignature, 6);
    EXPECT_FALSE(odd.meter.has_value());
}

TEST(MeasureDialog, KeyChangeRunsForwardAndRefillsEveryTrack) {
    Score score = scoreWithNotes(6, 2);
    const Score before = score;
    MeasureDialogModel dialog(score, 2, nullptr);
    dialog.keySignature = 2;
    EXPECT_EQ(dialog.ok(), DialogStep::Close);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(score.measures[i].key, i < 2 ? 0 : 2) << i;
        for (std::size_t t = 0; t < 2; ++t) {
            if (i < 2) {
                EXPECT_EQ(score.tracks[t].measures[i], before.tracks[t].measures[i]);
            } else {
                EXPECT_EQ(score.tracks[t].measures[i], freshMeasure(4));
            }
        }
    }
}

TEST(MeasureDialog, RunStopsAtTheFirstDifferentValue) {
    Score score = scoreWithNotes(5, 1);
    score.measures[3].key = -1;
    score.measures[4].key = 0;
    const Score before = score;
    MeasureDialogModel dialog(score, 1, nullptr);
    dialog.keySignature = 5;
    dialog.ok();
    EXPECT_EQ(score.measures[0].key, 0);
    EXPECT_EQ(score.measures[1].key, 5);
    EXPECT_EQ(score.measures[2].key, 5);
    EXPECT_EQ(score.measures[3].key, -1);
    EXPECT_EQ(score.measures[4].key, 0);
    EXPECT_EQ(score.tracks[0].measures[3], before.tracks[0].measures[3]);
    EXPECT_EQ(score.tracks[0].measures[4], before.tracks[0].measures[4]);
}

TEST(MeasureDialog, TempoRunChangesNoNotes) {
    Score score = scoreWithNotes(4, 1);
    for (const int i : {0, 1, 3}) {
        score.measures[static_cast<std::size_t>(i)].tempo = 120;
    }
    score.measures[2].tempo = 90;
    const std::vector<Track> tracks = score.tracks;
    MeasureDialogModel dialog(score, 0, nullptr);
    dialog.tempoText = "100";
    dialog.ok();
    EXPECT_EQ(score.measures[0].tempo, 100);
    EXPECT_EQ(score.measures[1].tempo, 100);
    EXPECT_EQ(score.measures[2].tempo, 90);
    EXPECT_EQ(score.measures[3].tempo, 120);
    EXPECT_EQ(score.tracks, tracks);
}

TEST(MeasureDialog, TempoTextIsClamped) {
    struct Case {
        const char* text;
        int tempo;
    };
    for (const Case c :
         {Case{"300", 255}, Case{"", 1}, Case{"0", 1}, Case{"255", 255}, Case{"60bpm", 60}}) {
        Score score;
        MeasureDialogModel dialog(score, 0, nullptr);
        dialog.tempoText = c.text;
        dialog.ok();
        EXPECT_EQ(score.measures[0].tempo, c.tempo) << c.text;
    }
}

TEST(MeasureDialog, MeterChangeRefillsTheRunWithTheNewBeats) {
    Score score = scoreWithNotes(4, 2);
    score.measures[3].beats = 5;
    score.tracks[0].measures[3] = freshMeasure(5);
    MeasureDialogModel dialog(score, 1, nullptr);
    dialog.meter = 3;
    dialog.ok();
    EXPECT_EQ(score.measures[0].beats, 4);
    EXPECT_EQ(score.measures[1].beats, 3);
    EXPECT_EQ(score.measures[2].beats, 3);
    EXPECT_EQ(score.measures[3].beats, 5);
    for (const Track& track : score.tracks) {
        EXPECT_FALSE(track.measures[0].front().isRest());
        EXPECT_EQ(track.measures[1], freshMeasure(3));
        EXPECT_EQ(track.measures[2], freshMeasure(3));
    }
}

TEST(MeasureDialog, NoMeterSelectedMeansFiveBeats) {
    Score score = scoreWithNotes(2, 1);
    score.measures[0].beats = 6;
    score.measures[1].beats = 6;
    MeasureDialogModel dialog(score, 0, nullptr);
    ASSERT_FALSE(dialog.meter.has_value());
    dialog.ok();
    EXPECT_EQ(score.measures[0].beats, 5);
    EXPECT_EQ(score.measures[1].beats, 5);
    EXPECT_EQ(score.tracks[0].measures[1], freshMeasure(5));
}

TEST(MeasureDialog, UnchangedSettingsChangeNothing) {
    Score score = scoreWithNotes(3, 2);
    score.measures[1] = MeasureInfo{-3, 77, 5};
    const Score before = score;
    MeasureDialogModel(score, 1, nullptr).ok();
    EXPECT_EQ(score, before);
}

TEST(MeasureDialog, KeyAndMeterRunsCutTiesAtTheirEdges) {
    Score score = scoreWithNotes(4, 1);
    TrackMeasure& first = score.tracks[0].measures[0];
    TrackMeasure& last = score.tracks[0].measures[3];
    first.back() = sounding(0);
    first.back().tie = TieMiddle;
    last.front() = sounding(0);
    last.front().tie = TieMiddle;
    score.measures[3].key = 1;
    MeasureDialogModel dialog(score, 1, nullptr);
    dialog.keySignature = -2;
    dialog.ok();
    // Measures 1 and 2 are now rests: nothing may stay tied into or out of them.
    EXPECT_EQ(score.tracks[0].measures[0].back().tie, TieEnd);
    EXPECT_EQ(score.tracks[0].measures[3].front().tie, TieStart);
}

TEST(MeasureDialog, CopyCallsTheClipboardAndAppliesNothing) {
    Score score = scoreWithNotes(2, 1);
    const Score before = score;
    int copies = 0;
    MeasureDialogModel dialog(score, 1, [&] { ++copies; });
    dialog.keySignature = 3;
    dialog.meter = 5;
    dialog.tempoText = "50";
    EXPECT_EQ(dialog.copy(), DialogStep::Close);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(score, before);
    EXPECT_EQ(dialog.cancel(), DialogStep::Close);
    EXPECT_EQ(score, before);
}

}  // namespace
}  // namespace corvane::test
