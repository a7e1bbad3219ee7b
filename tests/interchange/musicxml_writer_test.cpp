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
// and length in MIDI ticks (tied notes joined) and its Note On velocity.
class NoteReader {
  public:
    explicit NoteReader(const std::string& text) : text_(text) {}

    // Part number (from 0) -> notes, sorted.
    std::map<int, std::vector<MidiNote>> notes() {
        std::map<int, std::vector<MidiNote>> out;
        const long perTick = std::stol(inner(text_, "divisions")) / 24;
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
                const long duration = std::stol(inner(note, "duration")) / perTick;
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

// Every part of the document plays the notes of its track in Write Midi's file.
void expectNotesOfWriteMidi(const Score& score, const std::string& context) {
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
        ASSERT_EQ(got, want) << context << " track " << t;
    }
}

TEST(MusicXmlWriter, NotesAreThoseOfWriteMidi) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 8);
        shape.entries = testing::pick(rng, 0, 50 * shape.measures);
        expectNotesOfWriteMidi(testing::randomEditorScore(rng, shape),
                               "seed " + std::to_string(seed));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// The text of every element named `tag` in `xml`, in order.
std::vector<std::string> allInner(const std::string& xml, const std::string& tag) {
    std::vector<std::string> out;
    const std::string open = "<" + tag + ">";
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
        const std::size_t from = at + open.size();
        out.push_back(xml.substr(from, xml.find("</" + tag + ">", from) - from));
    }
    return out;
}

// Checks that every <note>'s duration is what its type, dots and time modification say, in
// whole divisions, and returns the durations of each measure of the first part.
std::vector<long> checkDurations(const std::string& text) {
    static const std::map<std::string, long> kWholeDivisor = {
        {"whole", 1}, {"half", 2}, {"quarter", 4}, {"eighth", 8}, {"16th", 16}, {"32nd", 32}};
    const long divisions = std::stol(allInner(text, "divisions").front());
    std::vector<long> measures;
    const std::size_t secondPart = text.find("<part id=\"P2\">");
    for (std::size_t at = text.find("<measure "); at != std::string::npos && at < secondPart;
         at = text.find("<measure ", at + 1)) {
        const std::string measure = text.substr(at, text.find("</measure>", at) - at);
        long sum = 0;
        for (std::size_t n = measure.find("<note"); n != std::string::npos;
             n = measure.find("<note", n + 1)) {
            const std::string note = measure.substr(n, measure.find("</note>", n) - n);
            const long duration = std::stol(allInner(note, "duration").front());
            long dots = 0;
            for (std::size_t d = note.find("<dot/>"); d != std::string::npos;
                 d = note.find("<dot/>", d + 1)) {
                ++dots;
            }
            const bool triplet = note.find("<actual-notes>3</actual-notes>") != std::string::npos;
            // divisions * 4 / divisor * (2 - 1 / 2^dots) * (2 / 3 in a triplet)
            const long numerator = divisions * 4 * ((2L << dots) - 1) * (triplet ? 2 : 3);
            const long denominator =
                kWholeDivisor.at(allInner(note, "type").front()) * (1L << dots) * 3;
            EXPECT_EQ(duration * denominator, numerator) << note;
            sum += note.find("<chord/>") == std::string::npos ? duration : 0;
        }
        measures.push_back(sum);
    }
    return measures;
}

TEST(MusicXmlWriter, EveryDurationIsWhatItsValueSays) {
    Score score;
    score.clear();
    score.addMeasure(0, 120, 4);
    score.tracks.emplace_back().measures.emplace_back();
    TrackMeasure& notes = score.tracks[0].measures[0];
    // Every value the model holds, dotted thirty-seconds and double-dotted sixteenths included,
    // plain and in a triplet group: the measure holds what it holds, neither padded nor cut.
    long expected = 0;
    for (const int duration : {1, 2, 4, 8, 16, 32}) {
        for (int dots = 0; dots <= 2; ++dots) {
            notes.push_back(
                testing::with(testing::makeNote(duration, {{0, AccidentalNone}}), dots, 0));
            expected += 384 / duration * ((2L << dots) - 1) / (1L << dots);
            for (const int mark : {1, 3, 2}) {
                notes.push_back(testing::with(testing::makeNote(duration, {}), dots, mark));
            }
            expected += 384 / duration * ((2L << dots) - 1) / (1L << dots) * 2;
        }
    }
    EXPECT_EQ(checkDurations(musicXmlText(score)), std::vector<long>{expected});
    EXPECT_EQ(checkDurations(musicXmlText(testing::smallScore())),
              (std::vector<long>{4 * 96, 3 * 96}));
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const Score random = testing::randomEditorScore(rng, testing::RandomScoreShape{});
        const std::vector<long> sums = checkDurations(musicXmlText(random));
        for (std::size_t m = 0; m < sums.size(); ++m) {
            EXPECT_EQ(sums[m], random.measures[m].beats * 96L) << "seed " << seed;
        }
    }
}

