#pragma once
// Where a Note stands in a score, as plain indexes: unlike a reference it stays meaningful when
// the score's content is replaced, and a lookup says when it no longer names a Note.

#include "score/score.h"

namespace corvane {

struct NoteIndex {
    int track = 0;
    int measure = 0;
    int note = 0;  // position within the measure, from 0

    friend bool operator==(const NoteIndex&, const NoteIndex&) = default;
};

// Measure `measure` of track `track`, or null when either index is out of range.
TrackMeasure* findMeasure(Score& score, int track, int measure);
const TrackMeasure* findMeasure(const Score& score, int track, int measure);

// The Note at `at`, or null when any of its indexes is out of range.
Note* findNote(Score& score, const NoteIndex& at);
const Note* findNote(const Score& score, const NoteIndex& at);

// The Note before the one at `at` in its track, looking into the previous measure when `at`
// opens its measure; null before the first Note of the first measure, or when `at` names none.
Note* previousNote(Score& score, const NoteIndex& at);
// The Note after the one at `at`, looking into the next measure; null after the last Note, or
// when `at` names none.
Note* nextNote(Score& score, const NoteIndex& at);

}  // namespace corvane
