#include "render/qt/raster_canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace corvane {

namespace {

constexpr QRgb kOpaque = 0xff000000u;
constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;
// Enough for every label a score shows; past it the cache starts again.
constexpr std::size_t kMaxTextCells = 1024;

// The 2-pixel pen with flat caps: a line's end point stays undrawn.
QPen blackPen() {
    return QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap);
}

// The image's pixels, for writing. Taken once per operation: asking for them makes the image
// check that it is not shared, which costs more than most operations when done for every row.
struct Pixels {
    explicit Pixels(QImage& image)
        : first(reinterpret_cast<QRgb*>(image.bits())),
          stride(static_cast<std::ptrdiff_t>(image.bytesPerLine() / sizeof(QRgb))) {}
    QRgb* row(int y) const { return first + y * stride; }
    QRgb* first;
    std::ptrdiff_t stride;
};

// Transfers the part of the w x h source rectangle at (sx, sy) that lies inside the bitmap and,
// moved to (x, y), inside the image: op(destination pixel, source pixel) for each pixel.
template <typename Op>
void transfer(QImage& image, const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y,
              Op op) {
    if (image.isNull() || bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) {
        return;
    }
    const QRect source = QRect(sx, sy, w, h).intersected(QRect(0, 0, bitmap.width, bitmap.height));
    const QRect target = source.translated(x - sx, y - sy).intersected(image.rect());
    if (target.isEmpty()) {
        return;
    }
    const int dx = sx - x;
    const int dy = sy - y;
    const Pixels pixels(image);
    for (int ty = target.top(); ty <= target.bottom(); ++ty) {
        QRgb* out = pixels.row(ty);
        const std::uint32_t* in =
            bitmap.pixels.data() + static_cast<std::size_t>(ty + dy) * bitmap.width + dx;
        for (int tx = target.left(); tx <= target.right(); ++tx) {
            out[tx] = op(out[tx], kOpaque | in[tx]);
        }
    }
}

}  // namespace

QFont textFont() {
    // The font file is registered with the running application; a later application (tests
    // may make several) has forgotten it and gets it again.
    static int loaded = -1;
    if (loaded < 0 || QFontDatabase::applicationFontFamilies(loaded).isEmpty()) {
        loaded = QFontDatabase::addApplicationFont(QStringLiteral(CORVANE_TEXT_FONT_FILE));
    }
    const QStringList families =
        loaded >= 0 ? QFontDatabase::applicationFontFamilies(loaded) : QStringList();
    // Without the file the family may still be installed; otherwise any sans face will do.
    QFont font(families.isEmpty() ? QStringLiteral("Nimbus Sans") : families.first());
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

RasterCanvas::RasterCanvas(int width, int height) {
    resize(width, height);
}

void RasterCanvas::resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        image_ = QImage();
        return;
    }
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(Qt::white);
}

void RasterCanvas::fill(const Rect& r) {
    const QRect area =
        QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)).intersected(image_.rect());
    if (area.isEmpty()) {
        return;
    }
    const Pixels pixels(image_);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::fill_n(pixels.row(y) + area.left(), area.width(), kWhite);
    }
}

void RasterCanvas::blackRect(int left, int top, int right, int bottom) {
    const QRect area =
        QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(image_.rect());
    if (area.isEmpty()) {
        return;
    }
    const Pixels pixels(image_);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::fill_n(pixels.row(y) + area.left(), area.width(), kBlack);
    }
}

void RasterCanvas::copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) {
    transfer(image_, bitmap, sx, sy, w, h, x, y, [](QRgb, QRgb source) { return source; });
}

void RasterCanvas::multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x,
                                  int y) {
    transfer(image_, bitmap, sx, sy, w, h, x, y,
             [](QRgb destination, QRgb source) { return destination & source; });
}

void RasterCanvas::line(int x1, int y1, int x2, int y2) {
    if (image_.isNull() || (x1 == x2 && y1 == y2)) {
        return;
    }
    // The pen covers the pixel row (or column) before the line and the one on it; along the
    // line it covers the start point and stops before the end point.
    if (y1 == y2) {
        const int from = x2 > x1 ? x1 : x2 + 1;
        const int to = x2 > x1 ? x2 : x1 + 1;
        blackRect(from, y1 - 1, to, y1 + 1);
        return;
    }
    if (x1 == x2) {
        const int from = y2 > y1 ? y1 : y2 + 1;
        const int to = y2 > y1 ? y2 : y1 + 1;
        blackRect(x1 - 1, from, x1 + 1, to);
        return;
    }
    // A slanted line (the score draws none): QPainter, moved by one pixel along each axis that
    // runs backwards so that the start point is drawn and the end point is not.
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(blackPen());
    const int dx = x2 < x1 ? 1 : 0;
    const int dy = y2 < y1 ? 1 : 0;
    p.drawLine(QPoint(x1 + dx, y1 + dy), QPoint(x2 + dx, y2 + dy));
}

