#pragma once
// The glyphs compiled into the program (clefs, accidentals, rests, the toolbar strip and its
// highlights, the icon), the reader of their text form (XPM), and a loaded set of them.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>

#include "render/canvas.h"

namespace corvane {

enum class Glyph {
    AppIcon,
    TrebleClef,
    BassClef,
    DrumClef,
    Sharp,
    Flat,
    Natural,
    FlagDown,
    FlagUp,
    MeterDigit3,
    MeterDigit4,
    MeterDigit5,
    OttavaUp,
    OttavaDown,
    HighlightLocked,
    HighlightPending,
    Toolbar,
    Triplet,
    WholeRest,
    HalfRest,
    QuarterRest,
    EighthRest,
    SixteenthRest,
    ThirtySecondRest,
    Tie,
    // The digits of a meter other than 3, 4 or 5, in order from 0 to 9.
    MeterFigure0,
    MeterFigure1,
    MeterFigure2,
    MeterFigure3,
    MeterFigure4,
    MeterFigure5,
    MeterFigure6,
    MeterFigure7,
    MeterFigure8,
    MeterFigure9,
};

inline constexpr std::size_t kGlyphCount = static_cast<std::size_t>(Glyph::MeterFigure9) + 1;

// The glyph of digit `d` (0..9) of a meter other than 3, 4 or 5.
inline Glyph meterFigure(int d) {
    return static_cast<Glyph>(static_cast<int>(Glyph::MeterFigure0) + d);
}

// Every glyph, in ascending order of display id.
std::span<const Glyph> allGlyphs();

// The number that names `glyph` in display lists (the `copy` and `and` lines); it is also the
// `id` of its Bitmap.
int displayId(Glyph glyph);

// The compiled-in image of `glyph`; nullopt only if it were malformed.
std::optional<Bitmap> loadGlyph(Glyph glyph);

// Reads an XPM image given as its strings (header, colour table, pixel rows) into a Bitmap with
// `id`. Only "c #RRGGBB" colours are understood; anything malformed gives nullopt.
std::optional<Bitmap> parseXpm(int id, std::span<const char* const> rows);

// One Bitmap per glyph; a glyph not loaded is an empty Bitmap, which draws nothing.
class Glyphs {
  public:
    const Bitmap& operator[](Glyph glyph) const { return bitmaps_[index(glyph)]; }
    Bitmap& operator[](Glyph glyph) { return bitmaps_[index(glyph)]; }

  private:
    static std::size_t index(Glyph glyph) { return static_cast<std::size_t>(glyph); }

    std::array<Bitmap, kGlyphCount> bitmaps_;
};

}  // namespace corvane
