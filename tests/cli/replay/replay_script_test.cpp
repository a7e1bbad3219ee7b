// How a replay script's `answer` and key lines are read: what each kind of answer takes, keys by
// name or number, and the one sentence that names what is wrong with a line that cannot be read.

#include "cli/replay/replay_script.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::cli {
namespace {

ScriptAnswer answerOf(const std::string& line) {
    std::istringstream in(line + "\n");
    const std::vector<ScriptLine> lines = parseScript(in);
    EXPECT_EQ(lines.size(), 1u) << line;
    EXPECT_EQ(lines.at(0).kind, ScriptLine::Kind::Answer) << line;
    return lines.at(0).answer;
}

// The message and line number of the error a script raises, or "no error".
std::string errorOf(const std::string& script) {
    std::istringstream in(script);
    try {
        parseScript(in);
    } catch (const ScriptError& error) {
        return std::to_string(error.line()) + ": " + error.what();
    }
    return "no error";
}

TEST(ReplayScriptAnswers, FilesAreChosenOrCancelled) {
    const ScriptAnswer chosen = answerOf("answer file sub dir/a b.cvn \t ");
    EXPECT_EQ(chosen.kind, ScriptAnswer::Kind::File);
    EXPECT_EQ(chosen.action, "choose");
    EXPECT_EQ(chosen.path, "sub dir/a b.cvn");
    const ScriptAnswer cancelled = answerOf("answer file cancel");
    EXPECT_EQ(cancelled.action, "cancel");
    EXPECT_EQ(answerKindName(chosen.kind), std::string("file"));
}

TEST(ReplayScriptAnswers, EachKindPressesItsOwnButtons) {
    const struct {
        const char* line;
        ScriptAnswer::Kind kind;
        const char* action;
    } cases[] = {
        {"answer box yes", ScriptAnswer::Kind::Box, "yes"},
        {"answer box cancel", ScriptAnswer::Kind::Box, "cancel"},
        {"answer track drums", ScriptAnswer::Kind::Track, "drums"},
        {"answer track delete", ScriptAnswer::Kind::Track, "delete"},
        {"answer drumtrack delete", ScriptAnswer::Kind::DrumTrack, "delete"},
        {"answer measure copy", ScriptAnswer::Kind::Measure, "copy"},
        {"answer dynamic cancel", ScriptAnswer::Kind::Dynamic, "cancel"},
    };
    for (const auto& c : cases) {
        const ScriptAnswer answer = answerOf(c.line);
        EXPECT_EQ(answer.kind, c.kind) << c.line;
        EXPECT_EQ(answer.action, c.action) << c.line;
        EXPECT_EQ(std::string(c.line).find(answerKindName(answer.kind)), 7u) << c.line;
    }
}

TEST(ReplayScriptAnswers, OkTakesTheDialogsOptions) {
    const ScriptAnswer track = answerOf("answer track ok program=42 clef=bass");
    EXPECT_EQ(track.action, "ok");
    EXPECT_EQ(track.clef, Bass);
    EXPECT_EQ(track.program, 42);
    const ScriptAnswer plain = answerOf("answer track ok");
    EXPECT_FALSE(plain.clef.has_value());
    EXPECT_FALSE(plain.program.has_value());

    // The tempo text runs to the end of the line, blanks and all.
    const ScriptAnswer measure = answerOf("answer measure ok meter=none key=-3 tempo=12 0  x");
    EXPECT_EQ(measure.keySignature, -3);
    EXPECT_TRUE(measure.meterGiven);
    EXPECT_FALSE(measure.meter.has_value());
    EXPECT_EQ(measure.tempo, "12 0  x");
    const ScriptAnswer meter = answerOf("answer measure ok meter=5 tempo=");
    EXPECT_EQ(meter.meter, 5);
    EXPECT_EQ(meter.tempo, "");
    EXPECT_FALSE(answerOf("answer measure ok").meterGiven);

    EXPECT_EQ(answerOf("answer dynamic ok 64 loud").text, "64 loud");
    EXPECT_EQ(answerOf("answer dynamic ok").text, "");
}

TEST(ReplayScriptAnswers, AWrongAnswerIsNamedWithItsLine) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"answer", "missing answer kind"},
        {"answer file  ", "answer file needs a path or cancel"},
        {"answer box", "missing answer button"},
        {"answer sofa yes", "unknown answer kind \"sofa\""},
        {"answer box ok", "answer box cannot be \"ok\""},
        {"answer drumtrack drums", "answer drumtrack cannot be \"drums\""},
        {"answer track drums clef=bass", "unexpected \"clef=bass\""},
        {"answer track ok clef=alto", "unknown track option \"clef=alto\""},
        {"answer track ok program=128", "program 128 is outside 0..127"},
        {"answer track ok program=x", "program must be a decimal number, not \"x\""},
        {"answer measure ok meter=6", "meter 6 is outside 3..5"},
        {"answer measure ok key=7", "key 7 is outside -6..6"},
        {"answer measure ok size=2", "unknown measure option \"size=2\""},
        {"answer measure cancel key=1", "unexpected \"key=1\""},
        {"answer dynamic cancel 5", "unexpected \"5\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorOf(std::string("# first\n\nleave\n") + c.line + "\n"),
                  std::string("4: ") + c.error);
    }
}

// The key of a `keydown` or `keyup` line; fails the test unless the line is one.
std::optional<KeyboardKey> keyOf(const std::string& line) {
    std::istringstream in(line + "\n");
    const std::vector<ScriptLine> lines = parseScript(in);
    EXPECT_EQ(lines.size(), 1u) << line;
    const ScriptLine::Kind kind = lines.at(0).kind;
    EXPECT_TRUE(kind == ScriptLine::Kind::KeyDown || kind == ScriptLine::Kind::KeyUp) << line;
    return lines.at(0).keyboardKey;
}

TEST(ReplayScriptKeys, KeysAreGivenByNameOrByTheNumberOlderScriptsUse) {
    EXPECT_EQ(keyOf("keydown PageUp"), KeyboardKey::PageUp);
    EXPECT_EQ(keyOf("keydown 33"), KeyboardKey::PageUp);
    EXPECT_EQ(keyOf("keyup Shift"), KeyboardKey::Shift);
    EXPECT_EQ(keyOf("keyup 16"), KeyboardKey::Shift);
    EXPECT_EQ(keyOf("keydown  Right "), KeyboardKey::Right);
    // Keys the editor does not react to are read, and do nothing.
    for (const char* line : {"keydown Down", "keydown 40", "keydown F12", "keyup Escape",
                             "keydown Return", "keydown Delete", "keydown 17", "keydown 0"}) {
        EXPECT_EQ(keyOf(line), std::nullopt) << line;
    }
}

TEST(ReplayScriptKeys, AKeyThatIsNeitherANameNorANumberIsNamedWithItsLine) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"keydown", "missing key"},
        {"keydown 256", "key code 256 is outside 0..255"},
        {"keyup -1", "key code -1 is outside 0..255"},
        {"keydown 3x", "key code must be a decimal number, not \"3x\""},
        {"keydown PageUp Home", "unexpected \"Home\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorOf(std::string("leave\n") + c.line + "\n"), std::string("2: ") + c.error);
    }
    const std::string unknown = errorOf("keydown pageup\n");
    EXPECT_EQ(unknown.rfind("1: unknown key \"pageup\" (Shift, PageUp, PageDown, ", 0), 0u)
        << unknown;
    EXPECT_NE(unknown.find(", Delete, or a number)"), std::string::npos) << unknown;
}

}  // namespace
}  // namespace corvane::cli
