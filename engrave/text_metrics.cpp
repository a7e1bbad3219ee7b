#include "engrave/text_metrics.h"

#include <array>

namespace corvane::engrave {

namespace {

constexpr int kFirst = 32;
constexpr int kLast = 126;
constexpr double kDigitWidth = 0.556;

// Advance widths in thousandths of an em for the characters 32..126, from the fonts' AFM files
// (Italic has Regular's widths).
// clang-format off
constexpr std::array<short, kLast - kFirst + 1> kRegular{
    278, 278, 355, 556, 556, 889, 667, 222, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    222, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,
};
constexpr std::array<short, kLast - kFirst + 1> kBold{
    278, 333, 474, 556, 556, 889, 722, 278, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
    278, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584,
};
// clang-format on

}  // namespace

double textWidthEm(std::string_view text, TextFace face) {
    const auto& widths = face == TextFace::Bold ? kBold : kRegular;
    double width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= kFirst && byte <= kLast) {
            width += widths[byte - kFirst] / 1000.0;
        } else if (byte >= 0xC0 || byte < kFirst) {
            // The first byte of a multi-byte character (continuation bytes add nothing).
            width += kDigitWidth;
        }
    }
    return width;
}

}  // namespace corvane::engrave
