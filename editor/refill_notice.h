#pragma once
// What a key or meter change of the Measure Properties dialog took away. Such a change refills
// with rests every measure it reaches, in every track; the user is told at once how many notes
// went from which measures, and that Undo brings them back.

#include <optional>
#include <string>
#include <vector>

#include "score/score.h"

namespace corvane {

class RefillNotice {
  public:
    // Before the dialog acts on measure `measure` of `score` (in range): counts the notes in the
    // measures a key change and a meter change there would reach.
    RefillNotice(const Score& score, int measure);

    // After the dialog, with `score` as it left it: what its key or meter change replaced with
    // rests ("The key change replaced 5 notes with rests in measures 3-4 and 7; Edit > Undo
    // brings them back."), or nothing when it replaced no note.
    std::optional<std::string> after(const Score& score) const;

  private:
    int measure_;
    MeasureInfo before_;
    int keyRun_ = 0;    // measures a key change reaches: those that share the measure's key
    int meterRun_ = 0;  // and a meter change: those that share its meter
    std::vector<int> notes_;  // notes of all tracks in each measure of the longer run
};

}  // namespace corvane
