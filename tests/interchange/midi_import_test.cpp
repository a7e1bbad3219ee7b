// Importing MIDI files written the ways other programs write them: tracks and drums, meters,
// keys and tempos, the grid notes are moved to, chords, overlaps, notes that never end, and the
// limits; each checked in the score built and in the lines of the report.

#include <gtest/gtest.h>

#include <string>

#include "interchange/midi_import.h"
#include "midi_summary.h"
#include "score/data_file.h"
#include "score/pitch.h"
#include "score_rules.h"
#include "smf_builder.h"
#include "sound/player.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::rhythm;
using testing::SmfBuilder;
using Lines = std::vector<std::string>;

MidiImport imported(const SmfBuilder& file) {
    MidiImport result = importMidi(file.bytes());
    EXPECT_EQ(testing::brokenRule(result.score), "");
    return result;
}

std::string refusal(const std::vector<std::uint8_t>& bytes) {
    try {
        importMidi(bytes);
    } catch (const ImportError& error) {
        return error.what();
    }
    return "";
}

// The keys a Note sounds in measure `m` of `track`.
std::vector<int> keys(const Score& score, std::size_t track, std::size_t m, const Note& note) {
    std::vector<int> out;
    for (const NoteHead& head : note.pitches) {
        out.push_back(midiKeyNumber(head.position, head.accidental, note.octave,
                                    score.tracks[track].kind, score.measures[m].key));
    }
    return out;
}

std::vector<int> meters(const Score& score) {
    std::vector<int> out;
    for (const MeasureInfo& info : score.measures) {
        out.push_back(info.beats);
    }
    return out;
}

TEST(MidiImport, FormatZeroIsSplitByChannelWithDrumsOnChannelTen) {
    SmfBuilder file(0, 96);
    file.track().program(0, 9, 16).program(0, 4, 40).program(0, 1, 33);
    file.on(0, 4, 76, 100).on(0, 9, 36, 110).on(0, 1, 40, 80);
    file.off(96, 4, 76).off(0, 9, 36).off(0, 1, 40).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;

    ASSERT_EQ(score.tracks.size(), 3u);
    EXPECT_EQ(score.tracks[0].program, 33);
    EXPECT_EQ(score.tracks[0].kind, Bass);  // low E: fewer octave shifts on a bass staff
    EXPECT_EQ(score.tracks[1].program, 40);
    EXPECT_EQ(score.tracks[1].kind, Treble);
    EXPECT_EQ(score.tracks[2].program, 16);
    EXPECT_EQ(score.tracks[2].kind, Drums);
    EXPECT_EQ(rhythm(score.tracks[1].measures[0]), "n4 r2.");
    EXPECT_EQ(score.tracks[1].measures[0].front().velocity, 100);
    EXPECT_EQ(keys(score, 0, 0, score.tracks[0].measures[0].front()), std::vector<int>{40});
    EXPECT_EQ(keys(score, 1, 0, score.tracks[1].measures[0].front()), std::vector<int>{76});
    // Bass drum 1 sits on the drum line's lowest position.
    const NoteHead drum = score.tracks[2].measures[0].front().pitches.front();
    EXPECT_EQ(drum.position, -9);
    EXPECT_EQ(drum.accidental, AccidentalNone);
    EXPECT_EQ(result.report, Lines{});
}

TEST(MidiImport, EveryDrumKeyLandsWhereItsDrumIs) {
    SmfBuilder file(1, 24);
    file.track();
    for (int key = 0; key < 128; ++key) {
        file.on(0, 9, key, 100).off(24, 9, key);
    }
    file.end();
    const MidiImport result = imported(file);
    int heard = 0;
    int expected = 2;  // keys 2..124 fit positions -20..20
    for (std::size_t m = 0; m < result.score.measures.size(); ++m) {
        for (const Note& note : result.score.tracks[0].measures[m]) {
            if (!note.isRest()) {
                EXPECT_EQ(keys(result.score, 0, m, note), std::vector<int>{expected++});
                ++heard;
            }
        }
    }
    EXPECT_EQ(heard, 123);
    EXPECT_EQ(result.report, Lines{"Drum notes beyond the drum line left out: 5."});
}

