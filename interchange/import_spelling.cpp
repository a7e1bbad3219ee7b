#include "interchange/import_spelling.h"

#include <algorithm>
#include <array>
#include <cstdlib>

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

}  // namespace

std::vector<WrittenPitch> spellings(int midiKey, int key) {
    const std::array<Accidental, 7> signature = keySignatureAccidentals(key);
    std::vector<WrittenPitch> out;
    for (int letter = 0; letter < 7; ++letter) {
        const auto l = static_cast<std::size_t>(letter);
        for (const Accidental accidental : {AccidentalNone, Natural, Sharp, Flat}) {
            const int r = rank(accidental, signature[l], key);
            const int natural = midiKey - alteration(accidental, signature[l]);
            if (r >= 0 && ((natural % 12) + 12) % 12 == kPitchClass[l]) {
                out.push_back({(floorDiv(natural, 12) - 1) * 7 + kStepFromC[l], accidental, r});
            }
        }
    }
    std::sort(out.begin(), out.end(),
              [](const WrittenPitch& a, const WrittenPitch& b) { return a.rank < b.rank; });
    return out;
}

namespace {

// The chord under one octave shift, whose staff reaches the steps low..low + 18: each head with
// its best spelling there, on a step of its own where it can be.
PlacedHeads fitChord(const std::vector<std::vector<WrittenPitch>>& options, int low, int octave) {
    PlacedHeads placed;
    placed.octave = octave;
    std::vector<int> taken;
    for (const std::vector<WrittenPitch>& choices : options) {
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
            chosen = &choices.front();
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
    return placed;
}

}  // namespace

PlacedHeads placeChord(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind) {
    std::vector<std::vector<WrittenPitch>> options;
    for (const std::uint8_t midiKey : midiKeys) {
        options.push_back(spellings(midiKey, key));
    }
    // The first shift, from 0 outwards, that moves the fewest heads.
    PlacedHeads best;
    bool first = true;
    for (const int octave : {0, 1, -1, 2, -2, 3, -3}) {
        PlacedHeads fit = fitChord(options, middleLine(kind) - 9 + 7 * octave, octave);
        if (first || fit.moved < best.moved) {
            best = std::move(fit);
            first = false;
        }
    }
    return best;
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
