// Feeds arbitrary text to the replay script reader. A script that cannot be read must be refused
// with a sentence and the number of a line it has; a script that can must, written out again
// line by line in the form the reader documents, read back to the same lines.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/replay/replay_script.h"

namespace {

using corvane::KeyboardKey;
using corvane::cli::ScriptAnswer;
using corvane::cli::ScriptLine;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// The key's name; a key the editor does not react to is written as a number it has none for.
std::string keyText(const std::optional<KeyboardKey>& key) {
    for (const corvane::NamedKey& named : corvane::namedKeys()) {
        if (key && named.key == key) {
            return std::string(named.name);
        }
    }
    return "0";
}

std::string answerText(const ScriptAnswer& a) {
    std::string out = std::string("answer ") + corvane::cli::answerKindName(a.kind) + " ";
    if (a.kind == ScriptAnswer::Kind::File) {
        return out + a.path;
    }
    out += a.action;
    if (a.action != "ok") {
        return out;
    }
    if (a.clef) {
        out += *a.clef == corvane::Bass ? " clef=bass" : " clef=treble";
    }
    if (a.program) {
        out += " program=" + std::to_string(*a.program);
    }
    if (a.keySignature) {
        out += " key=" + std::to_string(*a.keySignature);
    }
    if (a.meterGiven) {
        out += " meter=" + (a.meter ? std::to_string(*a.meter) : std::string("none"));
    }
    if (a.tempo) {
        out += " tempo=" + *a.tempo;
    }
    if (a.kind == ScriptAnswer::Kind::Dynamic) {
        out += " " + a.text;
    }
    return out;
}

std::string lineText(const ScriptLine& line) {
    const std::string xy = " " + std::to_string(line.x) + " " + std::to_string(line.y);
    switch (line.kind) {
        case ScriptLine::Kind::Size:
            return "size" + xy;
        case ScriptLine::Kind::Move:
            return "move" + xy;
        case ScriptLine::Kind::Click:
            return "click" + xy;
        case ScriptLine::Kind::RightClick:
            return "rclick" + xy;
        case ScriptLine::Kind::Leave:
            return "leave";
        case ScriptLine::Kind::Wheel:
            return "wheel " + std::to_string(line.x);
        case ScriptLine::Kind::KeyDown:
            return "keydown " + keyText(line.keyboardKey);
        case ScriptLine::Kind::KeyUp:
            return "keyup " + keyText(line.keyboardKey);
        case ScriptLine::Kind::Char: {
            std::string out = "char ";
            if (line.character == U' ') {
                return out + "space";
            }
            appendUtf8(out, line.character);
            return out;
        }
        case ScriptLine::Kind::Command:
            return "command " + line.command;
        case ScriptLine::Kind::Close:
            return "close";
        case ScriptLine::Kind::Notify:
            return "notify";
        case ScriptLine::Kind::Answer:
            return answerText(line.answer);
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptLine> lines;
    try {
        std::istringstream in(text);
        lines = corvane::cli::parseScript(in);
    } catch (const corvane::cli::ScriptError& error) {
        const long lineCount = std::count(text.begin(), text.end(), '\n') + 1;
        if (std::string_view(error.what()).empty() || error.line() < 1 ||
            error.line() > lineCount) {
            std::abort();
        }
        return 0;
    }
    // Written out again: every line ends in CR LF, so that a text that itself ends in CR (the
    // reader drops one before a line break) keeps it.
    std::string written;
    for (const ScriptLine& line : lines) {
        written += lineText(line) + "\r\n";
    }
    std::istringstream again(written);
    std::vector<ScriptLine> reread = corvane::cli::parseScript(again);
    if (reread.size() != lines.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        reread[i].number = lines[i].number;
        if (!(reread[i] == lines[i])) {
            std::abort();
        }
    }
    return 0;
}
