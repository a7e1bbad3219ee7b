#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "render/glyphs.h"

namespace corvane {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

// The glyph with display id `id`, loaded.
Bitmap load(int id) {
    for (const Glyph glyph : allGlyphs()) {
        if (displayId(glyph) == id) {
            if (std::optional<Bitmap> bitmap = loadGlyph(glyph)) {
                return *bitmap;
            }
        }
    }
    ADD_FAILURE() << "bitmap " << id << " missing";
    return Bitmap{id, 1, 1, {kWhite}};
}

std::uint32_t at(const Bitmap& b, int x, int y) {
    return b.pixels[static_cast<std::size_t>(y) * b.width + x];
}

bool ink(const Bitmap& b, int x, int y) {
    return at(b, x, y) != kWhite;
}

bool rowHasInk(const Bitmap& b, int y, int x0 = 0, int x1 = -1) {
    if (x1 < 0) {
        x1 = b.width - 1;
    }
    for (int x = x0; x <= x1; ++x) {
        if (ink(b, x, y)) {
            return true;
        }
    }
    return false;
}

// First and last rows holding any ink.
std::pair<int, int> inkRows(const Bitmap& b) {
    int first = -1;
    int last = -1;
    for (int y = 0; y < b.height; ++y) {
        if (rowHasInk(b, y)) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    return {first, last};
}

TEST(Bitmaps, EveryResourceHasItsSize) {
    const std::pair<int, std::pair<int, int>> sizes[] = {
        {101, {32, 32}}, {128, {272, 19}}, {126, {16, 23}}, {127, {16, 23}}, {107, {30, 71}},
        {120, {30, 71}}, {140, {30, 71}},  {109, {14, 19}}, {110, {14, 19}}, {119, {14, 19}},
        {115, {14, 7}},  {114, {14, 7}},   {129, {6, 11}},  {124, {16, 10}}, {125, {16, 10}},
        {122, {15, 18}}, {121, {15, 18}},  {123, {15, 18}}, {130, {12, 40}}, {131, {12, 40}},
        {132, {12, 40}}, {133, {12, 40}},  {134, {12, 40}}, {135, {12, 40}}, {139, {16, 5}},
        {150, {15, 18}}, {151, {15, 18}},  {152, {15, 18}}, {153, {15, 18}}, {154, {15, 18}},
        {155, {15, 18}}, {156, {15, 18}},  {157, {15, 18}}, {158, {15, 18}}, {159, {15, 18}},
    };
    std::set<int> listed;
    for (const auto& [id, size] : sizes) {
        SCOPED_TRACE(id);
        const Bitmap b = load(id);
        EXPECT_EQ(b.id, id);
        EXPECT_EQ(b.width, size.first);
        EXPECT_EQ(b.height, size.second);
        EXPECT_EQ(b.pixels.size(), static_cast<std::size_t>(size.first * size.second));
        listed.insert(id);
    }
    // Every glyph has its own id, and the table above names them all.
    std::set<int> ids;
    for (const Glyph glyph : allGlyphs()) {
        ids.insert(displayId(glyph));
    }
    EXPECT_EQ(ids, listed);
    EXPECT_EQ(allGlyphs().size(), listed.size());
    EXPECT_EQ(allGlyphs().size(), kGlyphCount);
}

TEST(Bitmaps, GlyphsAreBlackInkOnWhitePaper) {
    for (const Glyph glyph : allGlyphs()) {
        const int id = displayId(glyph);
        if (id == 101 || id == 126 || id == 127 || id == 128) {
            continue;
        }
        SCOPED_TRACE(id);
        const Bitmap b = load(id);
        EXPECT_TRUE(std::all_of(b.pixels.begin(), b.pixels.end(),
                                [](std::uint32_t p) { return p == kWhite || p == kBlack; }));
        EXPECT_NE(inkRows(b).first, -1) << "blank glyph";
    }
}

// The narrow meter digits keep to columns 3..11 and use every row of the wide ones, so that two
// of them 10 pixels apart leave a clear column between them and line up with the 4 below.
TEST(Bitmaps, NarrowMeterDigitsLeaveRoomForTheirNeighbour) {
    const Bitmap wide = load(121);
    for (int id = 150; id <= 159; ++id) {
        SCOPED_TRACE(id);
        const Bitmap b = load(id);
        for (int y = 0; y < b.height; ++y) {
            EXPECT_FALSE(rowHasInk(b, y, 0, 2)) << "row " << y;
            EXPECT_FALSE(rowHasInk(b, y, 12, 14)) << "row " << y;
        }
        EXPECT_EQ(inkRows(b), inkRows(wide));
    }
}

TEST(Bitmaps, HighlightsAreSolidColourFields) {
    for (const auto& [id, colour] : {std::pair{126, 0x00BF00u}, std::pair{127, 0xFDDD00u}}) {
        const Bitmap b = load(id);
        EXPECT_TRUE(std::all_of(b.pixels.begin(), b.pixels.end(), [c = colour](std::uint32_t p) {
            return p == c;
        })) << id;
    }
}

TEST(Bitmaps, ToolbarHasSeventeenIconsWithAGreenPlayTriangle) {
    const Bitmap strip = load(128);
    for (int icon = 0; icon < 17; ++icon) {
        SCOPED_TRACE(icon);
        bool anyInk = false;
        bool green = false;
        for (int y = 0; y < strip.height; ++y) {
            for (int x = icon * 16; x < icon * 16 + 16; ++x) {
                const std::uint32_t p = at(strip, x, y);
                anyInk = anyInk || p == kBlack;
                green = green || p == 0x00FF00;
                EXPECT_TRUE(p == kWhite || p == kBlack || (icon == 14 && p == 0x00FF00));
            }
        }
        EXPECT_TRUE(anyInk);
        EXPECT_EQ(green, icon == 14);
    }
    // The play triangle's green is enclosed: every green pixel has black or green to its left
    // and right within the icon.
    for (int y = 0; y < strip.height; ++y) {
        for (int x = 224; x < 240; ++x) {
            if (at(strip, x, y) == 0x00FF00) {
                EXPECT_NE(at(strip, x - 1, y), kWhite);
                EXPECT_NE(at(strip, x + 1, y), kWhite);
            }
        }
    }
}

TEST(Bitmaps, RestsSitOnTheirRows) {
    const struct {
        int id;
        int first;
        int last;
    } rests[] = {{130, 11, 15}, {131, 15, 19}, {132, 8, 24},
                 {133, 12, 22}, {134, 12, 22}, {135, 12, 22}};
    for (const auto& rest : rests) {
        SCOPED_TRACE(rest.id);
        EXPECT_EQ(inkRows(load(rest.id)), std::pair(rest.first, rest.last));
    }
    // The whole and half rests are solid 10 x 5 blocks.
    for (const auto& [id, top] : {std::pair{130, 11}, std::pair{131, 15}}) {
        const Bitmap b = load(id);
        int count = 0;
        for (int y = top; y < top + 5; ++y) {
            for (int x = 0; x < b.width; ++x) {
                count += ink(b, x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(count, 50) << id;
    }
}

TEST(Bitmaps, DrumClefIsAHollowRectangle) {
    const Bitmap b = load(140);
    EXPECT_EQ(inkRows(b), std::pair(14, 53));
    for (int y = 14; y <= 53; ++y) {
        int left = -1;
        int right = -1;
        int count = 0;
        for (int x = 0; x < b.width; ++x) {
            if (ink(b, x, y)) {
                left = left < 0 ? x : left;
                right = x;
                ++count;
            }
        }
        ASSERT_EQ(right - left + 1, 12) << y;
        const bool wall = y < 17 || y > 50;
        EXPECT_EQ(count, wall ? 12 : 6) << y;
    }
}

TEST(Bitmaps, BassClefStartsOnTheTopLineWithDotsAroundTheFourthLine) {
    const Bitmap b = load(120);
    EXPECT_EQ(inkRows(b).first, 14);
    // The dots: the ink right of the body lies above and below row 24, never on it.
    bool above = false;
    bool below = false;
    for (int y = 0; y < b.height; ++y) {
        if (rowHasInk(b, y, 24)) {
            EXPECT_TRUE((y >= 15 && y <= 22) || (y >= 26 && y <= 33)) << y;
            above = above || y < 24;
            below = below || y > 24;
        }
    }
    EXPECT_TRUE(above);
    EXPECT_TRUE(below);
}

TEST(Bitmaps, TrebleClefSpiralsAroundTheSecondLine) {
    const Bitmap b = load(107);
    const auto [first, last] = inkRows(b);
    EXPECT_LT(first, 14);  // reaches above the staff ...
    EXPECT_GT(last, 54);   // ... and below it
    // Around the spiral's centre on row 44 the curl closes: walking out from the stem in every
    // direction along row 44 and up and down the centre column meets ink within 12 pixels.
    const int cx = 15;
    for (const auto& [dx, dy] :
         {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
        bool met = false;
        for (int step = 4; step <= 12 && !met; ++step) {
            met = ink(b, cx + dx * step, 44 + dy * step);
        }
        EXPECT_TRUE(met) << dx << ',' << dy;
    }
}

// Rows 9 and 10 (where the altered line or space lies) are open between the bars of a sharp
// and a natural, with a bar above and below.
TEST(Bitmaps, SharpAndNaturalEncloseRowTen) {
    for (const int id : {109, 119}) {
        SCOPED_TRACE(id);
        const Bitmap b = load(id);
        for (const int x : {6, 7}) {
            EXPECT_FALSE(ink(b, x, 9));
            EXPECT_FALSE(ink(b, x, 10));
            bool barAbove = false;
            bool barBelow = false;
            for (int y = 5; y <= 8; ++y) {
                barAbove = barAbove || ink(b, x, y);
            }
            for (int y = 11; y <= 14; ++y) {
                barBelow = barBelow || ink(b, x, y);
            }
            EXPECT_TRUE(barAbove);
            EXPECT_TRUE(barBelow);
        }
    }
}

TEST(Bitmaps, FlatBowlIsCentredOnRowTwelve) {
    const Bitmap b = load(110);
    // On row 12 the bowl is open: stem ink, then paper, then the bowl's right side.
    int transitions = 0;
    for (int x = 1; x < b.width; ++x) {
        transitions += ink(b, x, 12) != ink(b, x - 1, 12) ? 1 : 0;
    }
    EXPECT_EQ(transitions, 4);
    // The bowl's rows (where ink reaches right of the stem) are balanced around row 12.
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < b.height; ++y) {
        if (rowHasInk(b, y, 8)) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    EXPECT_LE(std::abs((top + bottom) - 24), 2) << top << ' ' << bottom;
}

TEST(Bitmaps, FlagsSweepFromTheStemSide) {
    const Bitmap up = load(115);
    const Bitmap down = load(114);
    EXPECT_TRUE(ink(up, 0, 0));         // starts top left ...
    EXPECT_TRUE(rowHasInk(up, 6, 10));  // ... ends bottom right
    EXPECT_FALSE(rowHasInk(up, 6, 0, 5));
    EXPECT_TRUE(ink(down, 0, 6));         // starts bottom left ...
    EXPECT_TRUE(rowHasInk(down, 0, 10));  // ... ends top right
    EXPECT_FALSE(rowHasInk(down, 0, 0, 5));
}

TEST(Bitmaps, OttavaBracketsRunAlongTheirEdge) {
    const Bitmap up = load(124);
    const Bitmap down = load(125);
    EXPECT_TRUE(rowHasInk(up, 0, 8, 15));
    EXPECT_TRUE(ink(up, 15, 3));
    EXPECT_FALSE(rowHasInk(up, 9, 8, 15));
    EXPECT_TRUE(rowHasInk(down, 9, 8, 15));
    EXPECT_TRUE(ink(down, 15, 6));
    EXPECT_FALSE(rowHasInk(down, 0, 8, 15));
}

TEST(Bitmaps, TieIsOpenDownwards) {
    const Bitmap b = load(139);
    EXPECT_TRUE(rowHasInk(b, 0, 5, 10));  // the crown in the middle
    EXPECT_FALSE(rowHasInk(b, 4, 5, 10));
    EXPECT_TRUE(ink(b, 0, 4));  // the ends at the bottom
    EXPECT_TRUE(ink(b, 15, 4));
}

TEST(Xpm, ReadsColoursAndRows) {
    const char* const xpm[] = {"3 2 3 1",     ". c #FFFFFF", "# c #000000",
                               "g c #00bf00", ".#g",         "g#."};
    const std::optional<Bitmap> b = parseXpm(7, xpm);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->id, 7);
    EXPECT_EQ(b->pixels,
              (std::vector<std::uint32_t>{kWhite, kBlack, 0x00BF00, 0x00BF00, kBlack, kWhite}));
    const char* const twoChars[] = {"2 1 2 2", "aa c #000001", "ab c #000002", "abaa"};
    const std::optional<Bitmap> wide = parseXpm(1, twoChars);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->pixels, (std::vector<std::uint32_t>{2, 1}));
}

TEST(Xpm, RefusesMalformedImages) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"2 1 1"},                                        // short header
        {"0 1 1 1", ". c #FFFFFF", ""},                   // no width
        {"2 1 1 1", ". c #FFFFFF"},                       // missing row
        {"2 1 1 1", ". c #FFFFFF", "..", ".."},           // extra row
        {"2 1 1 1", ". c #FFFFFF", "."},                  // short row
        {"2 1 1 1", ". c #FFFFFF", ".x"},                 // unknown key
        {"2 1 1 1", ". c None", ".."},                    // unsupported colour
        {"2 1 1 1", ". c #FFFFF", ".."},                  // short colour
        {"2 1 1 1", ". c #GGGGGG", ".."},                 // not hex
        {"2 1 2 1", ". c #FFFFFF", ". c #000000", ".."},  // key twice
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(parseXpm(1, bad[i])) << i;
    }
}

}  // namespace
}  // namespace corvane
