#pragma once
// The prompts of the replay: every modal window takes its answer from the script's queue, and the
// boxes that only inform are recorded for the state output.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "cli/replay/replay_script.h"
#include "editor/dialog_rules.h"
#include "editor/prompts.h"

namespace corvane::cli {

class ScriptedPrompts final : public Prompts {
  public:
    // Queues an answer taken by the next modal window; `line` is where the script gave it.
    void queueAnswer(const ScriptAnswer& answer, int line);
    // How many queued answers no modal window has taken.
    std::size_t unusedAnswers() const { return answers_.size(); }
    // Every informing box shown, in order.
    const std::vector<std::string>& messages() const { return messages_; }

    void runTrackDialog(TrackDialogModel& model) override;
    void runDrumTrackDialog(DrumTrackDialogModel& model) override;
    void runMeasureDialog(MeasureDialogModel& model) override;
    void runDynamicDialog(DynamicDialogModel& model) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    Answer askYesNoCancel(std::string_view text, std::string_view caption) override;
    // Records the text only: that is what the state output lists.
    void showMessage(std::string_view text, std::string_view caption,
                     std::string_view detail) override;
    // As the window's dialog does: a name typed without an extension gets the dialog's own, and
    // the chosen file's folder becomes the current directory. Nothing is suggested.
    std::optional<std::string> chooseFile(FileDialogKind kind, const std::string& current) override;
    // Takes the file answer only: the pages are printed as first offered (the locale's paper,
    // portrait, the whole score).
    bool choosePdfExport(PdfExportChoice& choice) override;

  private:
    struct Queued {
        ScriptAnswer answer;
        int line = 0;
    };
    // The next answer if it is of `kind`; nullopt when the queue is empty. A wrong kind stops
    // the replay with a ScriptError naming the answer's line.
    std::optional<Queued> take(ScriptAnswer::Kind kind, const char* window);
    // The Yes/No confirmations a properties dialog asks.
    Confirm confirmations();

    std::deque<Queued> answers_;
    std::vector<std::string> messages_;
};

}  // namespace corvane::cli
