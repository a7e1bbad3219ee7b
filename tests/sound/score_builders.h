#pragma once
// Small helpers that build scores for the sound tests.

#include <initializer_list>
#include <utility>
#include <vector>

#include "score/score.h"

namespace corvane::test {

inline Note rest(std::int32_t duration = 4, std::int32_t dots = 0, std::int32_t triplet = 0) {
    Note note;
    note.duration = duration;
    note.dots = dots;
    note.triplet = triplet;
    return note;
}

inline Note chord(std::int32_t duration, std::initializer_list<std::int32_t> positions,
                  TieState tie = TieNone, std::int32_t velocity = 90) {
    Note note = rest(duration);
    note.tie = tie;
    note.velocity = velocity;
    for (const std::int32_t position : positions) {
        note.pitches.push_back(NoteHead{position, AccidentalNone});
    }
    return note;
}

inline Note single(std::int32_t duration, std::int32_t position, TieState tie = TieNone,
                   std::int32_t velocity = 90) {
    return chord(duration, {position}, tie, velocity);
}

// A score of `measures` 4/4 measures at `tempo` and the given tracks, each filled with rests.
inline Score emptyScore(std::size_t measures,
                        std::vector<std::pair<TrackKind, std::int32_t>> tracks,
                        std::int32_t tempo = 120) {
    Score score;
    score.clear();
    for (std::size_t i = 0; i < measures; ++i) {
        score.measures.push_back(MeasureInfo{0, tempo, 4});
    }
    for (const auto& [kind, program] : tracks) {
        Track track;
        track.kind = kind;
        track.program = program;
        track.measures.assign(measures, freshMeasure(4));
        score.tracks.push_back(std::move(track));
    }
    return score;
}

}  // namespace corvane::test
