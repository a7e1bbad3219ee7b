#pragma once
// One staff of one system, drawn in staff spaces around its middle line: lines, clef and
// signatures, notes and rests, beams, triplet marks, ties, octave marks and dynamics; on the
// system's top staff also the measure number and the tempo marks.

#include "engrave/sketch.h"
#include "engrave/system_plan.h"
#include "score/score.h"

namespace corvane::engrave {

// Sizes of the texts above the top staff, in staff spaces.
inline constexpr double kMeasureNumberSize = 1.5;
inline constexpr double kTempoTextSize = 1.8;

// Draws `track`'s staff of the system `plan` of `score`; `top` for the system's top staff.
Sketch sketchStaff(const Score& score, const Track& track, const SystemPlan& plan, bool top);

}  // namespace corvane::engrave
