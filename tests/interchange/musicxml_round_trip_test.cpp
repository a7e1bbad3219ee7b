// Export MusicXML, then Import MusicXML: every score the editor makes comes back as the same
// score file, byte for byte, with nothing reported; random scores made through note entry and
// the scores the replay scripts save. What MusicXML does not carry is expected as it is:
// - a tie that Write Midi does not hold (the next chord sounds other keys) is not written, so
//   it does not come back;
// - a rest's octave shift and tie, which nothing shows, come back as none.
// (A score without tracks cannot be exported at all.) Write Midi plays the imported score
// exactly as it plays the original.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "interchange/musicxml_import.h"
#include "interchange/musicxml_writer.h"
#include "note_tokens.h"
#include "random_scores.h"
#include "score/pitch.h"
#include "score_rules.h"
#include "sound/player.h"

namespace corvane {
namespace {

std::vector<int> keysOf(const Note& note, TrackKind kind, int key) {
    std::vector<int> keys;
    for (const NoteHead& head : note.pitches) {
        keys.push_back(midiKeyNumber(head.position, head.accidental, note.octave, kind, key));
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The score as MusicXML carries it: ties only between chords of the same keys, rests untied
// and without octave shift.
Score carried(Score score) {
    for (Track& track : score.tracks) {
        Note* previous = nullptr;
        int previousKey = 0;
        bool held = false;  // the previous Note is held into this one
        for (std::size_t m = 0; m < track.measures.size(); ++m) {
            const int key = score.measures[m].key;
            for (Note& note : track.measures[m]) {
                const bool holds =
                    previous != nullptr && !previous->isRest() && !note.isRest() &&
                    (previous->tie == TieStart || previous->tie == TieMiddle) &&
                    (note.tie == TieEnd || note.tie == TieMiddle) &&
                    keysOf(*previous, track.kind, previousKey) == keysOf(note, track.kind, key);
                if (previous != nullptr) {
                    previous->tie =
                        held ? (holds ? TieMiddle : TieEnd) : (holds ? TieStart : TieNone);
                }
                held = holds;
                previous = &note;
                previousKey = key;
                if (note.isRest()) {
                    note.octave = 0;
                }
            }
        }
        if (previous != nullptr) {
            previous->tie = held ? TieEnd : TieNone;
        }
    }
    return score;
}

void expectRoundTrip(const Score& score, const std::string& context) {
    const std::string text = musicXmlText(score);
    const MusicXmlImport back =
        importMusicXml(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ASSERT_TRUE(back.report.empty()) << context << ": " << back.report.front();
    const Score expected = carried(score);
    if (back.score != expected) {
        for (std::size_t t = 0; t < expected.tracks.size() && t < back.score.tracks.size(); ++t) {
            for (std::size_t m = 0; m < expected.measures.size(); ++m) {
                ASSERT_EQ(testing::rhythm(back.score.tracks[t].measures[m]),
                          testing::rhythm(expected.tracks[t].measures[m]))
                    << context << " track " << t << " measure " << m;
            }
        }
    }
    ASSERT_EQ(testing::savedBytes(back.score), testing::savedBytes(expected)) << context;
    EXPECT_EQ(Player::midiFileBytes(back.score, 0), Player::midiFileBytes(score, 0)) << context;
}

struct Reached {
    int ties = 0;
    int triplets = 0;
    int octaves = 0;
    int drums = 0;
    int rests = 0;
};

void tally(const Score& score, Reached& reached) {
    for (const Track& track : score.tracks) {
        for (const TrackMeasure& measure : track.measures) {
            for (const Note& note : measure) {
                reached.ties += note.tie != TieNone && !note.isRest() ? 1 : 0;
                reached.triplets += note.triplet != 0 ? 1 : 0;
                reached.octaves += note.octave != 0 && !note.isRest() ? 1 : 0;
                reached.drums += track.kind == Drums && !note.isRest() ? 1 : 0;
                reached.rests += note.isRest() ? 1 : 0;
            }
        }
    }
}

TEST(MusicXmlRoundTrip, RandomEditorScoresComeBackByteForByte) {
    Reached reached;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 10);
        shape.maxTracks = 6;
        shape.entries = testing::pick(rng, 0, 60 * shape.measures);
        shape.slowTempoPercent = 5;
        if (seed % 3 == 0) {
            // Every meter the file format holds.
            shape.minBeats = 1;
            shape.maxBeats = 32;
        }
        const Score score = testing::randomEditorScore(rng, shape);
        tally(score, reached);
        expectRoundTrip(score, "seed " + std::to_string(seed));
        if (HasFatalFailure()) {
            return;
        }
    }
    // The mix must reach what is hard to carry, or the test proves little.
    EXPECT_GT(reached.ties, 1000);
    EXPECT_GT(reached.triplets, 1000);
    EXPECT_GT(reached.octaves, 1000);
    EXPECT_GT(reached.drums, 1000);
}

// As many tracks as an import allows, and a score whose only tracks are drum lines (the key
// signatures travel on them unprinted).
TEST(MusicXmlRoundTrip, SixtyFourTracksAndDrumsAloneComeBack) {
    std::mt19937 rng(64);
    testing::RandomScoreShape shape;
    shape.measures = 3;
    shape.minTracks = shape.maxTracks = 64;
    shape.entries = 800;
    expectRoundTrip(testing::randomEditorScore(rng, shape), "64 tracks");

    Score drums;
    drums.clear();
    drums.addMeasure(3, 100, 4);
    drums.addMeasure(-4, 100, 3);
    drums.addTrack(5, Drums);
    Note hit;
    hit.pitches = {{2, Sharp}, {-9, AccidentalNone}};
    hit.octave = -1;
    hit.velocity = 33;
    drums.tracks[0].measures[0].front() = hit;
    expectRoundTrip(drums, "drums alone");
}

// A score the replay tests print ("#>" lines): the timeline, then each track's kind, program
// and measures of Note tokens.
Score parseDump(const std::vector<std::string>& lines) {
    Score score;
    score.clear();
    std::istringstream timeline(lines.front().substr(lines.front().find(':') + 1));
    for (std::string entry; timeline >> entry;) {
        int key = 0;
        int tempo = 0;
        int beats = 0;
        char slash = 0;
        std::istringstream(entry) >> key >> slash >> tempo >> slash >> beats;
        score.measures.push_back(MeasureInfo{key, tempo, beats});
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream line(lines[i]);
        std::string word;
        line >> word;
        if (word == "track") {
            std::string kind;
            Track& track = score.tracks.emplace_back();
            line >> word >> kind >> word >> track.program;
            track.kind = kind == "drums" ? Drums : (kind == "bass" ? Bass : Treble);
            continue;
        }
        TrackMeasure& measure = score.tracks.back().measures.emplace_back();
        for (std::string token; line >> token;) {
            measure.push_back(testing::parseNoteToken(token));
        }
    }
    return score;
}

std::vector<std::vector<std::string>> replayScores() {
    std::vector<std::vector<std::string>> scores;
    for (const auto& entry : std::filesystem::directory_iterator(CORVANE_REPLAY_SCRIPTS)) {
        std::ifstream in(entry.path());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("#>", 0) == 0) {
                lines.push_back(line.size() > 3 ? line.substr(3) : "");
            }
        }
        if (!lines.empty()) {
            scores.push_back(std::move(lines));
        }
    }
    return scores;
}

TEST(MusicXmlRoundTrip, TheReplayScriptsScoresComeBackByteForByte) {
    int compared = 0;
    for (const std::vector<std::string>& lines : replayScores()) {
        const Score score = parseDump(lines);
        if (score.tracks.empty()) {
            continue;  // the export refuses a score without tracks
        }
        expectRoundTrip(score, lines.front());
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

}  // namespace
}  // namespace corvane
