// Clicks: dispatch, the toolbar's slots and dot buttons, note entry with automatic scrolling and
// the end of one-shot tools.

#include <gtest/gtest.h>

#include <filesystem>

#include "editor/tool_rules.h"
#include "fake_window.h"
#include "sound/device.h"
#include "sound/player.h"

namespace corvane::test {
namespace {

constexpr int kToolbarY = 10;

EntryTools duration8() {
    EntryTools tools;
    tools.currentDuration = 8;
    return tools;
}

struct SlotCase {
    int x;
    char32_t posted;  // 0: no character
};

class ToolbarCharacters : public ::testing::TestWithParam<SlotCase> {};

TEST_P(ToolbarCharacters, LeftAndRightClickPostTheSameCharacter) {
    const SlotCase c = GetParam();
    for (const bool right : {false, true}) {
        ViewFixture f;
        f.view.updateHover(c.x, kToolbarY);
        f.view.onClick(c.x, kToolbarY, right);
        if (c.posted == 0) {
            EXPECT_TRUE(f.window.posted.empty()) << c.x;
        } else {
            ASSERT_EQ(f.window.posted.size(), 1u) << c.x;
            EXPECT_EQ(f.window.posted[0], c.posted) << c.x;
        }
        EXPECT_FALSE(f.view.dirty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, ToolbarCharacters,
    ::testing::Values(SlotCase{2, 0}, SlotCase{3, U'z'}, SlotCase{18, U'z'}, SlotCase{19, U'x'},
                      SlotCase{35, U'c'}, SlotCase{51, U'v'}, SlotCase{67, U'b'},
                      SlotCase{98, U'n'}, SlotCase{99, 0}, SlotCase{100, 0}, SlotCase{114, 0},
                      SlotCase{147, 0}, SlotCase{163, U't'}, SlotCase{194, 0}, SlotCase{195, U's'},
                      SlotCase{226, U'f'}, SlotCase{242, 0}, SlotCase{243, U'q'},
                      SlotCase{274, U'a'}, SlotCase{290, 0}, SlotCase{291, U'g'}, SlotCase{307, 0},
                      SlotCase{355, 0}, SlotCase{371, U'r'}, SlotCase{386, U'r'}, SlotCase{387, 0},
                      SlotCase{1000, 0}));

TEST(Toolbar, OnlyTheToolbarRowsCount) {
    for (const int y : {0, 25, -3}) {
        ViewFixture f;
        f.clickAt(40, y);
        EXPECT_TRUE(f.window.posted.empty()) << y;
        EXPECT_EQ(f.view.tools().currentDuration, 4);
    }
    for (const int y : {1, 24}) {
        ViewFixture f;
        f.clickAt(20, y);
        EXPECT_EQ(f.view.tools().currentDuration, 2) << y;
    }
}

TEST(Toolbar, GapClickChangesNothing) {
    ViewFixture f;
    const int repaints = f.window.fullRepaints;
    f.clickAt(100, kToolbarY);
    EXPECT_EQ(f.window.fullRepaints, repaints);
    EXPECT_TRUE(f.window.posted.empty());
}

struct DotCase {
    const char* name;
    int duration;
    int dots;
    bool locked;
    bool used;
    int button;  // 7 single, 8 double
    int dotsAfter;
    bool lockedAfter;
    bool usedAfter;
};

class DotButtons : public ::testing::TestWithParam<DotCase> {};

TEST_P(DotButtons, Press) {
    const DotCase c = GetParam();
    EntryTools tools;
    tools.currentDuration = c.duration;
    tools.pendingDots = c.dots;
    tools.dotsLocked = c.locked;
    tools.dotsUsed = c.used;
    tools.pendingTriplet = true;
    tools.tripletLocked = true;
    const EntryTools before = tools;
    const bool applies = c.button == 7 ? pressDotButton(tools) : pressDoubleDotButton(tools);
    EXPECT_EQ(tools.pendingDots, c.dotsAfter) << c.name;
    EXPECT_EQ(tools.dotsLocked, c.lockedAfter) << c.name;
    EXPECT_EQ(tools.dotsUsed, c.usedAfter) << c.name;
    // Switching dots on turns the triplet off; everything else leaves it.
    const bool switchedOn = c.dotsAfter != 0 && c.dotsAfter != c.dots;
    EXPECT_EQ(tools.pendingTriplet, !switchedOn) << c.name;
    // A button that does not apply says so and changes nothing.
    EXPECT_EQ(applies, c.duration != 32 && (c.button == 7 || c.duration != 16)) << c.name;
    if (!applies) {
        EXPECT_EQ(tools, before) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DotButtons,
    ::testing::Values(DotCase{"single on", 4, 0, false, false, 7, 1, false, false},
                      DotCase{"single lock", 4, 1, false, false, 7, 1, true, false},
                      DotCase{"single off", 4, 1, true, true, 7, 0, false, false},
                      DotCase{"single from double", 4, 2, true, true, 7, 1, false, true},
                      DotCase{"single on 32nd", 32, 0, false, false, 7, 0, false, false},
                      DotCase{"single on 16th", 16, 0, false, false, 7, 1, false, false},
                      DotCase{"double on", 4, 0, false, true, 8, 2, false, false},
                      DotCase{"double lock", 4, 2, false, false, 8, 2, true, false},
                      DotCase{"double off", 4, 2, true, false, 8, 0, false, false},
                      DotCase{"double from single", 2, 1, true, true, 8, 2, false, false},
                      DotCase{"double on 16th", 16, 0, false, false, 8, 0, false, false},
                      DotCase{"double on 32nd", 32, 1, false, false, 8, 1, false, false},
                      DotCase{"double on whole", 1, 0, false, false, 8, 2, false, false}));

TEST(Toolbar, PlayAndStopButtons) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "corvane_editor_play_test";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    {
        ViewFixture f;
        f.clickAt(330, kToolbarY);  // nothing happens without a player
        Player player(std::make_shared<SilentSoundDevice>());
        f.view.setPlayer(&player);
        f.clickAt(330, kToolbarY);
        EXPECT_TRUE(player.isPlaying());
        EXPECT_TRUE(f.view.playing());
        EXPECT_FALSE(f.view.dirty());
        f.clickAt(345, kToolbarY);
        EXPECT_FALSE(player.isPlaying());
        f.view.onChar(U' ');
        EXPECT_TRUE(player.isPlaying());
        f.view.onChar(U' ');
        EXPECT_FALSE(player.isPlaying());
        EXPECT_TRUE(f.window.messages.empty());
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

// The dot buttons reach the view's tools and repaint only where they apply.
TEST(Toolbar, DotButtonsChangeTheViewsToolsAndRepaint) {
    ViewFixture f;
    const int repaints = f.window.fullRepaints;
    f.clickAt(16 * 7 + 8, kToolbarY);
    EXPECT_EQ(f.view.tools().pendingDots, 1);
    EXPECT_EQ(f.window.fullRepaints, repaints + 1);
    f.clickAt(16 * 8 + 8, kToolbarY);
    EXPECT_EQ(f.view.tools().pendingDots, 2);
    f.type("n");  // thirty-seconds: neither button applies
    const int before = f.window.fullRepaints;
    f.clickAt(16 * 7 + 8, kToolbarY);
    f.clickAt(16 * 8 + 8, kToolbarY);
    EXPECT_EQ(f.window.fullRepaints, before);
    EXPECT_EQ(f.view.tools().pendingDots, 0);
    EXPECT_TRUE(f.window.posted.empty());
}

// --- Dispatch ---------------------------------------------------------------------------------

TEST(Click, AddTrackZone) {
    ViewFixture f;
    f.clickAt(300, 141, true);
    EXPECT_EQ(f.view.score().tracks.size(), 1u);
    EXPECT_FALSE(f.view.dirty());
    f.clickAt(300, 141);
    ASSERT_EQ(f.view.score().tracks.size(), 2u);
    EXPECT_EQ(f.view.score().tracks[1].kind, Treble);
    EXPECT_EQ(f.view.score().tracks[1].program, 0);
    EXPECT_EQ(f.view.score().tracks[1].measures.size(), 2u);
    EXPECT_TRUE(f.view.dirty());
}

TEST(Click, TrackHeaderOpensTheDialogOfTheTrackKind) {
    ViewFixture f;
    f.edit([](Score& s) { s.addTrack(0, Drums); });
    f.clickAt(20, 90, true);  // right click on a header: nothing
    EXPECT_TRUE(f.window.dialogsOpened.empty());
    EXPECT_FALSE(f.view.dirty());
    f.clickAt(20, 90);
    f.clickAt(20, 190);
    EXPECT_EQ(f.window.dialogsOpened, (std::vector<std::string>{"track", "drumtrack"}));
    EXPECT_FALSE(f.view.dirty()) << "neither dialog changed anything";
}

TEST(Click, MeasureHeaderOpensTheMeasureDialogForThatMeasure) {
    ViewFixture f;
    int shownTempo = 0;
    f.window.measureDialog = [&](MeasureDialogModel& m) {
        shownTempo = std::stoi(m.tempoText);
        m.tempoText = "90";
        m.ok();
    };
    f.edit([](Score& s) { s.measures[1].tempo = 77; });
    f.clickAt(430, 90);
    EXPECT_EQ(shownTempo, 77);
    EXPECT_EQ(f.view.score().measures[1].tempo, 90);
    EXPECT_EQ(f.view.score().measures[0].tempo, 120);
    EXPECT_TRUE(f.view.dirty());
}

// Copy in the measure dialog, then a right click on another measure's header pastes there.
TEST(Click, RightClickOnAMeasureHeaderPastesWhatTheDialogCopied) {
    ViewFixture f;
    f.edit([](Score& s) { s.tracks[0].measures[0].front().pitches.push_back(NoteHead{2, Sharp}); });
    f.window.measureDialog = [](MeasureDialogModel& m) { m.copy(); };
    f.clickAt(50, 90);
    EXPECT_EQ(f.view.clipboard().notes(), f.view.score().tracks[0].measures[0]);
    f.clickAt(430, 90, true);
    EXPECT_EQ(f.view.score().tracks[0].measures[1], f.view.score().tracks[0].measures[0]);
    EXPECT_TRUE(f.view.dirty());
    EXPECT_EQ(f.window.dialogsOpened, std::vector<std::string>{"measure"});
}

TEST(Click, OutsideEveryAreaDoesNothing) {
    ViewFixture f;
    const Score before = f.view.score();
    f.clickAt(5, 90);
    f.clickAt(5, 90, true);
    f.clickAt(790, 90);
    f.clickAt(300, 140);
    f.clickAt(300, 30);
    EXPECT_EQ(f.view.score(), before);
    EXPECT_FALSE(f.view.dirty());
    EXPECT_TRUE(f.window.posted.empty());
}

TEST(Click, StaleHoverAfterDeletingTheOnlyTrackIsIgnored) {
    ViewFixture f;
    f.window.trackDialog = [&](TrackDialogModel& m) {
        m.deleteTrack([](std::string_view, std::string_view) { return true; });
    };
    f.clickAt(20, 90);
    ASSERT_TRUE(f.view.score().tracks.empty());
    // A second press without a mouse move still sees the old hover state.
    f.view.onClick(20, 90, false);
    EXPECT_EQ(f.window.dialogsOpened.size(), 1u);
    // Nothing to hover; adding a track works again.
    f.clickAt(300, 45);
    EXPECT_EQ(f.view.score().tracks.size(), 1u);
    EXPECT_EQ(f.view.score().tracks[0].measures.size(), 2u);
}

// A load replaces the score under a hover over a measure header: without a mouse move, presses
// there must not act on the track that is gone.
TEST(Click, StaleMeasureHeaderAfterLoadingAScoreWithoutTracksIsIgnored) {
    ViewFixture f;
    f.view.updateHover(50, 90);
    ASSERT_TRUE(f.view.hover().over(HoverArea::MeasureHeader));
    Score empty;
    empty.tracks.clear();
    f.view.setLoadedScore(empty);
    f.view.onClick(50, 90, true);
    f.view.onClick(50, 90, false);
    EXPECT_TRUE(f.window.dialogsOpened.empty());
    EXPECT_EQ(f.view.score(), empty);
}

// A load forgets the hovered Note: a press without a mouse move enters nothing into the new
// score.
TEST(Click, NoEntryIntoALoadedScoreBeforeTheMouseMoves) {
    ViewFixture f;
    f.view.updateHover(106, 90);
    ASSERT_EQ(f.view.hover().note, (NoteIndex{0, 0, 0}));
    const Score loaded = ViewFixture().view.score();
    f.view.setLoadedScore(loaded);
    EXPECT_EQ(f.view.hover().note, std::nullopt);
    f.view.onClick(106, 90, false);
    EXPECT_EQ(f.view.score(), loaded);
    EXPECT_FALSE(f.view.dirty());
}

// --- Note entry -------------------------------------------------------------------------------

TEST(Entry, LeftClickEntersThePitchUnderTheMarker) {
    ViewFixture f;
    f.clickAt(106, 83);  // marker y 80: position 2 (D5)
    const TrackMeasure& notes = f.view.score().tracks[0].measures[0];
    ASSERT_EQ(notes.size(), 4u);
    ASSERT_EQ(notes.front().pitches.size(), 1u);
    EXPECT_EQ(notes.front().pitches.front(), (NoteHead{2, AccidentalNone}));
    EXPECT_TRUE(f.view.dirty());
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 0}));  // the hover test ran again
    // The right button turns it back into a rest.
    f.clickAt(106, 83, true);
    EXPECT_TRUE(f.view.score().tracks[0].measures[0].front().isRest());
}

TEST(Entry, RequestCarriesTheTools) {
    ViewFixture f;
    f.edit([](Score& s) { s.measures[0].key = 2; });
    f.type("vsq");
    f.setVelocity(64);
    f.clickAt(f.view.layout().measures[0].firstNoteHitX(), 90);
    const TrackMeasure& notes = f.view.score().tracks[0].measures[0];
    ASSERT_EQ(notes.size(), 5u);  // eighth, eighth rest, three quarter rests
    EXPECT_EQ(notes.front().duration, 8);
    EXPECT_EQ(notes.front().octave, 1);
    EXPECT_EQ(notes.front().velocity, 64);
    ASSERT_EQ(notes.front().pitches.size(), 1u);
    EXPECT_EQ(notes.front().pitches.front().position, 0);
    // One-shot tools are gone, the note value stays.
    EXPECT_EQ(f.view.tools(), duration8());
}

TEST(Entry, LockedToolsSurviveAndSingleDotsRememberTheirUse) {
    ViewFixture f;
    f.type("ssqqggttdd");  // t then d: d turns the triplet off again
    ASSERT_EQ(f.view.tools().pendingDots, 1);
    ASSERT_TRUE(f.view.tools().dotsLocked);
    f.setVelocity(30);
    f.clickAt(106, 90);
    const EntryTools& tools = f.view.tools();
    EXPECT_EQ(tools.pendingAccidental, Sharp);
    EXPECT_TRUE(tools.accidentalLocked);
    EXPECT_EQ(tools.pendingOctave, 1);
    EXPECT_TRUE(tools.pendingTie);
    EXPECT_EQ(tools.pendingDots, 1);
    EXPECT_TRUE(tools.dotsUsed);
    EXPECT_EQ(tools.pendingVelocity, 0);
    f.type("d");
    EXPECT_EQ(tools.pendingDots, 0);
    EXPECT_FALSE(tools.dotsUsed);
}

TEST(Entry, OneShotToolsEndEvenWhenTheEntryIsRefused) {
    ViewFixture f;
    f.type("zst");  // whole note; t does nothing on a whole note
    const Score before = f.view.score();
    f.clickAt(270, 90);  // third quarter: no room for a whole note
    EXPECT_EQ(f.view.score(), before);
    EXPECT_FALSE(f.view.dirty()) << "the refused entry changed nothing";
    EXPECT_EQ(f.view.tools().pendingAccidental, AccidentalNone);
}

TEST(Entry, EndOfOneShotToolsKeepsWhatIsLocked) {
    EntryTools tools;
    tools.currentDuration = 16;
    tools.pendingAccidental = Flat;
    tools.pendingDots = 2;
    tools.dotsLocked = true;
    tools.pendingTriplet = true;
    tools.tripletLocked = true;
    tools.pendingOctave = -1;
    tools.pendingTie = true;
    tools.pendingVelocity = 12;
    EntryTools expected = tools;
    expected.pendingAccidental = AccidentalNone;
    expected.pendingOctave = 0;
    expected.pendingTie = false;
    expected.pendingVelocity = 0;
    endOneShotTools(tools);
    EXPECT_EQ(tools, expected) << "a locked double dot is not a used single dot";

    tools = EntryTools{};
    tools.pendingDots = 1;
    tools.pendingTriplet = true;
    endOneShotTools(tools);
    EXPECT_EQ(tools, EntryTools{}) << "a one-shot dot and triplet end, the dot unused";
    tools.pendingDots = 1;
    tools.dotsLocked = true;
    endOneShotTools(tools);
    EXPECT_TRUE(tools.dotsUsed) << "a locked single dot remembers its use";
}

struct ScrollCase {
    int width;
    int clickX;            // in the last visible measure unless noted
    int firstAfter;        // firstVisibleMeasure after the entry
    std::size_t measures;  // measure count after the entry
};

class AutoScroll : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(AutoScroll, AfterAnEntryInTheLastVisibleMeasure) {
    const ScrollCase c = GetParam();
    ViewFixture f(c.width, 600);
    f.clickAt(c.clickX, 90);
    EXPECT_EQ(f.view.firstVisibleMeasure(), c.firstAfter) << c.width;
    EXPECT_EQ(f.view.score().measures.size(), c.measures) << c.width;
    int sounding = 0;
    for (const TrackMeasure& measure : f.view.score().tracks[0].measures) {
        for (const Note& note : measure) {
            sounding += note.isRest() ? 0 : 1;
        }
    }
    EXPECT_EQ(sounding, 1);
    EXPECT_TRUE(f.view.dirty());
}

INSTANTIATE_TEST_SUITE_P(Widths, AutoScroll,
                         ::testing::Values(ScrollCase{800, 465, 1, 3},    // 2 per screen: one
                                           ScrollCase{800, 106, 0, 2},    // not the last one
                                           ScrollCase{1024, 740, 2, 5},   // 3 per screen: two
                                           ScrollCase{500, 106, 0, 1},    // 1 per screen: none
                                           ScrollCase{300, 106, 0, 1}));  // 0 per screen: none

}  // namespace
}  // namespace corvane::test
