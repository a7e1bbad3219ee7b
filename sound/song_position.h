#pragma once
// Where a song written from a score stands in that score: a MIDI tick of the song turned back
// into a measure and a beat, with the measures laid out as Write Midi lays them.

#include <cstdint>
#include <vector>

#include "score/score.h"

namespace corvane {

// A place in the score: the measure (its index in the score) and how far into it, in quarter
// beats from its bar line.
struct SongPosition {
    int measure = 0;
    double beat = 0;

    friend bool operator==(const SongPosition&, const SongPosition&) = default;
};

// The measures of a song written from a score from one measure on, as ticks (24 a quarter).
class SongMeasures {
  public:
    SongMeasures() = default;
    // The measures of `score` from `firstMeasure` to its end, as Player::midiFileBytes() writes
    // them: each as long as its meter.
    SongMeasures(const Score& score, int firstMeasure);

    // The position at `tick` of the song (fractions of a tick allowed): before the song its first
    // measure's bar line, after it the end of its last measure.
    SongPosition at(double tick) const;

  private:
    int firstMeasure_ = 0;
    // The tick at which each measure starts, and last the tick at which the song's measures end.
    std::vector<std::int64_t> starts_;
};

}  // namespace corvane
