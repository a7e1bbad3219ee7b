#include "engrave/page.h"

namespace corvane::engrave {

void drawPage(const Page& page, PageCanvas& canvas) {
    for (const LineItem& line : page.lines) {
        canvas.line(line.from, line.to, line.thickness);
    }
    for (const QuadItem& quad : page.quads) {
        canvas.quad(quad.corners);
    }
    for (const CurveItem& curve : page.curves) {
        canvas.curve(curve.outer, curve.inner);
    }
    for (const GlyphItem& glyph : page.glyphs) {
        canvas.glyph(symInfo(glyph.sym).codePoint, glyph.origin, glyph.em);
    }
    for (const TextItem& text : page.texts) {
        canvas.text(text.text, text.at, text.size, text.face, text.align);
    }
    canvas.endPage();
}

}  // namespace corvane::engrave
