#include "render/glyphs.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

namespace corvane {

namespace {

// The XPM files are C source: each defines one array of strings.
#include "render/glyphs/app_icon.xpm"
#include "render/glyphs/bass_clef.xpm"
#include "render/glyphs/drum_clef.xpm"
#include "render/glyphs/eighth_rest.xpm"
#include "render/glyphs/flag_down.xpm"
#include "render/glyphs/flag_up.xpm"
#include "render/glyphs/flat.xpm"
#include "render/glyphs/half_rest.xpm"
#include "render/glyphs/highlight_locked.xpm"
#include "render/glyphs/highlight_pending.xpm"
#include "render/glyphs/meter_digit_3.xpm"
#include "render/glyphs/meter_digit_4.xpm"
#include "render/glyphs/meter_digit_5.xpm"
#include "render/glyphs/meter_digit_narrow_0.xpm"
#include "render/glyphs/meter_digit_narrow_1.xpm"
#include "render/glyphs/meter_digit_narrow_2.xpm"
#include "render/glyphs/meter_digit_narrow_3.xpm"
#include "render/glyphs/meter_digit_narrow_4.xpm"
#include "render/glyphs/meter_digit_narrow_5.xpm"
#include "render/glyphs/meter_digit_narrow_6.xpm"
#include "render/glyphs/meter_digit_narrow_7.xpm"
#include "render/glyphs/meter_digit_narrow_8.xpm"
#include "render/glyphs/meter_digit_narrow_9.xpm"
#include "render/glyphs/natural.xpm"
#include "render/glyphs/ottava_down.xpm"
#include "render/glyphs/ottava_up.xpm"
#include "render/glyphs/quarter_rest.xpm"
#include "render/glyphs/sharp.xpm"
#include "render/glyphs/sixteenth_rest.xpm"
#include "render/glyphs/thirty_second_rest.xpm"
#include "render/glyphs/tie.xpm"
#include "render/glyphs/toolbar.xpm"
#include "render/glyphs/treble_clef.xpm"
#include "render/glyphs/triplet.xpm"
#include "render/glyphs/whole_rest.xpm"

// The one table of glyph numbers: each glyph's display-list id and its XPM image, in ascending
// order of id.
struct GlyphEntry {
    Glyph glyph;
    int id;
    std::span<const char* const> xpm;
};

constexpr std::array kGlyphTable{
    GlyphEntry{Glyph::AppIcon, 101, app_icon},
    GlyphEntry{Glyph::TrebleClef, 107, treble_clef},
    GlyphEntry{Glyph::Sharp, 109, sharp},
    GlyphEntry{Glyph::Flat, 110, flat},
    GlyphEntry{Glyph::FlagDown, 114, flag_down},
    GlyphEntry{Glyph::FlagUp, 115, flag_up},
    GlyphEntry{Glyph::Natural, 119, natural},
    GlyphEntry{Glyph::BassClef, 120, bass_clef},
    GlyphEntry{Glyph::MeterDigit4, 121, meter_digit_4},
    GlyphEntry{Glyph::MeterDigit3, 122, meter_digit_3},
    GlyphEntry{Glyph::MeterDigit5, 123, meter_digit_5},
    GlyphEntry{Glyph::OttavaUp, 124, ottava_up},
    GlyphEntry{Glyph::OttavaDown, 125, ottava_down},
    GlyphEntry{Glyph::HighlightLocked, 126, highlight_locked},
    GlyphEntry{Glyph::HighlightPending, 127, highlight_pending},
    GlyphEntry{Glyph::Toolbar, 128, toolbar},
    GlyphEntry{Glyph::Triplet, 129, triplet},
    GlyphEntry{Glyph::WholeRest, 130, whole_rest},
    GlyphEntry{Glyph::HalfRest, 131, half_rest},
    GlyphEntry{Glyph::QuarterRest, 132, quarter_rest},
    GlyphEntry{Glyph::EighthRest, 133, eighth_rest},
    GlyphEntry{Glyph::SixteenthRest, 134, sixteenth_rest},
    GlyphEntry{Glyph::ThirtySecondRest, 135, thirty_second_rest},
    GlyphEntry{Glyph::Tie, 139, tie},
    GlyphEntry{Glyph::DrumClef, 140, drum_clef},
    GlyphEntry{Glyph::MeterFigure0, 150, meter_digit_narrow_0},
    GlyphEntry{Glyph::MeterFigure1, 151, meter_digit_narrow_1},
    GlyphEntry{Glyph::MeterFigure2, 152, meter_digit_narrow_2},
    GlyphEntry{Glyph::MeterFigure3, 153, meter_digit_narrow_3},
    GlyphEntry{Glyph::MeterFigure4, 154, meter_digit_narrow_4},
    GlyphEntry{Glyph::MeterFigure5, 155, meter_digit_narrow_5},
    GlyphEntry{Glyph::MeterFigure6, 156, meter_digit_narrow_6},
    GlyphEntry{Glyph::MeterFigure7, 157, meter_digit_narrow_7},
    GlyphEntry{Glyph::MeterFigure8, 158, meter_digit_narrow_8},
    GlyphEntry{Glyph::MeterFigure9, 159, meter_digit_narrow_9},
};
static_assert(
    [] {
        std::array<int, kGlyphCount> rows{};
        for (const GlyphEntry& entry : kGlyphTable) {
            ++rows[static_cast<std::size_t>(entry.glyph)];
        }
        for (const int count : rows) {
            if (count != 1) {
                return false;
            }
        }
        return true;
    }(),
    "every glyph has exactly one row");

constexpr auto kAllGlyphs = [] {
    std::array<Glyph, kGlyphTable.size()> glyphs{};
    for (std::size_t i = 0; i < kGlyphTable.size(); ++i) {
        glyphs[i] = kGlyphTable[i].glyph;
    }
    return glyphs;
}();

const GlyphEntry& entryOf(Glyph glyph) {
    for (const GlyphEntry& entry : kGlyphTable) {
        if (entry.glyph == glyph) {
            return entry;
        }
    }
    // Not reached: every glyph has its row.
    return kGlyphTable.front();
}

std::optional<std::uint32_t> parseColour(std::string_view entry) {
    // `entry` is the rest of a colour line after the pixel key: "c #RRGGBB".
    std::istringstream in{std::string(entry)};
    std::string kind;
    std::string value;
    if (!(in >> kind >> value) || kind != "c" || value.size() != 7 || value[0] != '#') {
        return std::nullopt;
    }
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(value.data() + 1, value.data() + 7, rgb, 16);
    if (error != std::errc() || end != value.data() + 7) {
        return std::nullopt;
    }
    return rgb;
}

}  // namespace

std::span<const Glyph> allGlyphs() {
    return kAllGlyphs;
}

int displayId(Glyph glyph) {
    return entryOf(glyph).id;
}

std::optional<Bitmap> parseXpm(int id, std::span<const char* const> rows) {
    if (rows.empty() || rows[0] == nullptr) {
        return std::nullopt;
    }
    std::istringstream header(rows[0]);
    int width = 0;
    int height = 0;
    int colours = 0;
    int charsPerPixel = 0;
    if (!(header >> width >> height >> colours >> charsPerPixel) || width <= 0 || height <= 0 ||
        colours <= 0 || charsPerPixel <= 0 || charsPerPixel > 4 ||
        rows.size() != 1 + static_cast<std::size_t>(colours) + static_cast<std::size_t>(height)) {
        return std::nullopt;
    }
    const auto cpp = static_cast<std::size_t>(charsPerPixel);
    std::map<std::string, std::uint32_t, std::less<>> palette;
    for (int c = 0; c < colours; ++c) {
        const std::string_view line = rows[1 + c];
        if (line.size() <= cpp) {
            return std::nullopt;
        }
        const std::optional<std::uint32_t> rgb = parseColour(line.substr(cpp));
        if (!rgb || !palette.emplace(std::string(line.substr(0, cpp)), *rgb).second) {
            return std::nullopt;
        }
    }
    Bitmap bitmap{id, width, height, {}};
    bitmap.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::string_view line = rows[1 + colours + y];
        if (line.size() != static_cast<std::size_t>(width) * cpp) {
            return std::nullopt;
        }
        for (std::size_t x = 0; x < line.size(); x += cpp) {
            const auto found = palette.find(line.substr(x, cpp));
            if (found == palette.end()) {
                return std::nullopt;
            }
            bitmap.pixels.push_back(found->second);
        }
    }
    return bitmap;
}

std::optional<Bitmap> loadGlyph(Glyph glyph) {
    const GlyphEntry& entry = entryOf(glyph);
    return parseXpm(entry.id, entry.xpm);
}

}  // namespace corvane