TEST(MidiImport, MetersAreKeptOrRebarred) {
    struct Case {
        int numerator;
        int power;
        std::vector<int> beats;  // of the first measures
        Lines report;
    };
    const Case cases[] = {
        {3, 2, {3, 3, 3, 3}, {}},
        {5, 2, {5, 5, 5}, {}},
        {2, 2, {4, 4, 4}, {"Meter 2/4 re-barred as 4/4: 3 measures."}},
        {6, 3, {3, 3, 3, 3}, {"Meter 6/8 re-barred as 3/4: 4 measures."}},
        {2, 1, {4, 4, 4}, {"Meter 2/2 re-barred as 4/4: 3 measures."}},
        {7, 3, {4, 4, 4}, {"Meter 7/8 re-barred as 4/4: 3 measures."}},
        {12, 3, {3, 3, 3, 3}, {"Meter 12/8 re-barred as 3/4: 4 measures."}},
        {7, 2, {4, 3, 4}, {"Meter 7/4 re-barred as 3/4 and 4/4: 3 measures."}},
    };
    for (const Case& c : cases) {
        SmfBuilder file(1, 24);
        file.track().meter(0, c.numerator, c.power).on(0, 0, 60, 90).off(11 * 24, 0, 60).end();
        const MidiImport result = imported(file);
        const std::vector<int> got = meters(result.score);
        EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                  got.size(), c.beats.size()))),
                  c.beats)
            << c.numerator << "/" << (1 << c.power);
        EXPECT_EQ(result.report, c.report) << c.numerator << "/" << (1 << c.power);
    }
}

TEST(MidiImport, MeterChangesStartNewMeasures) {
    // 3/4 for two bars, then one bar of 5/4 cut short after four beats by 4/4.
    SmfBuilder file(1, 24);
    file.track().meter(0, 3, 2).meter(6 * 24, 5, 2).meter(4 * 24, 4, 2).end();
    file.track().on(0, 0, 60, 90).off(16 * 24, 0, 60).end();
    const MidiImport result = imported(file);
    EXPECT_EQ(meters(result.score), (std::vector<int>{3, 3, 4, 4, 4}));
    EXPECT_EQ(result.report, Lines{"Measures of another length than the file's meter, to keep "
                                   "notes, tempo changes and meter changes at their ticks: 1."});
}

TEST(MidiImport, KeysBeyondSixAreSpelledTheOtherWay) {
    SmfBuilder file(1, 24);
    file.track().key(0, 7).on(0, 0, 61, 90).key(96, -7).off(0, 0, 61).on(0, 0, 71, 90);
    file.off(96, 0, 71).key(0, 3).on(0, 0, 61, 90).off(96, 0, 61).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;
    ASSERT_EQ(score.measures.size(), 3u);
    EXPECT_EQ(score.measures[0].key, -5);
    EXPECT_EQ(score.measures[1].key, 5);
    EXPECT_EQ(score.measures[2].key, 3);
    // D flat, B and C sharp as the key signature has them: no accidental written.
    for (std::size_t m = 0; m < 3; ++m) {
        const Note& note = score.tracks[0].measures[m].front();
        EXPECT_EQ(note.pitches.front().accidental, AccidentalNone) << m;
    }
    EXPECT_EQ(result.report, (Lines{"Key of 7 flats written as 5 sharps: 1 time.",
                                    "Key of 7 sharps written as 5 flats: 1 time."}));
}

