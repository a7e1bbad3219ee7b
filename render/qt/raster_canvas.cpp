#include "render/qt/raster_canvas.h"

#include <QFontDatabase>
#include <QImageWriter>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace corvane {

namespace {

// The 2-pixel pen with flat caps: a line's end point stays undrawn.
QPen blackPen() {
    return QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap);
}

QImage toImage(const Bitmap& bitmap) {
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width; ++x) {
            row[x] = 0xff000000u | bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x];
        }
    }
    return image;
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

RasterCanvas::~RasterCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void RasterCanvas::resize(int width, int height) {
    if (painter_.isActive()) {
        painter_.end();
    }
    if (width <= 0 || height <= 0) {
        image_ = QImage();
        return;
    }
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(Qt::white);
}

const QImage& RasterCanvas::image() const {
    if (painter_.isActive()) {
        painter_.end();
    }
    return image_;
}

QPainter& RasterCanvas::painter(Mode mode) {
    if (!painter_.isActive() && !image_.isNull()) {
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, false);
        painter_.setPen(blackPen());
        painter_.setFont(textFont());
        painter_.setBackgroundMode(Qt::OpaqueMode);
        painter_.setBackground(Qt::white);
        mode_ = Mode::Copy;
    }
    if (mode != mode_ && painter_.isActive()) {
        painter_.setCompositionMode(mode == Mode::And ? QPainter::RasterOp_SourceAndDestination
                                                      : QPainter::CompositionMode_SourceOver);
        mode_ = mode;
    }
    return painter_;
}

const QImage& RasterCanvas::imageOf(const Bitmap& bitmap) {
    Converted& entry = converted_[&bitmap];
    if (entry.pixels != bitmap.pixels.data() || entry.id != bitmap.id ||
        entry.image.width() != bitmap.width || entry.image.height() != bitmap.height) {
        entry.pixels = bitmap.pixels.data();
        entry.id = bitmap.id;
        entry.image = toImage(bitmap);
    }
    return entry.image;
}

void RasterCanvas::blit(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y,
                        Mode mode) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) {
        return;
    }
    // Only the part of the source rectangle that lies inside the bitmap is transferred.
    const QRect source = QRect(sx, sy, w, h).intersected(QRect(0, 0, bitmap.width, bitmap.height));
    if (source.isEmpty()) {
        return;
    }
    const QPoint target(x + source.left() - sx, y + source.top() - sy);
    QPainter& p = painter(mode);
    if (p.isActive()) {
        p.drawImage(target, imageOf(bitmap), source);
    }
}

void RasterCanvas::fill(const Rect& r) {
    if (r.empty()) {
        return;
    }
    QPainter& p = painter(Mode::Copy);
    if (p.isActive()) {
        p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), Qt::white);
    }
}

void RasterCanvas::copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) {
    blit(bitmap, sx, sy, w, h, x, y, Mode::Copy);
}

void RasterCanvas::andBlit(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) {
    blit(bitmap, sx, sy, w, h, x, y, Mode::And);
}

void RasterCanvas::line(int x1, int y1, int x2, int y2) {
    QPainter& p = painter(Mode::Copy);
    if (p.isActive()) {
        // Qt covers [start, end) only for lines running right or down; a line running left or
        // up is moved by one pixel so that there too the start point is drawn and the end is not.
        const int dx = x2 < x1 ? 1 : 0;
        const int dy = y2 < y1 ? 1 : 0;
        p.drawLine(QPoint(x1 + dx, y1 + dy), QPoint(x2 + dx, y2 + dy));
    }
}

void RasterCanvas::ellipse(int l, int t, int r, int b) {
    QPainter& p = painter(Mode::Copy);
    if (p.isActive()) {
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(l, t, r - l - 1, b - t - 1));
    }
}

void RasterCanvas::arc(int l, int t, int r, int b) {
    QPainter& p = painter(Mode::Copy);
    if (p.isActive()) {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
    }
}

void RasterCanvas::text(int x, int y, std::string_view s) {
    QPainter& p = painter(Mode::Copy);
    if (p.isActive() && !s.empty()) {
        p.drawText(QPoint(x, y + p.fontMetrics().ascent()),
                   QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())));
    }
}

void writePng(const RasterCanvas& canvas, int width, int height, const std::string& path) {
    const QImage& picture = canvas.image();
    const QImage area = picture.copy(0, 0, width, height);
    QImageWriter writer(QString::fromStdString(path), "png");
    if (area.isNull() || !writer.write(area)) {
        throw std::runtime_error("cannot write the image " + path + ": " +
                                 (area.isNull() ? std::string("the picture is empty")
                                                : writer.errorString().toStdString()));
    }
}

}  // namespace corvane
