#pragma once
// Scores built in code for tests, benchmarks and the fuzzing corpus.

#include <cstdint>
#include <vector>

#include "score/score.h"

namespace corvane::samples {

// Four tracks (treble, bass, drums, treble) over fifteen measures with every key from 7 flats to
// 7 sharps, meters from 1 to 32 beats and tempos from 1 to 255; chords, ties across bar lines,
// triplets, dots, every accidental, octave and the extreme staff positions and velocities, an
// empty measure and a Note with many heads.
Score richScore();

// A short three-track piece (treble, bass, drums) over six measures that uses every mark the
// painter draws: chords with seconds, accidentals, dots, triplets, ties, octave shifts, velocity
// changes, and changes of key, meter and tempo. Every measure is exactly full.
Score samplePiece();

// `measures` 4/4 measures of `tracks` tracks holding eight eighth notes each, mixing rests, single
// notes and chords of two and three heads.
Score largeScore(int measures, int tracks);

// The bytes ScoreReader writes for `score`.
std::vector<std::uint8_t> encode(const Score& score);

}  // namespace corvane::samples
