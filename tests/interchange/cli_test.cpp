// corvane-cli export-musicxml, import-midi and import-musicxml, run as programs: what they write,
// print and refuse, and an imported file read back by midicsv, a MIDI reader written elsewhere.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "interchange/midi_import.h"
#include "interchange/musicxml_import.h"
#include "interchange/musicxml_writer.h"
#include "midi_summary.h"
#include "score/score_reader.h"
#include "small_score.h"
#include "smf_builder.h"
#include "tests/cli/run_cli.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::CliResult;
using testing::MidiNote;
using testing::runCli;
using testing::SmfBuilder;
using testing::TempDir;

std::string text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(CliExportMusicXml, WritesWhatTheEditorExports) {
    const TempDir dir;
    ScoreReader().save(dir.file("small.cvn"), testing::smallScore());
    const CliResult result =
        runCli({"export-musicxml", dir.file("small.cvn"), dir.file("small.musicxml")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(text(testing::readBytes(dir.file("small.musicxml"))),
              musicXmlText(testing::smallScore()));

    // A score without measures is opened with its one default measure.
    std::vector<std::uint8_t> bare = {'C', 'V', 'N', 'h', 'd'};
    for (const std::int32_t v : {0, 1, 0, 5}) {
        testing::putInt(bare, v);
    }
    testing::writeBytes(dir.file("bare.cvn"), bare);
    ASSERT_EQ(runCli({"export-musicxml", dir.file("bare.cvn"), dir.file("bare.musicxml")}).exitCode,
              0);
    const std::string xml = text(testing::readBytes(dir.file("bare.musicxml")));
    EXPECT_NE(xml.find("<measure number=\"1\">"), std::string::npos);
    EXPECT_EQ(xml.find("<measure number=\"2\">"), std::string::npos);
}

TEST(CliExportMusicXml, RefusesWhatItCannotDo) {
    const TempDir dir;
    ScoreReader().save(dir.file("small.cvn"), testing::smallScore());
    Score noTracks;
    noTracks.deleteTrack(0);
    ScoreReader().save(dir.file("empty.cvn"), noTracks);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"export-musicxml", dir.file("empty.cvn"), dir.file("a.musicxml")},
         1,
         dir.file("empty.cvn") +
             ": The score has no tracks: a MusicXML file needs at least one part."},
        {{"export-musicxml", dir.file("missing.cvn"), dir.file("a.musicxml")},
         1,
         dir.file("missing.cvn") + ": no such file"},
        {{"export-musicxml", dir.file("small.cvn"), dir.file("no/a.musicxml")},
         1,
         dir.file("no/a.musicxml") + ": no such folder"},
        {{"export-musicxml", dir.file("small.cvn")}, 2, "missing arguments"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        EXPECT_EQ(testing::lines(result.err).front(), "corvane-cli export-musicxml: " + c.message);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"empty.cvn", "small.cvn"}));
}

std::vector<std::uint8_t> approximatedFile() {
    SmfBuilder file(0, 96);
    file.track().meter(0, 6, 3).program(0, 0, 40).on(0, 0, 60, 90).on(0, 0, 64, 70);
    file.off(97, 0, 60).off(0, 0, 64).on(0, 9, 38, 100).off(48, 9, 38).end();
    return file.bytes();
}

