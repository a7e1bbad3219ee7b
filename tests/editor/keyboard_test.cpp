// Tool keys and their cycles as (state, keys) -> state tables, and the navigation keys.

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string_view>

#include "editor/keyboard_keys.h"
#include "editor/tool_rules.h"
#include "fake_window.h"

namespace corvane::test {
namespace {

using Tools = EntryTools;

// Builders for readable tables.
Tools with(Tools t, auto change) {
    change(t);
    return t;
}
const Tools kDefault{};
Tools duration(int d) {
    return with(kDefault, [d](Tools& t) { t.currentDuration = d; });
}
Tools accidental(Accidental a, bool locked) {
    return with(kDefault, [=](Tools& t) {
        t.pendingAccidental = a;
        t.accidentalLocked = locked;
    });
}
Tools octave(int o, bool locked) {
    return with(kDefault, [=](Tools& t) {
        t.pendingOctave = o;
        t.octaveLocked = locked;
    });
}
Tools tie(bool on, bool locked) {
    return with(kDefault, [=](Tools& t) {
        t.pendingTie = on;
        t.tieLocked = locked;
    });
}
Tools triplet(Tools base, bool on, bool locked) {
    base.pendingTriplet = on;
    base.tripletLocked = locked;
    return base;
}
Tools dots(Tools base, int n, bool locked, bool used = false) {
    base.pendingDots = n;
    base.dotsLocked = locked;
    base.dotsUsed = used;
    return base;
}

struct KeyCase {
    const char* name;
    Tools before;
    const char* keys;
    Tools after;
};

class ToolKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ToolKeys, Cycle) {
    const KeyCase c = GetParam();
    Tools tools = c.before;
    for (const char* k = c.keys; *k != '\0'; ++k) {
        EXPECT_TRUE(applyToolKey(tools, static_cast<char32_t>(*k))) << *k;
    }
    EXPECT_EQ(tools, c.after) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToolKeys,
    ::testing::Values(
        // Note values, in either case; each clears dots, only z clears the triplet.
        KeyCase{"z", kDefault, "z", duration(1)}, KeyCase{"x", kDefault, "x", duration(2)},
        KeyCase{"C", duration(8), "C", duration(4)}, KeyCase{"v", kDefault, "v", duration(8)},
        KeyCase{"B", kDefault, "B", duration(16)}, KeyCase{"n", kDefault, "n", duration(32)},
        KeyCase{"x clears dots", dots(kDefault, 1, true, true), "x", duration(2)},
        KeyCase{"x keeps triplet", triplet(kDefault, true, true), "x",
                triplet(duration(2), true, true)},
        KeyCase{"z ends triplet", triplet(kDefault, true, false), "z", duration(1)},
        // Value cycles.
        KeyCase{"s", kDefault, "s", accidental(Sharp, false)},
        KeyCase{"ss", kDefault, "ss", accidental(Sharp, true)},
        KeyCase{"sss", kDefault, "sss", kDefault},
        KeyCase{"S upper case", kDefault, "SS", accidental(Sharp, true)},
        KeyCase{"sf", kDefault, "sf", accidental(Flat, false)},
        KeyCase{"ssf", kDefault, "ssf", accidental(Flat, false)},
        KeyCase{"fff", kDefault, "fff", kDefault},
        KeyCase{"ffs", kDefault, "ffs", accidental(Sharp, false)},
        KeyCase{"q", kDefault, "q", octave(1, false)},
        KeyCase{"qq", kDefault, "qq", octave(1, true)}, KeyCase{"qqq", kDefault, "qqq", kDefault},
        KeyCase{"aq", kDefault, "aq", octave(1, false)},
        KeyCase{"aa", kDefault, "Aa", octave(-1, true)},
        KeyCase{"g", kDefault, "g", tie(true, false)},
        KeyCase{"gg", kDefault, "gg", tie(true, true)}, KeyCase{"ggg", kDefault, "Ggg", kDefault},
        // Triplet cycle.
        KeyCase{"t", kDefault, "t", triplet(kDefault, true, false)},
        KeyCase{"tt", kDefault, "tt", triplet(kDefault, true, true)},
        KeyCase{"ttt", kDefault, "ttt", kDefault},
        KeyCase{"t on whole", duration(1), "t", duration(1)},
        KeyCase{"t clears dots", dots(kDefault, 2, true), "t", triplet(kDefault, true, false)},
        KeyCase{"t keeps dotsUsed", dots(kDefault, 1, true, true), "t",
                triplet(dots(kDefault, 0, false, true), true, false)},
        // Dot cycle on a quarter: dot, locked, double, locked double, off.
        KeyCase{"d", kDefault, "d", dots(kDefault, 1, false)},
        KeyCase{"dd", kDefault, "dd", dots(kDefault, 1, true)},
        KeyCase{"ddd", kDefault, "ddd", dots(kDefault, 2, false)},
        KeyCase{"dddd", kDefault, "dddd", dots(kDefault, 2, true)},
        KeyCase{"ddddd", kDefault, "ddddd", kDefault},
        KeyCase{"d after use", dots(kDefault, 1, true, true), "d", kDefault},
        KeyCase{"d clears triplet", triplet(kDefault, true, true), "d", dots(kDefault, 1, false)},
        // Sixteenths have no double dots; thirty-seconds no dots at all.
        KeyCase{"bd", kDefault, "bd", dots(duration(16), 1, false)},
        KeyCase{"bdd", kDefault, "bdd", dots(duration(16), 1, true)},
        KeyCase{"bddd", kDefault, "bddd", duration(16)},
        KeyCase{"locked dot on sixteenth keeps dotsUsed", dots(duration(16), 1, true, true), "d",
                dots(duration(16), 0, false, true)},
        KeyCase{"nd", kDefault, "nd", duration(32)}, KeyCase{"ntd", kDefault, "ntd", duration(32)},
        // Double dots also on whole and half notes.
        KeyCase{"zddd", kDefault, "zddd", dots(duration(1), 2, false)},
        KeyCase{"xdddd", kDefault, "xdddd", dots(duration(2), 2, true)}));

TEST(Keyboard, OtherCharactersAreNotHandled) {
    ViewFixture f;
    for (const char32_t c : {U'k', U'1', U'[', U'\r', U'é', U'?'}) {
        EXPECT_FALSE(f.view.onChar(c));
        Tools tools;
        EXPECT_FALSE(applyToolKey(tools, c));
        EXPECT_EQ(tools, kDefault);
    }
    EXPECT_EQ(f.view.tools(), kDefault);
    EXPECT_TRUE(f.window.dialogsOpened.empty());
}

// Typed characters reach the view's tools; space and r are the editor's own and leave them.
TEST(Keyboard, ToolCharactersChangeTheViewsTools) {
    ViewFixture f;
    for (const char32_t c : {U'V', U's', U's', U'q', U'g', U't', U'd', U' ', U' '}) {
        EXPECT_TRUE(f.view.onChar(c));
    }
    Tools expected = dots(duration(8), 1, false);
    expected.pendingAccidental = Sharp;
    expected.accidentalLocked = true;
    expected.pendingOctave = 1;
    expected.pendingTie = true;
    EXPECT_EQ(f.view.tools(), expected);
    EXPECT_TRUE(f.window.dialogsOpened.empty());
}

TEST(Keyboard, DynamicDialogSetsPendingVelocity) {
    ViewFixture f;
    struct Case {
        const char* text;
        int velocity;
    };
    for (const Case c : {Case{"64", 64}, Case{"300", 127}, Case{"0", 1}, Case{"", 1},
                         Case{"127", 127}, Case{"1", 1}}) {
        f.window.dynamicDialog = [&](DynamicDialogModel& m) {
            EXPECT_TRUE(m.text.empty());  // the box starts empty every time
            m.text = c.text;
            m.ok();
        };
        EXPECT_TRUE(f.view.onChar(U'R'));
        EXPECT_EQ(f.view.tools().pendingVelocity, c.velocity) << c.text;
    }
    f.window.dynamicDialog = [](DynamicDialogModel& m) { m.cancel(); };
    const int repaints = f.window.fullRepaints;
    EXPECT_TRUE(f.view.onChar(U'r'));
    EXPECT_EQ(f.view.tools().pendingVelocity, 0);
    EXPECT_GT(f.window.fullRepaints, repaints);
}

// --- Navigation -------------------------------------------------------------------------------

std::size_t measureCount(const ViewFixture& f) {
    return f.view.score().measures.size();
}

TEST(Navigation, RightGrowsAndLeftTrimsAllRestMeasures) {
    ViewFixture f;  // 2 per screen, 2 measures
    f.view.onKeyDown(KeyboardKey::Right);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 1);
    EXPECT_EQ(measureCount(f), 3u);
    f.view.onKeyDown(KeyboardKey::Left);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(measureCount(f), 2u);
    EXPECT_FALSE(f.view.dirty());
}

