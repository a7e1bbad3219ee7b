#pragma once
// The prompts of the desktop: question and message boxes, the file dialogs and the properties
// dialogs, each owned by the main window and run through the window's modal runner.

#include <QWidget>

#include "dialogs/modal.h"
#include "editor/prompts.h"

namespace corvane {

class WindowPrompts final : public Prompts {
  public:
    // Windows owned by `owner`, run by `runModal` (which outlives this object).
    WindowPrompts(QWidget* owner, const ModalRunner& runModal)
        : owner_(owner), runModal_(runModal) {}

    void runTrackDialog(TrackDialogModel& model) override;
    void runDrumTrackDialog(DrumTrackDialogModel& model) override;
    void runMeasureDialog(MeasureDialogModel& model) override;
    void runDynamicDialog(DynamicDialogModel& model) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    Answer askYesNoCancel(std::string_view text, std::string_view caption) override;
    void showMessage(std::string_view text, std::string_view caption,
                     std::string_view detail) override;
    std::optional<std::string> chooseFile(FileDialogKind kind, const std::string& current) override;
    // The page setup dialog, then the file dialog.
    bool choosePdfExport(PdfExportChoice& choice) override;

  private:
    QWidget* owner_;
    const ModalRunner& runModal_;
};

}  // namespace corvane
