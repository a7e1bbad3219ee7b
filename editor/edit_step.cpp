#include "editor/edit_step.h"

#include <utility>

namespace corvane {

namespace {

// Measures [measure - 1, measure + 2) of a track: one measure and the neighbours its ties reach.
struct Around {
    std::size_t first = 0;
    std::size_t end = 0;
};

Around around(int measure) {
    const auto at = static_cast<std::size_t>(measure);
    return Around{at > 0 ? at - 1 : 0, at + 2};
}

}  // namespace

void EditStep::begin(const Score& score) {
    measuresBefore_ = score.measures.size();
    capture_ = std::make_unique<ChangeCapture>();
    scope(score);
}

bool EditStep::end(const Score& score) {
    record(score, delta_);
    capture_->settle(score, delta_);
    capture_.reset();
    // Automatic scrolling after an entry may have grown the score.
    delta_.measuresAppended(score, measuresBefore_);
    return !delta_.empty();
}

NoteEntryStep::NoteEntryStep(const NoteIndex& target, bool newVelocity)
    : target_(target), newVelocity_(newVelocity) {}

void NoteEntryStep::scope(const Score& score) {
    const Around measures = around(target_.measure);
    capture().copyMeasures(score, static_cast<std::size_t>(target_.track), measures.first,
                           newVelocity_ ? score.measures.size() : measures.end);
}

void PasteStep::scope(const Score& score) {
    const Around measures = around(measure_);
    capture().copyMeasures(score, static_cast<std::size_t>(track_), measures.first, measures.end);
}

void AddTrackStep::record(const Score& score, ScoreDelta& delta) {
    if (score.tracks.size() == tracksBefore_ + 1) {
        delta.trackAdded(tracksBefore_);
    }
}

std::string_view TrackDialogStep::text() const {
    switch (outcome_) {
        case Outcome::MadeDrums:
            return "Make Drums";
        case Outcome::Deleted:
            return "Delete Track";
        case Outcome::Properties:
            break;
    }
    return "Track Properties";
}

void TrackDialogStep::scope(const Score& score) {
    tracksBefore_ = score.tracks.size();
    before_ = std::make_unique<Track>(score.tracks[track_]);
}

void TrackDialogStep::record(const Score& score, ScoreDelta& delta) {
    const std::unique_ptr<Track> before = std::move(before_);
    if (score.tracks.size() + 1 == tracksBefore_) {
        outcome_ = Outcome::Deleted;
        delta.trackRemoved(track_, std::move(*before));
        return;
    }
    if (before->kind != Drums && score.tracks[track_].kind == Drums) {
        outcome_ = Outcome::MadeDrums;
    }
    delta.settingsWere(score, track_, before->program, before->kind);
    for (std::size_t m = 0; m < before->measures.size(); ++m) {
        delta.measureWas(score, track_, m, std::move(before->measures[m]));
    }
}

std::string_view MeasureDialogStep::text() const {
    switch (outcome_) {
        case Outcome::Key:
            return "Key Change";
        case Outcome::Meter:
            return "Meter Change";
        case Outcome::Tempo:
            break;
    }
    return "Tempo Change";
}

void MeasureDialogStep::measureChanging(Score& score, std::size_t measure, bool refilled) {
    if (refilled) {
        capture().takeMeasureOfEveryTrack(score, measure);
    } else {
        capture().copyMeasureOfEveryTrack(score, measure);
    }
}

void MeasureDialogStep::scope(const Score& score) {
    before_ = score.measures[measure_];
    capture().copyInfos(score, measure_);
}

void MeasureDialogStep::record(const Score& score, ScoreDelta&) {
    const MeasureInfo& after = score.measures[measure_];
    if (after.key != before_.key) {
        outcome_ = Outcome::Key;
    } else if (after.beats != before_.beats) {
        outcome_ = Outcome::Meter;
    }
}

}  // namespace corvane
