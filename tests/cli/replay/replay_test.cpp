// Runs every script in scripts/ through `corvane-cli replay` and checks what the script's own
// comments expect (CORVANE_UPDATE_GOLDEN=1 rewrites the "#?" values and the "#>" lines from what
// the replay gave, for review, where they differ):
//   #? name=value   a line that the --state output must hold
//   #> text         the saved score, one line of its dump (below) each; all lines must match
//   #! exit N       the exit code (0 when not given)
//   #! error TEXT   text that standard error must contain
//   #! score NAME   start from scripts/NAME, or from a built-in score: @no-measures
//   #! file NAME [MAGIC]  the script left a file NAME in its folder (starting with MAGIC)
//   #! nofile NAME  the script left no file NAME
// Score dump: "measures:" with key/tempo/beats of each measure, then per track its kind and
// program and one line per measure of note tokens: duration, a '.' per dot, "r" for a rest or
// the heads in brackets (position with b / n / # for flat / natural / sharp), then optional
// "/3:M" triplet mark, "o+1" octave, "~s" "~e" "~m" tie, "@V" velocity other than 90.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "score/score_reader.h"
#include "tests/cli/run_cli.h"
#include "tests/score/test_files.h"
#include "tests/support/golden.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

struct Expectations {
    std::vector<std::string> state;
    std::vector<std::string> score;
    int exitCode = 0;
    std::vector<std::string> errors;
    std::string startScore;
    std::vector<std::pair<std::string, std::string>> files;  // name, leading bytes
    std::vector<std::string> absent;
};

Expectations readExpectations(const fs::path& script) {
    Expectations expected;
    std::ifstream in(script);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#? ", 0) == 0) {
            expected.state.push_back(line.substr(3));
        } else if (line.rfind("#>", 0) == 0) {
            expected.score.push_back(line.size() > 3 ? line.substr(3) : "");
        } else if (line.rfind("#! exit ", 0) == 0) {
            expected.exitCode = std::stoi(line.substr(8));
        } else if (line.rfind("#! error ", 0) == 0) {
            expected.errors.push_back(line.substr(9));
        } else if (line.rfind("#! score ", 0) == 0) {
            expected.startScore = line.substr(9);
        } else if (line.rfind("#! file ", 0) == 0) {
            std::istringstream words(line.substr(8));
            std::string name;
            std::string magic;
            words >> name >> magic;
            expected.files.emplace_back(name, magic);
        } else if (line.rfind("#! nofile ", 0) == 0) {
            expected.absent.push_back(line.substr(10));
        }
    }
    return expected;
}

std::string noteToken(const Note& note) {
    std::string token = std::to_string(note.duration) + std::string(note.dots, '.');
    if (note.pitches.empty()) {
        token += 'r';
    } else {
        token += '[';
        bool first = true;
        for (const NoteHead& head : note.pitches) {
            token += first ? "" : ",";
            first = false;
            token += std::to_string(head.position);
            constexpr const char* kAccidentals[] = {"", "b", "n", "#"};
            token += kAccidentals[head.accidental];
        }
        token += ']';
    }
    if (note.triplet != 0) {
        token += "/3:" + std::to_string(note.triplet);
    }
    if (note.octave != 0) {
        token += note.octave > 0 ? "o+" : "o-";
        token += std::to_string(std::abs(note.octave));
    }
    constexpr const char* kTies[] = {"", "~s", "~e", "~m"};
    token += kTies[note.tie];
    if (note.velocity != 90) {
        token += "@" + std::to_string(note.velocity);
    }
    return token;
}

std::vector<std::string> dump(const Score& score) {
    std::vector<std::string> out;
    std::string timeline = "measures:";
    for (const MeasureInfo& m : score.measures) {
        timeline += " " + std::to_string(m.key) + "/" + std::to_string(m.tempo) + "/" +
                    std::to_string(m.beats);
    }
    out.push_back(timeline);
    constexpr const char* kKinds[] = {"treble", "bass", "drums"};
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        const Track& track = score.tracks[t];
        out.push_back("track " + std::to_string(t) + ": " + kKinds[track.kind] + " program " +
                      std::to_string(track.program));
        for (std::size_t m = 0; m < track.measures.size(); ++m) {
            std::string line = "  m" + std::to_string(m) + ":";
            for (const Note& note : track.measures[m]) {
                line += " " + noteToken(note);
            }
            out.push_back(line);
        }
    }
    return out;
}

