#pragma once
// A window for painter tests: its back buffer is whatever canvas the test asks for, and it
// remembers every copy of the back buffer to the window.

#include <functional>
#include <memory>
#include <vector>

#include "editor/editor_view.h"

namespace corvane::test {

class PaintWindow final : public EditorWindow {
  public:
    struct Presented {
        const Canvas* canvas;
        int width;
        int height;
    };

    // Makes the back buffer; returning null stands for a failed creation.
    std::function<std::unique_ptr<Canvas>(int, int)> makeCanvas;
    Rect client{0, 0, 800, 600};
    std::vector<Presented> presented;
    // Called with the back buffer on every present, for tests that read pixels.
    std::function<void(const Canvas&, int, int)> onPresent;

    void invalidate() override {}
    void invalidateRect(const Rect&) override {}
    Rect clientRect() const override { return client; }
    int showCursor() override { return 0; }
    Point cursorPos() const override { return {}; }
    void postChar(char32_t) override {}
    std::unique_ptr<Canvas> createCanvas(int width, int height) override {
        return makeCanvas ? makeCanvas(width, height) : nullptr;
    }
    void present(const Canvas& backBuffer, int width, int height) override {
        presented.push_back({&backBuffer, width, height});
        if (onPresent) {
            onPresent(backBuffer, width, height);
        }
    }
    void runTrackDialog(TrackDialogModel&) override {}
    void runDrumTrackDialog(DrumTrackDialogModel&) override {}
    void runMeasureDialog(MeasureDialogModel&) override {}
    void runDynamicDialog(DynamicDialogModel&) override {}
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    Answer askYesNoCancel(std::string_view, std::string_view) override { return Answer::Cancel; }
    void showMessage(std::string_view, std::string_view) override {}
    std::optional<std::string> chooseFile(FileDialogKind) override { return std::nullopt; }
    void notifyPlaybackDone() override {}
};

}  // namespace corvane::test
