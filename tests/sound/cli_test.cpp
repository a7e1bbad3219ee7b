// corvane-cli export-midi, render-audio and play, run as programs; the exported files are also
// read back with midicsv, a MIDI reader written elsewhere.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "score/score_reader.h"
#include "score_builders.h"
#include "sound/player.h"
#include "tests/cli/run_cli.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"
#include "unusable_soundfonts.h"
#include "wav.h"

namespace corvane {
namespace {

using testing::CliResult;
using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const std::string kSoundfont = CORVANE_TEST_SOUNDFONT;

TEST(CliExportMidi, WritesTheWriteMidiBytes) {
    TempDir dir;
    const Score score = samples::richScore();
    ScoreReader().save(dir.file("rich.cvn"), score);
    Score loaded;
    ASSERT_TRUE(ScoreReader().load(dir.file("rich.cvn"), loaded));

    CliResult result = runCli({"export-midi", dir.file("rich.cvn"), dir.file("rich.mid")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(readBytes(dir.file("rich.mid")), Player::midiFileBytes(loaded, 0));

    result =
        runCli({"export-midi", dir.file("rich.cvn"), dir.file("from3.mid"), "--from-measure", "3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readBytes(dir.file("from3.mid")), Player::midiFileBytes(loaded, 3));
}

TEST(CliExportMidi, ScoreWithoutMeasuresGetsItsDefaultMeasure) {
    TempDir dir;
    // "CVNhd", no measures, one treble track of program 5.
    std::vector<std::uint8_t> bytes = {'C', 'V', 'N', 'h', 'd'};
    for (const std::int32_t v : {0, 1, 0, 5}) {
        testing::putInt(bytes, v);
    }
    writeBytes(dir.file("bare.cvn"), bytes);
    const CliResult result = runCli({"export-midi", dir.file("bare.cvn"), dir.file("bare.mid")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readBytes(dir.file("bare.mid")),
              Player::midiFileBytes(test::emptyScore(1, {{Treble, 5}}), 0));
}

TEST(CliExportMidi, RefusesWhatItCannotDo) {
    TempDir dir;
    ScoreReader().save(dir.file("one.cvn"), Score());
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"export-midi", dir.file("one.cvn"), dir.file("a.mid"), "--from-measure", "1"},
         2,
         "--from-measure 1 is not a measure of the score"},
        {{"export-midi", dir.file("one.cvn"), dir.file("a.mid"), "--from-measure", "-1"},
         2,
         "--from-measure -1"},
        {{"export-midi", dir.file("one.cvn")}, 2, "usage"},
        {{"export-midi", dir.file("one.cvn"), dir.file("a.txt")},
         1,
         "Error opening a file to write."},
        {{"export-midi", dir.file("one.cvn"), dir.file("no/a.mid")}, 1, "a.mid"},
        {{"export-midi", dir.file("missing.cvn"), dir.file("a.mid")}, 1, "missing.cvn"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"one.cvn"});
}

// Runs midicsv on `midi` and returns its lines split into fields.
std::vector<std::vector<std::string>> midicsv(const std::string& midi, const std::string& csv) {
    const std::string command = std::string(CORVANE_MIDICSV) + " '" + midi + "' '" + csv + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(csv);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, ',');) {
            const auto start = field.find_first_not_of(' ');
            fields.push_back(start == std::string::npos ? "" : field.substr(start));
        }
        rows.push_back(fields);
    }
    return rows;
}

TEST(CliExportMidi, MidicsvReadsTheExportedFile) {
    TempDir dir;
    Score score = test::emptyScore(2, {{Drums, 0}, {Treble, 40}, {Bass, 33}});
    score.measures[1].tempo = 90;
    score.measures[1].key = -2;
    score.tracks[0].measures[0] = {test::single(4, -8), test::rest(), test::rest(2)};
    score.tracks[1].measures[0] = {test::rest(2), test::rest(), test::single(4, 0, TieStart, 100)};
    score.tracks[1].measures[1] = {test::single(2, 0, TieEnd, 70), test::rest(2)};
    score.tracks[2].measures[1] = {test::rest(), test::chord(4, {0, -2}), test::rest(2)};
    ScoreReader().save(dir.file("song.cvn"), score);
    ASSERT_EQ(runCli({"export-midi", dir.file("song.cvn"), dir.file("song.mid")}).exitCode, 0);

    const auto rows = midicsv(dir.file("song.mid"), dir.file("song.csv"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"0", "0", "Header", "1", "3", "24"}));
    // track, time, event, fields... as midicsv prints them
    const std::vector<std::vector<std::string>> events = {
        {"1", "0", "Tempo", "500000"},
        {"1", "0", "Program_c", "9", "0"},
        {"1", "0", "Note_on_c", "9", "39", "90"},
        {"1", "24", "Note_off_c", "9", "39", "90"},
        {"1", "24", "Tempo", "666666"},
        {"2", "0", "Program_c", "0", "40"},
        {"2", "72", "Note_on_c", "0", "71", "100"},
        {"2", "144", "Note_off_c", "0", "70", "70"},  // B flat under the new key, TieEnd's velocity
        {"3", "0", "Program_c", "1", "33"},
        {"3", "120", "Note_on_c", "1", "50", "90"},
        {"3", "120", "Note_on_c", "1", "46", "90"},  // B flat in the bass too
        {"3", "144", "Note_off_c", "1", "50", "90"},
        {"3", "144", "Note_off_c", "1", "46", "90"},
    };
    std::vector<std::vector<std::string>> seen;
    std::map<std::string, int> endTracks;
    for (const auto& row : rows) {
        if (row.size() >= 3 && row[2] == "End_track") {
            ++endTracks[row[0]];
        } else if (row.size() >= 3 && row[2] != "Start_track" && row[2] != "Header" &&
                   row[2] != "End_of_file") {
            seen.push_back(row);
        }
    }
    EXPECT_EQ(seen, events);
    EXPECT_EQ(endTracks, (std::map<std::string, int>{{"1", 1}, {"2", 1}, {"3", 1}}));
}

