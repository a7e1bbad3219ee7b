#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane {

// Display name of a General MIDI program; 127 and every number outside 0..126 give "Gunshot".
// The view refers to static storage and is NUL-terminated.
std::string_view instrumentName(std::int32_t program);

// The General MIDI name of percussion key `key`; empty outside 35..81. The view refers to static
// storage.
std::string_view percussionName(std::int32_t key);

// The General MIDI percussion channel (zero-based).
inline constexpr std::uint8_t kDrumChannel = 9;

class Score;

// The MIDI channel of each track, in track order: drum lines on the percussion channel, the other
// tracks on 0..8 and 10..15 in turn, round again after 15.
std::vector<std::uint8_t> midiChannels(const Score& score);

}  // namespace corvane