TEST(MidiImport, TemposAreRoundedAndKeptInRange) {
    SmfBuilder file(1, 24);
    file.track().tempo(0, 500001).on(0, 0, 60, 90).tempo(96, 100000).off(0, 0, 60);
    file.on(0, 0, 62, 90).tempo(96, 16777215).off(0, 0, 62).on(0, 0, 64, 90).off(96, 0, 64);
    const MidiImport result = imported(file.end());
    ASSERT_EQ(result.score.measures.size(), 3u);
    EXPECT_EQ(result.score.measures[0].tempo, 120);
    EXPECT_EQ(result.score.measures[1].tempo, 255);
    EXPECT_EQ(result.score.measures[2].tempo, 4);
    EXPECT_EQ(result.report,
              (Lines{"Tempos rounded to whole beats per minute: 2 (by at most 0.424 beats per "
                     "minute).",
                     "Tempos above 255 beats per minute set to 255: 1."}));
}

TEST(MidiImport, TempoChangesBetweenBarLinesStayAtTheirTicks) {
    // The first track has got to tick 30 when the second measure's tempo is written: the
    // change comes back there, and the second track's notes keep their ticks.
    SmfBuilder file(1, 24);
    file.track().tempo(0, 500000).on(0, 0, 60, 90).off(30, 0, 60).tempo(0, 1000000).end();
    file.track().on(0, 1, 64, 90).off(96, 1, 64).on(0, 1, 65, 90).off(96, 1, 65).end();
    const std::vector<std::uint8_t> bytes = file.bytes();
    const MidiImport result = importMidi(bytes);
    EXPECT_EQ(result.report, Lines{});
    const auto before = testing::summarise(bytes);
    const auto after = testing::summarise(Player::midiFileBytes(result.score, 0));
    EXPECT_EQ(testing::tempoChanges(after), testing::tempoChanges(before));
    EXPECT_EQ(after.chunks[1].notes, before.chunks[1].notes);
}

TEST(MidiImport, TempoChangesThatCannotStayMoveToTheNearestBarLine) {
    SmfBuilder file(1, 24);
    file.track().on(0, 0, 60, 90).off(24, 0, 60).on(0, 0, 62, 90).tempo(40, 400000);
    file.off(32, 0, 62).on(0, 0, 64, 90).off(96, 0, 64).end();
    const MidiImport result = imported(file);
    EXPECT_EQ(result.score.measures[0].tempo, 120);
    EXPECT_EQ(result.score.measures[1].tempo, 150);
    EXPECT_EQ(result.report,
              Lines{"Tempo changes moved to a bar line: 1 (by at most 1.333 beats)."});
}

TEST(MidiImport, NotesMoveToTheNearestValueWithTripletsWhereTheyFitBetter) {
    // 480 ticks a quarter, played by hand: a beat of triplet eighths, a beat of sixteenths, then
    // a half note that starts a little early.
    SmfBuilder file(1, 480);
    file.track();
    const int starts[] = {3, 165, 316, 485, 597, 722, 842, 955};
    const int ends[] = {155, 306, 475, 587, 712, 832, 945, 1930};
    int at = 0;
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        file.on(static_cast<std::uint32_t>(starts[i] - at), 0, 72, 90);
        file.off(static_cast<std::uint32_t>(ends[i] - starts[i]), 0, 72);
        at = ends[i];
    }
    file.end();
    const MidiImport result = imported(file);
    EXPECT_EQ(rhythm(result.score.tracks[0].measures[0]), "n8t1 n8t3 n8t2 n16 n16 n16 n16 n2");
    EXPECT_EQ(result.score.tracks[0].measures[0].back().tie, TieNone);
    EXPECT_EQ(result.report,
              (Lines{"Note starts moved to the nearest note value: 8 (by at most 0.01 beats).",
                     "Note ends moved to the nearest note value: 8 (by at most 0.031 beats)."}));
}

