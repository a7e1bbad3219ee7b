#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Display name of a General MIDI program; 127 and every number outside 0..126 give "Gunshot".
// The view refers to static storage and is NUL-terminated.
std::string_view instrumentName(std::int32_t program);

}  // namespace corvane
