#pragma once
// The editor's drawing resources: the back buffer it paints into and the glyphs, all created
// once with the editor and released with it.

#include <functional>
#include <memory>
#include <optional>

#include "render/canvas.h"
#include "render/glyphs.h"

namespace corvane {

// Finds the image of a glyph; nullopt when the program has none.
using GlyphLoader = std::function<std::optional<Bitmap>(Glyph glyph)>;

struct DrawingResources {
    // Takes the back buffer (800 x 600 to start; null counts as a failure) and loads every glyph
    // but the icon, in a fixed order: the toolbar strip and its highlights, the back buffer's
    // size, then the score's glyphs. A failure sets resourcesFailed and creation goes on. Never
    // throws.
    explicit DrawingResources(std::unique_ptr<Canvas> backBuffer,
                              const GlyphLoader& loader = loadGlyph);

    // Grows the back buffer to cover a client area of w x h; it never shrinks.
    void growBackBuffer(int clientWidth, int clientHeight);

    std::unique_ptr<Canvas> backBuffer;  // all painting for the window goes here
    int bufferWidth = 800;
    int bufferHeight = 600;
    bool resourcesFailed = false;
    Glyphs glyphs;
};

}  // namespace corvane