TEST(MidiImport, NotesAcrossBarLinesAreTiedAndChordsTakeTheShortestLength) {
    SmfBuilder file(1, 24);
    // A dotted half from beat 3 across the bar line; a chord whose notes end at other ticks; a
    // note overlapping the next.
    file.track().on(48, 0, 67, 90).off(72, 0, 67);
    file.on(0, 0, 60, 70).on(0, 0, 64, 100).off(24, 0, 60).off(12, 0, 64);
    file.on(0, 0, 72, 90).on(12, 0, 74, 90).off(12, 0, 72).off(12, 0, 74).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "r2 n2");
    EXPECT_EQ(rhythm(score.tracks[0].measures[1]), "n4 n4 r8 n8 n4");
    const auto& second = score.tracks[0].measures[1];
    EXPECT_EQ(score.tracks[0].measures[0].back().tie, TieStart);
    EXPECT_EQ(second.front().tie, TieEnd);
    const Note& chord = *std::next(second.begin());
    EXPECT_EQ(keys(score, 0, 1, chord), (std::vector<int>{60, 64}));
    EXPECT_EQ(chord.velocity, 100);
    EXPECT_EQ(result.report, (Lines{"Notes cut to the shortest note they start with: 1.",
                                    "Notes cut where the next note of their track starts: 1.",
                                    "Notes given the velocity of the loudest note they start "
                                    "with: 1."}));
}

TEST(MidiImport, NotesThatNeverEndCloseAtTheEndOfTheirTrack) {
    SmfBuilder file(1, 24);
    file.track().on(0, 0, 64, 90).off(24, 0, 64).on(0, 0, 60, 90).end(36);
    file.track().on(30, 1, 50, 90).end();
    const MidiImport result = imported(file);
    EXPECT_EQ(rhythm(result.score.tracks[0].measures[0]), "n4 n4. r4.");
    // The second track ends where its note starts: the note lasts to the bar line.
    EXPECT_EQ(rhythm(result.score.tracks[1].measures[0]), "r16 r4 n8. n2");
    EXPECT_EQ(result.report, Lines{"Notes that never end, closed at the end of their track: 2."});
}

TEST(MidiImport, SetupTracksLendTheirProgramsAndOtherEventsAreCounted) {
    SmfBuilder file(1, 24);
    file.track().program(0, 2, 56).program(0, 3, 19).tempo(0, 600000).end();
    file.track().event(0, {0xB2, 7, 100}).on(0, 2, 67, 90).off(24, 2, 67).end();
    file.track().program(0, 2, 20).program(0, 2, 21).on(0, 2, 69, 90).off(24, 2, 69).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;
    ASSERT_EQ(score.tracks.size(), 3u);
    EXPECT_EQ(score.tracks[0].program, 19);  // channel 4 has no notes: a track of its own
    EXPECT_EQ(score.tracks[1].program, 56);  // lent by the first chunk
    EXPECT_EQ(score.tracks[2].program, 20);
    EXPECT_EQ(score.measures[0].tempo, 100);
    EXPECT_EQ(result.report, (Lines{"Program changes after a track's first left out: 1.",
                                    "Controller, pitch-bend and pressure events left out: 1."}));
}

// Whether every Note of every measure of `track` is a rest.
bool allRests(const Track& track) {
    for (const TrackMeasure& measure : track.measures) {
        for (const Note& note : measure) {
            if (!note.isRest()) {
                return false;
            }
        }
    }
    return true;
}

