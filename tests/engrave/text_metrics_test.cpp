// The text widths the layout uses against the fonts' own metrics files, and staff names.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "engrave/staff_names.h"
#include "engrave/text_metrics.h"

namespace corvane::engrave {
namespace {

void expectWidthsOf(const std::string& afm, TextFace face) {
    std::ifstream in(std::string(CORVANE_PRINT_TEXT_AFM_DIR) + "/" + afm);
    ASSERT_TRUE(in) << afm;
    const std::regex entry(R"(^C (\d+) ; WX (\d+) ;)");
    int checked = 0;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, entry)) {
            const int code = std::stoi(m[1]);
            if (code >= 32 && code <= 126) {
                EXPECT_DOUBLE_EQ(textWidthEm(std::string(1, static_cast<char>(code)), face),
                                 std::stoi(m[2]) / 1000.0)
                    << afm << " character " << code;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 95);
}

TEST(TextMetrics, MatchTheFontMetricsFiles) {
    expectWidthsOf("NimbusSans-Regular.afm", TextFace::Regular);
    expectWidthsOf("NimbusSans-Bold.afm", TextFace::Bold);
    expectWidthsOf("NimbusSans-Italic.afm", TextFace::Italic);
    EXPECT_DOUBLE_EQ(textWidthEm("é", TextFace::Regular), textWidthEm("0", TextFace::Regular));
}

TEST(StaffNames, ShortenedAsPlayersKnowThem) {
    EXPECT_EQ(shortStaffName("Piano"), "Pno.");
    EXPECT_EQ(shortStaffName("Electric Piano 2"), "El. Pno. 2");
    EXPECT_EQ(shortStaffName("Tubular Bells"), "Tub. Bel.");
    EXPECT_EQ(shortStaffName("Slap Bass 2"), "Slap Bass 2");
    EXPECT_EQ(shortStaffName("FX Goblins"), "FX Gob.");
    Track drums;
    drums.kind = Drums;
    EXPECT_EQ(fullStaffName(drums), "Drums");
    Track violin;
    violin.program = 40;
    EXPECT_EQ(shortStaffName(fullStaffName(violin)), "Vln.");
}

}  // namespace
}  // namespace corvane::engrave
