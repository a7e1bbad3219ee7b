#pragma once
// The replay script language of corvane-cli: one input event or queued answer per line.

#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/keyboard_keys.h"
#include "score/score.h"

namespace corvane::cli {

// A bad script: the line it was found on and what is wrong.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

// The answer to one modal window, queued by an `answer` line.
struct ScriptAnswer {
    enum class Kind { File, Box, Track, DrumTrack, Measure, Dynamic };
    Kind kind = Kind::Box;
    std::string action;  // the button: ok / cancel / delete / drums / copy / yes / no; "choose"
                         // for a file that was given

    std::string path;                  // file: the chosen path
    std::optional<TrackKind> clef;     // track ok
    std::optional<int> program;        // track ok
    std::optional<int> keySignature;   // measure ok: key=K
    bool meterGiven = false;           // measure ok: meter=... present
    std::optional<int> meter;          // measure ok: 3, 4, 5 or none
    std::optional<std::string> tempo;  // measure ok: the typed tempo text
    std::string text;                  // dynamic ok: the typed text

    friend bool operator==(const ScriptAnswer&, const ScriptAnswer&) = default;
};

// The name of an answer kind as scripts write it ("file", "box", "track", ...).
const char* answerKindName(ScriptAnswer::Kind kind);

struct ScriptLine {
    enum class Kind {
        Size,
        Move,
        Leave,
        Wheel,
        Click,
        RightClick,
        KeyDown,
        KeyUp,
        Char,
        Command,
        Close,
        Notify,
        Answer
    };
    int number = 0;  // 1-based line number in the script
    Kind kind = Kind::Notify;
    int x = 0;  // size: width; move/click: x; wheel: the notches
    int y = 0;  // size: height; move/click: y
    // keydown/keyup: the key, by name or number; none for a key the editor does not react to.
    std::optional<KeyboardKey> keyboardKey;
    char32_t character = 0;
    std::string command;  // new / open / save / quicksave / writemidi / exportmusicxml / exportpdf
                          // / importmidi / importmusicxml / exit / undo / redo
    ScriptAnswer answer;

    friend bool operator==(const ScriptLine&, const ScriptLine&) = default;
};

// Parses a whole script; blank lines and lines starting with '#' are skipped. Raises ScriptError
// at the first malformed line.
std::vector<ScriptLine> parseScript(std::istream& in);

}  // namespace corvane::cli
