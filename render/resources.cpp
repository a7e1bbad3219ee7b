#include "render/resources.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace corvane {

namespace {

// Loads one glyph into `glyphs`; a missing image or a failing loader only marks the failure.
void load(const GlyphLoader& loader, Glyph glyph, Glyphs& glyphs, bool& failed) {
    try {
        std::optional<Bitmap> bitmap = loader ? loader(glyph) : std::nullopt;
        if (bitmap && bitmap->width > 0 && bitmap->height > 0 &&
            bitmap->pixels.size() == static_cast<std::size_t>(bitmap->width) *
                                         static_cast<std::size_t>(bitmap->height)) {
            Bitmap& slot = glyphs[glyph];
            slot = std::move(*bitmap);
            slot.id = displayId(glyph);
            return;
        }
    } catch (const std::exception&) {
        // Treated like a missing image: the window reports the failure and closes.
    }
    failed = true;
}

}  // namespace

DrawingResources::DrawingResources(std::unique_ptr<Canvas> buffer, const GlyphLoader& loader)
    : backBuffer(std::move(buffer)) {
    for (const Glyph glyph : {Glyph::Toolbar, Glyph::HighlightLocked, Glyph::HighlightPending}) {
        load(loader, glyph, glyphs, resourcesFailed);
    }
    if (backBuffer) {
        try {
            backBuffer->resize(bufferWidth, bufferHeight);
        } catch (const std::exception&) {
            backBuffer.reset();
        }
    }
    if (!backBuffer) {
        resourcesFailed = true;
    }
    for (const Glyph glyph :
         {Glyph::TrebleClef,  Glyph::BassClef,    Glyph::DrumClef,      Glyph::Sharp,
          Glyph::Flat,        Glyph::Natural,     Glyph::FlagDown,      Glyph::FlagUp,
          Glyph::Triplet,     Glyph::OttavaUp,    Glyph::OttavaDown,    Glyph::MeterDigit3,
          Glyph::MeterDigit4, Glyph::MeterDigit5, Glyph::WholeRest,     Glyph::HalfRest,
          Glyph::QuarterRest, Glyph::EighthRest,  Glyph::SixteenthRest, Glyph::ThirtySecondRest,
          Glyph::Tie}) {
        load(loader, glyph, glyphs, resourcesFailed);
    }
    for (int d = 0; d <= 9; ++d) {
        load(loader, meterFigure(d), glyphs, resourcesFailed);
    }
}

void DrawingResources::growBackBuffer(int clientWidth, int clientHeight) {
    if (clientWidth <= bufferWidth && clientHeight <= bufferHeight) {
        return;
    }
    bufferWidth = std::max(bufferWidth, clientWidth);
    bufferHeight = std::max(bufferHeight, clientHeight);
    if (backBuffer) {
        backBuffer->resize(bufferWidth, bufferHeight);
    }
}

}  // namespace corvane
