// The MusicXML writer: a small score against its golden file (CORVANE_UPDATE_GOLDEN=1 writes the
// file again for review), every note of random scores at Write Midi's key, ticks and velocity
// when the document is read back, and the file handling.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "interchange/musicxml_writer.h"
#include "midi_summary.h"
#include "random_scores.h"
#include "score/data_file.h"
#include "score_rules.h"
#include "small_score.h"
#include "sound/player.h"
#include "tests/score/test_files.h"
#include "tests/support/golden.h"

namespace corvane {
namespace {

using testing::MidiNote;

const std::filesystem::path kGolden =
    std::filesystem::path(CORVANE_INTERCHANGE_TEST_DIR) / "golden" / "small_score.musicxml";

TEST(MusicXmlWriter, SmallScoreMatchesItsGoldenFile) {
    testing::expectMatchesGolden(musicXmlText(testing::smallScore()), kGolden);
}

// A small reader of what the writer writes: every note of every part with its key, its onset
// and length in divisions (tied notes joined) and its Note On velocity.
class NoteReader {
  public:
    explicit NoteReader(const std::string& text) : text_(text) {}

    // Part number (from 0) -> notes, sorted.
    std::map<int, std::vector<MidiNote>> notes() {
        std::map<int, std::vector<MidiNote>> out;
        int part = -1;
        long at = 0;
        long chordAt = 0;
        std::map<int, MidiNote> held;  // tied on, by key
        for (std::size_t pos = 0; (pos = text_.find('<', pos)) != std::string::npos; ++pos) {
            if (text_.compare(pos, 9, "<part id=") == 0) {
                ++part;
                at = 0;
                held.clear();
            } else if (text_.compare(pos, 5, "<note") == 0) {
                const std::string note = text_.substr(pos, text_.find("</note>", pos) - pos);
                const long duration = std::stol(inner(note, "duration"));
                if (note.find("<chord/>") == std::string::npos) {
                    chordAt = at;
                    at += duration;
                }
                if (note.find("<rest/>") == std::string::npos) {
                    addNote(note, chordAt, duration, held, out[part]);
                }
            }
        }
        for (auto& [p, list] : out) {
            std::sort(list.begin(), list.end());
        }
        return out;
    }

  private:
    static std::string inner(const std::string& xml, const std::string& tag) {
        const std::size_t open = xml.find("<" + tag + ">");
        if (open == std::string::npos) {
            return "";
        }
        const std::size_t from = open + tag.size() + 2;
        return xml.substr(from, xml.find("</" + tag + ">", from) - from);
    }

    static int key(const std::string& note) {
        const std::string instrument = "<instrument id=\"";
        const std::size_t drum = note.find(instrument);
        if (drum != std::string::npos) {
            return std::stoi(note.substr(note.find("-I", drum) + 2)) - 1;
        }
        static const std::map<std::string, int> steps = {{"C", 0}, {"D", 2}, {"E", 4}, {"F", 5},
                                                         {"G", 7}, {"A", 9}, {"B", 11}};
        const std::string alter = inner(note, "alter");
        return 12 * (std::stoi(inner(note, "octave")) + 1) + steps.at(inner(note, "step")) +
               (alter.empty() ? 0 : std::stoi(alter));
    }

    static void addNote(const std::string& note, long at, long duration,
                        std::map<int, MidiNote>& held, std::vector<MidiNote>& out) {
        const int k = key(note);
        const std::size_t dynamics = note.find("dynamics=\"") + 10;
        const int velocity = static_cast<int>(std::lround(std::stod(note.substr(dynamics)) * 0.9));
        const bool stop = note.find("<tie type=\"stop\"/>") != std::string::npos;
        const bool start = note.find("<tie type=\"start\"/>") != std::string::npos;
        MidiNote sounding{0, k, at, at + duration, velocity};
        if (stop && held.count(k) != 0) {
            sounding = held[k];
            sounding.off = at + duration;
            held.erase(k);
        }
        if (start) {
            held[k] = sounding;
        } else {
            out.push_back(sounding);
        }
    }

