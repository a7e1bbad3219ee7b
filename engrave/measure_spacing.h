#pragma once
// Horizontal spacing of a measure across the staves of a system. Every Note that starts at the
// same time in any staff shares a column. Each column is given an ideal distance to the next
// one, wider for longer values (as engravers space: by about the cube root of the length), and
// a least distance that keeps accidentals, heads, dots, flags and dynamics from touching. A
// measure at stretch s has each distance at s times its ideal, never below its least.

#include <vector>

#include "engrave/engraved_measure.h"

namespace corvane::engrave {

struct MeasureSpacing {
    int ticks = 0;  // the measure's length: its meter's, or its longest staff's
    std::vector<int> columnTicks;
    std::vector<double> leastGap;  // from each column to the next; the last one's to the barline
    std::vector<double> idealGap;
    double lead = 0;  // from the start of the measure's notes to the first column, fixed

    // The measure's width at stretch s (signatures at its start not included).
    double width(double s) const;
    // Each column's x at stretch s, from the start of the measure's notes.
    std::vector<double> columnX(double s) const;
    // The column of the note starting at `tick`.
    std::size_t columnOf(int tick) const;
};

// The ideal distance after a note of `ticks` when nothing shorter sounds, in staff spaces.
double idealSpace(int ticks);

// The spacing of one measure whose staves are `staves` (one per track shown) and whose meter
// has `beats` quarters.
MeasureSpacing spaceMeasure(const std::vector<EngravedMeasure>& staves, int beats);

// The stretch at which `measures`, plus `fixed` staff spaces, fill `width` exactly; 0 when even
// their least widths do not fit.
double stretchToFill(const std::vector<const MeasureSpacing*>& measures, double fixed,
                     double width);

}  // namespace corvane::engrave
