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
#include "editor/editor_view.h"
#include "editor/file_commands.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/device.h"
#include "sound/player.h"

namespace corvane::cli {

namespace {

// The client area a replay starts with, as the main window's first size change gives it.
constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;

std::string noteIndex(const EditorView& view) {
    const Score& score = view.score;
    if (view.hoverNote == nullptr || view.hoverTrack < 0 ||
        view.hoverTrack >= static_cast<int>(score.tracks.size()) || view.hoverMeasure < 0 ||
        view.hoverMeasure >= static_cast<int>(score.measures.size())) {
        return "none";
    }
    int index = 0;
    for (const Note& note : score.tracks[static_cast<std::size_t>(view.hoverTrack)]
                                .measures[static_cast<std::size_t>(view.hoverMeasure)]) {
        if (&note == view.hoverNote) {
            return std::to_string(index);
        }
        ++index;
    }
    return "none";
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

std::string stateText(const EditorView& view, const Player& player, bool closed,
                      const std::vector<std::string>& messages) {
    std::string out;
    auto put = [&out](const char* name, const std::string& value) {
        out += name;
        out += '=';
        out += value;
        out += '\n';
    };
    auto num = [&put](const char* name, long value) { put(name, std::to_string(value)); };
    num("firstVisibleMeasure", view.firstVisibleMeasure);
    num("measuresPerScreen", view.measuresPerScreen);
    num("dirty", view.dirty);
    num("currentDuration", view.currentDuration);
    num("pendingAccidental", view.pendingAccidental);
    num("accidentalLocked", view.accidentalLocked);
    num("pendingDots", view.pendingDots);
    num("dotsLocked", view.dotsLocked);
    num("dotsUsed", view.dotsUsed);
    num("pendingTriplet", view.pendingTriplet);
    num("tripletLocked", view.tripletLocked);
    num("pendingOctave", view.pendingOctave);
    num("octaveLocked", view.octaveLocked);
    num("pendingTie", view.pendingTie);
    num("tieLocked", view.tieLocked);
    num("pendingVelocity", view.pendingVelocity);
    num("hoverTrack", view.hoverTrack);
    num("hoverMeasure", view.hoverMeasure);
    num("overTrackHeader", view.overTrackHeader);
    num("overAddTrackZone", view.overAddTrackZone);
    num("overMeasureHeader", view.overMeasureHeader);
    num("overNoteArea", view.overNoteArea);
    put("hoverNote", noteIndex(view));
    num("markerX", view.markerX);
    num("markerY", view.markerY);
    num("clipKind", view.clipKind);
    num("clipKey", view.clipKey);
    num("clipBeats", view.clipBeats);
    num("playing", player.isPlaying());
    num("closed", closed);
    for (const std::string& message : messages) {
        put("message", oneLine(message));
    }
    return out;
}

// Runs one line of the script against the editor. Returns false once the window has closed.
bool runLine(const ScriptLine& line, ReplayWindow& window, EditorView& view, Player& player,
             const ScoreReader& reader) {
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
        case ScriptLine::Kind::Click:
        case ScriptLine::Kind::RightClick:
            window.setCursor(Point{line.x, line.y});
            view.onClick(line.x, line.y, line.kind == ScriptLine::Kind::RightClick);
            break;
        case ScriptLine::Kind::KeyDown:
            view.onKeyDown(line.x);
            break;
        case ScriptLine::Kind::KeyUp:
            view.onKeyUp(line.x);
            break;
        case ScriptLine::Kind::Char:
            if (view.onChar(line.character)) {
                view.invalidate();
            }
            break;
        case ScriptLine::Kind::Notify:
            player.stop();
            view.invalidate();
            break;
        case ScriptLine::Kind::Answer:
            window.queueAnswer(line.answer, line.number);
            break;
        case ScriptLine::Kind::Command:
            if (line.command == "save") {
                saveScore(view, reader);
            } else if (line.command == "open") {
                openScore(view, reader);
            } else if (line.command == "writemidi") {
                writeMidi(view);
            } else if (closeQuery(view, reader)) {
                return false;
            }
            break;
        case ScriptLine::Kind::Close:
            if (closeQuery(view, reader)) {
                return false;
            }
            break;
    }
    return true;
}

// The option's value as an absolute path, fixed before the script runs: a confirmed file dialog
// moves the current directory, and the outputs still go where the command line said.
std::optional<std::string> outputPath(const ParsedArgs& parsed, const char* name) {
    if (!parsed.has(name)) {
        return std::nullopt;
    }
    return std::filesystem::absolute(parsed.value(name)).string();
}

}  // namespace

int runReplay(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(
        args,
        {{"--score", 1}, {"--save", 1}, {"--state", 1}, {"--display-list", 1}, {"--image", 1}}, 1,
        1);
    const std::string& scriptPath = parsed.positional[0];

    std::istringstream script(readTextFile(scriptPath));
    std::vector<ScriptLine> lines;
    try {
        lines = parseScript(script);
    } catch (const ScriptError& error) {
        std::cerr << "corvane-cli replay: " << scriptPath << " line " << error.line() << ": "
                  << error.what() << '\n';
        return kExitUsage;
    }
    const std::optional<std::string> savePath = outputPath(parsed, "--save");
    const std::optional<std::string> statePath = outputPath(parsed, "--state");
    const std::optional<std::string> listPath = outputPath(parsed, "--display-list");
    const std::optional<std::string> imagePath = outputPath(parsed, "--image");
    std::optional<Score> loaded;
    if (parsed.has("--score")) {
        loaded = loadScore(parsed.value("--score"));
    }

    // Built in the main window's order: window, editor, player. Previews are silent and the
    // sequencer plays until a notify line.
    ReplayWindow window(kStartWidth, kStartHeight);
    EditorView view(window);
    Player player(std::make_shared<SilentSoundDevice>());
    view.setPlayer(&player);
    const ScoreReader reader;
    window.attach(view, player);

    if (loaded) {
        view.prepareForLoad();
        view.score = std::move(*loaded);
        view.finishLoad();
    }
    view.onResize();

    // Without its drawing resources the main window says so and closes before any input.
    bool closed = false;
    if (view.drawing.resourcesFailed) {
        window.showMessage("Couldn't load graphical objects.", "Error", {});
        closed = true;
    }
    try {
        for (const ScriptLine& line : lines) {
            if (closed) {
                break;
            }
            if (!runLine(line, window, view, player, reader)) {
                // The window is gone, and with it the player: nothing sounds any more.
                closed = true;
                player.stop();
                break;
            }
            window.deliverPostedCharacters();
            window.deliverNotifications();
            player.waitForPreviews();
        }
    } catch (const ScriptError& error) {
        std::cerr << "corvane-cli replay: " << scriptPath << " line " << error.line() << ": "
                  << error.what() << '\n';
        return kExitUsage;
    }
    if (window.unusedAnswers() > 0) {
        std::cerr << "corvane-cli replay: warning: " << window.unusedAnswers()
                  << " queued answer(s) were not taken by any window\n";
    }

    if (savePath) {
        try {
            ScoreReader().save(*savePath, view.score);
        } catch (const FileError& error) {
            failInput(describe(error));
        }
    }
    if (statePath) {
        writeTextFile(*statePath, stateText(view, player, closed, window.messages()));
    }
    if (listPath || imagePath) {
        // The picture the window shows after the last line: one more repaint of the final state.
        writePicture(view, listPath, imagePath);
    }
    return kExitOk;
}

}  // namespace corvane::cli
