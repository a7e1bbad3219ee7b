#pragma once
// What each synthesizer of an offline render sounds. Channels are shared out whole where that
// balances the work; where it does not, the notes of a channel are shared out by key, and every
// synthesizer that plays any key of a channel hears all of that channel's other events, so its
// programs, controllers and pitch bends are the same everywhere. A key stays on one synthesizer,
// so a note struck again on its key ends the earlier one as in a single synthesizer.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "sound/midi_summary.h"

namespace corvane {

inline constexpr int kMidiKeys = 128;

// The cost of the notes of each channel and key, in seconds of one voice sounding.
using KeyCosts = std::array<std::array<double, kMidiKeys>, kMidiChannels>;

// The cost of each channel: the sum over its keys.
std::array<double, kMidiChannels> channelCosts(const KeyCosts& costs);

// The keys one synthesizer plays, channel by channel.
struct LaneShare {
    std::array<std::bitset<kMidiKeys>, kMidiChannels> keys;

    // Every key of the channels of `mask` (a bit mask).
    static LaneShare ofChannels(std::uint16_t mask);
    // The synthesizer hears the events of `channel` other than notes.
    bool hears(int channel) const { return keys[static_cast<std::size_t>(channel)].any(); }
    // The synthesizer plays the notes of `key` on `channel`.
    bool plays(int channel, int key) const {
        return keys[static_cast<std::size_t>(channel)].test(static_cast<std::size_t>(key & 0x7F));
    }
    bool operator==(const LaneShare&) const = default;
};

// Shares the song out among at most `maxLanes` synthesizers: whole channels as
// planChannelGroups shares them, then keys of the busiest synthesizer's channels moved to the
// lightest while that evens out their work. Channels of `whole` (a bit mask: channels whose keys
// act on each other, such as drum kits whose hi-hats cut each other off) are never split. Where
// one channel carries nearly the whole song, one synthesizer plays it all: every synthesizer
// runs reverb and chorus of its own, and a song of few voices is mostly that.
std::vector<LaneShare> planLaneShares(const KeyCosts& costs, std::uint16_t whole, int maxLanes);

}  // namespace corvane