const RasterCanvas::Shape& RasterCanvas::ellipseShape(int w, int h, bool filled) {
    const auto key = std::make_tuple(w, h, filled);
    const auto found = shapes_.find(key);
    if (found != shapes_.end()) {
        return found->second;
    }
    // Drawn once with a margin for the pen, which reaches a pixel outside the box.
    constexpr int kMargin = 2;
    QImage scratch(std::max(w, 1) + 2 * kMargin, std::max(h, 1) + 2 * kMargin,
                   QImage::Format_RGB32);
    scratch.fill(Qt::white);
    {
        QPainter p(&scratch);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(blackPen());
        if (filled) {
            p.setBrush(Qt::black);
            p.drawEllipse(QRectF(kMargin, kMargin, w - 1, h - 1));
        } else {
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRect(kMargin, kMargin, w - 1, h - 1));
        }
    }
    Shape shape;
    for (int y = 0; y < scratch.height(); ++y) {
        const QRgb* pixels = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            if (pixels[x] == kWhite) {
                continue;
            }
            int end = x;
            while (end < scratch.width() && pixels[end] != kWhite) {
                ++end;
            }
            shape.push_back(Run{y - kMargin, x - kMargin, end - x});
            x = end;
        }
    }
    return shapes_.emplace(key, std::move(shape)).first->second;
}

void RasterCanvas::stamp(const Shape& shape, int x, int y) {
    const Pixels pixels(image_);
    for (const Run& run : shape) {
        const int ry = y + run.dy;
        const int from = std::max(x + run.dx, 0);
        const int to = std::min(x + run.dx + run.length, image_.width());
        if (ry >= 0 && ry < image_.height() && from < to) {
            std::fill(pixels.row(ry) + from, pixels.row(ry) + to, kBlack);
        }
    }
}

void RasterCanvas::ellipse(int l, int t, int r, int b) {
    if (!image_.isNull() && r - l > 1 && b - t > 1) {
        stamp(ellipseShape(r - l, b - t, true), l, t);
    }
}

void RasterCanvas::arc(int l, int t, int r, int b) {
    if (!image_.isNull() && r - l > 1 && b - t > 1) {
        stamp(ellipseShape(r - l, b - t, false), l, t);
    }
}

void RasterCanvas::text(int x, int y, std::string_view s) {
    if (image_.isNull() || s.empty()) {
        return;
    }
    // Each string is drawn once into a white cell as wide as its advance and as high as the
    // font; the cell is then copied whole, which gives the opaque white background.
    std::string key(s);
    auto found = textCells_.find(key);
    if (found == textCells_.end()) {
        if (textCells_.size() >= kMaxTextCells) {
            textCells_.clear();
        }
        const QFont font = textFont();
        const QFontMetrics metrics(font);
        const QString string = QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
        QImage cell(std::max(metrics.horizontalAdvance(string), 1), metrics.height(),
                    QImage::Format_RGB32);
        cell.fill(Qt::white);
        {
            QPainter p(&cell);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(QPoint(0, metrics.ascent()), string);
        }
        found = textCells_.emplace(std::move(key), std::move(cell)).first;
    }
    const QImage& cell = found->second;
    const QRect target = QRect(x, y, cell.width(), cell.height()).intersected(image_.rect());
    if (target.isEmpty()) {
        return;
    }
    const Pixels pixels(image_);
    for (int ty = target.top(); ty <= target.bottom(); ++ty) {
        const QRgb* in = reinterpret_cast<const QRgb*>(cell.constScanLine(ty - y));
        std::copy_n(in + (target.left() - x), target.width(), pixels.row(ty) + target.left());
    }
}

void writePng(const RasterCanvas& canvas, int width, int height, const std::string& path) {
    const QImage area = canvas.image().copy(0, 0, width, height);
    QImageWriter writer(QString::fromStdString(path), "png");
    if (area.isNull() || !writer.write(area)) {
        throw std::runtime_error("cannot write the image " + path + ": " +
                                 (area.isNull() ? std::string("the picture is empty")
                                                : writer.errorString().toStdString()));
    }
}

}  // namespace corvane
