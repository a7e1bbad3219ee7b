#include "cli/replay/replay_script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace corvane::cli {

namespace {

// Coordinates, sizes and wheel notches are bounded so that no layout arithmetic can overflow.
constexpr int kCoordinateLimit = 1'000'000;
constexpr int kSizeLimit = 32'767;
constexpr int kKeyCodeLimit = 255;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

struct Decoded {
    char32_t value = 0;
    std::size_t length = 0;
};

// The UTF-8 character at the start of `s`, or nullopt when `s` does not start with a well-formed
// one (overlong forms, surrogates and values past Unicode are not characters).
std::optional<Decoded> decodeUtf8(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) {
        return Decoded{lead, 1};
    }
    std::size_t length = 0;
    char32_t value = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2;
        value = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3;
        value = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4;
        value = lead & 0x07;
    }
    if (length == 0 || s.size() < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xc0) != 0x80) {
            return std::nullopt;
        }
        value = value << 6 | (c & 0x3f);
    }
    constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length] || (value >= 0xd800 && value <= 0xdfff) || value > 0x10ffff) {
        return std::nullopt;
    }
    return Decoded{value, length};
}

// A visible character: neither blank nor a control character (C0, DEL or C1).
bool isPrintable(char32_t c) {
    return (c > 0x20 && c < 0x7f) || c >= 0xa0;
}

// `text` in double quotes, readable whatever a script holds: control characters and bytes that
// are not UTF-8 appear as \xHH, a quote and a backslash as \" and \\, and a long text is cut.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShownCharacters = 60;
    constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t shown = 0; !text.empty(); ++shown) {
        if (shown == kShownCharacters) {
            out += "...";
            break;
        }
        const std::optional<Decoded> c = decodeUtf8(text);
        if (c && (c->value == U'"' || c->value == U'\\')) {
            out += '\\';
            out += static_cast<char>(c->value);
        } else if (c && (c->value == U' ' || isPrintable(c->value))) {
            out.append(text.substr(0, c->length));
        } else {
            const auto byte = static_cast<unsigned char>(text[0]);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0f];
            text.remove_prefix(1);
            continue;
        }
        text.remove_prefix(c->length);
    }
    out += '"';
    return out;
}

// Walks one line token by token; the rest of the line stays available for free text.
class Tokens {
  public:
    Tokens(std::string_view text, int line) : rest_(text), line_(line) {}

    // The next whitespace-separated token, or empty at the end of the line.
    std::string_view next() {
        skipBlanks();
        std::size_t end = 0;
        while (end < rest_.size() && !isBlank(rest_[end])) {
            ++end;
        }
        const std::string_view token = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return token;
    }

    // The next token, which must be there.
    std::string_view expect(const char* what) {
        const std::string_view token = next();
        if (token.empty()) {
            fail(std::string("missing ") + what);
        }
        return token;
    }

    // Everything after the one blank that follows the previous token (may be empty).
    std::string_view text() {
        std::string_view text = rest_;
        if (!text.empty() && isBlank(text.front())) {
            text.remove_prefix(1);
        }
        rest_ = {};
        return text;
    }

    // Fails unless the line has nothing more.
    void end() {
        skipBlanks();
        if (!rest_.empty()) {
            fail("unexpected " + quoted(rest_));
        }
    }

    int number(const char* what, int low, int high) {
        const std::string_view token = expect(what);
        return parseNumber(token, what, low, high);
    }

    int parseNumber(std::string_view token, const char* what, int low, int high) const {
        int value = 0;
        const char* first = token.data();
        const char* last = token.data() + token.size();
        const auto [ptr, error] = std::from_chars(first, last, value);
        if (error == std::errc::result_out_of_range && ptr == last) {
            fail(std::string(what) + " " + std::string(token) + " is outside " +
                 std::to_string(low) + ".." + std::to_string(high));
        }
        if (error != std::errc() || ptr != last) {
            fail(std::string(what) + " must be a decimal number, not " + quoted(token));
        }
        if (value < low || value > high) {
            fail(std::string(what) + " " + std::string(token) + " is outside " +
                 std::to_string(low) + ".." + std::to_string(high));
        }
        return value;
    }

    [[noreturn]] void fail(const std::string& message) const { throw ScriptError(line_, message); }

  private:
    void skipBlanks() {
        while (!rest_.empty() && isBlank(rest_.front())) {
            rest_.remove_prefix(1);
        }
    }

    std::string_view rest_;
    int line_;
};

