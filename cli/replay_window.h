#pragma once
// The headless window of the replay: it records what a real window would show and answers
// modal windows from the script's answer queue.

#include <atomic>
#include <deque>
#include <string>
#include <vector>

#include "cli/replay_script.h"
#include "editor/editor_window.h"

namespace corvane {
class EditorView;
class Player;
}  // namespace corvane

namespace corvane::cli {

class ReplayWindow final : public EditorWindow {
  public:
    // A window with a client area of width x height.
    ReplayWindow(int width, int height);

    // Wires the window to the editor and player built after it (the order of the main window).
    void attach(EditorView& view, Player& player);

    // Queues an answer taken by the next modal window.
    void queueAnswer(const ScriptAnswer& answer, int line);
    // How many queued answers no modal window has taken.
    std::size_t unusedAnswers() const { return answers_.size(); }

    void setClientSize(int width, int height) { client_ = Rect{0, 0, width, height}; }
    void setCursor(Point p) { cursor_ = p; }
    // Delivers the characters posted by toolbar buttons, as the message loop would.
    void deliverPostedCharacters();
    // Delivers a completion notice that a sound device sent on its own.
    void deliverNotifications();

    // Every informing box shown, in order.
    const std::vector<std::string>& messages() const { return messages_; }
    int invalidations() const { return invalidations_; }

    void invalidate() override { ++invalidations_; }
    void invalidateRect(const Rect&) override { ++invalidations_; }
    Rect clientRect() const override { return client_; }
    // A window without a screen has no cursor to show.
    void showCursor() override {}
    Point cursorPos() const override { return cursor_; }
    void postChar(char32_t c) override { posted_.push_back(c); }
    // The state output does not list the status line nor the scroll bar, nor the notices shown
    // there: only boxes are messages.
    void showStatus(std::string_view) override {}
    void showNotice(std::string_view) override {}
    void showTrackScroll(int, int) override {}
    std::unique_ptr<Canvas> createCanvas(int width, int height) override;
    void present(const Canvas&, int, int) override {}

    void runTrackDialog(TrackDialogModel& model) override;
    void runDrumTrackDialog(DrumTrackDialogModel& model) override;
    void runMeasureDialog(MeasureDialogModel& model) override;
    void runDynamicDialog(DynamicDialogModel& model) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    Answer askYesNoCancel(std::string_view text, std::string_view caption) override;
    // Records the text only: that is what the state output lists.
    void showMessage(std::string_view text, std::string_view caption,
                     std::string_view detail) override;
    std::optional<std::string> chooseFile(FileDialogKind kind) override;

    void notifyPlaybackDone() override { notified_ = true; }

  private:
    struct Queued {
        ScriptAnswer answer;
        int line = 0;
    };
    // The next answer if it is of `kind`; nullopt when the queue is empty. A wrong kind stops
    // the replay with a ScriptError naming the answer's line.
    std::optional<Queued> take(ScriptAnswer::Kind kind, const char* window);

    EditorView* view_ = nullptr;
    Player* player_ = nullptr;
    Rect client_;
    Point cursor_;
    int invalidations_ = 0;
    std::deque<Queued> answers_;
    std::deque<char32_t> posted_;
    std::vector<std::string> messages_;
    std::atomic<bool> notified_{false};
};

}  // namespace corvane::cli
