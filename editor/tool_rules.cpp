#include "editor/tool_rules.h"

namespace corvane {

namespace {

// The value cycle of sharp, flat, octave up and octave down: off -> one-shot -> locked -> off;
// a different value replaces the pending one as one-shot.
template <typename T>
void cycleValue(T& pending, bool& locked, T value, T neutral) {
    if (pending != value) {
        pending = value;
        locked = false;
    } else if (!locked) {
        locked = true;
    } else {
        pending = neutral;
        locked = false;
    }
}

char32_t lowerAscii(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

void clearDots(EntryTools& tools) {
    tools.pendingDots = 0;
    tools.dotsLocked = false;
    tools.dotsUsed = false;
}

void chooseDuration(EntryTools& tools, int duration) {
    tools.currentDuration = duration;
    clearDots(tools);
    if (duration == 1) {
        // A whole note cannot be a triplet.
        tools.pendingTriplet = false;
        tools.tripletLocked = false;
    }
}

void cycleTriplet(EntryTools& tools) {
    if (tools.currentDuration <= 1) {
        return;
    }
    if (!tools.pendingTriplet) {
        tools.pendingTriplet = true;
        tools.tripletLocked = false;
        tools.pendingDots = 0;
        tools.dotsLocked = false;
    } else if (!tools.tripletLocked) {
        tools.tripletLocked = true;
    } else {
        tools.pendingTriplet = false;
        tools.tripletLocked = false;
    }
}

// The d key: dot, locked dot, double dot, locked double dot, off. Sixteenths skip the double
// dot, thirty-seconds take no dot, and a locked dot that has been used goes straight off.
void cycleDots(EntryTools& tools) {
    if (tools.pendingDots == 0) {
        tools.pendingTriplet = false;
        tools.tripletLocked = false;
        if (tools.currentDuration < 32) {
            tools.pendingDots = 1;
            tools.dotsLocked = false;
        }
    } else if (tools.pendingDots == 1 && !tools.dotsLocked) {
        tools.dotsLocked = true;
    } else if (tools.pendingDots == 1) {
        if (tools.currentDuration >= 16) {
            tools.pendingDots = 0;
            tools.dotsLocked = false;
        } else if (tools.dotsUsed) {
            clearDots(tools);
        } else {
            tools.pendingDots = 2;
            tools.dotsLocked = false;
        }
    } else if (!tools.dotsLocked) {
        tools.dotsLocked = true;
    } else {
        tools.pendingDots = 0;
        tools.dotsLocked = false;
    }
}

}  // namespace

bool applyToolKey(EntryTools& tools, char32_t c) {
    switch (lowerAscii(c)) {
        case U'z':
            chooseDuration(tools, 1);
            return true;
        case U'x':
            chooseDuration(tools, 2);
            return true;
        case U'c':
            chooseDuration(tools, 4);
            return true;
        case U'v':
            chooseDuration(tools, 8);
            return true;
        case U'b':
            chooseDuration(tools, 16);
            return true;
        case U'n':
            chooseDuration(tools, 32);
            return true;
        case U's':
            cycleValue(tools.pendingAccidental, tools.accidentalLocked, Sharp, AccidentalNone);
            return true;
        case U'f':
            cycleValue(tools.pendingAccidental, tools.accidentalLocked, Flat, AccidentalNone);
            return true;
        case U'q':
            cycleValue(tools.pendingOctave, tools.octaveLocked, 1, 0);
            return true;
        case U'a':
            cycleValue(tools.pendingOctave, tools.octaveLocked, -1, 0);
            return true;
        case U'g':
            cycleValue(tools.pendingTie, tools.tieLocked, true, false);
            return true;
        case U't':
            cycleTriplet(tools);
            return true;
        case U'd':
            cycleDots(tools);
            return true;
        default:
            return false;
    }
}

bool pressDotButton(EntryTools& tools) {
    if (tools.currentDuration == 32) {
        return false;
    }
    if (tools.pendingDots == 1) {
        if (tools.dotsLocked) {
            clearDots(tools);
        } else {
            tools.dotsLocked = true;
        }
    } else {
        tools.pendingDots = 1;
        tools.pendingTriplet = false;
        tools.tripletLocked = false;
        tools.dotsLocked = false;
    }
    return true;
}

bool pressDoubleDotButton(EntryTools& tools) {
    if (tools.currentDuration == 16 || tools.currentDuration == 32) {
        return false;
    }
    if (tools.pendingDots == 2) {
        if (!tools.dotsLocked) {
            tools.dotsLocked = true;
        } else {
            tools.pendingDots = 0;
            tools.dotsLocked = false;
        }
    } else {
        tools.pendingDots = 2;
        tools.dotsUsed = false;
        tools.pendingTriplet = false;
        tools.tripletLocked = false;
        tools.dotsLocked = false;
    }
    return true;
}

void endOneShotTools(EntryTools& tools) {
    if (tools.pendingDots == 1 && tools.dotsLocked) {
        tools.dotsUsed = true;
    }
    if (!tools.dotsLocked) {
        tools.pendingDots = 0;
    }
    if (!tools.accidentalLocked) {
        tools.pendingAccidental = AccidentalNone;
    }
    if (!tools.octaveLocked) {
        tools.pendingOctave = 0;
    }
    if (!tools.tripletLocked) {
        tools.pendingTriplet = false;
    }
    if (!tools.tieLocked) {
        tools.pendingTie = false;
    }
    tools.pendingVelocity = 0;
}

}  // namespace corvane