// `keydown KEY` and `keyup KEY`: a key's name as namedKeys() writes it, or the number older
// scripts give it; none for a key the editor does not react to.
std::optional<KeyboardKey> keyOf(Tokens& tokens) {
    const std::string_view token = tokens.expect("key");
    const char first = token.front();
    if ((first >= '0' && first <= '9') || first == '-' || first == '+') {
        return keyNumbered(tokens.parseNumber(token, "key code", 0, kKeyCodeLimit));
    }
    if (const NamedKey* named = keyNamed(token)) {
        return named->key;
    }
    std::string names;
    for (const NamedKey& named : namedKeys()) {
        names += std::string(named.name) + ", ";
    }
    tokens.fail("unknown key " + quoted(token) + " (" + names + "or a number)");
}

// `command NAME`: one of the menu commands a script may run.
std::string commandOf(Tokens& tokens) {
    constexpr std::array<std::string_view, 12> kCommands{
        "new",       "open",       "save",           "quicksave", "writemidi", "exportmusicxml",
        "exportpdf", "importmidi", "importmusicxml", "exit",      "undo",      "redo"};
    const std::string_view command = tokens.expect("command name");
    if (std::find(kCommands.begin(), kCommands.end(), command) == kCommands.end()) {
        std::string names;
        for (std::size_t i = 0; i < kCommands.size(); ++i) {
            names += (i == 0 ? "" : i + 1 == kCommands.size() ? " or " : ", ");
            names += kCommands[i];
        }
        tokens.fail("unknown command " + quoted(command) + " (" + names + ")");
    }
    return std::string(command);
}

// One UTF-8 encoded printable character, or nullopt.
std::optional<char32_t> singleCharacter(std::string_view s) {
    const std::optional<Decoded> c = decodeUtf8(s);
    if (!c || c->length != s.size() || !isPrintable(c->value)) {
        return std::nullopt;
    }
    return c->value;
}

// What `answer file` chooses: the rest of the line, trailing blanks cut, or cancel.
ScriptAnswer fileAnswer(Tokens& tokens) {
    ScriptAnswer answer;
    answer.kind = ScriptAnswer::Kind::File;
    std::string_view path = tokens.text();
    while (!path.empty() && isBlank(path.back())) {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        tokens.fail("answer file needs a path or cancel");
    }
    answer.action = path == "cancel" ? "cancel" : "choose";
    answer.path = std::string(path);
    return answer;
}

// `answer track ok`: clef=treble|bass and program=P, in any order.
void trackOptions(Tokens& tokens, ScriptAnswer& answer) {
    for (std::string_view option = tokens.next(); !option.empty(); option = tokens.next()) {
        if (option == "clef=treble") {
            answer.clef = Treble;
        } else if (option == "clef=bass") {
            answer.clef = Bass;
        } else if (option.starts_with("program=")) {
            answer.program = tokens.parseNumber(option.substr(8), "program", 0, 127);
        } else {
            tokens.fail("unknown track option " + quoted(option));
        }
    }
}

// `answer measure ok`: key=K and meter=3|4|5|none in any order, then tempo=TEXT, whose text
// runs to the end of the line, blanks and all.
void measureOptions(Tokens& tokens, ScriptAnswer& answer) {
    for (std::string_view option = tokens.next(); !option.empty(); option = tokens.next()) {
        if (option.starts_with("key=")) {
            answer.keySignature = tokens.parseNumber(option.substr(4), "key", -6, 6);
        } else if (option.starts_with("meter=")) {
            const std::string_view meter = option.substr(6);
            answer.meterGiven = true;
            if (meter != "none") {
                answer.meter = tokens.parseNumber(meter, "meter", 3, 5);
            }
        } else if (option.starts_with("tempo=")) {
            std::string tempo(option.substr(6));
            const std::string_view more = tokens.text();
            if (!more.empty()) {
                tempo += ' ';
                tempo += more;
            }
            answer.tempo = tempo;
            return;
        } else {
            tokens.fail("unknown measure option " + quoted(option));
        }
    }
}

// `answer dynamic ok`: the typed text, the rest of the line.
void dynamicText(Tokens& tokens, ScriptAnswer& answer) {
    answer.text = std::string(tokens.text());
}

// The answers that press a button: how scripts name the kind, the buttons it has, and what may
// follow "ok" (nothing where null).
struct ButtonAnswer {
    std::string_view name;
    ScriptAnswer::Kind kind;
    std::array<std::string_view, 4> buttons;  // unused places are empty
    void (*okOptions)(Tokens&, ScriptAnswer&);
};

