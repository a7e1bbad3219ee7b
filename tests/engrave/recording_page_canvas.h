#pragma once
// The test double of the page canvas: it keeps what was drawn, to count and look at.

#include <string>
#include <vector>

#include "engrave/page_canvas.h"

namespace corvane::testing {

class RecordingPageCanvas final : public engrave::PageCanvas {
  public:
    struct Glyph {
        char32_t codePoint;
        engrave::PagePoint origin;
        double em;
    };
    struct Text {
        std::string text;
        engrave::PagePoint at;
        double size;
    };

    void glyph(char32_t codePoint, engrave::PagePoint origin, double em) override {
        glyphs.push_back({codePoint, origin, em});
    }
    void line(engrave::PagePoint, engrave::PagePoint, double) override { ++lines; }
    void quad(const std::array<engrave::PagePoint, 4>&) override { ++quads; }
    void curve(const engrave::CubicCurve&, const engrave::CubicCurve&) override { ++curves; }
    void text(std::string_view text, engrave::PagePoint at, double size, engrave::TextFace,
              engrave::TextAlign) override {
        texts.push_back({std::string(text), at, size});
    }
    void endPage() override { ++pages; }

    // Glyphs whose code point lies in [first, last].
    std::size_t count(char32_t first, char32_t last) const {
        std::size_t n = 0;
        for (const Glyph& g : glyphs) {
            n += g.codePoint >= first && g.codePoint <= last ? 1 : 0;
        }
        return n;
    }
    std::size_t count(char32_t codePoint) const { return count(codePoint, codePoint); }
    bool hasText(const std::string& wanted) const {
        for (const Text& t : texts) {
            if (t.text == wanted) {
                return true;
            }
        }
        return false;
    }

    std::vector<Glyph> glyphs;
    std::vector<Text> texts;
    int lines = 0;
    int quads = 0;
    int curves = 0;
    int pages = 0;
};

}  // namespace corvane::testing
