#pragma once
// Drawing in staff spaces: one staff's music (or a system's frame) is drawn around the staff's
// middle line, y pointing down, and placed on a page once the staff size and the staff's place
// are known. The sketch keeps how far its ink reaches above and below, for spacing the staves.

#include <limits>
#include <string>

#include "engrave/page.h"

namespace corvane::engrave {

class Sketch {
  public:
    // A glyph with its origin at (x, y), at `scale` times the normal size (an em of 4 spaces).
    void glyph(Sym sym, double x, double y, double scale = 1.0);
    void line(double x1, double y1, double x2, double y2, double thickness);
    void quad(const std::array<PagePoint, 4>& corners);
    void curve(const CubicCurve& outer, const CubicCurve& inner);
    // Text whose size is in staff spaces.
    void text(std::string text, double x, double y, double size, TextFace face, TextAlign align);

    // The highest and lowest y any ink reaches; both 0 while the sketch is empty.
    double top() const { return empty() ? 0 : top_; }
    double bottom() const { return empty() ? 0 : bottom_; }
    bool empty() const { return top_ > bottom_; }

    // Appends everything to `page`: the sketch's (x, y) lands at origin + (x, y) * space points.
    void placeOn(Page& page, PagePoint origin, double space) const;

    const Page& items() const { return items_; }

  private:
    void reach(double y1, double y2);

    Page items_;
    double top_ = std::numeric_limits<double>::max();
    double bottom_ = std::numeric_limits<double>::lowest();
};

}  // namespace corvane::engrave