TEST(MidiImport, ChannelsWithoutNotesGiveNoTrackBesideChannelsThatPlay) {
    SmfBuilder file(1, 24);
    // A part as notation programs write it: a program change on each articulation's channel,
    // notes on one of them.
    file.track().program(0, 0, 41).program(0, 1, 41).program(0, 2, 41);
    file.on(0, 0, 60, 90).off(96, 0, 60).end();
    // Chunks without notes: one empty track each, of their first channel.
    file.track().program(0, 5, 70).end();
    file.track().program(0, 7, 12).program(0, 6, 11).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;
    ASSERT_EQ(score.tracks.size(), 3u);
    EXPECT_EQ(score.tracks[0].program, 41);
    EXPECT_FALSE(allRests(score.tracks[0]));
    EXPECT_EQ(score.tracks[1].program, 70);
    EXPECT_EQ(score.tracks[2].program, 11);
    EXPECT_TRUE(allRests(score.tracks[1]) && allRests(score.tracks[2]));
    EXPECT_EQ(result.report, Lines{});

    // A track of rests written by Write Midi comes back as a track of rests.
    Score own;
    own.clear();
    own.addMeasure(0, 120, 4);
    own.addTrack(5, Treble);
    own.addTrack(33, Bass);
    Note whole;
    whole.duration = 1;
    whole.pitches.push_back(NoteHead{0, AccidentalNone});
    own.tracks[0].measures[0] = {whole};
    const MidiImport back = importMidi(Player::midiFileBytes(own, 0));
    ASSERT_EQ(back.score.tracks.size(), 2u);
    EXPECT_EQ(back.score.tracks[1].program, 33);
    EXPECT_TRUE(allRests(back.score.tracks[1]));
}

TEST(MidiImport, NotesOverlappingWithOtherLengthsGoToTracksOfTheirOwn) {
    SmfBuilder file(1, 24);
    // A bass D held for a whole measure under a line of eighths on the same channel, starting
    // with it; then two notes played a little legato.
    file.track().program(0, 0, 19).on(0, 0, 50, 80).on(0, 0, 72, 90);
    for (int i = 0; i < 7; ++i) {
        file.off(12, 0, 72 + i).on(0, 0, 73 + i, 90);
    }
    file.off(12, 0, 79).off(0, 0, 50);
    file.on(0, 0, 60, 90).on(24, 0, 62, 90).off(2, 0, 60).off(22, 0, 62).end(48);
    const MidiImport result = imported(file);
    const Score& score = result.score;
    ASSERT_EQ(score.tracks.size(), 2u);
    EXPECT_EQ(score.tracks[1].program, 19);
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "n1");
    EXPECT_EQ(keys(score, 0, 0, score.tracks[0].measures[0].front()), std::vector<int>{50});
    EXPECT_EQ(rhythm(score.tracks[1].measures[0]), "n8 n8 n8 n8 n8 n8 n8 n8");
    // The legato pair stays in the first track.
    EXPECT_EQ(rhythm(score.tracks[0].measures[1]), "n4 n4 r2");
    EXPECT_TRUE(allRests(Track{{score.tracks[1].measures[1]}, 0, Treble}));
    EXPECT_EQ(result.report,
              (Lines{"Notes cut where the next note of their track starts: 1.",
                     "Tracks added for notes of other lengths that overlap on one channel: 1."}));
}

TEST(MidiImport, WithoutRoomForMoreTracksOverlapsAreCutAsBeforeAndSaid) {
    for (const int chunks : {63, 64}) {
        SmfBuilder file(1, 24);
        file.track().on(0, 0, 50, 90).on(0, 0, 72, 90).off(12, 0, 72).off(84, 0, 50).end();
        for (int t = 1; t < chunks; ++t) {
            file.track().on(0, t % 16, 60, 90).off(24, t % 16, 60).end();
        }
        const MidiImport result = imported(file);
        EXPECT_EQ(result.score.tracks.size(), 64u) << chunks;
        const Lines expected =
            chunks == 63
                ? Lines{"Tracks added for notes of other lengths that overlap on one channel: 1."}
                : Lines{"Notes cut to the shortest note they start with: 1.",
                        "Overlapping notes of other lengths left on their track, a score "
                        "holding at most 64 tracks: 1."};
        EXPECT_EQ(result.report, expected) << chunks;
    }
}

