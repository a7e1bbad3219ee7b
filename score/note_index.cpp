#include "score/note_index.h"

#include <cstddef>
#include <iterator>

namespace corvane {

namespace {

// Shared by the const and non-const lookups: both only read the indexes.
template <class ScoreType>
auto* measureIn(ScoreType& score, int track, int measure) {
    using Result = decltype(&score.tracks[0].measures[0]);
    if (track < 0 || static_cast<std::size_t>(track) >= score.tracks.size()) {
        return Result{nullptr};
    }
    auto& measures = score.tracks[static_cast<std::size_t>(track)].measures;
    if (measure < 0 || static_cast<std::size_t>(measure) >= measures.size()) {
        return Result{nullptr};
    }
    return &measures[static_cast<std::size_t>(measure)];
}

template <class ScoreType>
auto* noteIn(ScoreType& score, const NoteIndex& at) {
    auto* notes = measureIn(score, at.track, at.measure);
    using Result = decltype(&notes->front());
    if (notes == nullptr || at.note < 0 || static_cast<std::size_t>(at.note) >= notes->size()) {
        return Result{nullptr};
    }
    return &*std::next(notes->begin(), at.note);
}

}  // namespace

TrackMeasure* findMeasure(Score& score, int track, int measure) {
    return measureIn(score, track, measure);
}

const TrackMeasure* findMeasure(const Score& score, int track, int measure) {
    return measureIn(score, track, measure);
}

Note* findNote(Score& score, const NoteIndex& at) {
    return noteIn(score, at);
}

const Note* findNote(const Score& score, const NoteIndex& at) {
    return noteIn(score, at);
}

Note* previousNote(Score& score, const NoteIndex& at) {
    if (findNote(score, at) == nullptr) {
        return nullptr;
    }
    if (at.note > 0) {
        return findNote(score, NoteIndex{at.track, at.measure, at.note - 1});
    }
    TrackMeasure* before = findMeasure(score, at.track, at.measure - 1);
    if (before == nullptr || before->empty()) {
        return nullptr;
    }
    return &before->back();
}

Note* nextNote(Score& score, const NoteIndex& at) {
    if (findNote(score, at) == nullptr) {
        return nullptr;
    }
    if (Note* next = findNote(score, NoteIndex{at.track, at.measure, at.note + 1})) {
        return next;
    }
    TrackMeasure* after = findMeasure(score, at.track, at.measure + 1);
    if (after == nullptr || after->empty()) {
        return nullptr;
    }
    return &after->front();
}

}  // namespace corvane
