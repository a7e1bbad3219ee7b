#include "editor/edit_history.h"

#include <algorithm>
#include <utility>

namespace corvane {

std::string_view stepName(StepKind kind) {
    switch (kind) {
        case StepKind::NoteEntry:
            return "Note Entry";
        case StepKind::AddTrack:
            return "Add Track";
        case StepKind::TrackProperties:
            return "Track Properties";
        case StepKind::DeleteTrack:
            return "Delete Track";
        case StepKind::MakeDrums:
            return "Make Drums";
        case StepKind::KeyChange:
            return "Key Change";
        case StepKind::MeterChange:
            return "Meter Change";
        case StepKind::TempoChange:
            return "Tempo Change";
        case StepKind::Paste:
            return "Paste";
    }
    return {};
}

void EditHistory::reset(const Score& score, bool saved) {
    steps_.clear();
    position_ = 0;
    savedPoint_ = saved ? std::optional<std::size_t>(0) : std::nullopt;
    shadow_ = score;
    trimmedTo_ = score.measures.size();
    leadApplied_ = false;
}

void EditHistory::measuresTrimmed(std::size_t count) {
    trimmedTo_ = std::min(trimmedTo_, count);
}

void EditHistory::beginStep(const Score& score, int firstVisibleMeasure) {
    // The copy goes back to just after the previous step, the state the new lead starts from.
    if (leadApplied_) {
        const Step& undone = steps_[position_];
        undone.lead.backward(shadow_);
        trimmedTo_ = std::min(trimmedTo_, undone.leadFrom);
        leadApplied_ = false;
    }
    pendingLeadFrom_ = trimmedTo_;
    pendingLead_ = ScoreDelta::record(shadow_, score, ChangeScope{trimmedTo_, std::nullopt});
    trimmedTo_ = shadow_.measures.size();
    firstVisibleAtBegin_ = firstVisibleMeasure;
}

bool EditHistory::endStep(const Score& score, const ChangeScope& scope, StepKind kind,
                          int firstVisibleMeasure) {
    // Growth made by the click's own scrolling is part of the step.
    ScoreDelta delta = ScoreDelta::record(shadow_, score, scope);
    trimmedTo_ = shadow_.measures.size();
    if (delta.empty()) {
        cancelStep();
        return false;
    }
    steps_.resize(position_);
    if (savedPoint_ && *savedPoint_ > position_) {
        savedPoint_.reset();
    }
    steps_.push_back(Step{std::move(pendingLead_), pendingLeadFrom_, std::move(delta), kind,
                          firstVisibleAtBegin_, firstVisibleMeasure});
    ++position_;
    return true;
}

void EditHistory::cancelStep() {
    // The scrolling before the click stays outside the history.
    pendingLead_.backward(shadow_);
    trimmedTo_ = std::min(pendingLeadFrom_, shadow_.measures.size());
    pendingLead_ = ScoreDelta();
}

std::string EditHistory::undoText() const {
    std::string text = "Undo";
    if (canUndo()) {
        text += ' ';
        text += stepName(steps_[position_ - 1].kind);
    }
    return text;
}

std::string EditHistory::redoText() const {
    std::string text = "Redo";
    if (canRedo()) {
        text += ' ';
        text += stepName(steps_[position_].kind);
    }
    return text;
}

void EditHistory::restoreEnd(Score& score) const {
    copyMeasuresFrom(score, shadow_, trimmedTo_);
}

void EditHistory::applyToBoth(Score& score, const ScoreDelta& change, bool forward) {
    if (forward) {
        change.forward(score);
        change.forward(shadow_);
    } else {
        change.backward(score);
        change.backward(shadow_);
    }
}

int EditHistory::undo(Score& score) {
    restoreEnd(score);
    if (leadApplied_) {
        applyToBoth(score, steps_[position_].lead, false);
    }
    const Step& step = steps_[--position_];
    applyToBoth(score, step.delta, false);
    leadApplied_ = true;
    trimmedTo_ = shadow_.measures.size();
    return step.firstVisibleBefore;
}

int EditHistory::redo(Score& score) {
    restoreEnd(score);
    const Step& step = steps_[position_++];
    if (!leadApplied_) {
        applyToBoth(score, step.lead, true);
    }
    applyToBoth(score, step.delta, true);
    leadApplied_ = false;
    trimmedTo_ = shadow_.measures.size();
    return step.firstVisibleAfter;
}

}  // namespace corvane