std::vector<std::string> readLines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// The lines of `state` with the name of `wanted` ("name=value"), in order.
std::vector<std::string> linesNamed(const std::vector<std::string>& state,
                                    const std::string& wanted) {
    const std::string prefix = wanted.substr(0, wanted.find('=')) + "=";
    std::vector<std::string> out;
    for (const std::string& line : state) {
        if (line.rfind(prefix, 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

void expectState(const std::vector<std::string>& expected, const std::vector<std::string>& state) {
    for (const std::string& line : expected) {
        if (std::find(state.begin(), state.end(), line) == state.end()) {
            std::string found;
            for (const std::string& named : linesNamed(state, line)) {
                found += " " + named;
            }
            ADD_FAILURE() << "state lacks " << line << "; it has"
                          << (found.empty() ? " no such name" : found);
        }
    }
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// The value `line` ("#? name=value") should hold: itself while the state has it, else the first
// state line of that name that no other "#?" line holds. `unclaimed` counts the state lines not
// yet held by a "#?" line.
std::string updatedStateLine(const std::string& line, const std::vector<std::string>& state,
                             std::map<std::string, int>& unclaimed) {
    for (const std::string& candidate : linesNamed(state, line.substr(3))) {
        if (unclaimed[candidate] > 0) {
            --unclaimed[candidate];
            return "#? " + candidate;
        }
    }
    ADD_FAILURE() << "the state has nothing left for " << line;
    return line;
}

// The script's text with its "#?" lines holding values the state has (a line that holds stays)
// and its "#>" lines replaced by `score` where the first of them stood.
std::string rewrittenScript(const fs::path& script, const std::vector<std::string>& state,
                            const std::vector<std::string>& score) {
    const std::vector<std::string> lines = readLines(script);
    std::map<std::string, int> unclaimed;
    for (const std::string& line : state) {
        ++unclaimed[line];
    }
    std::vector<bool> holds(lines.size(), false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("#? ", 0) == 0 && unclaimed[lines[i].substr(3)] > 0) {
            --unclaimed[lines[i].substr(3)];
            holds[i] = true;
        }
    }
    std::string out;
    bool scoreWritten = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("#>", 0) == 0) {
            if (!scoreWritten) {
                for (const std::string& dumped : score) {
                    out += "#> " + dumped + "\n";
                }
                scoreWritten = true;
            }
        } else if (lines[i].rfind("#? ", 0) == 0 && !holds[i]) {
            out += updatedStateLine(lines[i], state, unclaimed) + "\n";
        } else {
            out += lines[i] + "\n";
        }
    }
    return out;
}

// Writes a built-in starting score into `folder`; returns its path.
std::string builtinScore(const std::string& name, const fs::path& folder) {
    Score score;
    if (name == "@no-measures") {
        score.clear();
        score.addTrack(12, Bass);
        score.addTrack(0, Treble);
    } else {
        ADD_FAILURE() << "unknown built-in score " << name;
    }
    const std::string path = (folder / "start.cvn").string();
    ScoreReader().save(path, score);
    return path;
}

std::vector<std::string> scripts() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(CORVANE_REPLAY_SCRIPTS)) {
        if (entry.path().extension() == ".script") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Replay : public ::testing::TestWithParam<std::string> {};

TEST_P(Replay, Script) {
    const fs::path script = fs::path(CORVANE_REPLAY_SCRIPTS) / (GetParam() + ".script");
    const Expectations expected = readExpectations(script);
    const TempDir dir;
    const fs::path previous = fs::current_path();
    // The replay runs in a folder of its own, with a temporary folder of its own.
    fs::current_path(dir.path());
    fs::create_directory(dir.path() / "tmp");
    std::vector<std::string> args = {"replay",  script.string(),
                                     "--state", dir.file("state.txt"),
                                     "--save",  dir.file("saved.cvn")};
    if (!expected.startScore.empty()) {
        args.push_back("--score");
        args.push_back(expected.startScore[0] == '@'
                           ? builtinScore(expected.startScore, dir.path())
                           : (fs::path(CORVANE_REPLAY_SCRIPTS) / expected.startScore).string());
    }
    // Qt, which draws the pages of Export PDF, keeps a runtime folder; without a desktop session
    // it would make one in the temporary folder.
    const fs::path runtime = dir.path() / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const CliResult result = runCli(args, {{"TMPDIR", (dir.path() / "tmp").string()},
                                           {"XDG_RUNTIME_DIR", runtime.string()}});
    fs::current_path(previous);

    EXPECT_EQ(result.exitCode, expected.exitCode) << result.err;
    // Playback's private files are gone, however the replay ended.
    EXPECT_TRUE(fs::is_empty(dir.path() / "tmp"));
    for (const std::string& error : expected.errors) {
        EXPECT_NE(result.err.find(error), std::string::npos)
            << "stderr lacks \"" << error << "\":\n"
            << result.err;
    }
    if (expected.exitCode != 0) {
        return;
    }
    const std::vector<std::string> state = readLines(dir.path() / "state.txt");
    std::vector<std::string> savedScore;
    if (!expected.score.empty()) {
        Score saved;
        ASSERT_TRUE(ScoreReader().load(dir.file("saved.cvn"), saved));
        savedScore = dump(saved);
    }
    if (updatingGolden()) {
        const std::string text = rewrittenScript(script, state, savedScore);
        if (readGolden(script) != text) {
            writeGolden(text, script);
        }
    } else {
        expectState(expected.state, state);
        if (savedScore != expected.score) {
            ADD_FAILURE() << "the saved score differs from the script's \"#>\" lines:\n"
                          << lineDiff(joined(expected.score), joined(savedScore));
        }
    }
    for (const auto& [name, magic] : expected.files) {
        std::ifstream file(dir.path() / name, std::ios::binary);
        EXPECT_TRUE(file.is_open()) << name << " was not written";
        std::string start(magic.size(), '\0');
        file.read(start.data(), static_cast<std::streamsize>(start.size()));
        EXPECT_EQ(start, magic) << name;
    }
    for (const std::string& name : expected.absent) {
        EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
    }
}

// A file dialog moves the current directory, as the window's does; the outputs named on the
// command line still land where they were named, and a second dialog starts in the new folder.
TEST(ReplayFolders, OutputsStayWhereTheCommandLinePutThem) {
    const TempDir dir;
    fs::create_directory(dir.path() / "sub");
    {
        std::ofstream script(dir.path() / "save.script");
        script << "move 106 80\nclick 106 80\nanswer file sub/first\ncommand save\n"
               << "answer file second.mid\ncommand writemidi\n";
    }
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const CliResult result =
        runCli({"replay", "save.script", "--state", "state.txt", "--save", "out.cvn"});
    fs::current_path(previous);

    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir.path() / "state.txt"));
    EXPECT_TRUE(fs::exists(dir.path() / "out.cvn"));
    EXPECT_TRUE(fs::exists(dir.path() / "sub" / "first.cvn"));
    EXPECT_TRUE(fs::exists(dir.path() / "sub" / "second.mid"));
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"out.cvn", "save.script", "state.txt", "sub"}));
}