TEST(CliImportMidi, SavesTheScoreAndPrintsTheReport) {
    const TempDir dir;
    testing::writeBytes(dir.file("in.mid"), approximatedFile());
    const CliResult result = runCli({"import-midi", dir.file("in.mid"), dir.file("out.cvn")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const MidiImport expected = importMidi(approximatedFile());
    ASSERT_FALSE(expected.report.empty());
    EXPECT_EQ(testing::lines(result.out), expected.report);
    Score saved;
    ASSERT_TRUE(ScoreReader().load(dir.file("out.cvn"), saved));
    EXPECT_EQ(saved, expected.score);

    // A file the score holds exactly: nothing printed.
    const std::vector<std::uint8_t> exact =
        SmfBuilder(1, 24).track().program(0, 0, 5).on(0, 0, 67, 80).off(36, 0, 67).end().bytes();
    testing::writeBytes(dir.file("exact.mid"), exact);
    const CliResult quiet = runCli({"import-midi", dir.file("exact.mid"), dir.file("exact.cvn")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST(CliImportMidi, RefusesWhatItCannotImportAndWritesNothing) {
    const TempDir dir;
    testing::writeBytes(dir.file("text.mid"), {'h', 'e', 'l', 'l', 'o'});
    std::vector<std::uint8_t> patterns = approximatedFile();
    patterns[9] = 2;
    testing::writeBytes(dir.file("patterns.mid"), patterns);
    testing::writeBytes(dir.file("good.mid"), approximatedFile());
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"import-midi", dir.file("text.mid"), dir.file("a.cvn")},
         1,
         dir.file("text.mid") + ": This is not a MIDI file."},
        {{"import-midi", dir.file("patterns.mid"), dir.file("a.cvn")},
         1,
         dir.file("patterns.mid") +
             ": This MIDI file holds independent patterns (format 2); only files of format 0 or "
             "1 can be imported."},
        {{"import-midi", dir.file("missing.mid"), dir.file("a.cvn")},
         1,
         dir.file("missing.mid") + ": no such file"},
        {{"import-midi", dir.file("good.mid"), dir.file("no/a.cvn")},
         1,
         dir.file("no/a.cvn") + ": no such folder"},
        {{"import-midi", dir.file("good.mid")}, 2, "missing arguments"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        EXPECT_EQ(result.out, "") << c.message;
        EXPECT_EQ(testing::lines(result.err).front(), "corvane-cli import-midi: " + c.message);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"good.mid", "patterns.mid", "text.mid"}));
}

TEST(CliImportMusicXml, ExportThenImportGivesTheSameFileAndAReportForOthers) {
    const TempDir dir;
    ScoreReader().save(dir.file("small.cvn"), testing::smallScore());
    ASSERT_EQ(
        runCli({"export-musicxml", dir.file("small.cvn"), dir.file("small.musicxml")}).exitCode, 0);
    const CliResult back =
        runCli({"import-musicxml", dir.file("small.musicxml"), dir.file("back.cvn")});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out + back.err, "");
    EXPECT_EQ(testing::readBytes(dir.file("back.cvn")), testing::readBytes(dir.file("small.cvn")));

    // MuseScore's compressed file of the band: what it approximated, one line each.
    const std::string band = std::string(CORVANE_INTERCHANGE_TEST_DIR) + "/musescore/band.mxl";
    const CliResult compressed = runCli({"import-musicxml", band, dir.file("band.cvn")});
    ASSERT_EQ(compressed.exitCode, 0) << compressed.err;
    EXPECT_EQ(testing::lines(compressed.out), importMusicXmlFile(band).report);
    Score saved;
    ASSERT_TRUE(ScoreReader().load(dir.file("band.cvn"), saved));
    EXPECT_EQ(saved.tracks.size(), 5u);
}

TEST(CliImportMusicXml, RefusesWhatItCannotImportAndWritesNothing) {
    const TempDir dir;
    testing::writeBytes(dir.file("song.mid"), approximatedFile());
    const std::string timewise = "<score-timewise version=\"3.1\"/>";
    testing::writeBytes(dir.file("timewise.xml"), {timewise.begin(), timewise.end()});
    testing::writeBytes(dir.file("bad.mxl"), {'P', 'K', 3, 4, 0, 0});
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"import-musicxml", dir.file("song.mid"), dir.file("a.cvn")},
         1,
         dir.file("song.mid") + ": The file is not XML, so it is not a MusicXML file."},
        {{"import-musicxml", dir.file("timewise.xml"), dir.file("a.cvn")},
         1,
         dir.file("timewise.xml") +
             ": The file is a timewise MusicXML score; Corvane reads partwise scores, the kind "
             "notation programs write."},
        {{"import-musicxml", dir.file("bad.mxl"), dir.file("a.cvn")},
         1,
         dir.file("bad.mxl") +
             ": The file is a damaged compressed MusicXML file (.mxl): Not a zip archive."},
        {{"import-musicxml", dir.file("missing.xml"), dir.file("a.cvn")},
         1,
         dir.file("missing.xml") + ": no such file"},
        {{"import-musicxml", dir.file("song.mid")}, 2, "missing arguments"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        EXPECT_EQ(result.out, "") << c.message;
        EXPECT_EQ(testing::lines(result.err).front(), "corvane-cli import-musicxml: " + c.message);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bad.mxl", "song.mid", "timewise.xml"}));
}

