#pragma once
// Where a system's measures and signatures go along its staves: the plan every staff of the
// system is drawn by, in staff spaces from the staves' left end.

#include <cstddef>
#include <vector>

#include "engrave/measure_spacing.h"
#include "engrave/signatures.h"

namespace corvane::engrave {

struct MeasurePlace {
    std::size_t index = 0;  // the measure's index in the score
    double left = 0;        // its start: the header's end or the barline before it
    double notesStart = 0;  // after the key or time signature it starts with, if any
    double right = 0;       // its closing barline
    std::vector<double> columnX;
    MeasureSpacing spacing;
    bool keyChange = false;    // a key signature inside the system, before the notes
    bool meterChange = false;  // a time signature there
    double keyX = 0;
    double meterX = 0;
};

struct SystemPlan {
    std::size_t first = 0;  // measures [first, end) of the score
    std::size_t end = 0;
    double width = 0;  // the staves' length
    double clefX = 0;
    double keyX = 0;
    double meterX = 0;
    bool headerMeter = false;  // the first measure's time signature is shown in the header
    std::vector<MeasurePlace> measures;
    bool lastOfScore = false;  // ends with the score's final barline
};

}  // namespace corvane::engrave
