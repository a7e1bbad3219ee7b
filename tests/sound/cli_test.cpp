// corvane-cli export-midi, render-audio and play, run as programs; the exported files are also
// read back with midicsv, a MIDI reader written elsewhere.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
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
         dir.file("a.txt") + ": a name ending in .txt is kept for text files"},
        {{"export-midi", dir.file("one.cvn"), dir.file("no/a.mid")},
         1,
         dir.file("no/a.mid") + ": no such folder"},
        {{"export-midi", dir.file("missing.cvn"), dir.file("a.mid")},
         1,
         dir.file("missing.cvn") + ": no such file"},
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
        // A tie from B into B flat under the new key: B stops at the bar line, B flat sounds.
        {"2", "72", "Note_on_c", "0", "71", "100"},
        {"2", "96", "Note_off_c", "0", "71", "100"},
        {"2", "96", "Note_on_c", "0", "70", "70"},
        {"2", "144", "Note_off_c", "0", "70", "70"},
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

// Checks, in midicsv's rows, that every Note On is followed by a Note Off of the same channel and
// key in the same track and that no Note Off stops a key that is not sounding; returns the
// number of Note Ons.
std::size_t expectEveryNoteStopped(const std::vector<std::vector<std::string>>& rows,
                                   const std::string& name) {
    std::size_t noteOns = 0;
    std::map<std::pair<std::string, std::string>, int> sounding;  // channel and key
    for (const auto& row : rows) {
        EXPECT_GE(row.size(), 3u) << name;
        if (row.size() < 3) {
            continue;
        }
        if (row[2] == "End_track") {
            for (const auto& [note, count] : sounding) {
                EXPECT_EQ(count, 0) << name << ": track " << row[0] << ", channel " << note.first
                                    << ", key " << note.second << " never stops";
            }
            sounding.clear();
        } else if (row[2] == "Note_on_c" || row[2] == "Note_off_c") {
            EXPECT_EQ(row.size(), 6u) << name;
            const int channel = std::stoi(row[3]);
            EXPECT_TRUE(channel >= 0 && channel <= 15) << name;
            EXPECT_TRUE(std::stoi(row[4]) >= 0 && std::stoi(row[4]) <= 127) << name;
            int& count = sounding[{row[3], row[4]}];
            if (row[2] == "Note_on_c") {
                ++count;
                ++noteOns;
            } else {
                EXPECT_GT(count, 0) << name << ": a Note Off at " << row[1] << " for key "
                                    << row[4] << ", which is not sounding";
                --count;
            }
        }
    }
    return noteOns;
}

TEST(CliExportMidi, MidicsvReadsARichScore) {
    TempDir dir;
    const Score score = samples::richScore();
    ScoreReader().save(dir.file("rich.cvn"), score);
    ASSERT_EQ(runCli({"export-midi", dir.file("rich.cvn"), dir.file("rich.mid")}).exitCode, 0);
    const auto rows = midicsv(dir.file("rich.mid"), dir.file("rich.csv"));
    const std::size_t noteOns = expectEveryNoteStopped(rows, "rich score");
    std::size_t heads = 0;
    for (const Track& track : score.tracks) {
        for (const TrackMeasure& measure : track.measures) {
            for (const Note& note : measure) {
                heads += (note.tie == TieNone || note.tie == TieStart) ? note.pitches.size() : 0;
            }
        }
    }
    EXPECT_EQ(noteOns, heads);
}

// Tie marks in every order, as damaged files hold them: midicsv finds every note stopped.
TEST(CliExportMidi, MidicsvFindsEveryNoteStoppedWhateverTheTies) {
    TempDir dir;
    const TieState ties[] = {TieStart, TieMiddle, TieEnd, TieNone};
    for (int variant = 0; variant < 12; ++variant) {
        Score score = test::emptyScore(3, {{Treble, 0}, {Drums, 0}, {Bass, 33}});
        score.measures[1].key = variant % 7 - 3;
        for (std::size_t t = 0; t < score.tracks.size(); ++t) {
            for (std::size_t m = 0; m < 3; ++m) {
                TrackMeasure& measure = score.tracks[t].measures[m];
                measure.clear();
                for (int n = 0; n < 4; ++n) {
                    const int i = variant + n * 5 + static_cast<int>(m * 3 + t);
                    measure.push_back(i % 6 == 0 ? test::rest()
                                                 : test::chord(4, {i % 3, i % 4 - 1},
                                                               ties[(i * 7 + variant) % 4], 60));
                }
            }
        }
        const std::string name = "ties" + std::to_string(variant);
        Player::writeMidiFile(dir.file(name + ".mid"), score, variant % 3);
        const auto rows = midicsv(dir.file(name + ".mid"), dir.file(name + ".csv"));
        EXPECT_GT(expectEveryNoteStopped(rows, name), 0u);
    }
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

// For the life of the object, ALSA reads `config` instead of the system's configuration and no
// sound server can be reached: the sound output is what the test says.
class AlsaOnly {
  public:
    explicit AlsaOnly(const std::string& config) {
        if (const char* old = std::getenv("ALSA_CONFIG_PATH")) {
            saved_ = old;
        }
        ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        ::setenv("PULSE_SERVER", "unix:/nonexistent", 1);
    }
    ~AlsaOnly() {
        if (saved_) {
            ::setenv("ALSA_CONFIG_PATH", saved_->c_str(), 1);
        } else {
            ::unsetenv("ALSA_CONFIG_PATH");
        }
        ::unsetenv("PULSE_SERVER");
    }
    AlsaOnly(const AlsaOnly&) = delete;
    AlsaOnly& operator=(const AlsaOnly&) = delete;

  private:
    std::optional<std::string> saved_;
};

// With ALSA's null device as the only output, play runs the song to its end and succeeds
// (whether that device keeps pace with real time differs between machines, so nothing here is
// timed); with no output at all it says so.
TEST(CliPlay, PlaysToTheEndOrSaysThereIsNoSound) {
    TempDir dir;
    Score score = test::emptyScore(1, {{Treble, 0}}, 240);
    score.tracks[0].measures[0] = {test::single(2, 0), test::rest(2)};
    ScoreReader().save(dir.file("song.cvn"), score);
    std::ofstream(dir.file("null.conf")) << "pcm.!default { type null }\n";
    std::ofstream(dir.file("none.conf")) << "pcm.!default { type hw card 99 }\n";

    const auto play = [&](const std::string& config) {
        const AlsaOnly alsa(dir.file(config));
        return runCli({"play", dir.file("song.cvn")});
    };
    const CliResult played = play("null.conf");
    const CliResult silent = play("none.conf");

    EXPECT_EQ(played.exitCode, 0) << played.err;
    EXPECT_EQ(played.err, "");
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("no sound output is available"), std::string::npos) << silent.err;
    // The temporary file went away with the playback.
    EXPECT_FALSE(std::filesystem::exists("cvn_playback.mid"));
}

// libasound prints its own complaints about a device it cannot open; the user sees only the
// program's one line.
TEST(CliPlay, AlsaComplaintsStayOffTheTerminal) {
    TempDir dir;
    ScoreReader().save(dir.file("song.cvn"), test::emptyScore(1, {{Treble, 0}}));
    std::ofstream(dir.file("noisy.conf")) << "pcm.!default { type plug slave.pcm \"nowhere\" }\n";
    const AlsaOnly alsa(dir.file("noisy.conf"));
    const CliResult result = runCli({"play", dir.file("song.cvn")});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.find("ALSA lib"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
}

}  // namespace
}  // namespace corvane
