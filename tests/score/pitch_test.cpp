#include "score/pitch.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr int A = 0, B = 1, C = 2, D = 3, E = 4, F = 5, G = 6;

TEST(Pitch, LetterOfPosition) {
    struct Case {
        std::int32_t position;
        TrackKind kind;
        int letter;
    };
    const Case cases[] = {
        {0, Treble, B},   {1, Treble, C},   {-1, Treble, A},    {-3, Treble, F},   {-6, Treble, C},
        {7, Treble, B},   {-9, Treble, G},  {9, Treble, D},     {0, Bass, D},      {-1, Bass, C},
        {-7, Bass, D},    {6, Bass, C},     {9, Bass, F},       {-9, Bass, B},     {0, Drums, D},
        {-70, Treble, B}, {-71, Treble, A}, {-1000, Treble, C}, {-999, Treble, D},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(letterOfPosition(c.position, c.kind), c.letter)
            << "position " << c.position << " kind " << c.kind;
    }
}

TEST(Pitch, KeySignatureAccidentals) {
    using S = std::array<Accidental, 7>;
    constexpr Accidental n = AccidentalNone, s = Sharp, f = Flat;
    struct Case {
        std::int32_t key;
        S expected;  // A B C D E F G
    };
    const Case cases[] = {
        {0, {n, n, n, n, n, n, n}},  {1, {n, n, n, n, n, s, n}},    {2, {n, n, s, n, n, s, n}},
        {3, {n, n, s, n, n, s, s}},  {4, {n, n, s, s, n, s, s}},    {5, {s, n, s, s, n, s, s}},
        {6, {s, n, s, s, s, s, s}},  {7, {s, n, s, s, s, s, s}},    {100, {s, n, s, s, s, s, s}},
        {-1, {n, f, n, n, n, n, n}}, {-2, {n, f, n, n, f, n, n}},   {-3, {f, f, n, n, f, n, n}},
        {-4, {f, f, n, f, f, n, n}}, {-5, {f, f, n, f, f, n, f}},   {-6, {f, f, f, f, f, n, f}},
        {-7, {f, f, f, f, f, n, f}}, {-100, {f, f, f, f, f, n, f}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keySignatureAccidentals(c.key), c.expected) << "key " << c.key;
    }
}

TEST(Pitch, StoredAccidental) {
    struct Case {
        std::int32_t position;
        Accidental requested;
        std::int32_t key;
        TrackKind kind;
        Accidental stored;
    };
    const Case cases[] = {
        {-3, Sharp, 1, Treble, AccidentalNone},  // F in G major is already sharp
        {-3, Flat, 1, Treble, Natural},          // the opposite of the signature is a natural
        {-2, Flat, 1, Treble, Flat},             // G is not in the signature
        {0, AccidentalNone, -1, Treble, AccidentalNone},
        {0, Flat, -1, Treble, AccidentalNone},
        {0, Sharp, -1, Treble, Natural},
        {0, Natural, -1, Treble, Natural},  // a natural asked for on an altered letter stays one
        {0, Natural, 0, Treble, Natural},
        {-1, Sharp, 2, Bass, AccidentalNone},  // C3 in D major
        {-1, Flat, 2, Bass, Natural},
        {0, Sharp, 0, Bass, Sharp},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(storedAccidental(c.position, c.requested, c.key, c.kind), c.stored)
            << "position " << c.position << " requested " << c.requested << " key " << c.key;
    }
}

TEST(Pitch, NaturalKeysOfEveryStaffPosition) {
    const std::int32_t treble[] = {55, 57, 59, 60, 62, 64, 65, 67, 69, 71,
                                   72, 74, 76, 77, 79, 81, 83, 84, 86};
    const std::int32_t bass[] = {35, 36, 38, 40, 41, 43, 45, 47, 48, 50,
                                 52, 53, 55, 57, 59, 60, 62, 64, 65};
    for (std::int32_t p = -9; p <= 9; ++p) {
        EXPECT_EQ(midiKeyNumber(p, AccidentalNone, 0, Treble, 0), treble[p + 9]) << p;
        EXPECT_EQ(midiKeyNumber(p, AccidentalNone, 0, Bass, 0), bass[p + 9]) << p;
        EXPECT_EQ(midiKeyNumber(p, AccidentalNone, 0, Drums, 0), 3 * p + 63) << p;
    }
}

TEST(Pitch, MidiKeyNumber) {
    struct Case {
        std::int32_t position;
        Accidental accidental;
        std::int32_t octave;
        TrackKind kind;
        std::int32_t key;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0, AccidentalNone, 0, Treble, 0, 71},
        {0, AccidentalNone, 0, Treble, -1, 70},  // B flat from the signature
        {0, Natural, 0, Treble, -1, 71},
        {-1, AccidentalNone, 0, Bass, 2, 49},     // C sharp in D major
        {0, AccidentalNone, 0, Treble, 7, 71},    // no seventh sharp: B stays
        {-3, AccidentalNone, 0, Treble, -7, 65},  // no seventh flat: F stays
        {-3, AccidentalNone, 0, Treble, 6, 66},
        {0, AccidentalNone, 1, Treble, 0, 83},
        {0, AccidentalNone, -1, Bass, 0, 38},
        {0, Sharp, 1, Drums, 0, 64},  // octave and key don't reach the drums
        {0, AccidentalNone, 0, Drums, -3, 63},
        {-9, Flat, 0, Drums, 0, 35},
        {-9, AccidentalNone, 0, Drums, 0, 36},
        {-9, Sharp, 0, Drums, 0, 37},
        {9, Sharp, 0, Drums, 0, 91},
        {12, AccidentalNone, 0, Treble, 0, 86},  // beyond the staff sounds like +9
        {-12, AccidentalNone, 0, Bass, 0, 65},
        {-3, Sharp, 0, Treble, -1, 66},
        {-3, Flat, 0, Treble, 1, 64},
        {-9, Flat, -3, Bass, 0, 0},      // 35 - 1 - 36 clamps at 0
        {9, Sharp, 20, Treble, 0, 255},  // clamps at a byte
        {9, AccidentalNone, 3, Treble, 6, 123},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(midiKeyNumber(c.position, c.accidental, c.octave, c.kind, c.key), c.expected)
            << "position " << c.position << " accidental " << c.accidental << " octave " << c.octave
            << " kind " << c.kind << " key " << c.key;
    }
}

// What note entry stores for a typed accidental always sounds as asked: the requested
// alteration of the natural step, or the natural step for the opposite of the signature.
TEST(Pitch, StoredAccidentalSoundsAsRequested) {
    for (const TrackKind kind : {Treble, Bass}) {
        for (std::int32_t key = -6; key <= 6; ++key) {
            for (std::int32_t p = -9; p <= 9; ++p) {
                const std::int32_t natural = midiKeyNumber(p, Natural, 0, kind, key);
                const Accidental signature = keySignatureAccidentals(
                    key)[static_cast<std::size_t>(letterOfPosition(p, kind))];
                for (const Accidental requested : {Sharp, Flat}) {
                    const std::int32_t sounded =
                        midiKeyNumber(p, storedAccidental(p, requested, key, kind), 0, kind, key);
                    const bool opposite = signature != AccidentalNone && signature != requested;
                    const std::int32_t expected =
                        opposite ? natural : natural + (requested == Sharp ? 1 : -1);
                    EXPECT_EQ(sounded, expected) << "kind " << kind << " key " << key << " p " << p;
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvane
