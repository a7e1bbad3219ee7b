#pragma once
// The editor's drawing resources: the back buffer it paints into and the glyph bitmaps, all
// created once with the editor and released with it.

#include <functional>
#include <memory>
#include <optional>

#include "render/canvas.h"

namespace corvane {

// Finds a bitmap resource by its number; nullopt when the program has no such resource.
using BitmapLoader = std::function<std::optional<Bitmap>(int id)>;

// The bitmaps compiled into the program (toolbar strip 128, highlights 126/127, glyphs 107..140,
// icon 101).
std::optional<Bitmap> loadBitmap(int id);

struct DrawingResources {
    // Takes the back buffer (800 x 600 to start; null counts as a failure) and loads every bitmap
    // in the fixed order; a failure sets resourcesFailed and creation goes on. Never throws.
    explicit DrawingResources(std::unique_ptr<Canvas> backBuffer,
                              const BitmapLoader& loader = loadBitmap);

    // Grows the back buffer to cover a client area of w x h; it never shrinks.
    void growBackBuffer(int clientWidth, int clientHeight);

    std::unique_ptr<Canvas> memoryDC;  // the back buffer; all painting goes here
    int bufferWidth = 800;
    int bufferHeight = 600;
    bool resourcesFailed = false;

    Bitmap toolbarStrip;           // 128
    Bitmap highlightLocked;        // 126
    Bitmap highlightPending;       // 127
    Bitmap trebleClefGlyph;        // 107
    Bitmap bassClefGlyph;          // 120
    Bitmap drumClefGlyph;          // 140
    Bitmap sharpGlyph;             // 109
    Bitmap flatGlyph;              // 110
    Bitmap naturalGlyph;           // 119
    Bitmap flagDownGlyph;          // 114
    Bitmap flagUpGlyph;            // 115
    Bitmap tripletGlyph;           // 129
    Bitmap ottavaUpGlyph;          // 124
    Bitmap ottavaDownGlyph;        // 125
    Bitmap meterDigit3Glyph;       // 122
    Bitmap meterDigit4Glyph;       // 121
    Bitmap meterDigit5Glyph;       // 123
    Bitmap wholeRestGlyph;         // 130
    Bitmap halfRestGlyph;          // 131
    Bitmap quarterRestGlyph;       // 132
    Bitmap eighthRestGlyph;        // 133
    Bitmap sixteenthRestGlyph;     // 134
    Bitmap thirtySecondRestGlyph;  // 135
    Bitmap tieGlyph;               // 139
};

}  // namespace corvane
