#pragma once
// A window that does nothing: no repaints, no dialogs, every question answered No or Cancel, no
// file chosen. Tests and benchmarks derive from it and override only what they watch.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "render/recording_canvas.h"

namespace corvane::test {

class QuietWindow : public DrawingSurface, public Prompts, public StatusDisplay {
  public:
    Rect client{0, 0, 800, 600};

    // The host an editor is built in: this window, all three at once.
    EditorHost host() { return hostOf(*this); }

    void invalidate() override {}
    void invalidateRect(const Rect&) override {}
    Rect clientRect() const override { return client; }
    void showCursor() override {}
    Point cursorPos() const override { return {}; }
    void postChar(char32_t) override {}
    void showStatus(std::string_view) override {}
    void showNotice(std::string_view) override {}
    void showTrackScroll(int, int) override {}
    std::unique_ptr<Canvas> createCanvas(int, int) override {
        return std::make_unique<RecordingCanvas>();
    }
    void present(const Canvas&, int, int) override {}
    void runTrackDialog(TrackDialogModel&) override {}
    void runDrumTrackDialog(DrumTrackDialogModel&) override {}
    void runMeasureDialog(MeasureDialogModel&) override {}
    void runDynamicDialog(DynamicDialogModel&) override {}
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    Answer askYesNoCancel(std::string_view, std::string_view) override { return Answer::Cancel; }
    void showMessage(std::string_view, std::string_view, std::string_view) override {}
    std::optional<std::string> chooseFile(FileDialogKind, const std::string&) override {
        return std::nullopt;
    }
    bool choosePdfExport(PdfExportChoice&) override { return false; }
    void notifyPlaybackDone() override {}
};

}  // namespace corvane::test
