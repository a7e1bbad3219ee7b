#pragma once
// The page canvas over a QPainter on a paged device (QPdfWriter, QPrinter). Music glyphs and
// text go out as glyph runs of the fonts' raw glyphs, gathered per font and size and drawn when
// the page ends, and straight lines along the page's axes as filled rectangles drawn together:
// a page of dense music thus takes a few dozen painter calls instead of many thousands. The
// fonts are embedded in a PDF as subsets, and its text stays text.

#include <QFont>
#include <QPainter>
#include <QRawFont>
#include <QRectF>
#include <QVector>
#include <map>
#include <unordered_map>
#include <utility>

#include "engrave/page_canvas.h"

namespace corvane::engrave {

// The fonts a page is drawn with, at any size: the music font and Nimbus Sans in its faces.
struct PageFonts {
    QFont music;
    QFont regular;
    QFont bold;
    QFont italic;
};

class PainterPageCanvas final : public PageCanvas {
  public:
    // Draws with `painter`, whose device has `unitsPerPoint` device units to a point.
    PainterPageCanvas(QPainter& painter, double unitsPerPoint, const PageFonts& fonts);

    void glyph(char32_t codePoint, PagePoint origin, double em) override;
    void line(PagePoint from, PagePoint to, double thickness) override;
    void quad(const std::array<PagePoint, 4>& corners) override;
    void curve(const CubicCurve& outer, const CubicCurve& inner) override;
    void text(std::string_view text, PagePoint at, double size, TextFace face,
              TextAlign align) override;
    void endPage() override;

  private:
    struct Run {
        QVector<quint32> glyphs;
        QVector<QPointF> positions;
    };
    // A raw font and its glyph runs waiting for the page's end, for one font at one size.
    struct SizedFont {
        QRawFont raw;
        Run run;
    };

    QPointF device(PagePoint p) const { return {p.x * scale_, p.y * scale_}; }
    SizedFont& sized(int font, double points);
    const QFont& font(int index) const;

    QPainter& painter_;
    double scale_;
    PageFonts fonts_;
    std::map<std::pair<int, long>, SizedFont> sizes_;
    std::unordered_map<char32_t, quint32> musicGlyphs_;
    QVector<QRectF> rects_;
};

}  // namespace corvane::engrave
