#include "cli/replay_window.h"

#include <filesystem>
#include <system_error>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "render/recording_canvas.h"
#include "sound/player.h"

namespace corvane::cli {

ReplayWindow::ReplayWindow(int width, int height) : client_{0, 0, width, height} {}

void ReplayWindow::attach(EditorView& view, Player& player) {
    view_ = &view;
    player_ = &player;
}

void ReplayWindow::queueAnswer(const ScriptAnswer& answer, int line) {
    answers_.push_back(Queued{answer, line});
}

std::unique_ptr<Canvas> ReplayWindow::createCanvas(int width, int height) {
    auto canvas = std::make_unique<RecordingCanvas>();
    canvas->resize(width, height);
    return canvas;
}

void ReplayWindow::deliverPostedCharacters() {
    while (!posted_.empty()) {
        const char32_t c = posted_.front();
        posted_.pop_front();
        if (view_ != nullptr && view_->onChar(c)) {
            view_->invalidate();
        }
    }
}

void ReplayWindow::deliverNotifications() {
    if (notified_.exchange(false) && player_ != nullptr && view_ != nullptr) {
        player_->stop();
        view_->invalidate();
    }
}

std::optional<ReplayWindow::Queued> ReplayWindow::take(ScriptAnswer::Kind kind,
                                                       const char* window) {
    if (answers_.empty()) {
        return std::nullopt;
    }
    Queued next = answers_.front();
    answers_.pop_front();
    if (next.answer.kind != kind) {
        throw ScriptError(next.line, std::string("the answer is for a ") +
                                         answerKindName(next.answer.kind) + " window, but the " +
                                         window + " opened");
    }
    return next;
}

void ReplayWindow::runTrackDialog(TrackDialogModel& model) {
    const Confirm confirm = [this](std::string_view text, std::string_view caption) {
        return askYesNo(text, caption);
    };
    // A button that keeps the dialog open (a confirmation answered No) takes the next answer.
    while (const std::optional<Queued> next =
               take(ScriptAnswer::Kind::Track, "Track Properties dialog")) {
        const ScriptAnswer& a = next->answer;
        DialogStep step = DialogStep::Close;
        if (a.action == "ok") {
            if (a.clef) {
                model.clef = *a.clef;
            }
            if (a.program) {
                model.program = *a.program;
            }
            step = model.ok();
        } else if (a.action == "delete") {
            step = model.deleteTrack(confirm);
        } else if (a.action == "drums") {
            step = model.makeDrums(confirm);
        } else {
            step = model.cancel();
        }
        if (step == DialogStep::Close) {
            return;
        }
    }
    model.cancel();
}

void ReplayWindow::runDrumTrackDialog(DrumTrackDialogModel& model) {
    const Confirm confirm = [this](std::string_view text, std::string_view caption) {
        return askYesNo(text, caption);
    };
    while (const std::optional<Queued> next =
               take(ScriptAnswer::Kind::DrumTrack, "Drum Track Properties dialog")) {
        const ScriptAnswer& a = next->answer;
        DialogStep step = DialogStep::Close;
        if (a.action == "ok") {
            step = model.ok();
        } else if (a.action == "delete") {
            step = model.deleteTrack(confirm);
        } else {
            step = model.cancel();
        }
        if (step == DialogStep::Close) {
            return;
        }
    }
    model.cancel();
}

void ReplayWindow::runMeasureDialog(MeasureDialogModel& model) {
    const std::optional<Queued> next =
        take(ScriptAnswer::Kind::Measure, "Measure Properties dialog");
    if (!next) {
        model.cancel();
        return;
    }
    const ScriptAnswer& a = next->answer;
    if (a.action == "ok") {
        if (a.keySignature) {
            model.keySignature = *a.keySignature;
        }
        if (a.meterGiven) {
            model.meter = a.meter;
        }
        if (a.tempo) {
            model.tempoText = *a.tempo;
        }
        model.ok();
    } else if (a.action == "copy") {
        model.copy();
    } else {
        model.cancel();
    }
}

void ReplayWindow::runDynamicDialog(DynamicDialogModel& model) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Dynamic, "Dynamic dialog");
    if (next && next->answer.action == "ok") {
        model.text = next->answer.text;
        model.ok();
    } else {
        model.cancel();
    }
}

bool ReplayWindow::askYesNo(std::string_view, std::string_view) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Box, "question box");
    return next && next->answer.action == "yes";
}

Answer ReplayWindow::askYesNoCancel(std::string_view, std::string_view) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Box, "question box");
    if (!next || next->answer.action == "cancel") {
        return Answer::Cancel;
    }
    return next->answer.action == "yes" ? Answer::Yes : Answer::No;
}

void ReplayWindow::showMessage(std::string_view text, std::string_view, std::string_view) {
    messages_.emplace_back(text);
}

namespace {

// The extension each file dialog adds to a name typed without one.
const char* defaultExtension(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::WriteMidi:
        case FileDialogKind::ImportMidi:
            return ".mid";
        case FileDialogKind::ExportMusicXml:
            return ".musicxml";
        case FileDialogKind::Save:
        case FileDialogKind::Open:
            break;
    }
    return ".cvn";
}

}  // namespace

std::optional<std::string> ReplayWindow::chooseFile(FileDialogKind kind) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::File, "file dialog");
    if (!next || next->answer.action == "cancel") {
        return std::nullopt;
    }
    // As the window's dialog does: a name typed without an extension gets the dialog's own, and
    // the chosen file's folder becomes the current directory.
    std::filesystem::path chosen = std::filesystem::absolute(next->answer.path);
    if (!chosen.has_extension()) {
        chosen += defaultExtension(kind);
    }
    std::error_code ignored;
    std::filesystem::current_path(chosen.parent_path(), ignored);
    return chosen.string();
}

}  // namespace corvane::cli
