#include "interchange/held_ties.h"

#include <algorithm>

#include "score/pitch.h"

namespace corvane {

std::vector<std::int32_t> soundingKeys(const Note& note, TrackKind kind, std::int32_t key) {
    std::vector<std::int32_t> keys;
    keys.reserve(note.pitches.size());
    for (const NoteHead& head : note.pitches) {
        // Write Midi carries a key as its low byte.
        keys.push_back(midiKeyNumber(head.position, head.accidental, note.octave, kind, key) &
                       0xFF);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

bool holdsInto(const Note& from, std::int32_t fromKey, const Note& to, std::int32_t toKey,
               TrackKind kind) {
    const bool tiedOn = from.tie == TieStart || from.tie == TieMiddle;
    const bool tiedBack = to.tie == TieEnd || to.tie == TieMiddle;
    return tiedOn && tiedBack && !from.isRest() && !to.isRest() &&
           soundingKeys(from, kind, fromKey) == soundingKeys(to, kind, toKey);
}

std::vector<bool> heldIntoNext(const Score& score, std::size_t t) {
    const Track& track = score.tracks[t];
    std::vector<bool> held;
    const Note* previous = nullptr;
    std::int32_t previousKey = 0;
    const std::size_t measures = std::min(track.measures.size(), score.measures.size());
    for (std::size_t m = 0; m < measures; ++m) {
        const std::int32_t key = score.measures[m].key;
        for (const Note& note : track.measures[m]) {
            if (previous != nullptr) {
                held.push_back(holdsInto(*previous, previousKey, note, key, track.kind));
            }
            previous = &note;
            previousKey = key;
        }
    }
    if (previous != nullptr) {
        held.push_back(false);
    }
    return held;
}

}  // namespace corvane