TEST(CliExportMidi, MidicsvReadsARichScore) {
    TempDir dir;
    const Score score = samples::richScore();
    ScoreReader().save(dir.file("rich.cvn"), score);
    ASSERT_EQ(runCli({"export-midi", dir.file("rich.cvn"), dir.file("rich.mid")}).exitCode, 0);
    const auto rows = midicsv(dir.file("rich.mid"), dir.file("rich.csv"));
    std::size_t noteOns = 0;
    std::size_t noteOffs = 0;
    for (const auto& row : rows) {
        ASSERT_GE(row.size(), 3u);
        if (row[2] == "Note_on_c" || row[2] == "Note_off_c") {
            ASSERT_EQ(row.size(), 6u);
            const int channel = std::stoi(row[3]);
            EXPECT_TRUE(channel >= 0 && channel <= 15);
            EXPECT_TRUE(std::stoi(row[4]) >= 0 && std::stoi(row[4]) <= 127);
            (row[2] == "Note_on_c" ? noteOns : noteOffs) += 1;
        }
    }
    std::size_t heads = 0;
    for (const Track& track : score.tracks) {
        for (const TrackMeasure& measure : track.measures) {
            for (const Note& note : measure) {
                heads += (note.tie == TieNone || note.tie == TieStart) ? note.pitches.size() : 0;
            }
        }
    }
    EXPECT_EQ(noteOns, heads);
    EXPECT_GT(noteOffs, 0u);
}

TEST(CliRenderAudio, WritesAWavFile) {
    TempDir dir;
    Score score = test::emptyScore(2, {{Treble, 0}}, 120);
    score.tracks[0].measures[1] = {test::single(1, 0)};
    ScoreReader().save(dir.file("song.cvn"), score);
    const CliResult result = runCli(
        {"render-audio", dir.file("song.cvn"), dir.file("song.wav"), "--soundfont", kSoundfont});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const test::Wav wav = test::readWav(dir.file("song.wav"));
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_EQ(wav.bitsPerSample, 16);
    // Four seconds of music, then a short release.
    const double seconds = static_cast<double>(wav.mono.size()) / 44100;
    EXPECT_GE(seconds, 4.0);
    EXPECT_LT(seconds, 6.0);

    // From the second measure on, the note starts at once.
    ASSERT_EQ(runCli({"render-audio", dir.file("song.cvn"), dir.file("from1.wav"), "--from-measure",
                      "1", "--soundfont", kSoundfont})
                  .exitCode,
              0);
    const test::Wav from1 = test::readWav(dir.file("from1.wav"));
    EXPECT_GT(test::rms(from1.mono, 4410, 8820), 10 * test::rms(wav.mono, 4410, 8820));

    const CliResult bad = runCli({"render-audio", dir.file("song.cvn"), dir.file("x.wav"),
                                  "--soundfont", dir.file("none.sf2")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("none.sf2"), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));
}