TEST(Navigation, LeftKeepsAMeasureWithASoundingNoteInAnyTrack) {
    ViewFixture f;
    f.edit([](Score& s) { s.addTrack(0, Bass); });
    f.view.onKeyDown(KeyboardKey::Right);
    f.edit([](Score& s) { s.tracks[1].measures[2].back().pitches.push_back(NoteHead{}); });
    f.view.onKeyDown(KeyboardKey::Left);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(measureCount(f), 3u);
}

// A trailing measure of rests keeps settings the user gave it: each of key, meter and tempo
// alone is enough to keep it, for Left, Page Up and Home alike.
TEST(Navigation, LeftKeepsATrailingMeasureWithSettingsOfItsOwn) {
    const std::pair<const char*, MeasureInfo> settings[] = {
        {"key", MeasureInfo{2, 120, 4}},
        {"tempo", MeasureInfo{0, 90, 4}},
        {"meter", MeasureInfo{0, 120, 3}},
    };
    for (const KeyboardKey key : {KeyboardKey::Left, KeyboardKey::PageUp, KeyboardKey::Home}) {
        for (const auto& [name, info] : settings) {
            ViewFixture f;
            f.view.onKeyDown(KeyboardKey::Right);
            ASSERT_EQ(measureCount(f), 3u);
            f.edit([&info](Score& s) { s.measures[2] = info; });
            f.view.onKeyDown(key);
            EXPECT_EQ(f.view.firstVisibleMeasure(), 0) << name << ", key " << static_cast<int>(key);
            ASSERT_EQ(measureCount(f), 3u) << name << ", key " << static_cast<int>(key);
            f.view.onKeyDown(KeyboardKey::Right);
            EXPECT_EQ(f.view.score().measures[2], info)
                << name << ", key " << static_cast<int>(key);
        }
    }
}

