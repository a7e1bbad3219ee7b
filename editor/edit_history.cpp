#include "editor/edit_history.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace corvane {

namespace {

// A step that does not give back the score it was recorded on would corrupt every undo after
// it: stop at once, saying which.
void require(bool holds, std::string_view step, std::string_view what) {
    if (!holds) {
        std::fprintf(stderr, "Undo history: the %.*s step %.*s\n", static_cast<int>(step.size()),
                     step.data(), static_cast<int>(what.size()), what.data());
        std::abort();
    }
}

}  // namespace

bool historyCheckWanted() {
    const char* setting = std::getenv("CORVANE_CHECK_HISTORY");
    if (setting != nullptr && *setting != '\0') {
        return std::string_view(setting) != "0";
    }
#ifdef NDEBUG
    return false;
#else
    return true;
#endif
}

// Whole copies of the score: at the last boundary, and before the action under way.
class EditHistory::Check {
  public:
    explicit Check(const Score& score) : boundary_(score) {}

    // The history moved to `score`, whose end scrolling changed as `pending` says.
    void moved(const Score& score, const ScoreTail& pending) {
        boundary_ = score;
        pending.copyInto(boundary_);
    }

    void begin(const Score& score, const ScoreTail& pending, const EditStep& step) {
        Score probe = score;
        pending.copyInto(probe);
        require(probe == boundary_, step.text(),
                "began after scrolling changed more than the end of the score");
        before_ = score;
    }

    // The step of `entry` was made on the score before_ and left `score`.
    void recorded(const Entry& entry, const Score& score) {
        Score probe = score;
        entry.step->undo(probe);
        const bool undone = probe == before_;
        entry.step->redo(probe);
        require(undone, entry.step->text(), "changed the score outside its scope");
        require(probe == score, entry.step->text(), "is not made again by redo");
        // Redo drops what scrolling grew and grows it again from the boundary.
        probe = boundary_;
        ScoreTail(entry.lead.from()).copyInto(probe);
        growTimeline(probe, entry.grownTo);
        require(probe == before_, entry.step->text(), "follows scrolling that redo cannot repeat");
        boundary_ = score;
        before_ = Score();
    }

  private:
    Score boundary_;
    Score before_;
};

EditHistory::EditHistory(const Score& score, bool checked)
    : pending_(score.measures.size()), check_(checked ? std::make_unique<Check>(score) : nullptr) {}

EditHistory::~EditHistory() = default;

void EditHistory::reset(const Score& score, bool clean) {
    steps_.clear();
    position_ = 0;
    clean_ = clean ? std::optional<std::size_t>(0) : std::nullopt;
    pending_ = ScoreTail(score.measures.size());
    open_.reset();
    if (check_) {
        check_->moved(score, pending_);
    }
}

void EditHistory::trimLastMeasure(Score& score) {
    if (score.measures.size() < 2) {
        return;
    }
    // A measure the score had at the last boundary is kept for undo; one scrolling grew is not.
    if (score.measures.size() == pending_.from()) {
        pending_.takeLastMeasure(score);
    } else {
        score.removeLastMeasure();
    }
}

void EditHistory::begin(std::unique_ptr<EditStep> step, const Score& score,
                        int firstVisibleMeasure) {
    open_ = std::move(step);
    measuresAtBegin_ = score.measures.size();
    firstVisibleAtBegin_ = firstVisibleMeasure;
    if (check_) {
        check_->begin(score, pending_, *open_);
    }
    open_->begin(score);
}

bool EditHistory::commit(const Score& score, int firstVisibleMeasure) {
    std::unique_ptr<EditStep> step = std::move(open_);
    if (!step->end(score)) {
        return false;
    }
    Entry entry{std::move(step), std::exchange(pending_, ScoreTail(score.measures.size())),
                measuresAtBegin_, firstVisibleAtBegin_, firstVisibleMeasure};
    if (check_) {
        check_->recorded(entry, score);
    }
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(position_), steps_.end());
    if (clean_ && *clean_ > position_) {
        clean_.reset();
    }
    steps_.push_back(std::move(entry));
    ++position_;
    return true;
}

std::string EditHistory::undoText() const {
    std::string text = "Undo";
    if (canUndo()) {
        text += ' ';
        text += steps_[position_ - 1].step->text();
    }
    return text;
}

std::string EditHistory::redoText() const {
    std::string text = "Redo";
    if (canRedo()) {
        text += ' ';
        text += steps_[position_].step->text();
    }
    return text;
}

const EditStep* EditHistory::lastStep() const {
    return canUndo() ? steps_[position_ - 1].step.get() : nullptr;
}

void EditHistory::restoreEnd(Score& score) {
    pending_.swapWith(score);
    pending_ = ScoreTail(score.measures.size());
}

int EditHistory::undo(Score& score) {
    restoreEnd(score);
    Entry& entry = steps_[--position_];
    entry.step->undo(score);
    // The score is now as it was just before the step, with the lead applied: what the lead
    // dropped is pending again, as if scrolling had just done it.
    pending_ = std::exchange(entry.lead, ScoreTail(entry.lead.from()));
    if (check_) {
        check_->moved(score, pending_);
    }
    return entry.firstVisibleBefore;
}

int EditHistory::redo(Score& score) {
    restoreEnd(score);
    Entry& entry = steps_[position_++];
    entry.lead.swapWith(score);
    growTimeline(score, entry.grownTo);
    entry.step->redo(score);
    pending_ = ScoreTail(score.measures.size());
    if (check_) {
        check_->moved(score, pending_);
    }
    return entry.firstVisibleAfter;
}

}  // namespace corvane
