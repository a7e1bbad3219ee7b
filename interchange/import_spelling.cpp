#include "interchange/import_spelling.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

#include "score/pitch.h"

namespace corvane {

namespace {

// Letters are indexed A..G as in the pitch rules; these give each one's pitch class and its
// place within an octave that starts at C.
constexpr std::array<int, 7> kPitchClass = {9, 11, 0, 2, 4, 5, 7};
constexpr std::array<int, 7> kStepFromC = {5, 6, 0, 1, 2, 3, 4};

// Diatonic numbers of the staff's middle line: B4 for treble, D3 for bass.
int middleLine(TrackKind kind) {
    return kind == Treble ? 4 * 7 + 6 : 3 * 7 + 1;
}

int floorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

int alteration(Accidental accidental, Accidental signature) {
    switch (accidental) {
        case Sharp:
            return 1;
        case Flat:
            return -1;
        case Natural:
            return 0;
        default:
            return signature == Sharp ? 1 : (signature == Flat ? -1 : 0);
    }
}

// How much note entry's way of writing prefers each spelling; -1 where it never stores it.
int rank(Accidental accidental, Accidental signature, int key) {
    const bool altered = signature != AccidentalNone;
    switch (accidental) {
        case AccidentalNone:
            return 0;
        case Natural:
            return altered ? 1 : -1;
        case Sharp:
            return altered ? -1 : (key >= 0 ? 2 : 3);
        case Flat:
            return altered ? -1 : (key < 0 ? 2 : 3);
    }
    return -1;
}

using Spellings = KeySpellings;

// Every way to write `midiKey` in `key`, in the order note entry prefers them (letter order
// among equals).
Spellings spellingsByRule(int midiKey, int key) {
    const std::array<Accidental, 7> signature = keySignatureAccidentals(key);
    Spellings out;
    for (int letter = 0; letter < 7; ++letter) {
        const auto l = static_cast<std::size_t>(letter);
        for (const Accidental accidental : {AccidentalNone, Natural, Sharp, Flat}) {
            const int r = rank(accidental, signature[l], key);
            const int natural = midiKey - alteration(accidental, signature[l]);
            if (r >= 0 && ((natural % 12) + 12) % 12 == kPitchClass[l]) {
                std::size_t at = out.count++;
                for (; at > 0 && out.items[at - 1].rank > r; --at) {
                    out.items[at] = out.items[at - 1];
                }
                out.items[at] = {(floorDiv(natural, 12) - 1) * 7 + kStepFromC[l], accidental, r};
            }
        }
    }
    return out;
}

constexpr int kFewestSharps = -6;
constexpr int kMostSharps = 6;

// The spellings of each pitch class in each key a measure can have, worked out once: those of
// the keys of one octave, as steps from that octave's C.
using SpellingTable = std::array<std::array<Spellings, 12>, kMostSharps - kFewestSharps + 1>;

const SpellingTable& spellingTable() {
    static const SpellingTable table = [] {
        SpellingTable built{};
        for (int key = kFewestSharps; key <= kMostSharps; ++key) {
            for (int pitchClass = 0; pitchClass < 12; ++pitchClass) {
                // MIDI key 60 is C4, whose steps count from 4 * 7.
                Spellings& entry =
                    built[static_cast<std::size_t>(key - kFewestSharps)][static_cast<std::size_t>(
                        pitchClass)];
                entry = spellingsByRule(60 + pitchClass, key);
                for (std::size_t i = 0; i < entry.count; ++i) {
                    entry.items[i].diatonic -= 4 * 7;
                }
            }
        }
        return built;
    }();
    return table;
}

Spellings spellingsOf(int midiKey, int key) {
    if (key < kFewestSharps || key > kMostSharps) {
        return spellingsByRule(midiKey, key);
    }
    Spellings out = spellingTable()[static_cast<std::size_t>(key - kFewestSharps)]
                                   [static_cast<std::size_t>(((midiKey % 12) + 12) % 12)];
    const int octaveSteps = (floorDiv(midiKey, 12) - 1) * 7;
    for (std::size_t i = 0; i < out.count; ++i) {
        out.items[i].diatonic += octaveSteps;
    }
    return out;
}

// Writes into `placed` the chord under one octave shift, whose staff reaches the steps
// low..low + 18: each head with its best spelling there, on a step of its own where it can be.
// `taken` is room for the steps used.
void fitChord(std::span<const Spellings> options, int low, int octave, std::vector<int>& taken,
              PlacedHeads& placed) {
    taken.clear();
    placed.heads.clear();
    placed.octave = octave;
    placed.moved = 0;
    for (const Spellings& choices : options) {
        const WrittenPitch* chosen = nullptr;
        for (const bool dodge : {true, false}) {
            for (const WrittenPitch& choice : choices) {
                const bool inside = choice.diatonic >= low && choice.diatonic <= low + 18;
                const bool free =
                    std::find(taken.begin(), taken.end(), choice.diatonic) == taken.end();
                if (chosen == nullptr && inside && (free || !dodge)) {
                    chosen = &choice;
                }
            }
        }
        if (chosen == nullptr) {
            chosen = choices.begin();
            ++placed.moved;
        }
        taken.push_back(chosen->diatonic);
        int position = chosen->diatonic - low - 9;
        while (position > 9) {
            position -= 7;
        }
        while (position < -9) {
            position += 7;
        }
        const NoteHead head{position, chosen->accidental};
        if (std::find(placed.heads.begin(), placed.heads.end(), head) == placed.heads.end()) {
            placed.heads.push_back(head);
        }
    }
}

}  // namespace

std::vector<WrittenPitch> spellings(int midiKey, int key) {
    const Spellings found = spellingsOf(midiKey, key);
    return std::vector<WrittenPitch>(found.begin(), found.end());
}

namespace {

constexpr std::array<int, 7> kShiftsTried = {0, 1, -1, 2, -2, 3, -3};

// The octave shifts (bit 3 + shift) under which some spelling of `choices` lies on a staff
// reaching the steps low..low + 18, low = base + 7 * shift: the heads fitChord does not move.
// A step d is on that staff for the shifts from ceil((d - base - 18) / 7) to floor((d - base) / 7).
unsigned shiftsReaching(const Spellings& choices, int base) {
    unsigned shifts = 0;
    for (const WrittenPitch& choice : choices) {
        const int lowest = std::max(floorDiv(choice.diatonic - base - 12, 7), -3);
        const int highest = std::min(floorDiv(choice.diatonic - base, 7), 3);
        if (lowest <= highest) {
            shifts |= ((2u << (highest - lowest)) - 1) << (lowest + 3);
        }
    }
    return shifts;
}

// shiftsReaching for each key a chord can hold, in each key a measure can have, on the treble
// and the bass staff, worked out once: a chord's shift then needs no spellings.
using ReachTable =
    std::array<std::array<std::array<std::uint8_t, 128>, kMostSharps - kFewestSharps + 1>, 2>;

const ReachTable& reachTable() {
    static const ReachTable table = [] {
        ReachTable built{};
        for (const TrackKind kind : {Treble, Bass}) {
            for (int key = kFewestSharps; key <= kMostSharps; ++key) {
                for (int midiKey = 0; midiKey < 128; ++midiKey) {
                    built[kind == Treble ? 0 : 1][static_cast<std::size_t>(key - kFewestSharps)]
                         [static_cast<std::size_t>(midiKey)] = static_cast<std::uint8_t>(
                             shiftsReaching(spellingsOf(midiKey, key), middleLine(kind) - 9));
                }
            }
        }
        return built;
    }();
    return table;
}

}  // namespace

ChordShift ChordSpeller::shift(const std::vector<std::uint8_t>& midiKeys, int key,
                               TrackKind kind) {
    const bool tabled = key >= kFewestSharps && key <= kMostSharps;
    const auto& reach = reachTable()[kind == Treble ? 0 : 1]
                                    [static_cast<std::size_t>(tabled ? key - kFewestSharps : 0)];
    std::array<int, 7> moved{};  // by shift + 3
    for (const std::uint8_t midiKey : midiKeys) {
        const unsigned reached =
            tabled && midiKey < 128
                ? reach[midiKey]
                : shiftsReaching(spellingsOf(midiKey, key), middleLine(kind) - 9);
        for (std::size_t shift = 0; shift < moved.size(); ++shift) {
            moved[shift] += (reached >> shift & 1u) != 0 ? 0 : 1;
        }
    }
    // The first shift, from 0 outwards, that moves the fewest heads.
    ChordShift best{0, moved[3]};
    for (const int shift : kShiftsTried) {
        if (moved[static_cast<std::size_t>(shift + 3)] < best.moved) {
            best = {shift, moved[static_cast<std::size_t>(shift + 3)]};
        }
    }
    return best;
}

PlacedHeads ChordSpeller::place(const std::vector<std::uint8_t>& midiKeys, int key,
                                TrackKind kind) {
    PlacedHeads placed;
    place(midiKeys, key, kind, placed);
    return placed;
}

void ChordSpeller::place(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind,
                         PlacedHeads& out) {
    const ChordShift best = shift(midiKeys, key, kind);
    spell(midiKeys, key);
    fitChord(keys_, middleLine(kind) - 9 + 7 * best.octave, best.octave, taken_, out);
}

void ChordSpeller::spell(const std::vector<std::uint8_t>& midiKeys, int key) {
    if (spelledKey_ == key && spelledKeys_ == midiKeys) {
        return;
    }
    spelledKey_ = key;
    spelledKeys_ = midiKeys;
    keys_.clear();
    for (const std::uint8_t midiKey : midiKeys) {
        keys_.push_back(spellingsOf(midiKey, key));
    }
}

ChordShift chordShift(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind) {
    return ChordSpeller().shift(midiKeys, key, kind);
}

PlacedHeads placeChord(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind) {
    return ChordSpeller().place(midiKeys, key, kind);
}

std::optional<NoteHead> drumHead(int midiKey) {
    // Each drum line position p plays 3p + 63, one lower with a flat, one higher with a sharp;
    // the score file holds positions -20..20.
    const int position = floorDiv(midiKey - 62, 3);
    if (position < -20 || position > 20) {
        return std::nullopt;
    }
    const int rest = midiKey - 63 - 3 * position;
    return NoteHead{position, rest < 0 ? Flat : (rest > 0 ? Sharp : AccidentalNone)};
}

}  // namespace corvane