// soxi's name for the type of the sound file at `path`.
std::string soundFileType(const std::string& path) {
    std::string type;
    if (FILE* pipe = ::popen((std::string(CORVANE_SOXI) + " -t '" + path + "' 2>&1").c_str(), "r")) {
        char buffer[128];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            type += buffer;
        }
        ::pclose(pipe);
    }
    return type;
}

TEST(CliRenderAudio, TheOutputsExtensionChoosesTheFormat) {
    TempDir dir;
    Score score = test::emptyScore(1, {{Treble, 0}}, 240);
    score.tracks[0].measures[0] = {test::single(2, 0), test::rest(2)};
    ScoreReader().save(dir.file("song.cvn"), score);
    const struct {
        const char* name;
        const char* type;
    } cases[] = {{"a.flac", "flac\n"}, {"b.ogg", "vorbis\n"}, {"c.WAV", "wav\n"},
                 {"d.FLAC", "flac\n"}, {"e.audio", "wav\n"}, {"f", "wav\n"}};
    for (const auto& c : cases) {
        const CliResult result =
            runCli({"render-audio", dir.file("song.cvn"), dir.file(c.name), "--soundfont",
                    kSoundfont});
        ASSERT_EQ(result.exitCode, 0) << c.name << ": " << result.err;
        EXPECT_EQ(result.out + result.err, "");
        EXPECT_EQ(soundFileType(dir.file(c.name)), c.type) << c.name;
    }
}

TEST(CliRenderAudio, ASoundfontThatCannotBeUsedIsNamedInOneLine) {
    TempDir dir;
    ScoreReader().save(dir.file("song.cvn"), test::emptyScore(1, {{Treble, 0}}));
    ASSERT_TRUE(test::makeUnusableSoundfonts(dir.path()));
    const struct {
        const char* name;
        const char* what;
    } cases[] = {{"folder.sf2", " is a folder, not a soundfont file."},
                 {"pipe.sf2", " is a named pipe, not a soundfont file."},
                 {"text.sf2", " is not a soundfont file."},
                 {"damaged.sf2", " could not be loaded: it is damaged."}};
    for (const auto& c : cases) {
        const CliResult result = runCli({"render-audio", dir.file("song.cvn"),
                                         dir.file("out.wav"), "--soundfont", dir.file(c.name)});
        EXPECT_EQ(result.exitCode, 1) << c.name;
        EXPECT_EQ(result.err, "corvane-cli render-audio: The soundfont " + dir.file(c.name) +
                                  c.what + "\n");
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.wav")));
    }
}

// With ALSA's null device as the only output, play runs the song in real time and returns when
// it ends; with no output at all it says so at once.
TEST(CliPlay, PlaysToTheEndOrSaysThereIsNoSound) {
    TempDir dir;
    Score score = test::emptyScore(1, {{Treble, 0}}, 240);
    score.tracks[0].measures[0] = {test::single(2, 0), test::rest(2)};
    ScoreReader().save(dir.file("song.cvn"), score);
    std::ofstream(dir.file("null.conf")) << "pcm.!default { type null }\n";
    std::ofstream(dir.file("none.conf")) << "pcm.!default { type hw card 99 }\n";

    const char* old = std::getenv("ALSA_CONFIG_PATH");
    const std::string saved = old != nullptr ? old : "";
    const auto timed = [&](const std::string& config) {
        ::setenv("ALSA_CONFIG_PATH", dir.file(config).c_str(), 1);
        ::setenv("PULSE_SERVER", "unix:/nonexistent", 1);
        const auto start = std::chrono::steady_clock::now();
        CliResult result = runCli({"play", dir.file("song.cvn")});
        return std::pair{result, std::chrono::steady_clock::now() - start};
    };
    const auto [played, playTime] = timed("null.conf");
    const auto [silent, silentTime] = timed("none.conf");
    if (old != nullptr) {
        ::setenv("ALSA_CONFIG_PATH", saved.c_str(), 1);
    } else {
        ::unsetenv("ALSA_CONFIG_PATH");
    }
    ::unsetenv("PULSE_SERVER");

    EXPECT_EQ(played.exitCode, 0) << played.err;
    EXPECT_GE(playTime, std::chrono::milliseconds(450));
    EXPECT_LT(playTime, std::chrono::seconds(15));
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("no sound output is available"), std::string::npos) << silent.err;
    EXPECT_LT(silentTime, std::chrono::seconds(2));
    // The temporary file went away with the playback.
    EXPECT_FALSE(std::filesystem::exists("cvn_playback.mid"));
}

}  // namespace
}  // namespace corvane
