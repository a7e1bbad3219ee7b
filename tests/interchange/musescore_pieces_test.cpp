// MusicXML that MuseScore 3 wrote (the pieces in musescore/, made once by make_pieces.py, which
// also had MuseScore write each piece's MIDI file): imported, then played by Write Midi, each
// piece sounds the keys at the onsets of MuseScore's own MIDI file, for at least 95% of its
// notes. MuseScore also plays what a score has no place for, which is left out of the count:
// the second time through a repeat (after the imported score's end) and the grace notes and
// trills it plays as notes shorter than any these pieces write. The notes that still differ
// are listed in the test's output.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "interchange/musicxml_import.h"
#include "midi_summary.h"
#include "score_rules.h"
#include "sound/player.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

const std::filesystem::path kPieces =
    std::filesystem::path(CORVANE_INTERCHANGE_TEST_DIR) / "musescore";

// Onsets within this many quarters are the same.
constexpr double kTolerance = 1.0 / 24;
// MuseScore's grace and trill notes are an eighth of a quarter long; these pieces write nothing
// shorter than a sixteenth.
constexpr double kOrnamentLength = 0.2;

struct Sounded {
    int key = 0;
    double onset = 0;   // in quarters
    double length = 0;  // in quarters
};

std::vector<Sounded> sounded(const std::vector<std::uint8_t>& midi) {
    const testing::MidiSummary summary = testing::summarise(midi);
    std::vector<Sounded> out;
    for (const testing::ChunkSummary& chunk : summary.chunks) {
        for (const testing::MidiNote& note : chunk.notes) {
            out.push_back({note.key, static_cast<double>(note.on) / summary.division,
                           static_cast<double>(note.off - note.on) / summary.division});
        }
    }
    std::sort(out.begin(), out.end(), [](const Sounded& a, const Sounded& b) {
        return std::tie(a.onset, a.key) < std::tie(b.onset, b.key);
    });
    return out;
}

struct Comparison {
    std::size_t matched = 0;
    std::size_t compared = 0;  // the larger of the two counts
    std::vector<std::string> differences;
};

// Pairs our notes with MuseScore's, one to one, by key and onset.
Comparison compare(std::vector<Sounded> ours, std::vector<Sounded> theirs) {
    const double end = ours.empty() ? 0 : ours.back().onset + ours.back().length;
    // A pickup starts our first measure with rests where MuseScore's file starts at once.
    const double shift =
        ours.empty() || theirs.empty() ? 0 : ours.front().onset - theirs.front().onset;
    std::erase_if(theirs, [&](const Sounded& s) {
        return s.length < kOrnamentLength || s.onset + shift >= end - kTolerance;
    });
    Comparison result;
    std::vector<bool> used(theirs.size(), false);
    for (const Sounded& note : ours) {
        bool found = false;
        for (std::size_t i = 0; i < theirs.size() && !found; ++i) {
            if (!used[i] && theirs[i].key == note.key &&
                std::abs(theirs[i].onset + shift - note.onset) <= kTolerance) {
                used[i] = found = true;
            }
        }
        result.matched += found ? 1 : 0;
        if (!found) {
            result.differences.push_back("ours only: key " + std::to_string(note.key) + " at " +
                                         std::to_string(note.onset - shift));
        }
    }
    for (std::size_t i = 0; i < theirs.size(); ++i) {
        if (!used[i]) {
            result.differences.push_back("MuseScore's only: key " + std::to_string(theirs[i].key) +
                                         " at " + std::to_string(theirs[i].onset));
        }
    }
    result.compared = std::max(ours.size(), theirs.size());
    return result;
}

class MuseScorePiece : public ::testing::TestWithParam<std::string> {};

TEST_P(MuseScorePiece, PlaysTheNotesMuseScorePlays) {
    const std::filesystem::path xml = kPieces / (GetParam() + ".musicxml");
    const MusicXmlImport imported = importMusicXmlFile(xml.string());
    EXPECT_EQ(testing::brokenRule(imported.score, 1, 32), "");
    const Comparison result =
        compare(sounded(Player::midiFileBytes(imported.score, 0)),
                sounded(testing::readBytes((kPieces / (GetParam() + ".mid")).string())));
    std::cout << GetParam() << ": " << result.matched << " of " << result.compared
              << " notes match MuseScore's MIDI file\n";
    for (const std::string& line : result.differences) {
        std::cout << "  " << line << "\n";
    }
    for (const std::string& line : imported.report) {
        std::cout << "  report: " << line << "\n";
    }
    EXPECT_GT(result.compared, 20u);
    EXPECT_GE(result.matched * 100, result.compared * 95);
}

INSTANTIATE_TEST_SUITE_P(Pieces, MuseScorePiece,
                         ::testing::Values("piano", "song", "band", "six-eight", "alla-breve"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace corvane
