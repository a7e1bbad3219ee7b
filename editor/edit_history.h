#pragma once
// The undo history of the editor: the steps made by clicks, each kept as the difference it made
// to the score, and the saved point. It keeps a copy of the score as of the last step boundary,
// so that a finished click is recorded by comparing only the parts it may have touched.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "score/score.h"
#include "score/score_delta.h"

namespace corvane {

// What a step did, as the Edit menu names it.
enum class StepKind {
    NoteEntry,
    AddTrack,
    TrackProperties,
    DeleteTrack,
    MakeDrums,
    KeyChange,
    MeterChange,
    TempoChange,
    Paste
};

// "Note Entry", "Key Change", ...
std::string_view stepName(StepKind kind);

class EditHistory {
  public:
    // An empty history of `score`, at its saved point.
    explicit EditHistory(const Score& score) : shadow_(score), trimmedTo_(score.measures.size()) {}

    // Forgets every step and starts again from `score`: at the saved point when `saved`, else
    // with the saved point out of reach.
    void reset(const Score& score, bool saved);
    // Outside any step the score lost measures from its end, down to `count` (scrolling left).
    void measuresTrimmed(std::size_t count);

    // A click begins on `score`, showing `firstVisibleMeasure` first. Takes in what scrolling
    // added or removed at the end of the score since the last step.
    void beginStep(const Score& score, int firstVisibleMeasure);
    // The click has ended: when `score` differs, within `scope`, from what it was at
    // beginStep(), records the step, dropping the steps that could have been redone. True when a
    // step was recorded.
    bool endStep(const Score& score, const ChangeScope& scope, StepKind kind,
                 int firstVisibleMeasure);
    // The click has ended without touching the score: no step.
    void cancelStep();

    // How many steps could be undone.
    std::size_t position() const { return position_; }
    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // "Undo Note Entry", or "Undo" when there is nothing to undo.
    std::string undoText() const;
    // "Redo Key Change", or "Redo" when there is nothing to redo.
    std::string redoText() const;

    // Takes back the last step: `score`, whatever scrolling did to its end since, becomes what it
    // was just before that step. Returns the first visible measure of that moment. Only when
    // canUndo().
    int undo(Score& score);
    // Makes the next step again: `score` becomes what it was just after it. Returns the first
    // visible measure of that moment. Only when canRedo().
    int redo(Score& score);

    // The score has been saved: the current position is the saved point.
    void markSaved() { savedPoint_ = position_; }
    // The score has never been saved (an imported score, say): no position is the saved point.
    void forgetSavedPoint() { savedPoint_.reset(); }
    // The position is the saved point.
    bool atSavedPoint() const { return savedPoint_ == position_; }

  private:
    struct Step {
        // What scrolling changed at the end of the score between the previous step and this one,
        // compared from measure leadFrom on; then what the click changed.
        ScoreDelta lead;
        std::size_t leadFrom = 0;
        ScoreDelta delta;
        StepKind kind = StepKind::NoteEntry;
        int firstVisibleBefore = 0;
        int firstVisibleAfter = 0;
    };

    // Gives `score` the end that the copy at the last boundary has.
    void restoreEnd(Score& score) const;

    std::vector<Step> steps_;
    std::size_t position_ = 0;
    std::optional<std::size_t> savedPoint_ = 0;
    // Applies `change` to the score and to the copy.
    void applyToBoth(Score& score, const ScoreDelta& change, bool forward);

    // The score as of the last step boundary, apart from what scrolling did to its end since:
    // from measure trimmedTo_ on, the two may differ. After an undo the copy is the score just
    // before the step undone, which is the step at position_ with its lead applied.
    Score shadow_;
    std::size_t trimmedTo_ = 0;
    bool leadApplied_ = false;
    // The click under way.
    ScoreDelta pendingLead_;
    std::size_t pendingLeadFrom_ = 0;
    int firstVisibleAtBegin_ = 0;
};

}  // namespace corvane