// A trailing measure with its predecessor's settings goes, even when those are not the defaults;
// growth makes it again the same.
TEST(Navigation, LeftStillTrimsAMeasureLikeTheOneBeforeIt) {
    ViewFixture f;
    f.edit([](Score& s) { s.measures[1] = MeasureInfo{-3, 60, 5}; });
    f.view.onKeyDown(KeyboardKey::Right);
    ASSERT_EQ(measureCount(f), 3u);
    EXPECT_EQ(f.view.score().measures[2], f.view.score().measures[1]);
    f.view.onKeyDown(KeyboardKey::Left);
    EXPECT_EQ(measureCount(f), 2u);
    f.view.onKeyDown(KeyboardKey::Right);
    EXPECT_EQ(f.view.score().measures[2], (MeasureInfo{-3, 60, 5}));
}

TEST(Navigation, LeftAtTheStartDoesNothingAtAll) {
    ViewFixture f;
    f.window.fullRepaints = 0;
    f.window.rectRepaints.clear();
    f.view.onKeyDown(KeyboardKey::Left);
    f.view.onKeyDown(KeyboardKey::PageUp);
    f.view.onKeyDown(KeyboardKey::Home);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(f.window.rectRepaints.size(), 0u);
    EXPECT_EQ(f.window.fullRepaints, 1);  // Home repaints; Left and Page Up do not
}

TEST(Navigation, RightRefreshesTheHoverAtTheLastMousePosition) {
    ViewFixture f;
    f.view.updateHover(200, 90);
    ASSERT_EQ(f.view.hover().measure, 0);
    f.view.onKeyDown(KeyboardKey::Right);
    EXPECT_EQ(f.view.hover().measure, 1);
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 1, 1}));
}

TEST(Navigation, PagesHomeAndEnd) {
    ViewFixture f(1024, 600);  // 3 per screen
    f.view.onKeyDown(KeyboardKey::PageDown);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 3);
    EXPECT_EQ(measureCount(f), 6u);
    f.edit([](Score& s) { s.tracks[0].measures[5].front().pitches.push_back(NoteHead{}); });
    f.view.onKeyDown(KeyboardKey::PageUp);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(measureCount(f), 6u);  // the last measure sounds, so nothing is trimmed
    f.view.onKeyDown(KeyboardKey::End);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 3);
    f.view.onKeyDown(KeyboardKey::Home);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    f.view.onKeyDown(KeyboardKey::Up);
    f.view.onKeyDown(KeyboardKey::Shift);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
}

