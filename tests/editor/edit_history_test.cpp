// The history on its own, driven by steps on a plain score: the clean index, the measures
// scrolling drops and grows between steps, what a step says it turned into rests, and the check
// that stops a step whose change reaches outside its scope.

#include "editor/edit_history.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

// A step that says it may change only measure `measure` of track 0.
class OneMeasureStep final : public EditStep {
  public:
    explicit OneMeasureStep(std::size_t measure) : measure_(measure) {}
    std::string_view text() const override { return "One Measure"; }

  private:
    void scope(const Score& score) override {
        capture().copyMeasures(score, 0, measure_, measure_ + 1);
    }
    std::size_t measure_;
};

// Changes measure `measure` of track 0 as a step; false when the history made none.
bool changeMeasure(EditHistory& history, Score& score, std::size_t measure, int velocity) {
    history.begin(std::make_unique<OneMeasureStep>(measure), score, 0);
    for (Note& note : score.tracks[0].measures[measure]) {
        note.velocity = velocity;
    }
    return history.commit(score, 0);
}

TEST(EditHistory, TheCleanIndexFollowsSavesStepsAndUndo) {
    Score score = samples::largeScore(4, 2);
    EditHistory history(score);
    EXPECT_TRUE(history.isClean());
    ASSERT_TRUE(changeMeasure(history, score, 1, 7));
    EXPECT_FALSE(history.isClean());
    EXPECT_FALSE(changeMeasure(history, score, 1, 7)) << "the same change again changes nothing";
    EXPECT_EQ(history.count(), 1u);
    history.markClean();
    ASSERT_TRUE(changeMeasure(history, score, 2, 9));
    history.undo(score);
    EXPECT_TRUE(history.isClean());
    history.undo(score);
    EXPECT_FALSE(history.isClean());
    // A step made behind the clean index puts it out of reach.
    ASSERT_TRUE(changeMeasure(history, score, 3, 11));
    history.undo(score);
    EXPECT_EQ(history.cleanIndex(), std::nullopt);
    EXPECT_FALSE(history.isClean());
    history.reset(score, false);
    EXPECT_FALSE(history.isClean()) << "a score never saved has no clean index";
    history.markClean();
    EXPECT_TRUE(history.isClean());
}

TEST(EditHistory, ScrollingBetweenStepsIsTakenBackAndRepeated) {
    Score score = samples::largeScore(6, 2);
    // The last two measures hold rests only, of their own lengths and velocities, with the
    // settings of the measure before: scrolling may drop them, and growth would not make them
    // again.
    for (std::size_t m = 4; m < 6; ++m) {
        score.measures[m] = score.measures[3];
        for (Track& track : score.tracks) {
            for (Note& note : track.measures[m]) {
                note.pitches.clear();
                note.velocity = 11;
            }
        }
    }
    EditHistory history(score);
    const Score start = score;
    history.trimLastMeasure(score);
    history.trimLastMeasure(score);
    growTimeline(score, 9);
    const Score beforeStep = score;
    ASSERT_TRUE(changeMeasure(history, score, 4, 99));
    const Score afterStep = score;
    history.trimLastMeasure(score);
    growTimeline(score, 12);

    history.undo(score);
    EXPECT_EQ(score, beforeStep);
    history.trimLastMeasure(score);
    history.redo(score);
    EXPECT_EQ(score, afterStep);
    history.undo(score);
    EXPECT_EQ(score, beforeStep);
    // A new step in place of the undone one starts from the same scrolled score.
    ASSERT_TRUE(changeMeasure(history, score, 0, 60));
    EXPECT_EQ(history.count(), 1u);
    history.undo(score);
    EXPECT_EQ(score, beforeStep);
    history.redo(score);
    history.trimLastMeasure(score);
    history.undo(score);
    EXPECT_EQ(score, beforeStep);
    EXPECT_NE(score, start) << "scrolling before the first step is no step";
}

// Turns measures of track 0 into rests as one step, like a key change over part of a track.
class RestStep final : public EditStep {
  public:
    std::string_view text() const override { return "Rests"; }
    void rest(Score& score, std::size_t measure) {
        capture().takeMeasureOfEveryTrack(score, measure);
        for (Track& track : score.tracks) {
            track.measures[measure] = freshMeasure(score.measures[measure].beats);
        }
    }

  private:
    void scope(const Score&) override {}
};

TEST(EditHistory, TheLastStepTellsWhichMeasuresItTurnedIntoRests) {
    Score score = samples::largeScore(5, 2);
    EditHistory history(score);
    EXPECT_EQ(history.lastStep(), nullptr);
    auto step = std::make_unique<RestStep>();
    RestStep& resting = *step;
    history.begin(std::move(step), score, 0);
    resting.rest(score, 1);
    resting.rest(score, 3);
    ASSERT_TRUE(history.commit(score, 0));
    ASSERT_NE(history.lastStep(), nullptr);
    EXPECT_EQ(history.lastStep()->text(), "Rests");
    // largeScore gives each measure of each track six sounding Notes.
    const std::vector<RestedMeasure> expected{{1, 12}, {3, 12}};
    EXPECT_EQ(history.lastStep()->notesMadeRests(score), expected);
}

TEST(HistoryCheck, DebugBuildsAndTheSettingTurnItOn) {
    const char* saved = std::getenv("CORVANE_CHECK_HISTORY");
    const std::optional<std::string> setting =
        saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
    setenv("CORVANE_CHECK_HISTORY", "1", 1);
    EXPECT_TRUE(historyCheckWanted());
    setenv("CORVANE_CHECK_HISTORY", "0", 1);
    EXPECT_FALSE(historyCheckWanted());
    unsetenv("CORVANE_CHECK_HISTORY");
#ifdef NDEBUG
    EXPECT_FALSE(historyCheckWanted());
#else
    EXPECT_TRUE(historyCheckWanted());
#endif
    if (setting) {
        setenv("CORVANE_CHECK_HISTORY", setting->c_str(), 1);
    }
}

TEST(HistoryCheckDeathTest, AChangeOutsideTheStepsScopeStopsTheProgram) {
    Score score = samples::largeScore(4, 2);
    EditHistory history(score, true);
    history.begin(std::make_unique<OneMeasureStep>(1), score, 0);
    score.tracks[0].measures[1].front().velocity = 1;
    score.tracks[1].measures[2].front().velocity = 1;
    EXPECT_DEATH(history.commit(score, 0),
                 "the One Measure step changed the score outside its scope");
}

TEST(HistoryCheckDeathTest, AChangeBetweenStepsStopsTheNextOne) {
    Score score = samples::largeScore(4, 2);
    EditHistory history(score, true);
    score.tracks[1].measures[0].front().velocity = 1;
    EXPECT_DEATH(history.begin(std::make_unique<OneMeasureStep>(1), score, 0),
                 "began after scrolling changed more than the end of the score");
}

}  // namespace
}  // namespace corvane
