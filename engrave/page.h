#pragma once
// A laid-out page: everything it shows, as plain values, in points from its top-left corner.

#include <string>
#include <vector>

#include "engrave/page_canvas.h"
#include "engrave/smufl.h"

namespace corvane::engrave {

struct GlyphItem {
    Sym sym;
    PagePoint origin;
    double em;  // the font size in points
};

struct LineItem {
    PagePoint from;
    PagePoint to;
    double thickness;
};

struct QuadItem {
    std::array<PagePoint, 4> corners;
};

struct CurveItem {
    CubicCurve outer;
    CubicCurve inner;
};

struct TextItem {
    std::string text;
    PagePoint at;  // the baseline's anchor
    double size;   // points
    TextFace face;
    TextAlign align;
};

struct Page {
    double width = 0;
    double height = 0;
    std::vector<GlyphItem> glyphs;
    std::vector<LineItem> lines;
    std::vector<QuadItem> quads;
    std::vector<CurveItem> curves;
    std::vector<TextItem> texts;
};

// Draws everything on `page` onto `canvas`, then ends the page.
void drawPage(const Page& page, PageCanvas& canvas);

}  // namespace corvane::engrave