    const std::string& text_;
};

TEST(MusicXmlWriter, NotesAreThoseOfWriteMidi) {
    int compared = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 8);
        shape.entries = testing::pick(rng, 0, 50 * shape.measures);
        const Score score = testing::randomEditorScore(rng, shape);
        if (testing::tieChangesKeys(score)) {
            continue;  // Write Midi leaves such ties' first keys sounding
        }
        const std::string text = musicXmlText(score);
        const auto parts = NoteReader(text).notes();
        const testing::MidiSummary midi = testing::summarise(Player::midiFileBytes(score, 0));
        for (std::size_t t = 0; t < score.tracks.size(); ++t) {
            std::vector<MidiNote> want = midi.chunks[t].notes;
            for (MidiNote& note : want) {
                note.channel = 0;
            }
            const auto found = parts.find(static_cast<int>(t));
            const std::vector<MidiNote> got =
                found == parts.end() ? std::vector<MidiNote>{} : found->second;
            ASSERT_EQ(got, want) << "seed " << seed << " track " << t;
        }
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

TEST(MusicXmlWriter, TripletMarksOutsideAGroupKeepTheirLengthWithoutBrackets) {
    Score score = testing::smallScore();
    // A lone last member, and a dotted thirty-second whose length Write Midi rounds to 4 ticks.
    score.tracks[1].measures[0] = {
        testing::with(testing::makeNote(4, {{0, AccidentalNone}}), 0, 2),
        testing::with(testing::makeNote(32, {{0, AccidentalNone}}), 1, 0)};
    const std::string text = musicXmlText(score);
    const std::size_t part = text.find("<part id=\"P2\">");
    const std::string bass = text.substr(part, text.find("</measure>", part) - part);
    EXPECT_EQ(bass.find("<tuplet"), std::string::npos);
    EXPECT_NE(bass.find("<duration>16</duration>"), std::string::npos);
    EXPECT_NE(bass.find("<actual-notes>3</actual-notes>"), std::string::npos);
    EXPECT_NE(bass.find("<duration>4</duration>\n        <type>32nd</type>\n        <dot/>"),
              std::string::npos);
}

TEST(MusicXmlWriter, RefusesAScoreWithoutTracksOrMeasures) {
    Score noTracks;
    noTracks.deleteTrack(0);
    Score noMeasures;
    noMeasures.measures.clear();
    noMeasures.tracks[0].measures.clear();
    const testing::TempDir dir;
    for (const auto& [score, message] :
         {std::pair{noTracks, "The score has no tracks: a MusicXML file needs at least one part."},
          std::pair{noMeasures,
                    "The score has no measures: a MusicXML file needs at least one."}}) {
        try {
            writeMusicXmlFile(dir.file("empty.musicxml"), score);
            ADD_FAILURE() << "no error for " << message;
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), message);
        }
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(MusicXmlWriter, WritesAtomicallyAndKeepsTheOldFileWhenItCannot) {
    const testing::TempDir dir;
    const std::string path = dir.file("song.musicxml");
    testing::writeBytes(path, {'o', 'l', 'd'});
    writeMusicXmlFile(path, testing::smallScore());
    const std::vector<std::uint8_t> written = testing::readBytes(path);
    const std::string text = musicXmlText(testing::smallScore());
    EXPECT_EQ(std::string(written.begin(), written.end()), text);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.musicxml"});

    for (const std::string& bad : {dir.file("missing/song.musicxml"), dir.file("notes.txt")}) {
        try {
            writeMusicXmlFile(bad, testing::smallScore());
            FAIL() << bad;
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), kErrorOpenWrite) << bad;
        }
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.musicxml"});
    EXPECT_EQ(testing::readBytes(path), written);
}

}  // namespace
}  // namespace corvane
