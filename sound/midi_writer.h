#pragma once
// Pieces of the Standard MIDI File writer that are useful on their own.

#include <cstdint>
#include <vector>

namespace corvane {

// Appends `value` as a MIDI variable-length quantity: 7-bit groups, most significant first,
// every group but the last with bit 7 set (0 is the single byte 0x00; at most five bytes).
void writeVarLen(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace corvane
