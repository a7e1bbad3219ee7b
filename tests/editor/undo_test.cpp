// Undo and redo in the editor: which clicks are steps and how they are named, the score, measure
// count and first visible measure each direction gives, the saved point, and a long run of random
// edits undone and redone against the bytes recorded on the way.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fake_window.h"
#include "tests/score/sample_scores.h"

namespace corvane::test {
namespace {

const Confirm kYes = [](std::string_view, std::string_view) { return true; };

// Places a quarter note in the first measure of the first track.
void enterNote(ViewFixture& f) {
    f.clickAt(106, 80);
}

TEST(UndoSteps, NoteEntryIsOneStepNamedInTheEditMenu) {
    ViewFixture f;
    const Score start = f.view.score();
    EXPECT_FALSE(f.view.history().canUndo());
    EXPECT_EQ(f.view.history().undoText(), "Undo");
    enterNote(f);
    const Score entered = f.view.score();
    ASSERT_NE(entered, start);
    EXPECT_EQ(f.view.history().undoText(), "Undo Note Entry");
    EXPECT_EQ(f.view.history().redoText(), "Redo");

    f.view.undo();
    EXPECT_EQ(f.view.score(), start);
    EXPECT_FALSE(f.view.dirty()) << "a new score starts at its saved point";
    EXPECT_FALSE(f.view.history().canUndo());
    EXPECT_EQ(f.view.history().redoText(), "Redo Note Entry");
    f.view.redo();
    EXPECT_EQ(f.view.score(), entered);
    EXPECT_TRUE(f.view.dirty());
    f.view.redo();
    EXPECT_EQ(f.view.score(), entered) << "nothing to redo";
}

TEST(UndoSteps, ClicksThatChangeNothingAreNoSteps) {
    ViewFixture f;
    f.clickAt(40, 10);  // a toolbar slot
    f.window.measureDialog = [](MeasureDialogModel& m) { m.cancel(); };
    f.clickAt(50, 90);
    EXPECT_FALSE(f.view.dirty()) << "a dialog that changed nothing leaves the score clean";
    EXPECT_FALSE(f.view.history().canUndo());
    f.type("x");
    f.view.onKeyDown(KeyboardKey::Right);
    EXPECT_FALSE(f.view.history().canUndo());
}

TEST(UndoSteps, StepsAreNamedByWhatTheyDid) {
    ViewFixture f;
    f.clickAt(300, 150);
    EXPECT_EQ(f.view.history().undoText(), "Undo Add Track");
    f.window.trackDialog = [](TrackDialogModel& m) {
        m.clef = Bass;
        m.ok();
    };
    f.clickAt(20, 190);
    EXPECT_EQ(f.view.history().undoText(), "Undo Track Properties");
    f.window.trackDialog = [](TrackDialogModel& m) { m.makeDrums(kYes); };
    f.clickAt(20, 190);
    EXPECT_EQ(f.view.history().undoText(), "Undo Make Drums");
    f.window.drumTrackDialog = [](DrumTrackDialogModel& m) { m.deleteTrack(kYes); };
    f.clickAt(20, 190);
    EXPECT_EQ(f.view.history().undoText(), "Undo Delete Track");
    f.window.measureDialog = [](MeasureDialogModel& m) {
        m.keySignature = 2;
        m.ok();
    };
    f.clickAt(50, 90);
    EXPECT_EQ(f.view.history().undoText(), "Undo Key Change");
    f.window.measureDialog = [](MeasureDialogModel& m) {
        m.meter = 3;
        m.ok();
    };
    f.clickAt(50, 90);
    EXPECT_EQ(f.view.history().undoText(), "Undo Meter Change");
    f.window.measureDialog = [](MeasureDialogModel& m) {
        m.tempoText = "80";
        m.ok();
    };
    f.clickAt(50, 90);
    EXPECT_EQ(f.view.history().undoText(), "Undo Tempo Change");
    EXPECT_EQ(f.view.history().position(), 7u);
}

TEST(UndoSteps, TrackStepsComeBackWhole) {
    ViewFixture f;
    f.edit([](Score& s) { s = samples::largeScore(3, 3); });
    const Score start = f.view.score();
    f.window.trackDialog = [](TrackDialogModel& m) { m.deleteTrack(kYes); };
    f.clickAt(20, 190);
    ASSERT_EQ(f.view.score().tracks.size(), 2u);
    f.view.undo();
    EXPECT_EQ(f.view.score(), start);
    f.view.redo();
    EXPECT_EQ(f.view.score().tracks.size(), 2u);
    EXPECT_EQ(f.view.score().tracks[1], start.tracks[2]);
}

TEST(UndoSteps, KeyChangeOverEveryMeasureComesBack) {
    ViewFixture f;
    f.edit([](Score& s) {
        s = samples::largeScore(30, 3);
        for (MeasureInfo& info : s.measures) {
            info.key = 1;
        }
    });
    const Score start = f.view.score();
    f.window.measureDialog = [](MeasureDialogModel& m) {
        m.keySignature = -3;
        m.ok();
    };
    f.clickAt(50, 90);
    const Score changed = f.view.score();
    ASSERT_EQ(changed.measures.back().key, -3);
    // What the step says it turned into rests: six sounding Notes a measure in each track.
    const std::vector<RestedMeasure> rested = f.view.history().lastStep()->notesMadeRests(changed);
    ASSERT_EQ(rested.size(), 30u);
    EXPECT_EQ(rested.back(), (RestedMeasure{29, 18}));
    f.view.undo();
    EXPECT_EQ(f.view.score(), start);
    f.view.redo();
    EXPECT_EQ(f.view.score(), changed);
}

TEST(UndoSteps, MeasureCountAndFirstVisibleMeasureOfEachSide) {
    ViewFixture f;  // two measures a screen
    f.view.onKeyDown(KeyboardKey::Right);
    const std::size_t countBefore = f.view.score().measures.size();
    const int firstBefore = f.view.firstVisibleMeasure();
    // The last visible measure: the entry scrolls on and the score grows.
    f.clickAt(480, 80);
    const Score after = f.view.score();
    const int firstAfter = f.view.firstVisibleMeasure();
    ASSERT_GT(after.measures.size(), countBefore);
    // Scrolling afterwards grows and then trims the score; that belongs to no step.
    for (int i = 0; i < 4; ++i) {
        f.view.onKeyDown(KeyboardKey::Right);
    }
    f.view.onKeyDown(KeyboardKey::Home);
    f.view.undo();
    EXPECT_EQ(f.view.score().measures.size(), countBefore);
    EXPECT_EQ(f.view.firstVisibleMeasure(), firstBefore);
    for (int i = 0; i < 3; ++i) {
        f.view.onKeyDown(KeyboardKey::Right);
    }
    f.view.redo();
    EXPECT_EQ(f.view.score(), after);
    EXPECT_EQ(f.view.firstVisibleMeasure(), firstAfter);
}

TEST(UndoSteps, UndoFillsAWindowThatHasGrown) {
    ViewFixture f;
    enterNote(f);
    f.resize(1600, 600);
    f.view.onKeyDown(KeyboardKey::Home);
    f.view.undo();
    EXPECT_GE(static_cast<int>(f.view.score().measures.size()),
              f.view.firstVisibleMeasure() + f.view.measuresPerScreen());
}

TEST(UndoSteps, ANewStepDropsTheRedoSteps) {
    ViewFixture f;
    enterNote(f);
    f.clickAt(300, 150);
    f.view.undo();
    f.view.undo();
    EXPECT_EQ(f.view.history().redoText(), "Redo Note Entry");
    f.clickAt(300, 150);
    EXPECT_FALSE(f.view.history().canRedo());
    EXPECT_EQ(f.view.history().position(), 1u);
    EXPECT_EQ(f.view.score().tracks.size(), 2u);
    EXPECT_TRUE(f.view.score().tracks[0].measures[0].front().isRest());
}

TEST(UndoSavedPoint, DirtyTellsWhetherTheHistoryLeftIt) {
    ViewFixture f;
    enterNote(f);
    f.view.markSaved();
    f.clickAt(300, 150);
    EXPECT_TRUE(f.view.dirty());
    f.view.undo();
    EXPECT_FALSE(f.view.dirty());
    f.view.undo();
    EXPECT_TRUE(f.view.dirty());
    f.view.redo();
    EXPECT_FALSE(f.view.dirty());
}

TEST(UndoSavedPoint, ANewStepBehindItMakesItUnreachable) {
    ViewFixture f;
    enterNote(f);
    f.view.markSaved();
    f.view.undo();
    f.clickAt(300, 150);
    f.view.undo();
    EXPECT_TRUE(f.view.dirty()) << "the start was never saved";
    f.view.redo();
    EXPECT_TRUE(f.view.dirty());
}

TEST(UndoSavedPoint, LoadedAndReplacedScoresStartAnEmptyHistory) {
    ViewFixture f;
    enterNote(f);
    f.view.setLoadedScore(samples::largeScore(4, 2));
    EXPECT_FALSE(f.view.history().canUndo());
    EXPECT_FALSE(f.view.dirty());

    // Where enterNote() clicks, the loaded score has no Note to change; a track added below its
    // two is an edit.
    f.clickAt(300, 250);
    ASSERT_EQ(f.view.score().tracks.size(), 3u);
    ASSERT_TRUE(f.view.dirty());
    f.view.replaceScore(samples::largeScore(4, 2));
    EXPECT_FALSE(f.view.history().canUndo());
    f.clickAt(300, 250);
    ASSERT_TRUE(f.view.history().canUndo());
    f.view.undo();
    EXPECT_TRUE(f.view.dirty()) << "a dirty replacement never was saved";
}

TEST(UndoSavedPoint, AnImportedScoreStaysUnsavedWhenUndoneBackToIt) {
    ViewFixture f;
    f.view.setLoadedScore(Score(f.view.score()));
    f.view.markUnsaved();
    const std::uint64_t loaded = f.view.revision();
    enterNote(f);
    ASSERT_TRUE(f.view.history().canUndo());
    EXPECT_NE(f.view.revision(), loaded) << "watchers see the edit";
    f.view.undo();
    EXPECT_TRUE(f.view.dirty()) << "the imported score was never saved";
    f.view.markSaved();
    f.view.redo();
    f.view.undo();
    EXPECT_FALSE(f.view.dirty()) << "once saved, its saved point is where the save was";
}

// A run of random clicks (with the dialogs they open answered at random), pastes, tool changes
// and scrolling of measures and tracks; every step's bytes before and after are recorded, then the whole run is undone
// and redone.
class RandomEdits {
  public:
    // With `mixed`, undo, redo and saving come at random between the edits too.
    RandomEdits(unsigned seed, bool mixed)
        : rng_(seed), f_(500 + static_cast<int>(seed % 4) * 300), mixed_(mixed) {
        f_.window.trackDialog = [this](TrackDialogModel& m) { answerTrack(m); };
        f_.window.drumTrackDialog = [this](DrumTrackDialogModel& m) {
            if (pick(3) == 0) {
                m.deleteTrack(kYes);
            }
        };
        f_.window.measureDialog = [this](MeasureDialogModel& m) { answerMeasure(m); };
    }