constexpr std::array<ButtonAnswer, 5> kButtonAnswers{{
    {"box", ScriptAnswer::Kind::Box, {"yes", "no", "cancel"}, nullptr},
    {"track", ScriptAnswer::Kind::Track, {"ok", "cancel", "delete", "drums"}, &trackOptions},
    {"drumtrack", ScriptAnswer::Kind::DrumTrack, {"ok", "cancel", "delete"}, nullptr},
    {"measure", ScriptAnswer::Kind::Measure, {"ok", "cancel", "copy"}, &measureOptions},
    {"dynamic", ScriptAnswer::Kind::Dynamic, {"ok", "cancel"}, &dynamicText},
}};

ScriptAnswer parseAnswer(Tokens& tokens) {
    const std::string_view kind = tokens.expect("answer kind");
    if (kind == "file") {
        return fileAnswer(tokens);
    }
    const std::string_view button = tokens.expect("answer button");
    const auto syntax = std::find_if(kButtonAnswers.begin(), kButtonAnswers.end(),
                                     [kind](const ButtonAnswer& a) { return a.name == kind; });
    if (syntax == kButtonAnswers.end()) {
        tokens.fail("unknown answer kind " + quoted(kind));
    }
    if (std::find(syntax->buttons.begin(), syntax->buttons.end(), button) ==
        syntax->buttons.end()) {
        tokens.fail("answer " + std::string(kind) + " cannot be " + quoted(button));
    }
    ScriptAnswer answer;
    answer.kind = syntax->kind;
    answer.action = std::string(button);
    if (button == "ok" && syntax->okOptions != nullptr) {
        syntax->okOptions(tokens, answer);
    }
    tokens.end();
    return answer;
}

ScriptLine parseLine(std::string_view text, int number) {
    Tokens tokens(text, number);
    ScriptLine line;
    line.number = number;
    const std::string_view verb = tokens.next();
    if (verb == "size") {
        line.kind = ScriptLine::Kind::Size;
        line.x = tokens.number("width", 0, kSizeLimit);
        line.y = tokens.number("height", 0, kSizeLimit);
    } else if (verb == "move" || verb == "click" || verb == "rclick") {
        line.kind = verb == "move"    ? ScriptLine::Kind::Move
                    : verb == "click" ? ScriptLine::Kind::Click
                                      : ScriptLine::Kind::RightClick;
        line.x = tokens.number("x", -kCoordinateLimit, kCoordinateLimit);
        line.y = tokens.number("y", -kCoordinateLimit, kCoordinateLimit);
    } else if (verb == "leave") {
        line.kind = ScriptLine::Kind::Leave;
    } else if (verb == "wheel") {
        line.kind = ScriptLine::Kind::Wheel;
        line.x = tokens.number("notches", -kCoordinateLimit, kCoordinateLimit);
    } else if (verb == "keydown" || verb == "keyup") {
        line.kind = verb == "keydown" ? ScriptLine::Kind::KeyDown : ScriptLine::Kind::KeyUp;
        line.keyboardKey = keyOf(tokens);
    } else if (verb == "char") {
        line.kind = ScriptLine::Kind::Char;
        const std::string_view c = tokens.expect("character");
        if (c == "space") {
            line.character = U' ';
        } else if (const std::optional<char32_t> single = singleCharacter(c)) {
            line.character = *single;
        } else {
            tokens.fail("char takes one printable character or the word space, not " +
                        quoted(c));
        }
    } else if (verb == "command") {
        line.kind = ScriptLine::Kind::Command;
        line.command = commandOf(tokens);
    } else if (verb == "close") {
        line.kind = ScriptLine::Kind::Close;
    } else if (verb == "notify") {
        line.kind = ScriptLine::Kind::Notify;
    } else if (verb == "answer") {
        line.kind = ScriptLine::Kind::Answer;
        line.answer = parseAnswer(tokens);
        return line;
    } else {
        tokens.fail("unknown line " + quoted(verb));
    }
    tokens.end();
    return line;
}

}  // namespace

const char* answerKindName(ScriptAnswer::Kind kind) {
    switch (kind) {
        case ScriptAnswer::Kind::File:
            return "file";
        case ScriptAnswer::Kind::Box:
            return "box";
        case ScriptAnswer::Kind::Track:
            return "track";
        case ScriptAnswer::Kind::DrumTrack:
            return "drumtrack";
        case ScriptAnswer::Kind::Measure:
            return "measure";
        case ScriptAnswer::Kind::Dynamic:
            return "dynamic";
    }
    return "?";
}

std::vector<ScriptLine> parseScript(std::istream& in) {
    std::vector<ScriptLine> lines;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        std::string_view view = text;
        while (!view.empty() && isBlank(view.front())) {
            view.remove_prefix(1);
        }
        if (view.empty() || view.front() == '#') {
            continue;
        }
        lines.push_back(parseLine(view, number));
    }
    return lines;
}

}  // namespace corvane::cli
