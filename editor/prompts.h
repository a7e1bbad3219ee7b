#pragma once
// The modal windows the editor and its File commands open: question and message boxes, file
// dialogs and the properties dialogs. The desktop shows real ones; the replay answers from its
// script, the tests from their own queues.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/page_settings.h"

namespace corvane {

class TrackDialogModel;
class DrumTrackDialogModel;
class MeasureDialogModel;
class DynamicDialogModel;

// The file dialogs of the File menu.
enum class FileDialogKind {
    Save,
    Open,
    WriteMidi,
    ExportMusicXml,
    ImportMidi,
    ImportMusicXml,
    ExportPdf
};

// The extension a file dialog of `kind` gives a name typed without one, with its dot (".cvn").
std::string_view fileDialogExtension(FileDialogKind kind);

// What Export PDF asks for: how the pages are printed, and the file they go to.
struct PdfExportChoice {
    engrave::PageSettings settings;
    // The names of the score's tracks, in order, for the choice of one track as a part.
    std::vector<std::string> tracks;
    // The file: suggested on the way in, chosen on the way out.
    std::string path;
};

// The answer to a Yes/No/Cancel question; closing the box counts as Cancel.
enum class Answer { Yes, No, Cancel };

class Prompts {
  public:
    virtual ~Prompts() = default;

    // Modal dialogs: each lets the user drive the model's controls and buttons until a button
    // closes it; closing the dialog any other way presses Cancel.
    virtual void runTrackDialog(TrackDialogModel& model) = 0;
    virtual void runDrumTrackDialog(DrumTrackDialogModel& model) = 0;
    virtual void runMeasureDialog(MeasureDialogModel& model) = 0;
    virtual void runDynamicDialog(DynamicDialogModel& model) = 0;

    // A modal Yes/No question; true for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption) = 0;
    // A modal Yes/No/Cancel question.
    virtual Answer askYesNoCancel(std::string_view text, std::string_view caption) = 0;
    // A modal box that only informs (an error), with an OK button: `text` is the message and
    // `detail` (may be empty) what it concerns, such as the file and the cause, shown beneath.
    virtual void showMessage(std::string_view text, std::string_view caption,
                             std::string_view detail) = 0;
    // The file dialog of `kind`, suggesting `current` (a file's path; empty for none); the chosen
    // path, or nullopt when cancelled.
    virtual std::optional<std::string> chooseFile(FileDialogKind kind,
                                                  const std::string& current) = 0;
    // The Export PDF windows: the paper, orientation and tracks of `choice` as they are offered,
    // then the file dialog suggesting `choice.path`. True when both were confirmed; `choice`
    // then holds what was chosen.
    virtual bool choosePdfExport(PdfExportChoice& choice) = 0;
};

}  // namespace corvane
