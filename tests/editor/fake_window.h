#pragma once
// A window for editor tests: records repaint requests and posted characters, answers dialogs
// and questions through callbacks the test sets.

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "render/recording_canvas.h"

namespace corvane {

// Failure messages show the tools field by field.
inline void PrintTo(const EntryTools& t, std::ostream* out) {
    *out << "{duration " << t.currentDuration << ", accidental " << t.pendingAccidental
         << (t.accidentalLocked ? " locked" : "") << ", dots " << t.pendingDots
         << (t.dotsLocked ? " locked" : "") << (t.dotsUsed ? " used" : "") << ", triplet "
         << t.pendingTriplet << (t.tripletLocked ? " locked" : "") << ", octave " << t.pendingOctave
         << (t.octaveLocked ? " locked" : "") << ", tie " << t.pendingTie
         << (t.tieLocked ? " locked" : "") << ", velocity " << t.pendingVelocity << "}";
}

}  // namespace corvane

namespace corvane::test {

class FakeWindow final : public DrawingSurface, public Prompts, public StatusDisplay {
  public:
    Rect client{0, 0, 800, 600};
    Point cursor;
    int cursorShows = 0;
    int fullRepaints = 0;
    std::vector<Rect> rectRepaints;
    std::vector<char32_t> posted;
    std::vector<std::string> questions;
    std::deque<bool> yesNoAnswers;          // empty: No
    std::deque<Answer> yesNoCancelAnswers;  // empty: Cancel
    std::vector<std::string> messages;
    std::vector<std::string> details;  // one per message, maybe empty
    std::vector<std::string> dialogsOpened;
    std::vector<std::string> statuses;  // every status text shown, in order
    std::vector<std::string> notices;   // every notice shown, in order
    struct Scroll {
        int trackScroll;
        int maxTrackScroll;
        friend bool operator==(const Scroll&, const Scroll&) = default;
    };
    std::vector<Scroll> scrolls;  // every track scroll the window was told, in order
    std::deque<std::string> files;  // the files the file dialogs choose; empty: cancelled
    struct FileDialog {
        FileDialogKind kind;
        std::string current;  // the file it suggested
    };
    std::vector<FileDialog> fileDialogs;  // every file dialog opened, in order

    std::function<void(TrackDialogModel&)> trackDialog;
    std::function<void(DrumTrackDialogModel&)> drumTrackDialog;
    std::function<void(MeasureDialogModel&)> measureDialog;
    std::function<void(DynamicDialogModel&)> dynamicDialog;
    // Export PDF: sees what is offered and may change it; false cancels. Unset: cancelled.
    std::function<bool(PdfExportChoice&)> pdfExport;
    std::vector<PdfExportChoice> pdfOffers;  // every Export PDF offer, as it came

    void invalidate() override { ++fullRepaints; }
    void invalidateRect(const Rect& r) override { rectRepaints.push_back(r); }
    Rect clientRect() const override { return client; }
    void showCursor() override { ++cursorShows; }
    Point cursorPos() const override { return cursor; }
    void postChar(char32_t c) override { posted.push_back(c); }
    void showStatus(std::string_view text) override { statuses.emplace_back(text); }
    void showNotice(std::string_view text) override { notices.emplace_back(text); }
    void showTrackScroll(int trackScroll, int maxTrackScroll) override {
        scrolls.push_back({trackScroll, maxTrackScroll});
    }
    std::unique_ptr<Canvas> createCanvas(int, int) override {
        return std::make_unique<RecordingCanvas>();
    }
    void present(const Canvas&, int, int) override {}

    void runTrackDialog(TrackDialogModel& model) override {
        dialogsOpened.push_back("track");
        if (trackDialog) {
            trackDialog(model);
        }
    }
    void runDrumTrackDialog(DrumTrackDialogModel& model) override {
        dialogsOpened.push_back("drumtrack");
        if (drumTrackDialog) {
            drumTrackDialog(model);
        }
    }
    void runMeasureDialog(MeasureDialogModel& model) override {
        dialogsOpened.push_back("measure");
        if (measureDialog) {
            measureDialog(model);
        }
    }
    void runDynamicDialog(DynamicDialogModel& model) override {
        dialogsOpened.push_back("dynamic");
        if (dynamicDialog) {
            dynamicDialog(model);
        } else {
            model.cancel();
        }
    }
    bool askYesNo(std::string_view text, std::string_view) override {
        questions.emplace_back(text);
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    Answer askYesNoCancel(std::string_view text, std::string_view) override {
        questions.emplace_back(text);
        if (yesNoCancelAnswers.empty()) {
            return Answer::Cancel;
        }
        const Answer answer = yesNoCancelAnswers.front();
        yesNoCancelAnswers.pop_front();
        return answer;
    }
    void showMessage(std::string_view text, std::string_view, std::string_view detail) override {
        messages.emplace_back(text);
        details.emplace_back(detail);
    }
    std::optional<std::string> chooseFile(FileDialogKind kind,
                                          const std::string& current) override {
        fileDialogs.push_back({kind, current});
        if (files.empty()) {
            return std::nullopt;
        }
        const std::string chosen = files.front();
        files.pop_front();
        return chosen;
    }
    bool choosePdfExport(PdfExportChoice& choice) override {
        pdfOffers.push_back(choice);
        return pdfExport && pdfExport(choice);
    }
    void notifyPlaybackDone() override {}

    // Hands the posted characters to `view` the way the window's message loop does.
    void deliverPosted(EditorView& view) {
        const std::vector<char32_t> pending = std::move(posted);
        posted.clear();
        for (const char32_t c : pending) {
            if (view.onChar(c)) {
                view.invalidate();
            }
        }
    }
};

// A view in a window of the given size, after the window's first size change.
struct ViewFixture {
    explicit ViewFixture(int width = 800, int height = 600) {
        window.client = Rect{0, 0, width, height};
        view.onResize();
    }
    void resize(int width, int height) {
        window.client = Rect{0, 0, width, height};
        view.onResize();
    }
    // A mouse move then a left (or right) press at the same place.
    void clickAt(int x, int y, bool right = false) {
        view.updateHover(x, y);
        view.onClick(x, y, right);
        window.deliverPosted(view);
    }
    void type(std::string_view keys) {
        for (const char c : keys) {
            view.onChar(static_cast<char32_t>(c));
        }
    }
    // Changes the view's score through `change`, keeping the view.
    template <class Change>
    void edit(Change&& change) {
        Score score = view.score();
        change(score);
        view.replaceScore(std::move(score));
    }
    // Sets the pending velocity as the Dynamic dialog does.
    void setVelocity(int velocity) {
        window.dynamicDialog = [velocity](DynamicDialogModel& m) {
            m.text = std::to_string(velocity);
            m.ok();
        };
        view.onChar(U'r');
        window.dynamicDialog = nullptr;
    }

    FakeWindow window;
    EditorView view{hostOf(window)};
};

}  // namespace corvane::test
