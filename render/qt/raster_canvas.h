#pragma once
// The canvas the editor window shows: an RGB32 QImage. Rectangles, bitmap transfers and the
// straight lines of the score are written straight into the pixels; the shapes that need a
// rasteriser (ellipses, text, slanted lines) come from QPainter with antialiasing off, ellipses
// and text once per size or string and then reused, so that a full repaint stays fast and every
// operation lands on the same pixels on every machine. Text needs a QGuiApplication.

#include <QFont>
#include <QImage>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "render/canvas.h"

namespace corvane {

class RasterCanvas final : public Canvas {
  public:
    // A white picture of width x height pixels (none when either is 0).
    explicit RasterCanvas(int width = 0, int height = 0);

    // Replaces the picture by a white one of exactly width x height pixels.
    void resize(int width, int height) override;
    void fill(const Rect& r) override;
    void copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void line(int x1, int y1, int x2, int y2) override;
    void ellipse(int l, int t, int r, int b) override;
    void arc(int l, int t, int r, int b) override;
    void text(int x, int y, std::string_view s) override;

    const QImage& image() const { return image_; }

  private:
    // The black pixels of one ellipse shape, as runs along rows, relative to its box's
    // top-left corner.
    struct Run {
        int dy;
        int dx;
        int length;
    };
    using Shape = std::vector<Run>;

    void blackRect(int left, int top, int right, int bottom);  // right, bottom exclusive
    const Shape& ellipseShape(int w, int h, bool filled);
    void stamp(const Shape& shape, int x, int y);

    QImage image_;
    std::map<std::tuple<int, int, bool>, Shape> shapes_;
    std::unordered_map<std::string, QImage> textCells_;
};

// The font every text operation uses: Nimbus Sans Bold at 11 pixels, read from its file so that
// text looks the same wherever the program runs. Needs a QGuiApplication.
QFont textFont();

// Writes the top-left width x height pixels of the picture as a PNG file; throws
// std::runtime_error with a readable message when the file cannot be written.
void writePng(const RasterCanvas& canvas, int width, int height, const std::string& path);

}  // namespace corvane
