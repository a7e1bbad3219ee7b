// Parts of the MIDI import on their own: the spellings it writes keys with, the layouts it
// remembers, finding measures in order, the sustain pedal, and how overlapping notes are shared
// out among voices.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "interchange/import_layout.h"
#include "interchange/import_spelling.h"
#include "interchange/import_voices.h"
#include "score/pitch.h"

namespace corvane {
namespace {

// The key a written pitch plays: C4 (step 28) is key 60.
int keyOf(const WrittenPitch& pitch, int key) {
    constexpr int kSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
    const int octave = pitch.diatonic >= 0 ? pitch.diatonic / 7 : (pitch.diatonic - 6) / 7;
    const int letter = pitch.diatonic - 7 * octave;
    // The letters' places in the key signature run A..G, steps from C run C..B.
    const std::array<Accidental, 7> signature = keySignatureAccidentals(key);
    const Accidental written =
        pitch.accidental == AccidentalNone ? signature[static_cast<std::size_t>((letter + 2) % 7)]
                                           : pitch.accidental;
    const int alteration = written == Sharp ? 1 : (written == Flat ? -1 : 0);
    return 12 * (octave + 1) + kSemitones[letter] + alteration;
}

TEST(ImportSpelling, EverySpellingPlaysItsKeyBestFirst) {
    for (int key = -6; key <= 6; ++key) {
        for (int midiKey = 0; midiKey < 128; ++midiKey) {
            const std::vector<WrittenPitch> found = spellings(midiKey, key);
            ASSERT_FALSE(found.empty()) << midiKey << " in " << key;
            for (std::size_t i = 0; i < found.size(); ++i) {
                EXPECT_EQ(keyOf(found[i], key), midiKey) << midiKey << " in " << key;
                if (i > 0) {
                    EXPECT_LE(found[i - 1].rank, found[i].rank);
                }
            }
        }
    }
}

TEST(ImportSpelling, TheSpellerAgreesWithSpellingOneChordAtATime) {
    ChordSpeller speller;
    PlacedHeads into;  // placed into again and again: nothing of one chord stays for the next
    const std::vector<std::vector<std::uint8_t>> chords = {
        {60, 64, 67}, {60, 64, 67}, {21, 108}, {61, 62, 63, 64}, {60, 64, 67}, {127}};
    for (const auto& chord : chords) {
        for (const int key : {-6, 0, 3}) {
            for (const TrackKind kind : {Treble, Bass}) {
                const PlacedHeads alone = placeChord(chord, key, kind);
                const PlacedHeads reused = speller.place(chord, key, kind);
                EXPECT_EQ(reused.heads, alone.heads);
                EXPECT_EQ(reused.octave, alone.octave);
                EXPECT_EQ(reused.moved, alone.moved);
                speller.place(chord, key, kind, into);
                EXPECT_EQ(into.heads, alone.heads);
                EXPECT_EQ(into.octave, alone.octave);
                EXPECT_EQ(into.moved, alone.moved);
                const ChordShift shift = speller.shift(chord, key, kind);
                EXPECT_EQ(shift.octave, alone.octave);
                EXPECT_EQ(shift.moved, alone.moved);
            }
        }
    }
}

// The shift placeChord chooses, found by trying each one: the heads it moves are those with no
// spelling on the staff's positions -9..9 around its middle line (B4, step 34, on the treble
// staff; D3, step 22, on the bass staff) moved by that many octaves.
ChordShift shiftByTrial(const std::vector<std::uint8_t>& chord, int key, TrackKind kind) {
    const int middle = kind == Treble ? 34 : 22;
    ChordShift best{0, static_cast<int>(chord.size()) + 1};
    for (const int octave : {0, 1, -1, 2, -2, 3, -3}) {
        int moved = 0;
        for (const std::uint8_t midiKey : chord) {
            const std::vector<WrittenPitch> found = spellings(midiKey, key);
            moved += std::none_of(found.begin(), found.end(), [&](const WrittenPitch& pitch) {
                return std::abs(pitch.diatonic - middle - 7 * octave) <= 9;
            });
        }
        if (moved < best.moved) {
            best = {octave, moved};
        }
    }
    return best;
}

TEST(ImportSpelling, TheShiftMovesTheFewestHeadsAndIsTheNearestToNoneAmongEquals) {
    ChordSpeller speller;
    for (int key = -6; key <= 6; ++key) {
        for (const TrackKind kind : {Treble, Bass}) {
            // Every key alone, and chords of two keys an octave and a half to eight apart, which
            // leave some shifts moving one head and others moving none or two.
            for (int low = 0; low < 128; ++low) {
                for (const int span : {0, 18, 31, 50, 75, 100}) {
                    std::vector<std::uint8_t> chord = {static_cast<std::uint8_t>(low)};
                    if (span > 0 && low + span < 128) {
                        chord.push_back(static_cast<std::uint8_t>(low + span));
                    }
                    const ChordShift expected = shiftByTrial(chord, key, kind);
                    const ChordShift shift = speller.shift(chord, key, kind);
                    ASSERT_EQ(shift.octave, expected.octave) << low << "+" << span << " in " << key;
                    ASSERT_EQ(shift.moved, expected.moved) << low << "+" << span << " in " << key;
                }
            }
        }
    }
    // Keys beyond six sharps or flats are spelled by rule rather than from the table.
    EXPECT_EQ(speller.shift({60, 64}, 7, Treble).octave, shiftByTrial({60, 64}, 7, Treble).octave);
    EXPECT_EQ(speller.shift({20, 108}, -7, Bass).moved, shiftByTrial({20, 108}, -7, Bass).moved);
}

TEST(MeasureLayer, ARememberedLayoutTakesTheChordsOfTheMeasureItLays) {
    // Two measures of the same pattern (a quarter, a half, a quarter rest) with other chords.
    const std::vector<PlacedChord> chords = {
        {0, 24, {60}, 90}, {24, 72, {62}, 90}, {96, 120, {64}, 90}, {120, 168, {65}, 90}};
    MeasureLayer layer;
    std::size_t cursor = 0;
    std::vector<LaidNote> first;
    std::vector<LaidNote> second;
    ASSERT_TRUE(layer.lay(chords, cursor, 0, 96, first));
    ASSERT_TRUE(layer.lay(chords, cursor, 96, 96, second));
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(first[0].chord, 0);
    EXPECT_EQ(first[1].chord, 1);
    EXPECT_EQ(second[0].chord, 2);
    EXPECT_EQ(second[1].chord, 3);
    EXPECT_EQ(second[2].chord, -1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(second[i].duration, first[i].duration);
    }
}

TEST(MeasureWalk, FindsTheMeasuresMeasureAtFindsInAnyOrder) {
    Timeline five;
    five.barStarts = {0, 3, 7, 12, 16, 21};
    Timeline one;
    one.barStarts = {0, 4};
    std::vector<std::int64_t> forward;
    for (std::int64_t quarter = -2; quarter <= 25; ++quarter) {
        forward.push_back(quarter);
    }
    const std::vector<std::int64_t> backward(forward.rbegin(), forward.rend());
    // Ends of long notes between the starts of short ones: forward, then far back.
    std::vector<std::int64_t> leaping;
    for (std::int64_t quarter = 0; quarter <= 12; ++quarter) {
        leaping.insert(leaping.end(), {quarter, quarter + 10});
    }
    for (const Timeline* timeline : {&five, &one}) {
        for (const std::vector<std::int64_t>& order : {forward, backward, leaping}) {
            MeasureWalk walk(*timeline);
            for (const std::int64_t quarter : order) {
                EXPECT_EQ(walk.at(quarter), timeline->measureAt(quarter)) << quarter;
            }
        }
    }
}

TEST(SustainPedal, HoldsWhatIsLetGoWhileItIsDown) {
    SustainPedal pedal;
    pedal.change(10, true);
    pedal.change(20, true);  // already down: no change
    pedal.change(40, false);
    pedal.change(40, true);  // lifted and pressed again at one tick
    pedal.change(70, false);
    pedal.change(90, true);
    EXPECT_EQ(pedal.release(5, 200), 5) << "before the pedal";
    EXPECT_EQ(pedal.release(10, 200), 10) << "let go as the pedal goes down";
    EXPECT_EQ(pedal.release(25, 200), 40);
    EXPECT_EQ(pedal.release(40, 200), 40) << "let go as the pedal is lifted";
    EXPECT_EQ(pedal.release(41, 200), 70) << "held by the pedal pressed again";
    EXPECT_EQ(pedal.release(80, 200), 80);
    EXPECT_EQ(pedal.release(95, 200), 200) << "never released: to the end";

    std::vector<SourceNote> notes = {{0, 30, 60, 90}, {35, 45, 60, 90}, {50, 60, 64, 90},
                                     {75, 85, 62, 90}, {100, -1, 67, 90}};
    EXPECT_EQ(holdWithPedal(notes, pedal, 200), 3u);
    EXPECT_EQ(notes[0].off, 35) << "up to the key's next stroke";
    EXPECT_EQ(notes[1].off, 70);
    EXPECT_EQ(notes[2].off, 70);
    EXPECT_EQ(notes[3].off, 85) << "the pedal is up";
    EXPECT_EQ(notes[4].off, -1) << "never ended";
}

TEST(Voices, OnlyOverlapsWithOtherLengthsOpenAVoice) {
    // At 96 ticks a quarter: a whole note with two quarters on it, a short note under both, then
    // a little legato and equal notes that overlap.
    const std::vector<SourceNote> notes = {{0, 384, 40, 90},   {0, 96, 60, 90},
                                           {96, 192, 62, 90},  {100, 120, 72, 90},
                                           {384, 486, 65, 90}, {480, 576, 67, 90},
                                           {528, 624, 69, 90}};
    const auto keys = [](const std::vector<SourceNote>& voice) {
        std::vector<int> out;
        for (const SourceNote& note : voice) {
            out.push_back(note.key);
        }
        return out;
    };
    std::size_t crowded = 0;
    const std::vector<std::vector<SourceNote>> three = separateVoices(notes, 96, 8, crowded);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(keys(three[0]), (std::vector<int>{40, 65, 67, 69}));
    EXPECT_EQ(keys(three[1]), (std::vector<int>{60, 62}));
    EXPECT_EQ(keys(three[2]), (std::vector<int>{72}));
    EXPECT_EQ(crowded, 0u);

    // Without room for a third voice the short note stays in the first one.
    const std::vector<std::vector<SourceNote>> two = separateVoices(notes, 96, 2, crowded);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(keys(two[0]), (std::vector<int>{40, 72, 65, 67, 69}));
    EXPECT_EQ(crowded, 1u);
}

}  // namespace
}  // namespace corvane