// One treble track of tied pairs: only those whose two chords sound the same keys keep a tie.
TEST(MusicXmlWriter, TiesAreWrittenOnlyWhereWriteMidiHoldsTheKeys) {
    using testing::makeNote;
    using testing::with;
    Score score;
    score.clear();
    score.addMeasure(0, 120, 4);
    score.addMeasure(0, 120, 4);
    score.addMeasure(1, 120, 4);
    score.addTrack(0, Treble);
    const NoteHead c5{1, AccidentalNone};
    const NoteHead e5{3, AccidentalNone};
    const NoteHead f5{4, AccidentalNone};
    // Held: the same chord with its heads swapped, and on into a third.
    score.tracks[0].measures[0] = {with(makeNote(4, {c5, e5}), 0, 0, TieStart),
                                   with(makeNote(4, {e5, c5}), 0, 0, TieMiddle),
                                   with(makeNote(4, {c5, e5}), 0, 0, TieEnd),
                                   // Not held: an octave shift follows.
                                   with(makeNote(4, {c5}), 0, 0, TieStart)};
    // Not held: other heads follow; then the key changes under F.
    score.tracks[0].measures[1] = {
        with(makeNote(4, {c5}), 0, 0, TieEnd, 1), with(makeNote(4, {c5, e5}), 0, 0, TieStart),
        with(makeNote(4, {c5}), 0, 0, TieMiddle), with(makeNote(4, {f5}), 0, 0, TieStart)};
    // Not held: a rest ends the tie.
    score.tracks[0].measures[2] = {with(makeNote(4, {f5}), 0, 0, TieMiddle),
                                   with(makeNote(4, {}), 0, 0, TieStart),
                                   with(makeNote(2, {f5}), 0, 0, TieEnd)};
    const std::string text = musicXmlText(score);
    std::vector<std::string> ties;
    for (std::size_t at = text.find("<tie type=\""); at != std::string::npos;
         at = text.find("<tie type=\"", at + 1)) {
        ties.push_back(text.substr(at + 11, text.find('"', at + 11) - at - 11));
    }
    // Two heads each: start, start; stop, start, stop, start; stop, stop.
    EXPECT_EQ(ties, (std::vector<std::string>{"start", "start", "stop", "start", "stop", "start",
                                              "stop", "stop"}));
    EXPECT_EQ(text.find("<tied type=\"start\"/>", text.find("<measure number=\"2\">")),
              std::string::npos);
    expectNotesOfWriteMidi(score, "ties");
}

TEST(MusicXmlWriter, RestsAndDrumLinesCarryWhatTheEditorShows) {
    Score score;
    score.clear();
    score.addMeasure(3, 120, 4);
    score.addMeasure(-2, 120, 4);
    score.addTrack(0, Drums);
    Note rest = testing::makeNote(2, {}, 64);
    score.tracks[0].measures[0] = {
        testing::with(testing::makeNote(2, {{0, Sharp}}), 0, 0, TieNone, 1), rest};
    score.tracks[0].measures[1] = {testing::makeNote(1, {{0, AccidentalNone}})};
    const std::string text = musicXmlText(score);
    // A rest's velocity, the measures' keys unprinted, the octave shift the editor shows on a
    // drum note where only Corvane reads it, and no <octave-shift> that would change the drum.
    EXPECT_NE(text.find("<note dynamics=\"71.11\">\n        <rest/>"), std::string::npos);
    EXPECT_NE(text.find("<key print-object=\"no\"><fifths>3</fifths></key>"), std::string::npos);
    EXPECT_NE(text.find("<key print-object=\"no\"><fifths>-2</fifths></key>"), std::string::npos);
    EXPECT_NE(text.find("<?corvane octave=\"1\"?>"), std::string::npos);
    EXPECT_EQ(text.find("octave-shift"), std::string::npos);
}

TEST(MusicXmlWriter, TripletMarksOutsideAGroupKeepTheirLengthWithoutBrackets) {
    Score score = testing::smallScore();
    // A lone last member, and a dotted thirty-second, whose length Write Midi rounds to 4 ticks
    // but the document holds exactly.
    score.tracks[1].measures[0] = {
        testing::with(testing::makeNote(4, {{0, AccidentalNone}}), 0, 2),
        testing::with(testing::makeNote(32, {{0, AccidentalNone}}), 1, 0)};
    const std::string text = musicXmlText(score);
    const std::size_t part = text.find("<part id=\"P2\">");
    const std::string bass = text.substr(part, text.find("</measure>", part) - part);
    EXPECT_EQ(bass.find("<tuplet"), std::string::npos);
    EXPECT_NE(bass.find("<duration>64</duration>"), std::string::npos);
    EXPECT_NE(bass.find("<actual-notes>3</actual-notes>"), std::string::npos);
    EXPECT_NE(bass.find("<duration>18</duration>\n        <type>32nd</type>\n        <dot/>"),
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
