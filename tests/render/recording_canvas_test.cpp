#include "render/recording_canvas.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(RecordingCanvas, WritesOneLinePerOperationInOrder) {
    RecordingCanvas canvas;
    const Bitmap glyph{109, 14, 19, std::vector<std::uint32_t>(14 * 19, 0xFFFFFF)};
    canvas.resize(800, 600);
    canvas.fill(Rect{0, 0, 800, 600});
    canvas.copy(glyph, 96, 0, 32, 19, 115, 3);
    canvas.multiplyBitmap(glyph, 0, 0, 14, 19, -3, 40);
    canvas.line(10, 70, 790, 70);
    canvas.ellipse(94, 86, 106, 95);
    canvas.arc(94, 86, 106, 95);
    canvas.text(5, 28, "Piano");
    canvas.text(44, 44, "1 BPM: 120");
    const std::vector<std::string> expected{
        "fill 0 0 800 600",  "copy 109 96 0 32 19 115 3", "and 109 0 0 14 19 -3 40",
        "line 10 70 790 70", "ellipse 94 86 106 95",      "arc 94 86 106 95",
        "text 5 28 Piano",   "text 44 44 1 BPM: 120",
    };
    EXPECT_EQ(canvas.lines(), expected);
    EXPECT_EQ(canvas.width(), 800);
    EXPECT_EQ(canvas.height(), 600);
}

TEST(RecordingCanvas, DisplayListEndsEveryLineAndClearStartsAfresh) {
    RecordingCanvas canvas;
    canvas.line(1, 2, 3, 4);
    canvas.text(0, 0, "");
    EXPECT_EQ(canvas.displayList(), "line 1 2 3 4\ntext 0 0 \n");
    canvas.clear();
    EXPECT_TRUE(canvas.lines().empty());
    EXPECT_EQ(canvas.displayList(), "");
}

}  // namespace
}  // namespace corvane
