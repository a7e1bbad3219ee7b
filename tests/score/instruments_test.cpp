// Instrument names.

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

#include "score/instruments.h"

namespace corvane {
namespace {

TEST(InstrumentName, NamesAsTheProgramSpellsThem) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "Piano"},
        {3, "Honky Tonk Piano"},
        {7, "Clavi"},
        {21, "Accordian"},
        {23, "Tango Accordian"},
        {32, "Accoustic Bass"},
        {53, "Choir Oohh"},
        {55, "Orchestral Hit"},
        {82, "Caliope"},
        {87, "Bass and Lead"},
        {103, "FX Star Theme"},
        {111, "Shanai"},
        {119, "Reverse Cymbal"},
        {120, "Guitar Fret Noise"},
        {126, "Applause"},
        {127, "Gunshot"},
    };
    for (const auto& [program, name] : cases) {
        EXPECT_EQ(instrumentName(program), name) << "program " << program;
    }
}

TEST(InstrumentName, EveryNumberOutsideTheTableIsGunshot) {
    for (const std::int32_t program : {128, 200, -1, -127, std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(instrumentName(program), "Gunshot") << "program " << program;
    }
}

TEST(InstrumentName, AllNamesAreDistinctAndPrintable) {
    std::set<std::string> names;
    for (std::int32_t program = 0; program < 128; ++program) {
        const std::string_view name = instrumentName(program);
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.data()[name.size()], '\0');
        for (const char c : name) {
            EXPECT_TRUE(c >= ' ' && c <= '~') << "program " << program;
        }
        names.insert(std::string(name));
    }
    EXPECT_EQ(names.size(), 128u);
}

}  // namespace
}  // namespace corvane
