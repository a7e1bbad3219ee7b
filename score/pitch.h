#pragma once
// Staff position and pitch: how a written head (position, accidental) becomes a MIDI key, and
// which accidental a typed sharp or flat stores in the measure's key.

#include <array>
#include <cstdint>

#include "score/score.h"

namespace corvane {

// Letter index 0..6 in the order A B C D E F G of a staff position on a staff of `kind`.
int letterOfPosition(std::int32_t position, TrackKind kind);

// For each letter (A..G) the accidental the key signature gives it; keys beyond +-6 act as +-6.
std::array<Accidental, 7> keySignatureAccidentals(std::int32_t key);

// The accidental to store for a head entered with `requested` in a measure of key `key`.
Accidental storedAccidental(std::int32_t position, Accidental requested, std::int32_t key,
                            TrackKind kind);

// MIDI key number 0..255 of a head on a staff (or drum line) of `kind` in a measure of `key`.
std::int32_t midiKeyNumber(std::int32_t position, Accidental accidental, std::int32_t octave,
                           TrackKind kind, std::int32_t key);

}  // namespace corvane
