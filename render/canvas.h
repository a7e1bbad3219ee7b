#pragma once
// The drawing layer: the few operations the painter needs, on an off-screen picture.
// Implementations: a raster one on a QImage (render/qt) and a recording one that writes the
// display list.

#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane {

// A rectangle in client pixels; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A picture to draw: `id` names it in display lists, pixels are 0xRRGGBB, row-major.
struct Bitmap {
    int id = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // Makes the picture at least w x h pixels; its old content need not survive.
    virtual void resize(int width, int height) = 0;
    // Fills r with white.
    virtual void fill(const Rect& r) = 0;
    // Copies w x h pixels of `bitmap` from (sx, sy) to (x, y) unchanged.
    virtual void copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) = 0;
    // Combines w x h pixels of `bitmap` from (sx, sy) with the picture at (x, y) by bitwise AND.
    virtual void multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x,
                                int y) = 0;
    // A line with the 2-pixel black pen and flat caps; the end point is not drawn.
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    // A black-filled ellipse with a black outline in the box (l, t, r, b).
    virtual void ellipse(int l, int t, int r, int b) = 0;
    // The whole outline of the ellipse in the box, inside left as it is.
    virtual void arc(int l, int t, int r, int b) = 0;
    // Text in the default font, black on an opaque white background, top-left at (x, y).
    virtual void text(int x, int y, std::string_view s) = 0;
};

}  // namespace corvane
