#pragma once
// Random scores made the way a user makes them: measures with the keys, meters and tempos the
// Measure Properties dialog gives, tracks of every kind, and random entries through note entry
// with the editor's own tools (no dotted thirty-seconds, no dots on triplets, and so on).

#include <cstdint>
#include <iterator>
#include <random>

#include "editor/note_entry.h"
#include "score/score.h"

namespace corvane::testing {

struct RandomScoreShape {
    int measures = 8;
    int minTracks = 1;
    int maxTracks = 4;
    int entries = 120;
    int slowTempoPercent = 0;  // measures given a tempo of 1..3
    int minBeats = 3;          // the meters measures are given
    int maxBeats = 5;
};

inline int pick(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

inline bool chance(std::mt19937& rng, int percent) {
    return pick(rng, 0, 99) < percent;
}

inline NoteEntry randomEditorEntry(std::mt19937& rng) {
    const int values[] = {1, 2, 4, 8, 16, 32};
    NoteEntry entry;
    entry.duration = values[pick(rng, 0, 5)];
    entry.dots = chance(rng, 65) ? 0 : pick(rng, 1, 2);
    entry.triplet = chance(rng, 20) && entry.duration != 1;
    if (entry.triplet || entry.duration == 32) {
        entry.dots = 0;
    }
    if (entry.duration == 16 && entry.dots == 2) {
        entry.dots = 1;
    }
    entry.rightButton = chance(rng, 20);
    entry.tie = chance(rng, 35);
    entry.velocity = chance(rng, 75) ? 0 : pick(rng, 1, 127);
    entry.position = pick(rng, -9, 9);
    const Accidental accidentals[] = {AccidentalNone, AccidentalNone, Flat, Sharp};
    entry.accidental = accidentals[pick(rng, 0, 3)];
    entry.octave = chance(rng, 70) ? 0 : pick(rng, -1, 1);
    return entry;
}

inline Score randomEditorScore(std::mt19937& rng, const RandomScoreShape& shape) {
    Score score;
    score.clear();
    int tempo = pick(rng, 40, 200);
    int key = pick(rng, -6, 6);
    for (int m = 0; m < shape.measures; ++m) {
        if (chance(rng, 30)) {
            tempo = chance(rng, shape.slowTempoPercent) ? pick(rng, 1, 3) : pick(rng, 4, 255);
        }
        if (chance(rng, 25)) {
            key = pick(rng, -6, 6);
        }
        score.addMeasure(key, tempo, pick(rng, shape.minBeats, shape.maxBeats));
    }
    const int tracks = pick(rng, shape.minTracks, shape.maxTracks);
    for (int t = 0; t < tracks; ++t) {
        const TrackKind kinds[] = {Treble, Treble, Bass, Drums};
        score.addTrack(pick(rng, 0, 127), kinds[pick(rng, 0, 3)]);
    }
    for (int step = 0; step < shape.entries; ++step) {
        const int t = pick(rng, 0, tracks - 1);
        const int m = pick(rng, 0, shape.measures - 1);
        const TrackMeasure& notes =
            score.tracks[static_cast<std::size_t>(t)].measures[static_cast<std::size_t>(m)];
        const NoteIndex target{t, m, pick(rng, 0, static_cast<int>(notes.size()) - 1)};
        NoteEntry entry = randomEditorEntry(rng);
        entry.trackKind = score.tracks[static_cast<std::size_t>(t)].kind;
        entry.keySignature = score.measures[static_cast<std::size_t>(m)].key;
        if (entry.tie && !entry.rightButton) {
            // Aim at the previous Note's head, so that ties are made often.
            const Note* previous = previousNote(score, target);
            if (previous != nullptr && !previous->isRest()) {
                entry.octave = previous->octave;
                entry.position = previous->pitches.back().position;
                entry.accidental = previous->pitches.back().accidental;
                if (entry.trackKind != Drums && entry.accidental == Natural) {
                    entry.accidental = AccidentalNone;
                }
            }
        }
        enterNote(score, target, entry);
    }
    return score;
}

}  // namespace corvane::testing
