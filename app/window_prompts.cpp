#include "app/window_prompts.h"

#include "app/file_dialogs.h"
#include "dialogs/dynamic_dialog.h"
#include "dialogs/measure_dialog.h"
#include "dialogs/page_setup_dialog.h"
#include "dialogs/track_dialogs.h"

namespace corvane {

void WindowPrompts::runTrackDialog(TrackDialogModel& model) {
    if (!model.applicable()) {
        return;
    }
    TrackPropertiesDialog dialog(owner_, model, runModal_);
    runModal_(dialog);
}

void WindowPrompts::runDrumTrackDialog(DrumTrackDialogModel& model) {
    DrumTrackPropertiesDialog dialog(owner_, model, runModal_);
    runModal_(dialog);
}

void WindowPrompts::runMeasureDialog(MeasureDialogModel& model) {
    MeasurePropertiesDialog dialog(owner_, model);
    runModal_(dialog);
}

void WindowPrompts::runDynamicDialog(DynamicDialogModel& model) {
    DynamicDialog dialog(owner_, model);
    runModal_(dialog);
}

bool WindowPrompts::askYesNo(std::string_view text, std::string_view caption) {
    return corvane::askYesNo(owner_, text, caption, runModal_);
}

Answer WindowPrompts::askYesNoCancel(std::string_view text, std::string_view caption) {
    switch (corvane::askYesNoCancel(owner_, text, caption, runModal_)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

void WindowPrompts::showMessage(std::string_view text, std::string_view caption,
                                std::string_view detail) {
    showWarning(owner_, text, caption, runModal_, detail);
}

std::optional<std::string> WindowPrompts::chooseFile(FileDialogKind kind,
                                                     const std::string& current) {
    return corvane::chooseFile(owner_, kind, runModal_, current);
}

bool WindowPrompts::choosePdfExport(PdfExportChoice& choice) {
    PageSetupDialog setup(owner_, QStringLiteral("Export PDF"), choice.settings, choice.tracks);
    if (runModal_(setup) != QDialog::Accepted) {
        return false;
    }
    const std::optional<std::string> path = chooseFile(FileDialogKind::ExportPdf, choice.path);
    if (!path) {
        return false;
    }
    choice.settings = setup.settings();
    choice.path = *path;
    return true;
}

}  // namespace corvane
