#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "score/data_file.h"
#include "score_builders.h"
#include "sound/midi_writer.h"
#include "sound/player.h"

namespace corvane {
namespace {

using test::chord;
using test::emptyScore;
using test::rest;
using test::single;
using Bytes = std::vector<std::uint8_t>;

Bytes header(std::uint8_t tracks) {
    return {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, tracks, 0, 24};
}

Bytes chunk(const Bytes& events) {
    const auto n = static_cast<std::uint32_t>(events.size());
    Bytes out = {0x4D,
                 0x54,
                 0x72,
                 0x6B,
                 static_cast<std::uint8_t>(n >> 24),
                 static_cast<std::uint8_t>(n >> 16),
                 static_cast<std::uint8_t>(n >> 8),
                 static_cast<std::uint8_t>(n)};
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

const Bytes kTempo120 = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

// The events of one chunk of a whole file (0-based chunk index).
Bytes chunkEvents(const Bytes& file, std::size_t index) {
    std::size_t at = 14;
    for (;;) {
        EXPECT_LE(at + 8, file.size());
        if (at + 8 > file.size()) {
            return {};
        }
        const std::uint32_t length = static_cast<std::uint32_t>(file[at + 4]) << 24 |
                                     static_cast<std::uint32_t>(file[at + 5]) << 16 |
                                     static_cast<std::uint32_t>(file[at + 6]) << 8 | file[at + 7];
        if (index == 0) {
            return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        }
        at += 8 + length;
        --index;
    }
}

// The first byte of chunk `index`'s Program Change (the chunk's channel), after any tempo.
std::uint8_t programStatus(const Bytes& file, std::size_t index) {
    const Bytes events = chunkEvents(file, index);
    return index == 0 ? events.at(kTempo120.size() + 1) : events.at(1);
}

TEST(MidiWriter, DefaultScore) {
    const Bytes expected = cat({header(1), chunk(cat({kTempo120, {0x00, 0xC0, 0x00}, kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(Score(), 0), expected);
    EXPECT_EQ(chunkEvents(expected, 0).size(), 14u);
}

TEST(MidiWriter, QuarterAfterHalfRest) {
    Score score = emptyScore(1, {{Treble, 5}});
    score.tracks[0].measures[0] = {rest(2), single(4, 0), rest(4)};
    const Bytes expected = cat(
        {header(1),
         chunk(cat(
             {kTempo120, {0x00, 0xC0, 0x05}, {0x30, 0x90, 71, 90}, {0x18, 0x80, 71, 90}, kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 0), expected);
}

TEST(MidiWriter, ChordKeepsItsMemberOrder) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {rest(4), chord(2, {2, -6, 0}, TieNone, 100), rest(4)};
    const Bytes expected =
        cat({header(1), chunk(cat({kTempo120,
                                   {0x00, 0xC0, 0x00},
                                   {24, 0x90, 74, 100, 0, 0x90, 60, 100, 0, 0x90, 71, 100},
                                   {48, 0x80, 74, 100, 0, 0x80, 60, 100, 0, 0x80, 71, 100},
                                   kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 0), expected);
}

TEST(MidiWriter, TieAcrossBarline) {
    Score score = emptyScore(2, {{Treble, 0}});
    score.tracks[0].measures[0] = {rest(), rest(), rest(), single(4, 1, TieStart, 80)};
    score.tracks[0].measures[1] = {single(2, 1, TieEnd, 60), rest(2)};
    // The Note Off is written by the TieEnd chord and carries its velocity.
    const Bytes expected =
        cat({header(1),
             chunk(cat(
                 {kTempo120, {0x00, 0xC0, 0x00}, {72, 0x90, 72, 80}, {72, 0x80, 72, 60}, kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 0), expected);
}

TEST(MidiWriter, TieMiddleChains) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(8, 0, TieStart), single(8, 0, TieMiddle),
                                   single(4, 0, TieMiddle), single(2, 0, TieEnd)};
    const Bytes chain = cat(
        {header(1),
         chunk(cat({kTempo120, {0x00, 0xC0, 0x00}, {0, 0x90, 71, 90}, {96, 0x80, 71, 90}, kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 0), chain);
}

// The note events of track 0 of a one-track score: after the tempo and the Program Change, before
// End of Track.
Bytes noteEvents(const Score& score, int firstMeasure = 0) {
    const Bytes events = chunkEvents(Player::midiFileBytes(score, firstMeasure), 0);
    EXPECT_GE(events.size(), 14u);
    EXPECT_EQ(Bytes(events.end() - 4, events.end()), kEnd);
    return Bytes(events.begin() + 10, events.end() - 4);
}

// Ties whose chords do not sound the same keys: the held keys stop where the chain breaks and the
// later chord sounds on its own, so nothing is left sounding and nothing stops twice.
TEST(MidiWriterBrokenTies, TieAcrossAKeyChangeEndsTheHeldKey) {
    Score score = emptyScore(2, {{Treble, 0}});
    score.measures[1].key = -1;  // B becomes B flat
    score.tracks[0].measures[0] = {rest(), rest(), rest(), single(4, 0, TieStart, 80)};
    score.tracks[0].measures[1] = {single(2, 0, TieEnd, 60), rest(2)};
    EXPECT_EQ(noteEvents(score), (Bytes{72, 0x90, 71, 80, 24, 0x80, 71, 80,  // B, one quarter
                                        0, 0x90, 70, 60, 48, 0x80, 70, 60}));  // then B flat
}

TEST(MidiWriterBrokenTies, AnotherOctaveOrAChangedChordEndsTheChain) {
    Score score = emptyScore(1, {{Treble, 0}});
    Note higher = single(2, 0, TieEnd);
    higher.octave = 1;
    score.tracks[0].measures[0] = {single(2, 0, TieStart), higher};
    EXPECT_EQ(noteEvents(score),
              (Bytes{0, 0x90, 71, 90, 48, 0x80, 71, 90, 0, 0x90, 83, 90, 48, 0x80, 83, 90}));

    // A chord that lost a head after the tie was made.
    score.tracks[0].measures[0] = {chord(2, {0, 2}, TieStart, 80), single(2, 0, TieEnd, 60)};
    EXPECT_EQ(noteEvents(score), (Bytes{0, 0x90, 71, 80, 0, 0x90, 74, 80,  //
                                        48, 0x80, 71, 80, 0, 0x80, 74, 80,  //
                                        0, 0x90, 71, 60, 48, 0x80, 71, 60}));
}

TEST(MidiWriterBrokenTies, TheSameKeysInAnotherOrderStillJoin) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {chord(2, {0, 2}, TieStart, 80), chord(2, {2, 0}, TieEnd, 60)};
    // The Note Offs come with the last chord: its velocity, its head order.
    EXPECT_EQ(noteEvents(score),
              (Bytes{0, 0x90, 71, 80, 0, 0x90, 74, 80, 96, 0x80, 74, 60, 0, 0x80, 71, 60}));
}

TEST(MidiWriterBrokenTies, ARestInsideAChainEndsIt) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(4, 0, TieStart), rest(), single(4, 0, TieEnd),
                                   single(4, 1)};
    // Every event stays at its time: the last note starts on beat 4.
    EXPECT_EQ(noteEvents(score), (Bytes{0, 0x90, 71, 90, 24, 0x80, 71, 90,  //
                                        24, 0x90, 71, 90, 24, 0x80, 71, 90,  //
                                        0, 0x90, 72, 90, 24, 0x80, 72, 90}));
}

TEST(MidiWriterBrokenTies, MiddleOfAChainEndsWithTheLastChordJoined) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(4, 0, TieStart, 80), single(4, 0, TieMiddle, 70),
                                   single(4, 1, TieEnd, 60), rest()};
    EXPECT_EQ(noteEvents(score),
              (Bytes{0, 0x90, 71, 80, 48, 0x80, 71, 70, 0, 0x90, 72, 60, 24, 0x80, 72, 60}));
}

// Tie marks that make no chain, as a damaged file or a hand-made score may hold them.
TEST(MidiWriterBrokenTies, StrayTieMarksSoundAsPlainNotes) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(4, 0, TieEnd), single(4, 1, TieMiddle),
                                   single(4, 1, TieStart), single(4, 2, TieStart)};
    EXPECT_EQ(noteEvents(score), (Bytes{0, 0x90, 71, 90, 24, 0x80, 71, 90,  // end as untied
                                        0, 0x90, 72, 90, 24, 0x80, 72, 90,  // middle as a start
                                        0, 0x90, 72, 90, 24, 0x80, 72, 90,  // a start again
                                        0, 0x90, 74, 90,                    // held at the end:
                                        24, 0x80, 74, 90}));                // stopped there
}

TEST(MidiWriterBrokenTies, PlayingFromInsideAChainStartsItsRest) {
    Score score = emptyScore(3, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(1, 0, TieStart)};
    score.tracks[0].measures[1] = {single(1, 0, TieMiddle)};
    score.tracks[0].measures[2] = {single(2, 0, TieEnd), rest(2)};
    EXPECT_EQ(noteEvents(score, 1), (Bytes{0, 0x90, 71, 90, 0x81, 0x10, 0x80, 71, 90}));
    EXPECT_EQ(noteEvents(score, 2), (Bytes{0, 0x90, 71, 90, 48, 0x80, 71, 90}));
}

TEST(MidiWriter, NoteOffsPrecedeTheNextNoteOns) {
    Score score = emptyScore(1, {{Bass, 32}});
    score.tracks[0].measures[0] = {single(4, 0), single(4, 0), chord(2, {0, 2})};
    const Bytes expected = cat({header(1), chunk(cat({kTempo120,
                                                      {0x00, 0xC0, 32},
                                                      {0, 0x90, 50, 90, 24, 0x80, 50, 90},
                                                      {0, 0x90, 50, 90, 24, 0x80, 50, 90},
                                                      {0, 0x90, 50, 90, 0, 0x90, 53, 90},
                                                      {48, 0x80, 50, 90, 0, 0x80, 53, 90},
                                                      kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 0), expected);
}

TEST(MidiWriter, KeySignatureOfEachMeasureAppliesToItsNotes) {
    Score score = emptyScore(2, {{Treble, 0}});
    score.measures[0].key = 1;
    score.measures[1].key = -1;
    // F4 in G major sounds F sharp; B4 in F major sounds B flat.
    score.tracks[0].measures[0] = {single(1, -3)};
    score.tracks[0].measures[1] = {single(1, 0)};
    const Bytes events = chunkEvents(Player::midiFileBytes(score, 0), 0);
    const Bytes notes(events.begin() + 10, events.end() - 4);
    EXPECT_EQ(notes,
              (Bytes{0, 0x90, 66, 90, 0x60, 0x80, 66, 90, 0, 0x90, 70, 90, 0x60, 0x80, 70, 90}));
}

TEST(MidiWriter, DrumTracksUseChannelNine) {
    Score score = emptyScore(1, {{Drums, 0}, {Treble, 1}, {Treble, 2}});
    score.tracks[0].measures[0] = {single(4, 0), rest(), rest(), rest()};
    const Bytes file = Player::midiFileBytes(score, 0);
    const Bytes drums = chunkEvents(file, 0);
    EXPECT_EQ(drums,
              cat({kTempo120, {0x00, 0xC9, 0x00}, {0, 0x99, 63, 90, 24, 0x89, 63, 90}, kEnd}));
    EXPECT_EQ(programStatus(file, 1), 0xC0);
    EXPECT_EQ(programStatus(file, 2), 0xC1);
}

TEST(MidiWriter, ChannelsSkipNineAndWrapAtSixteen) {
    std::vector<std::pair<TrackKind, std::int32_t>> tracks(20, {Treble, 0});
    tracks[3] = {Drums, 0};
    tracks[12] = {Drums, 0};
    const Score score = emptyScore(1, tracks);
    const Bytes file = Player::midiFileBytes(score, 0);
    // Melodic tracks: 0 1 2 _ 3 4 5 6 7 8 10 11 _ 12 13 14 15 0 1 2
    const std::uint8_t expected[20] = {0,  1,  2, 9,  3,  4,  5,  6, 7, 8,
                                       10, 11, 9, 12, 13, 14, 15, 0, 1, 2};
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(programStatus(file, i), 0xC0 | expected[i]) << "track " << i;
    }
}

TEST(MidiWriter, TenMelodicTracks) {
    const Bytes file =
        Player::midiFileBytes(emptyScore(1, std::vector(10, std::pair{Treble, 0})), 0);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(programStatus(file, i), 0xC0 | (i < 9 ? i : 10)) << "track " << i;
    }
}

TEST(MidiWriter, TempoChangesOnlyInTheFirstChunk) {
    const Bytes tempo90 = {0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A};
    Score score = emptyScore(3, {{Treble, 0}, {Treble, 0}});
    score.measures[2].tempo = 90;
    // Measure 1 ends with a note: the change lands on the barline.
    score.tracks[0].measures[1] = {rest(2), rest(), single(4, 0)};
    score.tracks[0].measures[2] = {single(1, 0)};
    const Bytes file = Player::midiFileBytes(score, 0);
    EXPECT_EQ(chunkEvents(file, 0), cat({kTempo120,
                                         {0x00, 0xC0, 0x00},
                                         {0x81, 0x28, 0x90, 71, 90, 24, 0x80, 71, 90},
                                         tempo90,
                                         {0, 0x90, 71, 90, 0x60, 0x80, 71, 90},
                                         kEnd}));
    EXPECT_EQ(chunkEvents(file, 1), cat({{0x00, 0xC1, 0x00}, kEnd}));

    // Measure 1 ends with rests: the change follows the last event written, and the rests
    // stay pending into the next note's delta.
    score.tracks[0].measures[1] = {single(4, 0), rest(), rest(2)};
    const Bytes early = Player::midiFileBytes(score, 0);
    EXPECT_EQ(chunkEvents(early, 0), cat({kTempo120,
                                          {0x00, 0xC0, 0x00},
                                          {0x60, 0x90, 71, 90, 24, 0x80, 71, 90},
                                          tempo90,
                                          {72, 0x90, 71, 90, 0x60, 0x80, 71, 90},
                                          kEnd}));
}

TEST(MidiWriter, FromAMeasure) {
    Score score = emptyScore(3, {{Treble, 0}});
    score.measures[2].tempo = 60;
    score.tracks[0].measures[0] = {single(1, 0)};
    score.tracks[0].measures[2] = {rest(2), single(2, 1)};
    const Bytes expected = cat({header(1), chunk(cat({{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},
                                                      {0x00, 0xC0, 0x00},
                                                      {48, 0x90, 72, 90, 48, 0x80, 72, 90},
                                                      kEnd}))});
    EXPECT_EQ(Player::midiFileBytes(score, 2), expected);
}

TEST(MidiWriter, TrackEndingInRests) {
    Score score = emptyScore(2, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(4, 0), rest(), rest(2)};
    const Bytes events = chunkEvents(Player::midiFileBytes(score, 0), 0);
    EXPECT_EQ(Bytes(events.end() - 8, events.end()),
              (Bytes{24, 0x80, 71, 90, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidiWriter, ScoreWithoutTracks) {
    Score score = emptyScore(2, {});
    EXPECT_EQ(Player::midiFileBytes(score, 0), header(0));
}

TEST(MidiWriter, NoteLengths) {
    struct Case {
        std::int32_t duration, dots, triplet, ticks;
    };
    const Case cases[] = {{1, 0, 0, 96}, {1, 1, 0, 144}, {1, 2, 0, 168}, {1, 0, 1, 64},
                          {1, 1, 3, 96}, {1, 2, 2, 112}, {2, 2, 0, 84},  {4, 1, 0, 36},
                          {4, 2, 1, 28}, {8, 2, 1, 14},  {16, 1, 0, 9},  {16, 2, 0, 10},
                          {16, 2, 1, 6}, {32, 0, 0, 3},  {32, 1, 0, 4},  {32, 2, 0, 5},
                          {32, 0, 1, 2}, {32, 1, 1, 2},  {32, 2, 1, 3}};
    for (const Case& c : cases) {
        Score score = emptyScore(1, {{Treble, 0}});
        Note note = single(c.duration, 0);
        note.dots = c.dots;
        note.triplet = c.triplet;
        score.tracks[0].measures[0] = {note};
        const Bytes events = chunkEvents(Player::midiFileBytes(score, 0), 0);
        // tempo, program, Note On, then the Note Off's delta
        std::size_t at = 14;
        std::int32_t delta = 0;
        do {
            delta = delta << 7 | (events.at(at) & 0x7F);
        } while (events.at(at++) & 0x80);
        EXPECT_EQ(delta, c.ticks) << c.duration << " dots " << c.dots << " triplet " << c.triplet;
    }
}

TEST(MidiWriter, TempoBytes) {
    struct Case {
        std::int32_t tempo;
        std::uint32_t microseconds;
    };
    // Tempos 1 to 3 would need more than 24 bits: the slowest tempo the event holds instead.
    // 0 and 256 (low byte 0, only in hand-built scores) must not divide by zero.
    const Case cases[] = {{1, 0xFFFFFF},   {2, 0xFFFFFF},      {3, 0xFFFFFF}, {4, 15000000},
                          {60, 1000000},   {120, 500000},      {255, 235294}, {0, 0xFFFFFF},
                          {256, 0xFFFFFF}, {256 + 120, 500000}};
    for (const Case& c : cases) {
        Score score = emptyScore(1, {{Treble, 0}}, c.tempo);
        const Bytes events = chunkEvents(Player::midiFileBytes(score, 0), 0);
        const std::uint32_t written = static_cast<std::uint32_t>(events.at(4)) << 16 |
                                      static_cast<std::uint32_t>(events.at(5)) << 8 | events.at(6);
        EXPECT_EQ(written, c.microseconds) << "tempo " << c.tempo;
    }
}

TEST(MidiWriter, OddScoresDoNotFail) {
    // No measures: nothing to take a tempo from.
    Score none = emptyScore(0, {{Treble, 3}, {Drums, 0}});
    EXPECT_EQ(Player::midiFileBytes(none, 0),
              cat({header(2), chunk(cat({kTempo120, {0x00, 0xC0, 0x03}, kEnd})),
                   chunk(cat({{0x00, 0xC9, 0x00}, kEnd}))}));
    // A first measure past the end, or below 0.
    const Score two = emptyScore(2, {{Treble, 0}});
    EXPECT_EQ(Player::midiFileBytes(two, 5),
              cat({header(1), chunk(cat({kTempo120, {0x00, 0xC0, 0x00}, kEnd}))}));
    EXPECT_EQ(Player::midiFileBytes(two, -1), Player::midiFileBytes(two, 0));
    // Note values no file can hold last no time.
    Score odd = emptyScore(1, {{Treble, 0}});
    odd.tracks[0].measures[0] = {single(0, 0), single(-4, 0), single(64, 0), rest(0)};
    const Bytes events = chunkEvents(Player::midiFileBytes(odd, 0), 0);
    EXPECT_EQ(Bytes(events.begin() + 10, events.end() - 4),
              (Bytes{0, 0x90, 71, 90, 0, 0x80, 71, 90, 0, 0x90, 71, 90,
                     0, 0x80, 71, 90, 0, 0x90, 71, 90, 0, 0x80, 71, 90}));
}

TEST(MidiWriter, VarLen) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0, {0x00}},
        {0x40, {0x40}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {200, {0x81, 0x48}},
        {0x2000, {0xC0, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
        {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
        {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& [value, expected] : cases) {
        Bytes out = {0xAA};
        writeVarLen(out, value);
        EXPECT_EQ(out, cat({{0xAA}, expected})) << value;
    }
}

TEST(MidiWriter, DeltaOfTwoHundredTicks) {
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {rest(1), rest(1), rest(8, 0, 1), single(4, 0)};
    const Bytes events = chunkEvents(Player::midiFileBytes(score, 0), 0);
    EXPECT_EQ(Bytes(events.begin() + 10, events.begin() + 15), (Bytes{0x81, 0x48, 0x90, 71, 90}));
}

class MidiFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("cvn_midi_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    static Bytes readAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void writeAll(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    std::filesystem::path folder_;
};

TEST_F(MidiFileOnDisk, WritesAndReplaces) {
    const auto path = folder_ / "song.mid";
    writeAll(path, "an older and longer file that is replaced whole");
    Score score = emptyScore(1, {{Treble, 0}});
    score.tracks[0].measures[0] = {single(1, 0)};
    Player::writeMidiFile(path.string(), score, 0);
    EXPECT_EQ(readAll(path), Player::midiFileBytes(score, 0));
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(MidiFileOnDisk, TextFileIsRefusedAndKept) {
    const auto path = folder_ / "notes.txt";
    writeAll(path, "keep me");
    try {
        Player::writeMidiFile(path.string(), Score(), 0);
        FAIL() << "a text file was written";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Error opening a file to write.");
    }
    EXPECT_EQ(readAll(path), (Bytes{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_THROW(Player::writeMidiFile((folder_ / "new.txt").string(), Score(), 0), FileError);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "new.txt"));
}

TEST_F(MidiFileOnDisk, UnwritablePlaceRaisesAndLeavesNothing) {
    EXPECT_THROW(Player::writeMidiFile((folder_ / "missing" / "song.mid").string(), Score(), 0),
                 FileError);
    std::filesystem::create_directory(folder_ / "taken.mid");
    EXPECT_THROW(Player::writeMidiFile((folder_ / "taken.mid").string(), Score(), 0), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "taken.mid"));
}

// What an independent walk over a file found in one track chunk.
struct TrackSummary {
    std::size_t noteOns = 0;
    std::uint32_t lastEventTick = 0;  // of the last event before End of Track
};

// An independent walk over a file: checks the chunk structure, that every event is a valid
// channel or meta event on an allowed channel, and that every Note On has its Note Off on the
// same key later in the same chunk, with no Note Off for a key that is not sounding.
std::vector<TrackSummary> checkStructure(const Bytes& file, std::size_t tracks,
                                         const std::vector<bool>& drums) {
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 14), header(static_cast<std::uint8_t>(tracks)));
    std::size_t at = 14;
    std::vector<TrackSummary> summaries;
    for (std::size_t t = 0; t < tracks; ++t) {
        EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(at),
                        file.begin() + static_cast<std::ptrdiff_t>(at + 4)),
                  (Bytes{'M', 'T', 'r', 'k'}));
        const std::size_t length = static_cast<std::size_t>(file[at + 4]) << 24 |
                                   static_cast<std::size_t>(file[at + 5]) << 16 |
                                   static_cast<std::size_t>(file[at + 6]) << 8 | file[at + 7];
        std::size_t p = at + 8;
        const std::size_t end = p + length;
        EXPECT_LE(end, file.size());
        TrackSummary summary;
        std::map<std::uint8_t, int> sounding;
        std::uint32_t tick = 0;
        bool ended = false;
        while (p < end && !ended) {
            std::uint32_t delta = 0;
            int varLenBytes = 0;
            while (file[p] & 0x80) {
                delta = delta << 7 | (file[p++] & 0x7F);
                ++varLenBytes;
            }
            delta = delta << 7 | file[p++];
            EXPECT_LE(varLenBytes, 3);
            tick += delta;
            const std::uint8_t status = file[p++];
            if (status == 0xFF) {
                const std::uint8_t type = file[p++];
                const std::uint8_t size = file[p++];
                EXPECT_TRUE(type == 0x51 || type == 0x2F);
                EXPECT_TRUE(t == 0 || type != 0x51) << "tempo outside the first chunk";
                p += size;
                ended = type == 0x2F;
                if (ended) {
                    EXPECT_EQ(delta, 0u) << "track " << t;
                } else {
                    summary.lastEventTick = tick;
                }
                continue;
            }
            summary.lastEventTick = tick;
            const int channel = status & 0x0F;
            EXPECT_TRUE(status >= 0x80 && status < 0xF0);
            EXPECT_EQ(channel == 9, drums[t]) << "track " << t;
            const int dataBytes = (status & 0xF0) == 0xC0 ? 1 : 2;
            for (int i = 0; i < dataBytes; ++i) {
                EXPECT_LT(file[p + static_cast<std::size_t>(i)], 0x80);
            }
            if ((status & 0xF0) == 0x90) {
                ++summary.noteOns;
                ++sounding[file[p]];
            } else if ((status & 0xF0) == 0x80) {
                EXPECT_GT(sounding[file[p]], 0) << "track " << t << ": a Note Off for key "
                                                << int{file[p]} << ", which is not sounding";
                --sounding[file[p]];
            }
            p += static_cast<std::size_t>(dataBytes);
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(p, end) << "track " << t;
        for (const auto& [key, count] : sounding) {
            EXPECT_EQ(count, 0) << "track " << t << ": key " << int{key} << " never stops";
        }
        summaries.push_back(summary);
        at = end;
    }
    EXPECT_EQ(at, file.size());
    return summaries;
}

// Random scores, with tie marks in any order (as a damaged file may have them): every file is
// well formed, every Note On has its Note Off, and the last chord of each track still ends at
// its own time, whatever ties came before it.
TEST(MidiWriter, RandomScoresGiveWellFormedFilesWithEveryNoteStopped) {
    std::mt19937 random(1234);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int durations[] = {1, 2, 4, 8, 16, 32};
    for (int round = 0; round < 300; ++round) {
        Score score;
        score.clear();
        const int measures = pick(0, 6);
        for (int m = 0; m < measures; ++m) {
            score.measures.push_back(MeasureInfo{pick(-7, 7), pick(1, 255), pick(1, 32)});
        }
        const int tracks = pick(0, 24);
        const int firstMeasure = measures > 0 ? pick(0, measures - 1) : 0;
        // Few positions in some rounds, so that chords often repeat and ties often join.
        const int spread = pick(0, 1) == 0 ? 2 : 20;
        std::vector<bool> drums;
        std::vector<std::uint32_t> lastChordEnds;
        for (int t = 0; t < tracks; ++t) {
            Track& track = score.tracks.emplace_back();
            track.kind = static_cast<TrackKind>(pick(0, 2));
            track.program = pick(0, 127);
            drums.push_back(track.kind == Drums);
            track.measures.resize(static_cast<std::size_t>(measures));
            std::uint32_t time = 0;
            std::uint32_t lastChordEnd = 0;
            for (int m = 0; m < measures; ++m) {
                for (int n = pick(0, 6); n > 0; --n) {
                    Note note = rest(durations[pick(0, 5)], pick(0, 2), pick(0, 3));
                    note.octave = pick(-3, 3);
                    note.velocity = pick(0, 127);
                    note.tie = static_cast<TieState>(pick(0, 3));
                    for (int h = pick(0, 3); h > 0; --h) {
                        note.pitches.push_back(
                            NoteHead{pick(-spread, spread), static_cast<Accidental>(pick(0, 3))});
                    }
                    if (m >= firstMeasure) {
                        time += static_cast<std::uint32_t>(noteTicks(note));
                        lastChordEnd = note.isRest() ? lastChordEnd : time;
                    }
                    track.measures[static_cast<std::size_t>(m)].push_back(note);
                }
            }
            lastChordEnds.push_back(lastChordEnd);
        }
        const Bytes file = Player::midiFileBytes(score, firstMeasure);
        const std::vector<TrackSummary> summaries =
            checkStructure(file, static_cast<std::size_t>(tracks), drums);
        ASSERT_EQ(summaries.size(), static_cast<std::size_t>(tracks)) << "round " << round;
        for (std::size_t t = 0; t < summaries.size(); ++t) {
            EXPECT_EQ(summaries[t].lastEventTick, lastChordEnds[t])
                << "round " << round << ", track " << t;
        }
    }
}

}  // namespace
}  // namespace corvane
