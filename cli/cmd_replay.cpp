// replay SCRIPT: drives a headless editor with the input events of a script and writes the
// resulting score and editor state.

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/picture.h"
#include "cli/replay_script.h"
#include "cli/replay_window.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/keyboard_keys.h"
#include "editor/window_title.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/device.h"
#include "sound/player.h"

namespace corvane::cli {

namespace {

// The client area a replay starts with, as the main window's first size change gives it.
constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;

// The hovered Note's index within its measure, or "none".
std::string noteIndex(const EditorView& view) {
    const std::optional<NoteIndex>& note = view.hover().note;
    if (!note || findNote(view.score(), *note) == nullptr) {
        return "none";
    }
    return std::to_string(note->note);
}

// One line per message: a line break inside a message text becomes a blank.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

std::string stateText(const EditorSession& session, bool closed,
                      const std::vector<std::string>& messages) {
    const EditorView& view = session.editor();
    const Player& player = session.player();
    std::string out;
    auto put = [&out](const char* name, const std::string& value) {
        out += name;
        out += '=';
        out += value;
        out += '\n';
    };
    auto num = [&put](const char* name, long value) { put(name, std::to_string(value)); };
    const EntryTools& tools = view.tools();
    const HoverState& hover = view.hover();
    num("firstVisibleMeasure", view.firstVisibleMeasure());
    num("measuresPerScreen", view.measuresPerScreen());
    num("dirty", view.dirty());
    num("currentDuration", tools.currentDuration);
    num("pendingAccidental", tools.pendingAccidental);
    num("accidentalLocked", tools.accidentalLocked);
    num("pendingDots", tools.pendingDots);
    num("dotsLocked", tools.dotsLocked);
    num("dotsUsed", tools.dotsUsed);
    num("pendingTriplet", tools.pendingTriplet);
    num("tripletLocked", tools.tripletLocked);
    num("pendingOctave", tools.pendingOctave);
    num("octaveLocked", tools.octaveLocked);
    num("pendingTie", tools.pendingTie);
    num("tieLocked", tools.tieLocked);
    num("pendingVelocity", tools.pendingVelocity);
    num("hoverTrack", hover.track);
    num("hoverMeasure", hover.measure);
    num("overTrackHeader", hover.over(HoverArea::TrackHeader));
    num("overAddTrackZone", hover.over(HoverArea::AddTrackZone));
    num("overMeasureHeader", hover.over(HoverArea::MeasureHeader));
    num("overNoteArea", hover.over(HoverArea::NoteArea));
    put("hoverNote", noteIndex(view));
    num("markerX", hover.marker.x);
    num("markerY", hover.marker.y);
    num("clipKind", view.clipboard().kind());
    num("clipKey", view.clipboard().key());
    num("clipBeats", view.clipboard().beats());
    num("playing", player.isPlaying());
    num("closed", closed);
    num("trackScroll", view.trackScroll());
    num("canUndo", view.history().canUndo());
    num("canRedo", view.history().canRedo());
    put("title", windowTitle(session.documentPath(), view.dirty()));
    for (const std::string& message : messages) {
        put("message", oneLine(message));
    }
    return out;
}

// Runs a File or Edit menu command or the close box; false once the window has closed.
bool runCommand(const std::string& command, EditorSession& session) {
    if (command == "save") {
        session.save();
    } else if (command == "open") {
        session.open();
    } else if (command == "writemidi") {
        session.writeMidi();
    } else if (command == "undo") {
        session.editor().undo();
    } else if (command == "redo") {
        session.editor().redo();
    } else if (command == "exportmusicxml") {
        session.exportMusicXml();
    } else if (command == "importmidi") {
        session.importMidi();
    } else if (session.mayClose()) {
        return false;
    }
    return true;
}

// Runs one line of the script against the editor. Returns false once the window has closed.
bool runLine(const ScriptLine& line, ReplayWindow& window, EditorSession& session) {
    EditorView& view = session.editor();
    switch (line.kind) {
        case ScriptLine::Kind::Size:
            window.setClientSize(line.x, line.y);
            view.onResize();
            break;
        case ScriptLine::Kind::Move:
            window.setCursor(Point{line.x, line.y});
            view.updateHover(line.x, line.y);
            break;
        case ScriptLine::Kind::Leave:
            view.onMouseLeave();
            break;
        case ScriptLine::Kind::Wheel: {
            const Point cursor = window.cursorPos();
            view.onWheel(line.x, cursor.x, cursor.y);
            break;
        }
        case ScriptLine::Kind::Click:
        case ScriptLine::Kind::RightClick:
            window.setCursor(Point{line.x, line.y});
            view.onClick(line.x, line.y, line.kind == ScriptLine::Kind::RightClick);
            break;
        case ScriptLine::Kind::KeyDown:
            if (const std::optional<KeyboardKey> key = keyNumbered(line.x)) {
                view.onKeyDown(*key);
            }
            break;
        case ScriptLine::Kind::KeyUp:
            if (const std::optional<KeyboardKey> key = keyNumbered(line.x)) {
                view.onKeyUp(*key);
            }
            break;
        case ScriptLine::Kind::Char:
            if (view.onChar(line.character)) {
                view.invalidate();
            }
            break;
        case ScriptLine::Kind::Notify:
            session.player().stop();
            view.invalidate();
            break;
        case ScriptLine::Kind::Answer:
            window.queueAnswer(line.answer, line.number);
            break;
        case ScriptLine::Kind::Command:
            return runCommand(line.command, session);
        case ScriptLine::Kind::Close:
            return !session.mayClose();
    }
    return true;
}

// Runs the script's lines in order, each followed by what the message loop would deliver before
// the next. True when the window closed (at start, for want of drawing resources, or on a
// line). A wrong answer raises ScriptError.
bool runScript(const std::vector<ScriptLine>& lines, ReplayWindow& window,
               EditorSession& session) {
    if (session.reportMissingResources()) {
        return true;
    }
    for (const ScriptLine& line : lines) {
        if (!runLine(line, window, session)) {
            // The window is gone, and with it the player: nothing sounds any more.
            session.player().stop();
            return true;
        }
        window.deliverPostedCharacters();
        window.deliverNotifications();
        session.player().waitForPreviews();
    }
    return false;
}

// The option's value as an absolute path, fixed before the script runs: a confirmed file dialog
// moves the current directory, and the outputs still go where the command line said.
std::optional<std::string> outputPath(const ParsedArgs& parsed, const char* name) {
    if (!parsed.has(name)) {
        return std::nullopt;
    }
    return std::filesystem::absolute(parsed.value(name)).string();
}

// What the command line asks of a replay, read before the script runs.
struct ReplayRequest {
    std::vector<ScriptLine> lines;
    std::optional<Score> score;
    std::optional<std::string> savePath;
    std::optional<std::string> statePath;
    std::optional<std::string> listPath;
    std::optional<std::string> imagePath;
};

// Reads the script and the files named on the command line; a bad script raises ScriptError.
ReplayRequest readRequest(const ParsedArgs& parsed) {
    ReplayRequest request;
    std::istringstream script(readTextFile(parsed.positional[0]));
    request.lines = parseScript(script);
    request.savePath = outputPath(parsed, "--save");
    request.statePath = outputPath(parsed, "--state");
    request.listPath = outputPath(parsed, "--display-list");
    request.imagePath = outputPath(parsed, "--image");
    if (parsed.has("--score")) {
        request.score = loadScore(parsed.value("--score"));
    }
    return request;
}

// Writes what the command line asked for from the session's final state.
void writeOutputs(const ReplayRequest& request, const ReplayWindow& window,
                  const EditorSession& session, bool closed) {
    if (request.savePath) {
        try {
            ScoreReader().save(*request.savePath, session.editor().score());
        } catch (const FileError& error) {
            failInput(describe(error));
        }
    }
    if (request.statePath) {
        writeTextFile(*request.statePath,
                      stateText(session, closed, window.messages()));
    }
    if (request.listPath || request.imagePath) {
        // The picture the window shows after the last line: one more repaint of the final state.
        writePicture(session.editor(), request.listPath, request.imagePath);
    }
}

int scriptFailure(const std::string& scriptPath, const ScriptError& error) {
    std::cerr << "corvane-cli replay: " << scriptPath << " line " << error.line() << ": "
              << error.what() << '\n';
    return kExitUsage;
}

}  // namespace

int runReplay(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(
        args,
        {{"--score", 1}, {"--save", 1}, {"--state", 1}, {"--display-list", 1}, {"--image", 1}}, 1,
        1);
    const std::string& scriptPath = parsed.positional[0];
    ReplayRequest request;
    try {
        request = readRequest(parsed);
    } catch (const ScriptError& error) {
        return scriptFailure(scriptPath, error);
    }

    // Built in the main window's order: window, then the session. Previews are silent and the
    // sequencer plays until a notify line.
    ReplayWindow window(kStartWidth, kStartHeight);
    EditorSession session(window, std::make_shared<SilentSoundDevice>());
    window.attach(session.editor(), session.player());
    if (request.score) {
        session.editor().setLoadedScore(std::move(*request.score));
    }
    session.editor().onResize();

    bool closed = false;
    try {
        closed = runScript(request.lines, window, session);
    } catch (const ScriptError& error) {
        return scriptFailure(scriptPath, error);
    }
    if (window.unusedAnswers() > 0) {
        std::cerr << "corvane-cli replay: warning: " << window.unusedAnswers()
                  << " queued answer(s) were not taken by any window\n";
    }
    writeOutputs(request, window, session, closed);
    return kExitOk;
}

}  // namespace corvane::cli