TEST(MidiImport, TheSustainPedalHoldsNotesToItsRelease) {
    SmfBuilder file(1, 24);
    // Pedal down; C held by it to its release; D after the release, as played; E held by a new
    // pedal two measures past its Note Off.
    file.track().event(0, {0xB0, 64, 127}).on(0, 0, 60, 90).off(24, 0, 60);
    file.event(48, {0xB0, 64, 0}).on(0, 0, 62, 90).off(24, 0, 62);
    file.event(0, {0xB0, 64, 100}).on(0, 0, 64, 90).off(24, 0, 64);
    file.event(168, {0xB0, 64, 0}).end();
    const MidiImport result = imported(file);
    const Score& score = result.score;
    ASSERT_EQ(score.measures.size(), 3u);
    EXPECT_EQ(rhythm(score.tracks[0].measures[0]), "n2. n4");
    EXPECT_EQ(rhythm(score.tracks[0].measures[1]), "n1");
    EXPECT_EQ(score.tracks[0].measures[1].front().tie, TieStart);
    EXPECT_EQ(rhythm(score.tracks[0].measures[2]), "n1");
    EXPECT_EQ(result.report, Lines{"Notes held by the sustain pedal, lengthened to its release: 2."});

    // Striking a held key again ends what the pedal holds of it.
    SmfBuilder again(1, 24);
    again.track().event(0, {0xB0, 64, 127}).on(0, 0, 60, 90).off(12, 0, 60).on(12, 0, 60, 90);
    again.off(12, 0, 60).event(60, {0xB0, 64, 0}).end();
    const MidiImport restruck = imported(again);
    EXPECT_EQ(rhythm(restruck.score.tracks[0].measures[0]), "n4 n2.");
    EXPECT_EQ(restruck.report,
              Lines{"Notes held by the sustain pedal, lengthened to its release: 2."});
}

TEST(MidiImport, RefusesFilesBeyondTheLimits) {
    SmfBuilder many(1, 24);
    for (int t = 0; t < 65; ++t) {
        many.track().on(0, t % 16, 60, 90).off(24, t % 16, 60).end();
    }
    EXPECT_EQ(refusal(many.bytes()),
              "The MIDI file has more than 64 tracks; a score holds at most 64.");

    SmfBuilder exactly(1, 24);
    for (int t = 0; t < 64; ++t) {
        exactly.track().on(0, t % 16, 60, 90).off(24, t % 16, 60).end();
    }
    EXPECT_EQ(importMidi(exactly.bytes()).score.tracks.size(), 64u);

    const std::string tooLong = "The MIDI file is too long: a score holds at most 10,000 measures.";
    SmfBuilder longNote(1, 1);
    longNote.track().on(0, 0, 60, 90).off(40001, 0, 60).end();
    EXPECT_EQ(refusal(longNote.bytes()), tooLong);
    SmfBuilder farNote(1, 24);
    farNote.track().on(0x0FFFFFFF, 0, 60, 90).off(1, 0, 60).end();
    EXPECT_EQ(refusal(farNote.bytes()), tooLong);
    SmfBuilder fits(1, 1);
    fits.track().on(0, 0, 60, 90).off(40000, 0, 60).end();
    EXPECT_EQ(importMidi(fits.bytes()).score.measures.size(), 10000u);

    EXPECT_EQ(refusal(SmfBuilder(1, 24).track().tempo(0, 500000).end().bytes()),
              "The MIDI file holds no notes to import.");
}

TEST(MidiImport, FileErrorsNameTheCause) {
    const testing::TempDir dir;
    EXPECT_THROW(importMidiFile(dir.file("missing.mid")), FileError);
    EXPECT_THROW(importMidiFile(dir.path().string()), FileError);
    const std::vector<std::uint8_t> bytes =
        SmfBuilder(1, 24).track().on(0, 0, 60, 90).off(24, 0, 60).end().bytes();
    testing::writeBytes(dir.path() / "one.mid", bytes);
    EXPECT_EQ(importMidiFile(dir.file("one.mid")).score, importMidi(bytes).score);
}

}  // namespace
}  // namespace corvane
