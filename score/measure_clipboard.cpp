#include "score/measure_clipboard.h"

#include <cstddef>

namespace corvane {

void MeasureClipboard::copy(const Score& score, int measure, int track) {
    const Track& source = score.tracks[static_cast<std::size_t>(track)];
    const MeasureInfo& info = score.measures[static_cast<std::size_t>(measure)];
    kind_ = source.kind;
    key_ = info.key;
    beats_ = info.beats;
    notes_ = source.measures[static_cast<std::size_t>(measure)];
    if (!notes_.empty()) {
        cutTieAtStart(notes_.front());
        cutTieAtEnd(notes_.back());
    }
}

bool MeasureClipboard::fits(const Score& score, int measure, int track) const {
    const Track& target = score.tracks[static_cast<std::size_t>(track)];
    const MeasureInfo& info = score.measures[static_cast<std::size_t>(measure)];
    return kind_ == target.kind && key_ == info.key && beats_ == info.beats;
}

bool MeasureClipboard::pasteChanges(const Score& score, int measure, int track) const {
    if (!fits(score, measure, track)) {
        return false;
    }
    const Track& target = score.tracks[static_cast<std::size_t>(track)];
    const auto index = static_cast<std::size_t>(measure);
    if (target.measures[index] != notes_) {
        return true;
    }
    // The ties paste() would cut: one that runs on from the measure before, or into the next.
    const bool tiedFromBefore = index > 0 && !target.measures[index - 1].empty() &&
                                (target.measures[index - 1].back().tie == TieStart ||
                                 target.measures[index - 1].back().tie == TieMiddle);
    const bool tiedIntoNext = index + 1 < score.measures.size() &&
                              !target.measures[index + 1].empty() &&
                              (target.measures[index + 1].front().tie == TieEnd ||
                               target.measures[index + 1].front().tie == TieMiddle);
    return tiedFromBefore || tiedIntoNext;
}

bool MeasureClipboard::paste(Score& score, int measure, int track) const {
    if (!fits(score, measure, track)) {
        return false;
    }
    Track& target = score.tracks[static_cast<std::size_t>(track)];
    target.measures[static_cast<std::size_t>(measure)] = notes_;
    if (measure > 0) {
        TrackMeasure& previous = target.measures[static_cast<std::size_t>(measure - 1)];
        if (!previous.empty()) {
            cutTieAtEnd(previous.back());
        }
    }
    if (measure < static_cast<int>(score.measures.size()) - 1) {
        TrackMeasure& next = target.measures[static_cast<std::size_t>(measure + 1)];
        if (!next.empty()) {
            cutTieAtStart(next.front());
        }
    }
    return true;
}

}  // namespace corvane