    void run(int actions) {
        record();
        for (int i = 0; i < actions && !::testing::Test::HasFailure(); ++i) {
            act();
        }
        EXPECT_GE(stepsMade_, 10) << "the run should make steps";
        while (f_.view.history().canRedo() && !::testing::Test::HasFailure()) {
            redo();
        }
        const std::size_t steps = f_.view.history().position();
        ASSERT_EQ(after_.size(), steps + 1);
        for (std::size_t k = steps; k > 0 && !::testing::Test::HasFailure(); --k) {
            undo();
        }
        EXPECT_FALSE(f_.view.history().canUndo());
        for (std::size_t k = 1; k <= steps && !::testing::Test::HasFailure(); ++k) {
            redo();
        }
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::vector<std::uint8_t> bytes() const { return samples::encode(f_.view.score()); }

    // A step was made: it replaces the steps that could have been redone.
    void record() {
        const std::size_t position = f_.view.history().position();
        if (savedAt_ && *savedAt_ >= position && position > 0) {
            savedAt_.reset();
        }
        before_.resize(position);
        firstBefore_.resize(position);
        after_.resize(position);
        firstAfter_.resize(position);
        before_.push_back(pendingBefore_);
        firstBefore_.push_back(pendingFirst_);
        after_.push_back(bytes());
        firstAfter_.push_back(f_.view.firstVisibleMeasure());
    }

    void undo() {
        const std::size_t k = f_.view.history().position();
        const std::string name = f_.view.history().undoText();
        f_.view.undo();
        EXPECT_EQ(bytes(), before_[k]) << name << ", to before step " << k;
        EXPECT_EQ(f_.view.firstVisibleMeasure(), firstBefore_[k]) << k;
        EXPECT_EQ(f_.view.dirty(), savedAt_ != k - 1) << k;
    }

    void redo() {
        const std::size_t k = f_.view.history().position() + 1;
        const std::string name = f_.view.history().redoText();
        f_.view.redo();
        EXPECT_EQ(bytes(), after_[k]) << name << ", step " << k;
        EXPECT_EQ(f_.view.firstVisibleMeasure(), firstAfter_[k]) << k;
        EXPECT_EQ(f_.view.dirty(), savedAt_ != k) << k;
    }

    void answerTrack(TrackDialogModel& m) {
        switch (pick(5)) {
            case 0:
                m.clef = pick(2) == 0 ? Treble : Bass;
                m.program = pick(128);
                m.ok();
                break;
            case 1:
                m.deleteTrack(kYes);
                break;
            case 2:
                m.makeDrums(kYes);
                break;
            default:
                m.cancel();
        }
    }

    void answerMeasure(MeasureDialogModel& m) {
        switch (pick(4)) {
            case 0:
                m.keySignature = pick(13) - 6;
                m.ok();
                break;
            case 1:
                m.meter = 3 + pick(3);
                m.tempoText = std::to_string(40 + pick(200));
                m.ok();
                break;
            case 2:
                m.copy();
                break;
            default:
                m.cancel();
        }
    }

    void click() {
        const int tracks = static_cast<int>(f_.view.score().tracks.size());
        const int bottom = std::min(f_.window.client.bottom, 100 * tracks + 60);
        const int x = pick(f_.window.client.right);
        const int y = pick(5) == 0 ? 10 : pick(bottom);
        pendingBefore_ = bytes();
        pendingFirst_ = f_.view.firstVisibleMeasure();
        const std::size_t steps = f_.view.history().position();
        f_.clickAt(x, y, pick(3) == 0);
        if (f_.view.history().position() != steps) {
            ++stepsMade_;
            record();
        }
    }

    void act() {
        static constexpr KeyboardKey kKeys[] = {
            KeyboardKey::Right,  KeyboardKey::Right, KeyboardKey::Left, KeyboardKey::PageDown,
            KeyboardKey::PageUp, KeyboardKey::Home,  KeyboardKey::End};
        static constexpr const char kTools[] = "zxcvbnstfqag";
        const int what = pick(mixed_ ? 15 : 12);
        if (what < 8) {
            click();
        } else if (what == 8) {
            f_.view.onKeyDown(kKeys[pick(7)]);
        } else if (what == 9) {
            f_.view.onWheel(pick(3) - 1, pick(f_.window.client.right), 300);
        } else if (what == 10) {
            f_.view.onChar(static_cast<char32_t>(kTools[pick(12)]));
        } else if (what == 11) {
            if (mixed_ || !saved_) {
                f_.view.markSaved();
                saved_ = true;
                savedAt_ = f_.view.history().position();
            }
        } else if (what == 12 || what == 13) {
            if (f_.view.history().canUndo()) {
                undo();
            }
        } else if (f_.view.history().canRedo()) {
            redo();
        }
    }

    std::mt19937 rng_;
    ViewFixture f_;
    bool mixed_;
    // Per step k (from 1): the bytes and first visible measure just before and just after it.
    std::vector<std::vector<std::uint8_t>> before_;
    std::vector<std::vector<std::uint8_t>> after_;
    std::vector<int> firstBefore_;
    std::vector<int> firstAfter_;
    std::vector<std::uint8_t> pendingBefore_;
    int pendingFirst_ = 0;
    int stepsMade_ = 0;
    bool saved_ = false;
    // Out of reach once a step was made behind it; a new score starts at its saved point.
    std::optional<std::size_t> savedAt_ = 0;
};

TEST(UndoProperty, RandomEditsUndoneAndRedoneGiveTheRecordedBytes) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        RandomEdits(seed, false).run(120);
    }
}

TEST(UndoProperty, UndoRedoAndSavingBetweenRandomEdits) {
    for (unsigned seed = 11; seed <= 16; ++seed) {
        SCOPED_TRACE(seed);
        RandomEdits(seed, true).run(150);
    }
}

}  // namespace
}  // namespace corvane::test
