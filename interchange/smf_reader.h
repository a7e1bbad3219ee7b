#pragma once
// Reading Standard MIDI Files: the chunks, and of their events only those a score can hold.

#include <cstdint>
#include <span>
#include <vector>

#include "interchange/import_error.h"

namespace corvane {

enum class SmfEventKind : std::uint8_t {
    NoteOn,
    NoteOff,
    Program,
    Tempo,
    TimeSignature,
    KeySignature,
    Sustain  // the sustain pedal, controller 64
};

// One event of a track chunk at its tick, counted from the start of the file's time.
struct SmfEvent {
    std::uint64_t tick = 0;
    SmfEventKind kind = SmfEventKind::NoteOn;
    std::uint8_t channel = 0;  // channel events: 0..15
    // NoteOn/NoteOff: key; Program: program; TimeSignature: numerator; KeySignature: sharps
    // (negative for flats, as a two's-complement byte); Sustain: the controller's value (64 and
    // above: down).
    std::uint8_t a = 0;
    // NoteOn: velocity (1..127); TimeSignature: the denominator as a power of two.
    std::uint8_t b = 0;
    std::uint32_t tempo = 0;  // Tempo: microseconds per quarter note, never 0
};

struct SmfTrack {
    std::vector<SmfEvent> events;  // in file order, so ticks never decrease
    std::uint64_t endTick = 0;     // the End of Track event's tick, or the last event's
    // Controllers other than the sustain pedal, pitch bends and pressure: events that have no
    // place in a score.
    std::uint32_t skippedChannelEvents = 0;
};

struct SmfFile {
    int format = 0;    // 0 or 1
    int division = 0;  // ticks per quarter note, 1..32767
    std::vector<SmfTrack> tracks;
};

// Parses a whole file. Raises ImportError when it is not a MIDI file, is damaged, or is of a
// kind a score cannot come from (format 2, SMPTE time code).
SmfFile parseSmf(std::span<const std::uint8_t> bytes);

}  // namespace corvane
