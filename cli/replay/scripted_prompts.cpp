#include "cli/replay/scripted_prompts.h"

#include <filesystem>
#include <system_error>

namespace corvane::cli {

void ScriptedPrompts::queueAnswer(const ScriptAnswer& answer, int line) {
    answers_.push_back(Queued{answer, line});
}

std::optional<ScriptedPrompts::Queued> ScriptedPrompts::take(ScriptAnswer::Kind kind,
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

Confirm ScriptedPrompts::confirmations() {
    return
        [this](std::string_view text, std::string_view caption) { return askYesNo(text, caption); };
}

void ScriptedPrompts::runTrackDialog(TrackDialogModel& model) {
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
            step = model.deleteTrack(confirmations());
        } else if (a.action == "drums") {
            step = model.makeDrums(confirmations());
        } else {
            step = model.cancel();
        }
        if (step == DialogStep::Close) {
            return;
        }
    }
    model.cancel();
}

void ScriptedPrompts::runDrumTrackDialog(DrumTrackDialogModel& model) {
    while (const std::optional<Queued> next =
               take(ScriptAnswer::Kind::DrumTrack, "Drum Track Properties dialog")) {
        const ScriptAnswer& a = next->answer;
        DialogStep step = DialogStep::Close;
        if (a.action == "ok") {
            step = model.ok();
        } else if (a.action == "delete") {
            step = model.deleteTrack(confirmations());
        } else {
            step = model.cancel();
        }
        if (step == DialogStep::Close) {
            return;
        }
    }
    model.cancel();
}

void ScriptedPrompts::runMeasureDialog(MeasureDialogModel& model) {
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

void ScriptedPrompts::runDynamicDialog(DynamicDialogModel& model) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Dynamic, "Dynamic dialog");
    if (next && next->answer.action == "ok") {
        model.text = next->answer.text;
        model.ok();
    } else {
        model.cancel();
    }
}

bool ScriptedPrompts::askYesNo(std::string_view, std::string_view) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Box, "question box");
    return next && next->answer.action == "yes";
}

Answer ScriptedPrompts::askYesNoCancel(std::string_view, std::string_view) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::Box, "question box");
    if (!next || next->answer.action == "cancel") {
        return Answer::Cancel;
    }
    return next->answer.action == "yes" ? Answer::Yes : Answer::No;
}

void ScriptedPrompts::showMessage(std::string_view text, std::string_view, std::string_view) {
    messages_.emplace_back(text);
}

std::optional<std::string> ScriptedPrompts::chooseFile(FileDialogKind kind, const std::string&) {
    const std::optional<Queued> next = take(ScriptAnswer::Kind::File, "file dialog");
    if (!next || next->answer.action == "cancel") {
        return std::nullopt;
    }
    std::filesystem::path chosen = std::filesystem::absolute(next->answer.path);
    if (!chosen.has_extension()) {
        chosen += fileDialogExtension(kind);
    }
    std::error_code ignored;
    std::filesystem::current_path(chosen.parent_path(), ignored);
    return chosen.string();
}

}  // namespace corvane::cli

namespace corvane::cli {

bool ScriptedPrompts::choosePdfExport(PdfExportChoice& choice) {
    const std::optional<std::string> path = chooseFile(FileDialogKind::ExportPdf, choice.path);
    if (!path) {
        return false;
    }
    choice.path = *path;
    return true;
}

}  // namespace corvane::cli
