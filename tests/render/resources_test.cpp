#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "render/resources.h"

namespace corvane {
namespace {

// A back buffer that only notes its size changes, into the same log as the bitmap loads.
class SizeLog final : public Canvas {
  public:
    explicit SizeLog(std::vector<std::string>& log) : log_(log) {}
    void resize(int width, int height) override {
        log_.push_back("resize " + std::to_string(width) + " " + std::to_string(height));
    }
    void fill(const Rect&) override {}
    void copy(const Bitmap&, int, int, int, int, int, int) override {}
    void multiplyBitmap(const Bitmap&, int, int, int, int, int, int) override {}
    void line(int, int, int, int) override {}
    void ellipse(int, int, int, int) override {}
    void arc(int, int, int, int) override {}
    void text(int, int, std::string_view) override {}

  private:
    std::vector<std::string>& log_;
};

// Logs each load by the glyph's display id; the glyph with id `missing` is not found.
GlyphLoader loggingLoader(std::vector<std::string>& log, int missing = 0) {
    return [&log, missing](Glyph glyph) -> std::optional<Bitmap> {
        log.push_back("load " + std::to_string(displayId(glyph)));
        if (displayId(glyph) == missing) {
            return std::nullopt;
        }
        return loadGlyph(glyph);
    };
}

TEST(DrawingResources, CreatesEverythingInOrder) {
    std::vector<std::string> log;
    const DrawingResources drawing(std::make_unique<SizeLog>(log), loggingLoader(log));
    const std::vector<std::string> expected{
        "load 128", "load 126", "load 127", "resize 800 600", "load 107", "load 120", "load 140",
        "load 109", "load 110", "load 119", "load 114",       "load 115", "load 129", "load 124",
        "load 125", "load 122", "load 121", "load 123",       "load 130", "load 131", "load 132",
        "load 133", "load 134", "load 135", "load 139",       "load 150", "load 151", "load 152",
        "load 153", "load 154", "load 155", "load 156",       "load 157", "load 158", "load 159",
    };
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(drawing.resourcesFailed);
    EXPECT_EQ(drawing.bufferWidth, 800);
    EXPECT_EQ(drawing.bufferHeight, 600);
    // Each member holds its own resource.
    const std::pair<Glyph, int> members[] = {
        {Glyph::Toolbar, 128},
        {Glyph::HighlightLocked, 126},
        {Glyph::HighlightPending, 127},
        {Glyph::TrebleClef, 107},
        {Glyph::BassClef, 120},
        {Glyph::DrumClef, 140},
        {Glyph::Sharp, 109},
        {Glyph::Flat, 110},
        {Glyph::Natural, 119},
        {Glyph::FlagDown, 114},
        {Glyph::FlagUp, 115},
        {Glyph::Triplet, 129},
        {Glyph::OttavaUp, 124},
        {Glyph::OttavaDown, 125},
        {Glyph::MeterDigit3, 122},
        {Glyph::MeterDigit4, 121},
        {Glyph::MeterDigit5, 123},
        {Glyph::WholeRest, 130},
        {Glyph::HalfRest, 131},
        {Glyph::QuarterRest, 132},
        {Glyph::EighthRest, 133},
        {Glyph::SixteenthRest, 134},
        {Glyph::ThirtySecondRest, 135},
        {Glyph::Tie, 139},
        {Glyph::MeterFigure0, 150},
        {Glyph::MeterFigure9, 159},
    };
    for (const auto& [glyph, id] : members) {
        EXPECT_EQ(drawing.glyphs[glyph].id, id);
        EXPECT_EQ(drawing.glyphs[glyph].width, loadGlyph(glyph)->width) << id;
    }
}

TEST(DrawingResources, OneMissingBitmapFailsButEverythingElseIsCreated) {
    for (const int missing : {128, 127, 110, 139}) {
        SCOPED_TRACE(missing);
        std::vector<std::string> log;
        const DrawingResources drawing(std::make_unique<SizeLog>(log), loggingLoader(log, missing));
        EXPECT_TRUE(drawing.resourcesFailed);
        EXPECT_EQ(log.size(), 35u);  // 34 loads and the back buffer
        EXPECT_NE(drawing.backBuffer, nullptr);
        EXPECT_EQ(drawing.glyphs[Glyph::Tie].width, missing == 139 ? 0 : 16);
        EXPECT_EQ(drawing.glyphs[Glyph::TrebleClef].width, 30);
    }
}

TEST(DrawingResources, FailingLoaderOrBackBufferIsReportedNotThrown) {
    const DrawingResources noBuffer(nullptr);
    EXPECT_TRUE(noBuffer.resourcesFailed);
    EXPECT_EQ(noBuffer.glyphs[Glyph::TrebleClef].width, 30);

    std::vector<std::string> log;
    const DrawingResources throwing(std::make_unique<SizeLog>(log),
                                    [](Glyph glyph) -> std::optional<Bitmap> {
                                        if (glyph == Glyph::BassClef) {
                                            throw std::runtime_error("unreadable");
                                        }
                                        return loadGlyph(glyph);
                                    });
    EXPECT_TRUE(throwing.resourcesFailed);
    EXPECT_EQ(throwing.glyphs[Glyph::BassClef].width, 0);
    EXPECT_EQ(throwing.glyphs[Glyph::DrumClef].width, 30);

    // A bitmap whose pixels do not match its size counts as missing.
    const DrawingResources broken(nullptr, [](Glyph glyph) -> std::optional<Bitmap> {
        return Bitmap{displayId(glyph), 4, 4, {}};
    });
    EXPECT_TRUE(broken.resourcesFailed);
    EXPECT_EQ(broken.glyphs[Glyph::Sharp].width, 0);
}

TEST(DrawingResources, BackBufferOnlyGrows) {
    std::vector<std::string> log;
    DrawingResources drawing(std::make_unique<SizeLog>(log));
    log.clear();
    drawing.growBackBuffer(1000, 500);
    EXPECT_EQ(drawing.bufferWidth, 1000);
    EXPECT_EQ(drawing.bufferHeight, 600);
    drawing.growBackBuffer(1000, 580);
    drawing.growBackBuffer(300, 200);
    drawing.growBackBuffer(1000, 600);
    EXPECT_EQ(log, std::vector<std::string>{"resize 1000 600"});
    drawing.growBackBuffer(900, 700);
    EXPECT_EQ(drawing.bufferWidth, 1000);
    EXPECT_EQ(drawing.bufferHeight, 700);
    EXPECT_EQ(log.back(), "resize 1000 700");

    DrawingResources none(nullptr);
    none.growBackBuffer(1200, 900);  // nothing to resize, but no crash
    EXPECT_EQ(none.bufferWidth, 1200);
}

}  // namespace
}  // namespace corvane
