#pragma once
// The names printed beside a track's staves: the instrument's name on the first system,
// shortened the way players know it on the systems after.

#include <string>

#include "score/score.h"

namespace corvane::engrave {

// The instrument's name, "Drums" for a drum track.
std::string fullStaffName(const Track& track);

// `name` shortened word by word: the usual abbreviation of a known word ("Piano" to "Pno."),
// else words of more than four letters cut to three and a full stop; numbers stay.
std::string shortStaffName(const std::string& name);

}  // namespace corvane::engrave