// The notes midicsv reads from `midi`, by track, ticks scaled to 24 a quarter.
std::map<int, std::vector<MidiNote>> midicsvNotes(const std::string& midi, const std::string& csv) {
    const std::string command = std::string(CORVANE_MIDICSV) + " '" + midi + "' '" + csv + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(csv);
    long division = 24;
    std::map<int, std::vector<MidiNote>> notes;
    std::map<std::pair<int, int>, MidiNote> sounding;
    for (std::string line; std::getline(in, line);) {
        std::stringstream fields(line);
        int track = 0;
        long tick = 0;
        std::string event;
        char comma = 0;
        fields >> track >> comma >> tick >> comma >> event;
        event.pop_back();
        std::vector<long> values;
        for (long v = 0; fields >> v;) {
            values.push_back(v);
            fields >> comma;
        }
        if (event == "Header") {
            division = values.at(2);
        }
        const long at = tick * 24 / division;
        if (event == "Note_on_c" && values.at(2) > 0) {
            sounding[{track, static_cast<int>(values[1])}] =
                MidiNote{static_cast<int>(values[0]), static_cast<int>(values[1]), at, -1,
                         static_cast<int>(values[2])};
        } else if (event == "Note_off_c" || event == "Note_on_c") {
            MidiNote note = sounding.at({track, static_cast<int>(values.at(1))});
            note.off = at;
            notes[track].push_back(note);
        }
    }
    for (auto& [track, list] : notes) {
        std::sort(list.begin(), list.end());
    }
    return notes;
}

TEST(CliImportMidi, MidicsvReadsTheImportedNotesBack) {
    // Format 0 at 96 ticks a quarter: three channels, chords, a tie across the bar line, drums.
    SmfBuilder file(0, 96);
    file.track().program(0, 0, 40).program(0, 1, 33).program(0, 9, 0);
    file.on(0, 0, 72, 100).on(0, 0, 76, 100).on(0, 1, 43, 64).on(0, 9, 42, 80);
    file.off(48, 9, 42).on(0, 9, 38, 90).off(48, 0, 72).off(0, 0, 76).off(0, 9, 38);
    file.on(0, 0, 74, 110).off(96 * 3 + 48, 0, 74).off(0, 1, 43).end();
    const TempDir dir;
    testing::writeBytes(dir.file("in.mid"), file.bytes());
    ASSERT_EQ(runCli({"import-midi", dir.file("in.mid"), dir.file("in.cvn")}).exitCode, 0);
    ASSERT_EQ(runCli({"export-midi", dir.file("in.cvn"), dir.file("out.mid")}).exitCode, 0);

    const auto before = midicsvNotes(dir.file("in.mid"), dir.file("in.csv"));
    const auto after = midicsvNotes(dir.file("out.mid"), dir.file("out.csv"));
    // One track in; one per channel out, in channel order.
    ASSERT_EQ(before.size(), 1u);
    std::vector<MidiNote> joined;
    for (const auto& [track, notes] : after) {
        joined.insert(joined.end(), notes.begin(), notes.end());
    }
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(joined, before.begin()->second);
    EXPECT_EQ(after.size(), 3u);
}

}  // namespace
}  // namespace corvane
