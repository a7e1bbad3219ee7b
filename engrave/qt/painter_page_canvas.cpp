#include "engrave/qt/painter_page_canvas.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace corvane::engrave {

namespace {

constexpr int kMusic = 0;
// Sizes are told apart to a thousandth of a device unit.
constexpr double kSizeSteps = 1000.0;

int faceIndex(TextFace face) {
    return 1 + static_cast<int>(face);
}

}  // namespace

PainterPageCanvas::PainterPageCanvas(QPainter& painter, double unitsPerPoint,
                                     const PageFonts& fonts)
    : painter_(painter), scale_(unitsPerPoint), fonts_(fonts) {}

const QFont& PainterPageCanvas::font(int index) const {
    switch (index) {
        case kMusic:
            return fonts_.music;
        case 1:
            return fonts_.regular;
        case 2:
            return fonts_.bold;
        default:
            return fonts_.italic;
    }
}

PainterPageCanvas::SizedFont& PainterPageCanvas::sized(int index, double points) {
    const double pixels = points * scale_;
    const std::pair<int, long> key{index, std::lround(pixels * kSizeSteps)};
    auto it = sizes_.find(key);
    if (it == sizes_.end()) {
        SizedFont made;
        made.raw = QRawFont::fromFont(font(index));
        made.raw.setPixelSize(pixels);
        it = sizes_.emplace(key, std::move(made)).first;
    }
    return it->second;
}

void PainterPageCanvas::glyph(char32_t codePoint, PagePoint origin, double em) {
    SizedFont& f = sized(kMusic, em);
    auto known = musicGlyphs_.find(codePoint);
    if (known == musicGlyphs_.end()) {
        const char32_t ucs4[] = {codePoint};
        const QList<quint32> indexes = f.raw.glyphIndexesForString(QString::fromUcs4(ucs4, 1));
        known = musicGlyphs_.emplace(codePoint, indexes.isEmpty() ? 0 : indexes.front()).first;
    }
    f.run.glyphs.push_back(known->second);
    f.run.positions.push_back(device(origin));
}

void PainterPageCanvas::line(PagePoint from, PagePoint to, double thickness) {
    const double half = thickness / 2;
    if (from.x == to.x) {
        rects_.push_back(QRectF(device({from.x - half, std::min(from.y, to.y)}),
                                device({from.x + half, std::max(from.y, to.y)})));
    } else if (from.y == to.y) {
        rects_.push_back(QRectF(device({std::min(from.x, to.x), from.y - half}),
                                device({std::max(from.x, to.x), from.y + half})));
    } else {
        painter_.setPen(QPen(Qt::black, thickness * scale_, Qt::SolidLine, Qt::FlatCap));
        painter_.drawLine(device(from), device(to));
        painter_.setPen(Qt::NoPen);
    }
}

void PainterPageCanvas::quad(const std::array<PagePoint, 4>& corners) {
    QPolygonF polygon;
    for (const PagePoint& p : corners) {
        polygon << device(p);
    }
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::black);
    painter_.drawPolygon(polygon);
}

void PainterPageCanvas::curve(const CubicCurve& outer, const CubicCurve& inner) {
    QPainterPath path(device(outer.start));
    path.cubicTo(device(outer.control1), device(outer.control2), device(outer.end));
    path.lineTo(device(inner.end));
    path.cubicTo(device(inner.control2), device(inner.control1), device(inner.start));
    path.closeSubpath();
    painter_.fillPath(path, Qt::black);
}

void PainterPageCanvas::text(std::string_view text, PagePoint at, double size, TextFace face,
                             TextAlign align) {
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    SizedFont& f = sized(faceIndex(face), size);
    const QList<quint32> indexes = f.raw.glyphIndexesForString(string);
    if (indexes.contains(0)) {
        // A character Nimbus Sans lacks (a title in another script): Qt's text layout finds
        // a font that has it.
        QFont fallback = font(faceIndex(face));
        fallback.setPixelSize(std::max(1, static_cast<int>(std::lround(size * scale_))));
        painter_.setFont(fallback);
        painter_.setPen(Qt::black);
        const double width = QFontMetricsF(fallback).horizontalAdvance(string) / scale_;
        const double shift = align == TextAlign::Left ? 0 : align == TextAlign::Center ? width / 2 : width;
        painter_.drawText(device({at.x - shift, at.y}), string);
        painter_.setPen(Qt::NoPen);
        return;
    }
    const QList<QPointF> advances = f.raw.advancesForGlyphIndexes(indexes, QRawFont::KernedAdvances);
    double width = 0;
    for (const QPointF& a : advances) {
        width += a.x();
    }
    double x = at.x * scale_ -
               (align == TextAlign::Left ? 0 : align == TextAlign::Center ? width / 2 : width);
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        f.run.glyphs.push_back(indexes[i]);
        f.run.positions.push_back(QPointF(x, at.y * scale_));
        x += advances[i].x();
    }
}

void PainterPageCanvas::endPage() {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::black);
    if (!rects_.isEmpty()) {
        painter_.drawRects(rects_.constData(), static_cast<int>(rects_.size()));
        rects_.clear();
    }
    // Glyph runs are drawn with the pen: without one Qt leaves them out.
    painter_.setPen(Qt::black);
    for (auto& [key, f] : sizes_) {
        if (f.run.glyphs.isEmpty()) {
            continue;
        }
        QGlyphRun run;
        run.setRawFont(f.raw);
        run.setGlyphIndexes(f.run.glyphs);
        run.setPositions(f.run.positions);
        painter_.drawGlyphRun(QPointF(0, 0), run);
        f.run = Run();
    }
}

}  // namespace corvane::engrave
