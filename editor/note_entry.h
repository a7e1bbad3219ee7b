#pragma once
// Note entry: the one operation that changes the notes of a measure, keeping it exactly full.

#include <cstdint>
#include <vector>

#include "render/entry_tools.h"
#include "score/note_index.h"
#include "score/note_values.h"
#include "score/score.h"

namespace corvane {

// One click's request, built from the editor's pending entry tools.
struct NoteEntry {
    int position = 0;                        // staff position of the head to enter, -9..+9
    Accidental accidental = AccidentalNone;  // AccidentalNone, Flat or Sharp as typed
    int keySignature = 0;                    // key signature of the measure entered into
    TrackKind trackKind = Treble;            // kind of the track entered into
    int duration = 4;                        // requested note value as a denominator, 1..32
    int dots = 0;                            // 0..2
    bool triplet = false;                    // make a triplet group
    int octave = 0;                          // octave shift stored in the target, -1..+1
    bool tie = false;                        // tie the target to the previous note
    bool rightButton = false;                // turn the target into a rest
    int velocity = 0;                        // 0 keeps the target's velocity, else 1..127
};

// What an entry sounds: every head of the entered Note, on its track's program. No MIDI keys when
// nothing sounds (a rest was entered, or the entry was refused).
struct EntrySound {
    std::vector<std::uint8_t> midiKeys;  // MIDI key numbers, in the order of the Note's heads
    std::uint8_t program = 0;            // the low byte of the track's program
    bool drums = false;                  // a drum track: the MIDI keys are drum sounds

    friend bool operator==(const EntrySound&, const EntrySound&) = default;
};

// Enters `request` into the Note at `target`: a pitch for the left button, a rest for the right
// one. An entry that does not fit, or a target that names no Note, leaves the score untouched.
// Returns what the entered Note sounds, for the caller to preview.
EntrySound enterNote(Score& score, const NoteIndex& target, const NoteEntry& request);

// The request a click with `rightButton` makes of the Note at `target` (which must exist) with
// the entry tools `tools`, the marker standing on staff position `position`.
NoteEntry entryRequest(const Score& score, const NoteIndex& target, int position,
                       const EntryTools& tools, bool rightButton);

// What an entry would do, found by trying it.
struct EntryTrial {
    enum Outcome { Refused, Unchanged, Changes };
    Outcome outcome = Refused;
    Note result;  // unless refused: the target as the entry leaves it

    friend bool operator==(const EntryTrial&, const EntryTrial&) = default;
};

// What enterNote(score, target, request) would do, without changing `score`: refuse, change
// nothing, or change the score, with the target as it would become. Tried on a copy of the
// target's measure and the Notes either side of it, all that an entry can change besides
// velocities it carries on (which it only changes when it changes the target's too).
EntryTrial tryEntry(const Score& score, const NoteIndex& target, const NoteEntry& request);

}  // namespace corvane
