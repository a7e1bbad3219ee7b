#pragma once
// The entry tools: the note value and the pending settings the next note entry takes, as the
// toolbar shows them. A pending setting is one-shot (it ends with the next entry) unless locked.

#include "score/score.h"

namespace corvane {

struct EntryTools {
    int currentDuration = 4;  // note value as a denominator: 1, 2, 4, 8, 16 or 32
    Accidental pendingAccidental = AccidentalNone;  // AccidentalNone, Flat or Sharp
    bool accidentalLocked = false;
    int pendingDots = 0;  // 0, 1 or 2
    bool dotsLocked = false;
    bool dotsUsed = false;  // a locked single dot has made an entry
    bool pendingTriplet = false;
    bool tripletLocked = false;
    int pendingOctave = 0;  // -1, 0 or +1
    bool octaveLocked = false;
    bool pendingTie = false;
    bool tieLocked = false;
    int pendingVelocity = 0;  // 0 keeps the target's velocity, else 1..127; always one-shot

    friend bool operator==(const EntryTools&, const EntryTools&) = default;
};

}  // namespace corvane
