#pragma once
// Note values and the arithmetic that keeps a measure full: lengths in thirty-second notes, the
// rests that fill a gap, and triplet groups. Note entry, import and export share these rules.

#include "score/score.h"

namespace corvane {

// Whether `duration` is a note value the model holds: 1, 2, 4, 8, 16 or 32.
bool isNoteValue(int duration);

// Length of a note value in thirty-second notes (quarter 8, dotted quarter 12); triplets aside.
int lengthUnits(int duration, int dots);

// A rest of `duration` with the triplet mark `triplet` (0, 1, 3 or 2) and `velocity`.
Note restNote(int duration, int triplet, int velocity);

// Whether a well-formed triplet group (marks 1, 3, 2 with equal durations) starts at `first`.
bool groupStartsAt(const TrackMeasure& notes, TrackMeasure::const_iterator first);

// Inserts rests worth `units` thirty-seconds directly after `after`, largest value that fits
// first; since each goes right behind `after`, they end up ordered from the shortest to the
// longest.
void fillRests(TrackMeasure& notes, TrackMeasure::iterator after, int units, int velocity);

// Turns `first` (holding the halved value) into the first of a triplet group of its doubled
// value, followed by two rests of `velocity`.
void makeTripletGroup(TrackMeasure& notes, TrackMeasure::iterator first, int velocity);

}  // namespace corvane
