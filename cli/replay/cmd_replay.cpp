// replay SCRIPT: drives a headless editor with the input events of a script and writes the
// resulting score and editor state.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/gui_application.h"
#include "cli/picture.h"
#include "cli/replay/replay_script.h"
#include "cli/replay/replay_state.h"
#include "cli/replay/scripted_host.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/keyboard_keys.h"
#include "engrave/qt/score_printing.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/device.h"
#include "sound/player.h"

namespace corvane::cli {

namespace {

// The client area a replay starts with, as the main window's first size change gives it.
constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;

// Runs a File or Edit menu command or the close box; false once the window has closed.
bool runCommand(const std::string& command, EditorSession& session) {
    if (command == "save") {
        session.save();
    } else if (command == "quicksave") {
        session.quickSave();
    } else if (command == "new") {
        session.newScore();
    } else if (command == "exportpdf") {
        session.exportPdf(&engrave::exportPdf);
    } else if (command == "open") {
        session.open();
    } else if (command == "writemidi") {
        session.writeMidi();
    } else if (command == "undo") {
        session.undo();
    } else if (command == "redo") {
        session.redo();
    } else if (command == "exportmusicxml") {
        session.exportMusicXml();
    } else if (command == "importmidi") {
        session.importMidi();
    } else if (command == "importmusicxml") {
        session.importMusicXml();
    } else if (session.mayClose()) {
        return false;
    }
    return true;
}

// Runs one line of the script against the session, as the window would hand it over. Returns
// false once the window has closed.
bool runLine(const ScriptLine& line, ScriptedHost& host, EditorSession& session) {
    const Point at{line.x, line.y};
    switch (line.kind) {
        case ScriptLine::Kind::Size:
            host.setClientSize(line.x, line.y);
            session.resize();
            break;
        case ScriptLine::Kind::Move:
            host.setCursor(at);
            session.mouseMove(at);
            break;
        case ScriptLine::Kind::Leave:
            session.mouseLeave();
            break;
        case ScriptLine::Kind::Wheel:
            session.wheel(line.x, host.cursorPos());
            break;
        case ScriptLine::Kind::Click:
        case ScriptLine::Kind::RightClick:
            host.setCursor(at);
            session.click(at, line.kind == ScriptLine::Kind::RightClick);
            break;
        case ScriptLine::Kind::KeyDown:
            if (line.keyboardKey) {
                session.keyDown(*line.keyboardKey);
            }
            break;
        case ScriptLine::Kind::KeyUp:
            if (line.keyboardKey) {
                session.keyUp(*line.keyboardKey);
            }
            break;
        case ScriptLine::Kind::Char:
            session.typed(line.character);
            break;
        case ScriptLine::Kind::Notify:
            session.playbackEnded();
            break;
        case ScriptLine::Kind::Answer:
            host.prompts().queueAnswer(line.answer, line.number);
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
bool runScript(const std::vector<ScriptLine>& lines, ScriptedHost& host, EditorSession& session) {
    if (session.reportMissingResources()) {
        return true;
    }
    for (const ScriptLine& line : lines) {
        if (!runLine(line, host, session)) {
            // The window is gone, and with it the player: nothing sounds any more.
            session.player().stop();
            return true;
        }
        host.deliverPosted(session);
        session.player().waitForPreviews();
    }
    return false;
}

// Whether the script draws pages, which needs the fonts of a Qt application.
bool drawsPages(const std::vector<ScriptLine>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const ScriptLine& line) {
        return line.kind == ScriptLine::Kind::Command && line.command == "exportpdf";
    });
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
void writeOutputs(const ReplayRequest& request, const ScriptedHost& host,
                  const EditorSession& session, bool closed) {
    if (request.savePath) {
        try {
            ScoreReader().save(*request.savePath, session.editor().score());
        } catch (const FileError& error) {
            failInput(describe(error));
        }
    }
    if (request.statePath) {
        writeTextFile(*request.statePath, stateText(session, closed, host.prompts().messages()));
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

    // Offscreen, and only when needed: it outlives every page drawn.
    const std::unique_ptr<QGuiApplication> app =
        drawsPages(request.lines) ? makeGuiApplication() : nullptr;
    // Built in the main window's order: the host, then the session. Previews are silent and the
    // sequencer plays until a notify line.
    ScriptedHost host(kStartWidth, kStartHeight);
    EditorSession session(host.host(), std::make_shared<SilentSoundDevice>());
    if (request.score) {
        session.editor().setLoadedScore(std::move(*request.score));
    }
    session.resize();

    bool closed = false;
    try {
        closed = runScript(request.lines, host, session);
    } catch (const ScriptError& error) {
        return scriptFailure(scriptPath, error);
    }
    if (const std::size_t unused = host.prompts().unusedAnswers(); unused > 0) {
        std::cerr << "corvane-cli replay: warning: " << unused
                  << " queued answer(s) were not taken by any window\n";
    }
    writeOutputs(request, host, session, closed);
    return kExitOk;
}

}  // namespace corvane::cli
