#pragma once
// A quick reading of a Standard MIDI File before it is rendered: how much sound each channel
// makes and when the song's last event comes, so that the render can share the channels out
// among synthesizers and knows how far along it is.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

inline constexpr int kMidiChannels = 16;

// The notes of one program and key on a channel.
struct NoteGroup {
    int program = 0;
    int key = 0;
    int count = 0;
    // Their sounding time in all, Note On to Note Off (to the song's last event for a note that
    // never ends).
    double seconds = 0;
};

// One note: when it starts, how long it is held, and its group among its channel's notes.
struct HeldNote {
    double start = 0;
    double seconds = 0;
    int channel = 0;
    std::size_t group = 0;
};

struct MidiSummary {
    std::array<std::vector<NoteGroup>, kMidiChannels> channelNotes;
    // Every note, in the order the notes end (those that never end last).
    std::vector<HeldNote> heldNotes;
    // Tick and time of the song's last channel event: its last Note Off, unless a later note
    // never ends.
    std::uint32_t lastEventTick = 0;
    double lastEventSeconds = 0;
    // Channels whose notes act on one another, so that one synthesizer must play all of them:
    // the drum channel (hi-hats cut each other off), and channels that choose a bank or set mono
    // mode, legato or portamento.
    std::uint16_t keysTogether = 1u << 9;
    // A sustain or sostenuto pedal is used: notes may sound on past their Note Offs.
    bool pedalled = false;

    // Note Ons on `channel`.
    int notes(int channel) const;
    // Channels with at least one note.
    int busyChannels() const;
};

// Raises RenderError when `midi` is not a Standard MIDI File.
MidiSummary summarizeMidi(std::span<const std::uint8_t> midi);

// Shares the channels with a rendering cost out into at most `maxGroups` groups of similar cost,
// one for each synthesizer, as bit masks of channels (the heaviest channel first to the lightest
// group, then moves and swaps that lighten the busiest group); the first group also takes the
// channels without. A single group of every channel when splitting would not pay.
std::vector<std::uint16_t> planChannelGroups(const std::array<double, kMidiChannels>& costs,
                                             int maxGroups);

inline constexpr std::uint16_t kAllChannels = 0xFFFF;

}  // namespace corvane
