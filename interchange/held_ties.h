#pragma once
// Which tied Notes Write Midi holds into the next one: a chord tied on whose next Note (in the
// same track, across bar lines) is a chord tied back that sounds exactly the same keys. Any other
// tie ends the sound and strikes again, so MusicXML ties are written, and read back, only where
// the keys are held, and every reader plays what Write Midi plays.

#include <cstdint>
#include <vector>

#include "score/score.h"

namespace corvane {

// The MIDI keys of the heads of `note` in a measure of key signature `key`, sorted.
std::vector<std::int32_t> soundingKeys(const Note& note, TrackKind kind, std::int32_t key);

// Whether Write Midi holds `from` (in a measure of `fromKey`) into `to`, the Note right after it.
bool holdsInto(const Note& from, std::int32_t fromKey, const Note& to, std::int32_t toKey,
               TrackKind kind);

// For every Note of track `t`, counted across its measures in order, whether it is held into the
// next Note.
std::vector<bool> heldIntoNext(const Score& score, std::size_t t);

}  // namespace corvane
