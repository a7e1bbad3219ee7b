#pragma once
// Bar lines for an imported file: measures of 3, 4 or 5 quarter notes that follow the file's
// meters where the score can, re-bar the others, and fall where tempo changes need them.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "interchange/import_report.h"

namespace corvane {

// A time signature of the file at a tick.
struct MeterMark {
    std::int64_t tick = 0;
    int numerator = 4;
    int denominator = 4;
};

// The bar positions, in quarter notes from the start, at which a measure must begin for a tempo
// change to be written back at the tick where the file has it.
struct TempoWindow {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// The measure lengths, in quarter notes, that one bar of numerator/denominator becomes, as a
// pattern that repeats: 6/8 -> 3, two 2/4 bars -> 4, 12/8 -> 3 3, 7/4 -> 4 3, 7/8 -> 4 (re-barred
// in 4/4 throughout).
std::vector<int> meterPattern(int numerator, int denominator);

// Whether a measure of `beats` quarter notes starting at quarter `start` can hold the notes at
// their ticks.
using MeasureFits = std::function<bool(std::int64_t start, int beats)>;

// Measures (their lengths in quarter notes) from the start to at least `endQuarters`: every
// tempo window kept first, then measures that hold their notes at their ticks, then the file's
// bar lines where its meters allow, then lengths close to the meter's. `meters` are sorted by
// tick; `windows` by their first position. At least one measure.
std::vector<int> chooseBars(std::int64_t endQuarters, std::span<const MeterMark> meters,
                            int division, std::span<const TempoWindow> windows,
                            const MeasureFits& fits);

// Reports the measures whose length is not what the file's meter at their start says.
void reportBarring(const std::vector<int>& beats, std::span<const MeterMark> meters, int division,
                   ImportReport& report);

}  // namespace corvane