// Playback needs no folder of the user's: it plays where nothing can be written (a current
// folder that has been deleted), and when the temporary folder cannot be written it says so in
// an error box, with the sentence alone in the state, and stays off.
TEST(ReplayPlayback, NeedsOnlyTheTemporaryFolder) {
    const TempDir dir;
    fs::create_directory(dir.path() / "tmp");
    fs::create_directory(dir.path() / "gone");
    const std::string script = dir.file("play.script");
    std::ofstream(script) << "char space\n";
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path() / "gone");
    fs::remove(dir.path() / "gone");
    const auto play = [&](const fs::path& tmpdir) {
        const CliResult result = runCli({"replay", script, "--state", dir.file("state.txt")},
                                        {{"TMPDIR", tmpdir.string()}});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> interesting;
        for (const std::string& line : readLines(dir.path() / "state.txt")) {
            if (line.rfind("playing=", 0) == 0 || line.rfind("message=", 0) == 0) {
                interesting.push_back(line);
            }
        }
        return interesting;
    };
    EXPECT_EQ(play(dir.path() / "tmp"), std::vector<std::string>{"playing=1"});
    EXPECT_EQ(play(dir.path() / "missing"),
              (std::vector<std::string>{"playing=0", "message=Error opening a file to write."}));
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(dir.path() / "tmp"));
}

INSTANTIATE_TEST_SUITE_P(Scripts, Replay, ::testing::ValuesIn(scripts()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace corvane::testing
