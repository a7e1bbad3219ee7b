#include "score/pitch.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr int kA = 0, kB = 1, kC = 2, kD = 3, kE = 4, kF = 5, kG = 6;

// Natural key numbers for positions +9 down to -9.
constexpr std::array<std::int32_t, 19> kTrebleKeys = {86, 84, 83, 81, 79, 77, 76, 74, 72, 71,
                                                      69, 67, 65, 64, 62, 60, 59, 57, 55};
constexpr std::array<std::int32_t, 19> kBassKeys = {65, 64, 62, 60, 59, 57, 55, 53, 52, 50,
                                                    48, 47, 45, 43, 41, 40, 38, 36, 35};

std::int32_t naturalKey(std::int32_t position, TrackKind kind) {
    // Positions beyond the staff's reach (only a loaded file has them) sound like the top one.
    const std::size_t index =
        (position < -9 || position > 9) ? 0 : static_cast<std::size_t>(9 - position);
    return kind == Treble ? kTrebleKeys[index] : kBassKeys[index];
}

std::int32_t semitones(Accidental accidental) {
    switch (accidental) {
        case Sharp:
            return 1;
        case Flat:
            return -1;
        default:
            return 0;
    }
}

}  // namespace

int letterOfPosition(std::int32_t position, TrackKind kind) {
    // The +70 keeps the remainder non-negative for every position; ((x % 7) + 7) % 7 covers the
    // rest without overflow.
    const int r = static_cast<int>(((static_cast<std::int64_t>(position) + 70) % 7 + 7) % 7);
    static constexpr std::array<int, 7> kTreble = {kB, kC, kD, kE, kF, kG, kA};
    static constexpr std::array<int, 7> kBass = {kD, kE, kF, kG, kA, kB, kC};
    return kind == Treble ? kTreble[static_cast<std::size_t>(r)]
                          : kBass[static_cast<std::size_t>(r)];
}

std::array<Accidental, 7> keySignatureAccidentals(std::int32_t key) {
    static constexpr std::array<int, 6> kSharpOrder = {kF, kC, kG, kD, kA, kE};
    static constexpr std::array<int, 6> kFlatOrder = {kB, kE, kA, kD, kG, kC};
    std::array<Accidental, 7> result;
    result.fill(AccidentalNone);
    const int count = static_cast<int>(std::clamp(key, -6, 6));
    for (int i = 0; i < count; ++i) {
        result[static_cast<std::size_t>(kSharpOrder[static_cast<std::size_t>(i)])] = Sharp;
    }
    for (int i = 0; i < -count; ++i) {
        result[static_cast<std::size_t>(kFlatOrder[static_cast<std::size_t>(i)])] = Flat;
    }
    return result;
}

Accidental storedAccidental(std::int32_t position, Accidental requested, std::int32_t key,
                            TrackKind kind) {
    if (requested == AccidentalNone) {
        return AccidentalNone;
    }
    const Accidental signature =
        keySignatureAccidentals(key)[static_cast<std::size_t>(letterOfPosition(position, kind))];
    if (signature == AccidentalNone) {
        return requested;
    }
    if (signature == requested) {
        return AccidentalNone;
    }
    // The opposite of the signature's alteration is a natural, never a double alteration.
    return Natural;
}

std::int32_t midiKeyNumber(std::int32_t position, Accidental accidental, std::int32_t octave,
                           TrackKind kind, std::int32_t key) {
    std::int64_t number = 0;
    if (kind == Drums) {
        number = 3 * static_cast<std::int64_t>(position) + 63 + semitones(accidental);
    } else {
        std::int32_t adjustment = semitones(accidental);
        if (accidental == AccidentalNone) {
            adjustment = semitones(keySignatureAccidentals(
                key)[static_cast<std::size_t>(letterOfPosition(position, kind))]);
        }
        number = naturalKey(position, kind) + adjustment + 12 * static_cast<std::int64_t>(octave);
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(number, 0, 255));
}

}  // namespace corvane
