#pragma once
// The rules by which keys and toolbar buttons change the entry tools, and how an entry ends the
// one-shot ones: pure functions of the tools' value.

#include "render/entry_tools.h"

namespace corvane {

// A tool character, in either case: z x c v b n choose the note value, s and f the accidental,
// q and a the octave, g the tie, t the triplet and d the dots. Returns false, changing nothing,
// for any other character.
bool applyToolKey(EntryTools& tools, char32_t c);

// The toolbar's dot button: off -> one-shot -> locked -> off. False, changing nothing, where a
// dot does not apply (thirty-seconds).
bool pressDotButton(EntryTools& tools);

// The toolbar's double-dot button, the same cycle with two dots. False, changing nothing, where
// double dots do not apply (sixteenths and thirty-seconds).
bool pressDoubleDotButton(EntryTools& tools);

// After an entry: what is not locked ends (the velocity always), and a locked single dot
// remembers that it has been used.
void endOneShotTools(EntryTools& tools);

}  // namespace corvane
