#include "render/resources.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace corvane {

namespace {

// Loads one bitmap into `slot`; a missing resource or a failing loader only marks the failure.
void load(const BitmapLoader& loader, int id, Bitmap& slot, bool& failed) {
    try {
        std::optional<Bitmap> bitmap = loader ? loader(id) : std::nullopt;
        if (bitmap && bitmap->width > 0 && bitmap->height > 0 &&
            bitmap->pixels.size() == static_cast<std::size_t>(bitmap->width) *
                                         static_cast<std::size_t>(bitmap->height)) {
            slot = std::move(*bitmap);
            slot.id = id;
            return;
        }
    } catch (const std::exception&) {
        // Treated like a missing resource: the window reports the failure and closes.
    }
    failed = true;
}

}  // namespace

DrawingResources::DrawingResources(std::unique_ptr<Canvas> backBuffer, const BitmapLoader& loader)
    : memoryDC(std::move(backBuffer)) {
    load(loader, 128, toolbarStrip, resourcesFailed);
    load(loader, 126, highlightLocked, resourcesFailed);
    load(loader, 127, highlightPending, resourcesFailed);
    if (memoryDC) {
        try {
            memoryDC->resize(bufferWidth, bufferHeight);
        } catch (const std::exception&) {
            memoryDC.reset();
        }
    }
    if (!memoryDC) {
        resourcesFailed = true;
    }
    const std::pair<int, Bitmap*> glyphs[] = {
        {107, &trebleClefGlyph},    {120, &bassClefGlyph},
        {140, &drumClefGlyph},      {109, &sharpGlyph},
        {110, &flatGlyph},          {119, &naturalGlyph},
        {114, &flagDownGlyph},      {115, &flagUpGlyph},
        {129, &tripletGlyph},       {124, &ottavaUpGlyph},
        {125, &ottavaDownGlyph},    {122, &meterDigit3Glyph},
        {121, &meterDigit4Glyph},   {123, &meterDigit5Glyph},
        {130, &wholeRestGlyph},     {131, &halfRestGlyph},
        {132, &quarterRestGlyph},   {133, &eighthRestGlyph},
        {134, &sixteenthRestGlyph}, {135, &thirtySecondRestGlyph},
        {139, &tieGlyph},
    };
    for (const auto& [id, slot] : glyphs) {
        load(loader, id, *slot, resourcesFailed);
    }
}

void DrawingResources::growBackBuffer(int clientWidth, int clientHeight) {
    if (clientWidth <= bufferWidth && clientHeight <= bufferHeight) {
        return;
    }
    bufferWidth = std::max(bufferWidth, clientWidth);
    bufferHeight = std::max(bufferHeight, clientHeight);
    if (memoryDC) {
        memoryDC->resize(bufferWidth, bufferHeight);
    }
}

}  // namespace corvane
