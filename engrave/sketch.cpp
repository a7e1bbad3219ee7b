#include "engrave/sketch.h"

#include <algorithm>

namespace corvane::engrave {

namespace {

// A text's ink above and below its baseline, as a part of its size (capitals and descenders).
constexpr double kTextAbove = kCapHeightEm;
constexpr double kTextBelow = 0.22;
constexpr double kEmSpaces = 4.0;

PagePoint mapped(PagePoint p, PagePoint origin, double space) {
    return {origin.x + p.x * space, origin.y + p.y * space};
}

CubicCurve mapped(const CubicCurve& c, PagePoint origin, double space) {
    return {mapped(c.start, origin, space), mapped(c.control1, origin, space),
            mapped(c.control2, origin, space), mapped(c.end, origin, space)};
}

}  // namespace

void Sketch::reach(double y1, double y2) {
    top_ = std::min({top_, y1, y2});
    bottom_ = std::max({bottom_, y1, y2});
}

void Sketch::glyph(Sym sym, double x, double y, double scale) {
    const SymBox& box = symInfo(sym).box;
    reach(y - box.top * scale, y - box.bottom * scale);
    items_.glyphs.push_back({sym, {x, y}, kEmSpaces * scale});
}

void Sketch::line(double x1, double y1, double x2, double y2, double thickness) {
    reach(std::min(y1, y2) - thickness / 2, std::max(y1, y2) + thickness / 2);
    items_.lines.push_back({{x1, y1}, {x2, y2}, thickness});
}

void Sketch::quad(const std::array<PagePoint, 4>& corners) {
    for (const PagePoint& p : corners) {
        reach(p.y, p.y);
    }
    items_.quads.push_back({corners});
}

void Sketch::curve(const CubicCurve& outer, const CubicCurve& inner) {
    // A Bézier curve stays inside the hull of its control points.
    for (const CubicCurve* c : {&outer, &inner}) {
        reach(std::min({c->start.y, c->control1.y, c->control2.y, c->end.y}),
              std::max({c->start.y, c->control1.y, c->control2.y, c->end.y}));
    }
    items_.curves.push_back({outer, inner});
}

void Sketch::text(std::string text, double x, double y, double size, TextFace face,
                  TextAlign align) {
    reach(y - size * kTextAbove, y + size * kTextBelow);
    items_.texts.push_back({std::move(text), {x, y}, size, face, align});
}

void Sketch::placeOn(Page& page, PagePoint origin, double space) const {
    for (const GlyphItem& g : items_.glyphs) {
        page.glyphs.push_back({g.sym, mapped(g.origin, origin, space), g.em * space});
    }
    for (const LineItem& l : items_.lines) {
        page.lines.push_back(
            {mapped(l.from, origin, space), mapped(l.to, origin, space), l.thickness * space});
    }
    for (const QuadItem& q : items_.quads) {
        QuadItem placed;
        for (std::size_t i = 0; i < q.corners.size(); ++i) {
            placed.corners[i] = mapped(q.corners[i], origin, space);
        }
        page.quads.push_back(placed);
    }
    for (const CurveItem& c : items_.curves) {
        page.curves.push_back({mapped(c.outer, origin, space), mapped(c.inner, origin, space)});
    }
    for (const TextItem& t : items_.texts) {
        page.texts.push_back({t.text, mapped(t.at, origin, space), t.size * space, t.face, t.align});
    }
}

}  // namespace corvane::engrave
