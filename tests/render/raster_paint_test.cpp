#include <gtest/gtest.h>

#include <QImage>

#include "editor/editor_view.h"
#include "render/qt/raster_canvas.h"
#include "tests/render/paint_window.h"

namespace corvane {
namespace {

constexpr QRgb kGreen = 0xFF00BF00;
constexpr QRgb kYellow = 0xFFFDDD00;

// A window that shows the raster back buffer: what a present copies is what the user sees.
struct Shown {
    Shown(int width, int height) {
        window.client = Rect{0, 0, width, height};
        window.makeCanvas = [](int w, int h) { return std::make_unique<RasterCanvas>(w, h); };
        window.onPresent = [this](const Canvas& canvas, int w, int h) {
            screen = static_cast<const RasterCanvas&>(canvas).image().copy(0, 0, w, h);
        };
        view = std::make_unique<EditorView>(hostOf(window));
        view->onResize();
    }
    void resize(int width, int height) {
        window.client = Rect{0, 0, width, height};
        view->onResize();
    }
    // How many pixels of the 16 x 23 highlight cell of toolbar slot `slot` have `colour`.
    int cellPixels(int slot, QRgb colour) const {
        int n = 0;
        for (int y = 1; y < 24; ++y) {
            for (int x = 16 * slot + 3; x < 16 * slot + 19; ++x) {
                n += screen.pixel(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }

    test::PaintWindow window;
    std::unique_ptr<EditorView> view;
    QImage screen;
};

TEST(RasterPaint, CopyToTheWindowCoversExactlyTheClientArea) {
    Shown shown(1000, 700);
    shown.view->paint();
    EXPECT_EQ(shown.screen.size(), QSize(1000, 700));
    shown.resize(640, 480);
    shown.view->paint();
    EXPECT_EQ(shown.screen.size(), QSize(640, 480));
    EXPECT_EQ(static_cast<const RasterCanvas&>(*shown.view->drawing().backBuffer).image().size(),
              QSize(1000, 700));
    // The staff reaches 10 pixels short of the window's right edge: the last columns are paper.
    EXPECT_EQ(shown.screen.pixel(629, 90), 0xFF000000u);
    EXPECT_EQ(shown.screen.pixel(631, 90), 0xFFFFFFFFu);
}

TEST(RasterPaint, HighlightedCellsTurnGreenOrYellowAroundTheirInk) {
    Shown shown(800, 600);
    shown.view->onChar(U'g');  // a pending tie, not locked: yellow
    shown.view->paint();
    for (int slot = 0; slot < 24; ++slot) {
        SCOPED_TRACE(slot);
        const bool green = slot == 2 || slot == 21;
        const bool yellow = slot == 18;
        EXPECT_EQ(shown.cellPixels(slot, kGreen) > 200, green);
        EXPECT_EQ(shown.cellPixels(slot, kYellow) > 200, yellow);
        EXPECT_EQ(shown.cellPixels(slot, 0xFFFFFFFF) > 0, !green && !yellow);
        if (green || yellow) {
            EXPECT_GT(shown.cellPixels(slot, 0xFF000000), 10);  // the icon's ink stays black
        }
    }
}

}  // namespace
}  // namespace corvane
