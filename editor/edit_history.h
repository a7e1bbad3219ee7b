#pragma once
// The undo history of the editor, shaped like QUndoStack: a stack of steps, one per user action
// that changed the score (editor/edit_step.h), a position in it, and a clean index, the position
// at which the score is as it was last saved or loaded. Besides the steps, the history follows
// what scrolling does to the end of the score between them: undo gives back the score exactly as
// it was before a step, whatever scrolling added or removed since.
//
// A check compares every step, when it is recorded, with a whole copy of the score before it:
// undoing the step must give that copy back, so a change outside the step's scope cannot go
// unnoticed. It is on in debug builds, and wherever CORVANE_CHECK_HISTORY=1 is set (the test
// suite sets it); CORVANE_CHECK_HISTORY=0 turns it off. Only then does the history copy the score.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/edit_step.h"
#include "score/score.h"
#include "score/score_delta.h"

namespace corvane {

// Whether a history built now checks its steps: in debug builds, unless CORVANE_CHECK_HISTORY
// says otherwise.
bool historyCheckWanted();

class EditHistory {
  public:
    // An empty history of `score`, clean; with `checked`, every step is checked when recorded.
    explicit EditHistory(const Score& score, bool checked = historyCheckWanted());
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Forgets every step and starts again from `score`: clean when `clean`, else with no clean
    // index until markClean().
    void reset(const Score& score, bool clean);
    // Scrolling, outside any step, drops the last measure of `score` (never its only one).
    void trimLastMeasure(Score& score);

    // An action begins on `score`, showing `firstVisibleMeasure` first: `step` takes in what it
    // may change.
    void begin(std::unique_ptr<EditStep> step, const Score& score, int firstVisibleMeasure);
    // The action begun last has ended. When it changed `score`, its step goes on the stack,
    // replacing the steps that could have been redone, and the result is true; when it changed
    // nothing, the step is dropped and the history stays as it was.
    bool commit(const Score& score, int firstVisibleMeasure);

    // How many steps could be undone.
    std::size_t position() const { return position_; }
    // How many steps there are, undone ones included.
    std::size_t count() const { return steps_.size(); }
    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // "Undo Note Entry", or "Undo" when there is nothing to undo.
    std::string undoText() const;
    // "Redo Key Change", or "Redo" when there is nothing to redo.
    std::string redoText() const;
    // The step undo would take back, or null.
    const EditStep* lastStep() const;

    // Takes back the last step: `score`, whatever scrolling did to its end since, becomes what it
    // was just before that step. Returns the first visible measure of that moment. Only when
    // canUndo().
    int undo(Score& score);
    // Makes the next step again: `score` becomes what it was just after it. Returns the first
    // visible measure of that moment. Only when canRedo().
    int redo(Score& score);

    // The current position is clean: the score was saved.
    void markClean() { clean_ = position_; }
    // No position is clean: the score was never saved (an imported score, say).
    void forgetClean() { clean_.reset(); }
    // The position is the clean index.
    bool isClean() const { return clean_ == position_; }
    std::optional<std::size_t> cleanIndex() const { return clean_; }

  private:
    class Check;
    struct Entry {
        std::unique_ptr<EditStep> step;
        // What scrolling did to the end of the score between the previous step and this one:
        // from lead.from() on it dropped measures and grew the score again to `grownTo`
        // measures. While the step is done, `lead` keeps the measures it dropped.
        ScoreTail lead;
        std::size_t grownTo = 0;
        int firstVisibleBefore = 0;
        int firstVisibleAfter = 0;
    };

    // Gives `score` back the end it had at the last boundary (a step, undo or redo).
    void restoreEnd(Score& score);

    std::vector<Entry> steps_;
    std::size_t position_ = 0;
    std::optional<std::size_t> clean_ = 0;
    // The measures scrolling dropped since the last boundary, which the score had from
    // pending_.from() on then; what the score has there now, scrolling grew.
    ScoreTail pending_;
    // The action under way.
    std::unique_ptr<EditStep> open_;
    std::size_t measuresAtBegin_ = 0;
    int firstVisibleAtBegin_ = 0;
    std::unique_ptr<Check> check_;
};

}  // namespace corvane
