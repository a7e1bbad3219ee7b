#pragma once
// The drawing surface of a printed page: music glyphs by their SMuFL code point, straight lines,
// filled shapes and curves for beams and ties, and text. Coordinates are points (1/72 inch)
// from the page's top-left corner, y pointing down. Implementations: the Qt one over QPdfWriter
// and QPrinter (engrave/qt), and a recording one in the tests.

#include <array>
#include <cstdint>
#include <string_view>

#include "engrave/text_metrics.h"

namespace corvane::engrave {

struct PagePoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const PagePoint&, const PagePoint&) = default;
};

// A cubic Bézier curve.
struct CubicCurve {
    PagePoint start;
    PagePoint control1;
    PagePoint control2;
    PagePoint end;
};

enum class TextAlign : std::uint8_t { Left, Center, Right };

class PageCanvas {
  public:
    virtual ~PageCanvas() = default;

    // A glyph of the music font with its origin at `origin`, the font set at `em` points (a
    // SMuFL font's em is four staff spaces).
    virtual void glyph(char32_t codePoint, PagePoint origin, double em) = 0;
    // A straight black line of `thickness` points with flat ends.
    virtual void line(PagePoint from, PagePoint to, double thickness) = 0;
    // A black four-cornered shape, corners in order around it (a beam).
    virtual void quad(const std::array<PagePoint, 4>& corners) = 0;
    // The black area between two curves (a tie): along `outer`, straight to the end of `inner`,
    // back along `inner` and straight back to the start.
    virtual void curve(const CubicCurve& outer, const CubicCurve& inner) = 0;
    // UTF-8 text in Nimbus Sans of `face` at `size` points, its baseline at at.y and its left
    // end, middle or right end (by `align`) at at.x.
    virtual void text(std::string_view text, PagePoint at, double size, TextFace face,
                      TextAlign align) = 0;
    // The page is complete: what an implementation held back to draw in batches is drawn now.
    virtual void endPage() {}
};

}  // namespace corvane::engrave
