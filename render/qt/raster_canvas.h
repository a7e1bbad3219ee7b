#pragma once
// The canvas the editor window shows: an RGB32 QImage painted with QPainter, antialiasing off,
// so that every operation lands on the same pixels on every machine. Needs a QGuiApplication.

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "render/canvas.h"

namespace corvane {

class RasterCanvas final : public Canvas {
  public:
    // A white picture of width x height pixels (none when either is 0).
    explicit RasterCanvas(int width = 0, int height = 0);
    ~RasterCanvas() override;
    RasterCanvas(const RasterCanvas&) = delete;
    RasterCanvas& operator=(const RasterCanvas&) = delete;

    // Replaces the picture by a white one of exactly width x height pixels.
    void resize(int width, int height) override;
    void fill(const Rect& r) override;
    void copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void andBlit(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void line(int x1, int y1, int x2, int y2) override;
    void ellipse(int l, int t, int r, int b) override;
    void arc(int l, int t, int r, int b) override;
    void text(int x, int y, std::string_view s) override;

    // The whole picture with every operation so far applied.
    const QImage& image() const;

  private:
    enum class Mode { Copy, And };
    // The painter stays open across operations (opening it costs more than most operations)
    // and is closed whenever the picture is read.
    QPainter& painter(Mode mode);
    void blit(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y, Mode mode);
    const QImage& imageOf(const Bitmap& bitmap);

    struct Converted {
        const std::uint32_t* pixels = nullptr;  // the buffer it was made from
        int id = 0;
        QImage image;
    };

    QImage image_;
    mutable QPainter painter_;
    Mode mode_ = Mode::Copy;
    // Bitmaps are fixed once loaded, so each is converted to a QImage once; a bitmap whose
    // buffer changed is converted again.
    std::unordered_map<const Bitmap*, Converted> converted_;
};

// The font every text operation uses: Nimbus Sans Bold at 11 pixels, read from its file so that
// text looks the same wherever the program runs. Needs a QGuiApplication.
QFont textFont();

// Writes the top-left width x height pixels of the picture as a PNG file; throws
// std::runtime_error with a readable message when the file cannot be written.
void writePng(const RasterCanvas& canvas, int width, int height, const std::string& path);

}  // namespace corvane
