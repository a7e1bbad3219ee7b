// Exported MusicXML read by programs written elsewhere: xmllint validates it against the
// MusicXML 3.0 schema, and LilyPond (musicxml2ly, then lilypond's own MIDI output) plays the
// same keys at the same ticks as Write Midi. Slow, so a few scores only, and not under the
// sanitizers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "interchange/musicxml_writer.h"
#include "midi_summary.h"
#include "random_scores.h"
#include "score_rules.h"
#include "small_score.h"
#include "sound/player.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::MidiNote;
using testing::TempDir;

// LilyPond's MIDI files have 384 ticks per quarter note, Write Midi's 24.
constexpr long kLilyPondScale = 384 / 24;

// Runs a shell command line; returns its exit status, with its output in `log`.
int run(const std::string& command, const std::string& log) {
    return std::system((command + " >'" + log + "' 2>&1").c_str());
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Scores for the readers: a small one with every mark, and random ones made through note entry
// (whose ties all release the keys they start).
std::vector<std::pair<std::string, Score>> scores() {
    std::vector<std::pair<std::string, Score>> out;
    out.emplace_back("small", testing::smallScore());
    for (unsigned seed = 7; out.size() < 3; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = 6;
        shape.minTracks = 3;
        shape.maxTracks = 4;
        shape.entries = 250;
        Score score = testing::randomEditorScore(rng, shape);
        if (!testing::tieChangesKeys(score)) {
            out.emplace_back("random" + std::to_string(seed), std::move(score));
        }
    }
    return out;
}

TEST(MusicXmlReaders, ExportsValidateAgainstTheSchema) {
    const TempDir dir;
    std::vector<std::pair<std::string, Score>> all = scores();
    // Values only a file brings in: meters of 1 to 32 beats, seven sharps, far staff positions.
    all.emplace_back("rich", samples::richScore());
    for (const auto& [name, score] : all) {
        const std::string path = dir.file(name + ".musicxml");
        writeMusicXmlFile(path, score);
        const std::string log = dir.file(name + ".log");
        EXPECT_EQ(run(std::string(CORVANE_XMLLINT) + " --noout --nonet --schema '" +
                          CORVANE_MUSICXML_SCHEMA + "' '" + path + "'",
                      log),
                  0)
            << name << ": " << readText(log);
    }
}

// The notes of LilyPond's MIDI file, by part, in Write Midi's ticks.
std::vector<std::vector<MidiNote>> lilyPondNotes(const std::string& midi) {
    const std::vector<std::uint8_t> bytes = testing::readBytes(midi);
    const testing::MidiSummary summary = testing::summarise(bytes);
    std::vector<std::vector<MidiNote>> parts;
    // The first chunk holds tempos and meters; one chunk follows for every part.
    for (std::size_t c = 1; c < summary.chunks.size(); ++c) {
        std::vector<MidiNote>& notes = parts.emplace_back();
        for (MidiNote note : summary.chunks[c].notes) {
            note.channel = 0;
            note.velocity = 0;
            note.on /= kLilyPondScale;
            note.off /= kLilyPondScale;
            notes.push_back(note);
        }
        std::sort(notes.begin(), notes.end());
    }
    return parts;
}

TEST(MusicXmlReaders, LilyPondPlaysTheKeysAndTicksOfWriteMidi) {
    const TempDir dir;
    for (const auto& [name, score] : scores()) {
        const std::string xml = dir.file(name + ".musicxml");
        const std::string ly = dir.file(name + ".ly");
        const std::string log = dir.file(name + ".log");
        writeMusicXmlFile(xml, score);
        ASSERT_EQ(run(std::string(CORVANE_MUSICXML2LY) + " -o '" + ly + "' '" + xml + "'", log), 0)
            << readText(log);
        // musicxml2ly writes the MIDI block of its score commented out (its --midi option adds
        // a second score whose articulate script shortens the notes); with the block in,
        // LilyPond plays the written lengths.
        std::string source = readText(ly);
        const std::string commented = "%  \\midi";
        ASSERT_NE(source.find(commented), std::string::npos);
        source.replace(source.find(commented), commented.size(), "\\midi");
        writeText(ly, source);
        ASSERT_EQ(
            run(std::string(CORVANE_LILYPOND) + " -s -o '" + dir.file(name) + "' '" + ly + "'",
                log),
            0)
            << readText(log);

        const std::vector<std::vector<MidiNote>> parts = lilyPondNotes(dir.file(name + ".midi"));
        const testing::MidiSummary ours = testing::summarise(Player::midiFileBytes(score, 0));
        ASSERT_EQ(parts.size(), score.tracks.size()) << name;
        int compared = 0;
        for (std::size_t t = 0; t < score.tracks.size(); ++t) {
            if (score.tracks[t].kind == Drums) {
                continue;  // LilyPond plays drum staves by its own drum names
            }
            std::vector<MidiNote> want = ours.chunks[t].notes;
            for (MidiNote& note : want) {
                note.channel = 0;
                note.velocity = 0;
            }
            // A chord holding one key twice (B sharp and C) sounds it once anywhere.
            want.erase(std::unique(want.begin(), want.end()), want.end());
            EXPECT_EQ(parts[t], want) << name << " part " << t + 1;
            compared += static_cast<int>(want.size());
        }
        EXPECT_GT(compared, 5) << name;
    }
}

}  // namespace
}  // namespace corvane
