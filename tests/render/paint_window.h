#pragma once
// A window for painter tests: its back buffer is whatever canvas the test asks for, and it
// remembers every copy of the back buffer to the window.

#include <functional>
#include <memory>
#include <vector>

#include "tests/support/quiet_window.h"

namespace corvane::test {

class PaintWindow final : public QuietWindow {
  public:
    struct Presented {
        const Canvas* canvas;
        int width;
        int height;
    };

    // Makes the back buffer; returning null stands for a failed creation.
    std::function<std::unique_ptr<Canvas>(int, int)> makeCanvas;
    std::vector<Presented> presented;
    // Called with the back buffer on every present, for tests that read pixels.
    std::function<void(const Canvas&, int, int)> onPresent;

    std::unique_ptr<Canvas> createCanvas(int width, int height) override {
        return makeCanvas ? makeCanvas(width, height) : nullptr;
    }
    void present(const Canvas& backBuffer, int width, int height) override {
        presented.push_back({&backBuffer, width, height});
        if (onPresent) {
            onPresent(backBuffer, width, height);
        }
    }
};

}  // namespace corvane::test
