// Write Midi, Import MIDI, Write Midi again, for random scores made through note entry: every
// track comes back with the same notes (channel, key, start and end tick, Note On velocity), the
// same program and the same tempo in force at every tick, and the imported score keeps the
// editor's rules. Two things cannot come back and are expected as they are:
// - a chord holding one key twice (a sharp B and a C) sounds that key once: a MIDI channel has
//   one of each key;
// - tempos of 1 to 3 beats per minute are written as the slowest tempo a MIDI file holds
//   (16,777,215 microseconds per quarter), which reads back as 4.
// A tie whose two ends sound different keys (other octave shifts, or a key signature that
// changes under a head without accidental) is written as two notes and comes back as two.

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "interchange/midi_import.h"
#include "midi_summary.h"
#include "random_scores.h"
#include "score_rules.h"
#include "sound/player.h"

namespace corvane {
namespace {

using testing::MidiNote;
using testing::MidiSummary;

constexpr long kSlowestTempo = 0xFFFFFF;
constexpr long kFourBeatsPerMinute = 15000000;

// The notes of a chunk as the second file must have them: a key struck twice at one tick once.
std::vector<MidiNote> expectedNotes(const std::vector<MidiNote>& notes) {
    std::vector<MidiNote> out;
    std::set<std::tuple<int, int, long>> seen;
    for (const MidiNote& note : notes) {
        if (seen.insert({note.channel, note.key, note.on}).second) {
            out.push_back(note);
        }
    }
    return out;
}

std::vector<std::pair<long, long>> expectedTempos(MidiSummary midi) {
    for (testing::ChunkSummary& chunk : midi.chunks) {
        for (auto& tempo : chunk.tempos) {
            if (tempo.second == kSlowestTempo) {
                tempo.second = kFourBeatsPerMinute;
            }
        }
    }
    return testing::tempoChanges(midi);
}

struct Tally {
    int scores = 0;
    std::size_t notes = 0;
    std::size_t tempoChanges = 0;
    std::size_t tiedNotes = 0;
    std::size_t tripletNotes = 0;
    std::size_t reported = 0;
    std::size_t keysChange = 0;
};

bool hasRepeatedKey(const MidiSummary& midi) {
    for (const auto& chunk : midi.chunks) {
        if (expectedNotes(chunk.notes).size() != chunk.notes.size()) {
            return true;
        }
    }
    return false;
}

void checkNotesAndTempos(const MidiSummary& a, const MidiSummary& b, const std::string& context,
                         Tally& tally) {
    for (std::size_t t = 0; t < a.chunks.size(); ++t) {
        const std::vector<MidiNote> want = expectedNotes(a.chunks[t].notes);
        const std::vector<MidiNote>& got = b.chunks[t].notes;
        for (std::size_t i = 0; i < std::min(want.size(), got.size()); ++i) {
            ASSERT_EQ(describe(got[i]), describe(want[i])) << context << " track " << t;
        }
        ASSERT_EQ(got.size(), want.size()) << context << " track " << t;
        tally.notes += want.size();
    }
    ASSERT_EQ(testing::tempoChanges(b), expectedTempos(a)) << context;
}

void checkRoundTrip(const Score& score, const std::string& context, Tally& tally) {
    const std::vector<std::uint8_t> first = Player::midiFileBytes(score, 0);
    const MidiImport imported = importMidi(first);
    ASSERT_EQ(testing::brokenRule(imported.score), "") << context;
    const std::vector<std::uint8_t> second = Player::midiFileBytes(imported.score, 0);
    const MidiSummary a = testing::summarise(first);
    const MidiSummary b = testing::summarise(second);
    ASSERT_EQ(a.chunks.size(), b.chunks.size()) << context;
    for (std::size_t t = 0; t < a.chunks.size(); ++t) {
        ASSERT_EQ(b.chunks[t].programs, a.chunks[t].programs) << context << " track " << t;
    }
    tally.keysChange += testing::tieChangesKeys(score) ? 1 : 0;
    checkNotesAndTempos(a, b, context, tally);
    const auto tempos = expectedTempos(a);

    // Nothing is reported unless one of the two named reasons applied.
    const bool slow = std::any_of(tempos.begin(), tempos.end(),
                                  [](const auto& c) { return c.second == kFourBeatsPerMinute; });
    if (!slow && !hasRepeatedKey(a)) {
        EXPECT_TRUE(imported.report.empty()) << context << ": " << imported.report.front();
    } else {
        ++tally.reported;
    }
    tally.tempoChanges += tempos.size() - 1;
    for (const Track& track : imported.score.tracks) {
        for (const TrackMeasure& measure : track.measures) {
            for (const Note& note : measure) {
                tally.tiedNotes += note.tie != TieNone ? 1 : 0;
                tally.tripletNotes += note.triplet != 0 && !note.isRest() ? 1 : 0;
            }
        }
    }
    ++tally.scores;
}

TEST(MidiRoundTrip, RandomEditorScoresComeBackNoteForNote) {
    Tally tally;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 12);
        shape.maxTracks = 5;
        shape.entries = testing::pick(rng, 0, 60 * shape.measures);
        shape.slowTempoPercent = 5;
        const Score score = testing::randomEditorScore(rng, shape);
        checkRoundTrip(score, "seed " + std::to_string(seed), tally);
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_EQ(tally.scores, 400);
    // The random mix must reach what makes the round trip hard, or the test proves little.
    EXPECT_GT(tally.notes, 20000u);
    EXPECT_GT(tally.tempoChanges, 300u);
    EXPECT_GT(tally.tiedNotes, 2000u);
    EXPECT_GT(tally.tripletNotes, 1000u);
    EXPECT_GT(tally.reported, 0u);
    EXPECT_LT(tally.reported, 200u);
    EXPECT_GT(tally.keysChange, 0u);
    EXPECT_LT(tally.keysChange, 40u);
}

// Beyond fifteen melodic tracks the channels come round again; drum lines share channel 10.
TEST(MidiRoundTrip, ManyTracksKeepTheirChannelsAndPrograms) {
    Tally tally;
    for (unsigned seed = 1001; seed <= 1010; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = 4;
        shape.minTracks = 18;
        shape.maxTracks = 20;
        shape.entries = 600;
        const Score score = testing::randomEditorScore(rng, shape);
        checkRoundTrip(score, "seed " + std::to_string(seed), tally);
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_GT(tally.notes, 1000u);
}

}  // namespace
}  // namespace corvane