TEST(Navigation, EndOnAShortScoreAndPageDownOnANarrowWindow) {
    ViewFixture f(1024, 600);
    f.resize(700, 600);
    f.view.onKeyDown(KeyboardKey::End);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 1);  // 3 measures, 2 per screen
    ViewFixture narrow(300, 600);
    narrow.view.onKeyDown(KeyboardKey::PageDown);
    EXPECT_EQ(narrow.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(measureCount(narrow), 1u);
    ViewFixture wide(2000, 600);  // 6 per screen, the score grew to 6
    wide.edit([](Score& s) { s.removeLastMeasure(); });
    wide.view.onKeyDown(KeyboardKey::End);
    EXPECT_EQ(wide.view.firstVisibleMeasure(), 0);
}

TEST(Navigation, NarrowWindowEndThenLeftTrimsDownToOneMeasure) {
    ViewFixture f(300, 600);
    f.edit([](Score& s) {
        s.addMeasure(0, 120, 4);
        s.addMeasure(0, 120, 4);
    });
    f.view.onKeyDown(KeyboardKey::End);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 3);
    EXPECT_TRUE(f.view.layout().measures.empty());  // nothing beyond the end is laid out
    f.view.updateHover(200, 90);
    EXPECT_FALSE(f.view.hover().over(HoverArea::NoteArea));
    f.view.onKeyDown(KeyboardKey::Left);
    EXPECT_EQ(measureCount(f), 2u);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 2);
    f.view.onKeyDown(KeyboardKey::Left);
    f.view.onKeyDown(KeyboardKey::Left);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    EXPECT_EQ(measureCount(f), 1u);
}

TEST(Navigation, ShiftReleaseHoverTestsAtTheCursor) {
    ViewFixture f;
    f.window.cursor = Point{20, 190};
    f.view.onKeyUp(KeyboardKey::Right);
    EXPECT_EQ(f.view.hover().mouse, (Point{0, 0}));
    f.view.onKeyUp(KeyboardKey::Shift);
    EXPECT_EQ(f.view.hover().mouse, (Point{20, 190}));
    EXPECT_TRUE(f.view.hover().over(HoverArea::AddTrackZone));
}

// The one table of keys: every name once, the numbers of older scripts for the keys the editor
// reacts to, and no number of its own for the keys it does not know.
TEST(NamedKeys, NamesAndNumbersLeadToTheSameKeys) {
    std::set<std::string_view> names;
    for (const NamedKey& named : namedKeys()) {
        EXPECT_TRUE(names.insert(named.name).second) << named.name;
        EXPECT_EQ(keyNamed(named.name), &named);
        if (named.number != 0) {
            EXPECT_EQ(keyNumbered(named.number), named.key) << named.name;
        }
    }
    const struct {
        const char* name;
        int number;
        KeyboardKey key;
    } navigation[] = {{"Shift", 16, KeyboardKey::Shift},   {"PageUp", 33, KeyboardKey::PageUp},
                      {"PageDown", 34, KeyboardKey::PageDown}, {"End", 35, KeyboardKey::End},
                      {"Home", 36, KeyboardKey::Home},     {"Left", 37, KeyboardKey::Left},
                      {"Up", 38, KeyboardKey::Up},         {"Right", 39, KeyboardKey::Right}};
    for (const auto& k : navigation) {
        ASSERT_NE(keyNamed(k.name), nullptr) << k.name;
        EXPECT_EQ(keyNamed(k.name)->key, k.key) << k.name;
        EXPECT_EQ(keyNumbered(k.number), k.key) << k.name;
    }
    for (const char* known : {"Down", "F1", "F12", "Escape", "Return", "Delete"}) {
        ASSERT_NE(keyNamed(known), nullptr) << known;
        EXPECT_EQ(keyNamed(known)->key, std::nullopt) << known;
    }
    EXPECT_EQ(keyNumbered(40), std::nullopt) << "Down";
    for (const int unknown : {0, 17, 65, 255}) {
        EXPECT_EQ(keyNumbered(unknown), std::nullopt) << unknown;
    }
    for (const char* unknown : {"pageup", "PgUp", "F13", "", "Left "}) {
        EXPECT_EQ(keyNamed(unknown), nullptr) << unknown;
    }
}

}  // namespace
}  // namespace corvane::test
