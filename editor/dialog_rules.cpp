#include "editor/dialog_rules.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace corvane {

namespace {

constexpr std::size_t kBoxCharacters = 8;  // the dialogs read at most 8 characters of a box
constexpr int kHighestKey = 6;
constexpr int kLastProgram = 127;

// Refills measure `measure` of every track with `beats` fresh rests.
void refillMeasure(Score& score, std::size_t measure, int beats) {
    for (Track& track : score.tracks) {
        track.measures[measure] = freshMeasure(beats);
    }
}

// After measures [first, end) were refilled with rests, no tie may lead into or out of them.
void cutTiesAround(Score& score, std::size_t first, std::size_t end, const MeasureWatch& watch) {
    if (watch) {
        if (first > 0) {
            watch(first - 1, false);
        }
        if (end < score.measures.size()) {
            watch(end, false);
        }
    }
    for (Track& track : score.tracks) {
        if (first > 0 && !track.measures[first - 1].empty()) {
            cutTieAtEnd(track.measures[first - 1].back());
        }
        if (end < track.measures.size() && !track.measures[end].empty()) {
            cutTieAtStart(track.measures[end].front());
        }
    }
}

// Runs forward from `first` through the measures whose `field` equals `oldValue`, calling
// `change` on each; returns the index after the run.
template <typename Field, typename Change>
std::size_t forwardRun(Score& score, std::size_t first, Field field, int oldValue, Change change) {
    std::size_t i = first;
    while (i < score.measures.size() && score.measures[i].*field == oldValue) {
        change(i);
        ++i;
    }
    return i;
}

}  // namespace

int clampedBoxValue(std::string_view text, int low, int high) {
    const std::string_view box = text.substr(0, std::min(text.size(), kBoxCharacters));
    int value = 0;
    for (const char c : box) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return std::clamp(value, low, high);
}

TrackDialogModel::TrackDialogModel(Score& score, int track) : score_(score), track_(track) {
    const Track& t = score_.tracks[static_cast<std::size_t>(track_)];
    clef = t.kind == Bass ? Bass : Treble;
    if (t.program >= 0 && t.program <= kLastProgram) {
        program = t.program;
    }
}

bool TrackDialogModel::applicable() const {
    const TrackKind kind = score_.tracks[static_cast<std::size_t>(track_)].kind;
    return kind == Treble || kind == Bass;
}

DialogStep TrackDialogModel::ok() {
    Track& t = score_.tracks[static_cast<std::size_t>(track_)];
    if (clef == Treble && t.kind == Bass) {
        t.kind = Treble;
        t.resetMeasures(score_);
    } else if (clef == Bass && t.kind == Treble) {
        t.kind = Bass;
        t.resetMeasures(score_);
    }
    if (program && *program >= 0 && *program <= kLastProgram) {
        t.program = *program;
    }
    return DialogStep::Close;
}

DialogStep TrackDialogModel::deleteTrack(const Confirm& ask) {
    if (!ask(kDeleteTrackQuestion, kQuestionCaption)) {
        return DialogStep::Stay;
    }
    score_.deleteTrack(static_cast<std::size_t>(track_));
    return DialogStep::Close;
}

DialogStep TrackDialogModel::makeDrums(const Confirm& ask) {
    if (!ask(kMakeDrumsQuestion, kQuestionCaption)) {
        return DialogStep::Stay;
    }
    Track& t = score_.tracks[static_cast<std::size_t>(track_)];
    t.resetMeasures(score_);
    t.kind = Drums;
    return DialogStep::Close;
}

DialogStep DrumTrackDialogModel::deleteTrack(const Confirm& ask) {
    if (!ask(kDeleteTrackQuestion, kQuestionCaption)) {
        return DialogStep::Stay;
    }
    score_.deleteTrack(static_cast<std::size_t>(track_));
    return DialogStep::Close;
}

MeasureDialogModel::MeasureDialogModel(Score& score, int measure, std::function<void()> copy,
                                       MeasureWatch watch)
    : score_(score), measure_(measure), copy_(std::move(copy)), watch_(std::move(watch)) {
    const MeasureInfo& info = score_.measures[static_cast<std::size_t>(measure_)];
    keySignature = info.key >= -kHighestKey && info.key <= kHighestKey ? info.key : kHighestKey;
    if (info.beats >= 3 && info.beats <= 5) {
        meter = info.beats;
    }
    tempoText = std::to_string(info.tempo);
}

template <typename Field, typename Apply>
void MeasureDialogModel::refillRun(Field field, int oldValue, Apply apply) {
    const auto first = static_cast<std::size_t>(measure_);
    const std::size_t end = forwardRun(score_, first, field, oldValue, [&](std::size_t i) {
        if (watch_) {
            watch_(i, true);
        }
        apply(score_.measures[i]);
        refillMeasure(score_, i, score_.measures[i].beats);
    });
    cutTiesAround(score_, first, end, watch_);
}

DialogStep MeasureDialogModel::ok() {
    const std::size_t first = static_cast<std::size_t>(measure_);

    const int newKey = keySignature >= -kHighestKey && keySignature <= kHighestKey
                           ? keySignature
                           : kHighestKey;
    const int oldKey = score_.measures[first].key;
    if (newKey != oldKey) {
        refillRun(&MeasureInfo::key, oldKey, [newKey](MeasureInfo& info) { info.key = newKey; });
    }

    const int newBeats = meter == 3 ? 3 : meter == 4 ? 4 : 5;
    const int oldBeats = score_.measures[first].beats;
    if (newBeats != oldBeats) {
        refillRun(&MeasureInfo::beats, oldBeats,
                  [newBeats](MeasureInfo& info) { info.beats = newBeats; });
    }

    const int newTempo = clampedBoxValue(tempoText, 1, 255);
    const int oldTempo = score_.measures[first].tempo;
    if (newTempo != oldTempo) {
        forwardRun(score_, first, &MeasureInfo::tempo, oldTempo,
                   [&](std::size_t i) { score_.measures[i].tempo = newTempo; });
    }
    return DialogStep::Close;
}

DialogStep MeasureDialogModel::copy() {
    if (copy_) {
        copy_();
    }
    return DialogStep::Close;
}

DialogStep DynamicDialogModel::ok() {
    velocity = clampedBoxValue(text, 1, 127);
    return DialogStep::Close;
}

DialogStep DynamicDialogModel::cancel() {
    velocity = 0;
    return DialogStep::Close;
}

}  // namespace corvane
