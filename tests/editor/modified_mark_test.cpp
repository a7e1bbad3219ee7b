// The modified mark means a change: a click after which the score's saved bytes are what they
// were leaves `dirty`, the revision (and so the recovery copy) and the history as they were;
// a click that changes the bytes marks the score, even when all it changed is measures added by
// automatic scrolling.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fake_window.h"
#include "tests/score/sample_scores.h"

namespace corvane::test {
namespace {

const Confirm kYes = [](std::string_view, std::string_view) { return true; };

// The point on track 0's staff, at staff height `y`, over Note `note` of `measure` (visible).
std::optional<Point> overNote(ViewFixture& f, int measure, int note, int y) {
    for (int x = 0; x < f.window.client.right; ++x) {
        f.view.updateHover(x, y);
        const HoverState& hover = f.view.hover();
        if (hover.note && hover.note->track == 0 && hover.note->measure == measure &&
            hover.note->note == note) {
            return Point{x, y};
        }
    }
    return std::nullopt;
}

// The point over the header of `measure` (visible) on track 0.
std::optional<Point> overMeasureHeader(ViewFixture& f, int measure) {
    for (int x = 0; x < f.window.client.right; ++x) {
        f.view.updateHover(x, 90);
        if (f.view.hover().over(HoverArea::MeasureHeader) && f.view.hover().measure == measure) {
            return Point{x, 90};
        }
    }
    return std::nullopt;
}

// What a click must leave alone when it changes nothing.
struct Mark {
    bool dirty = false;
    std::uint64_t revision = 0;
    std::size_t steps = 0;
    std::vector<std::uint8_t> bytes;

    explicit Mark(const EditorView& view)
        : dirty(view.dirty()),
          revision(view.revision()),
          steps(view.history().count()),
          bytes(samples::encode(view.score())) {}
};

void expectUnchanged(const ViewFixture& f, const Mark& before, const std::string& what) {
    EXPECT_EQ(samples::encode(f.view.score()), before.bytes) << what;
    EXPECT_EQ(f.view.dirty(), before.dirty) << what;
    EXPECT_EQ(f.view.revision(), before.revision) << what;
    EXPECT_EQ(f.view.history().count(), before.steps) << what;
}

// Every click of the Parts that used to mark the score even when it changed nothing.
void clickWithoutChange(ViewFixture& f) {
    const Point header{20, 90};
    const Point measureHeader{50, 90};
    const std::vector<std::pair<std::string, std::function<void()>>> clicks = {
        {"Track Properties cancelled",
         [&] {
             f.window.trackDialog = [](TrackDialogModel& m) { m.cancel(); };
             f.clickAt(header.x, header.y);
         }},
        {"Track Properties confirmed unchanged",
         [&] {
             f.window.trackDialog = [](TrackDialogModel& m) { m.ok(); };
             f.clickAt(header.x, header.y);
         }},
        {"Measure Properties cancelled",
         [&] {
             f.window.measureDialog = [](MeasureDialogModel& m) { m.cancel(); };
             f.clickAt(measureHeader.x, measureHeader.y);
         }},
        {"Measure Properties copied",
         [&] {
             f.window.measureDialog = [](MeasureDialogModel& m) { m.copy(); };
             f.clickAt(measureHeader.x, measureHeader.y);
         }},
        {"Measure Properties confirmed unchanged",
         [&] {
             f.window.measureDialog = [](MeasureDialogModel& m) { m.ok(); };
             f.clickAt(measureHeader.x, measureHeader.y);
         }},
    };
    for (const auto& [what, click] : clicks) {
        const Mark before(f.view);
        click();
        expectUnchanged(f, before, what);
    }
    // The clipboard holds measure 0 in C; measure 1 gets another key, and refuses the paste.
    f.edit([](Score& s) { s.measures[1].key = 3; });
    const std::optional<Point> target = overMeasureHeader(f, 1);
    ASSERT_TRUE(target);
    const Mark before(f.view);
    f.clickAt(target->x, target->y, true);
    expectUnchanged(f, before, "a paste the measure's key refuses");
}

TEST(ModifiedMark, DialogsAndPastesThatChangeNothingLeaveACleanScoreClean) {
    ViewFixture f;
    clickWithoutChange(f);
    EXPECT_FALSE(f.view.dirty());
}

TEST(ModifiedMark, DialogsAndPastesThatChangeNothingLeaveADirtyScoreAsItWas) {
    ViewFixture f;
    f.clickAt(106, 80);
    ASSERT_TRUE(f.view.dirty());
    clickWithoutChange(f);
    EXPECT_TRUE(f.view.dirty());
}

TEST(ModifiedMark, AnEntryThatPlacesNothingIsNoChange) {
    ViewFixture f;
    f.type("v");
    const std::optional<Point> first = overNote(f, 0, 0, 80);
    ASSERT_TRUE(first);
    f.clickAt(first->x, 80);
    const std::optional<Point> second = overNote(f, 0, 1, 80);
    ASSERT_TRUE(second);
    f.clickAt(second->x, 75);
    f.view.markSaved();
    // A quarter above the first eighth would have to take in the second, which sounds.
    f.type("c");
    const Mark before(f.view);
    f.clickAt(first->x, 70);
    expectUnchanged(f, before, "a quarter over two eighths");
    // The same head entered again over the same eighth.
    f.type("v");
    f.clickAt(first->x, 80);
    expectUnchanged(f, before, "a head the Note has");
    EXPECT_FALSE(f.view.dirty());
}

TEST(ModifiedMark, MeasuresAddedByAutomaticScrollingAreAChange) {
    ViewFixture f;  // two measures a screen, two measures in the score
    f.type("z");    // a whole note fits over no quarter but the first
    const std::optional<Point> third = overNote(f, 1, 2, 80);
    ASSERT_TRUE(third);
    const Score start = f.view.score();
    f.clickAt(third->x, 80);
    ASSERT_GT(f.view.score().measures.size(), start.measures.size())
        << "the refused entry in the last visible measure scrolled on and grew the score";
    EXPECT_TRUE(f.view.dirty());
    EXPECT_EQ(f.view.history().undoText(), "Undo Note Entry");
    f.view.undo();
    f.view.onKeyDown(KeyboardKey::Home);
    EXPECT_FALSE(f.view.dirty());
    EXPECT_EQ(f.view.score(), start);

    // With measures enough beyond, the same entry scrolls without growing: no change.
    f.edit([](Score& s) { growTimeline(s, 6); });
    f.view.markSaved();
    const std::optional<Point> again = overNote(f, 1, 2, 80);
    ASSERT_TRUE(again);
    const Mark before(f.view);
    f.clickAt(again->x, 80);
    EXPECT_GT(f.view.firstVisibleMeasure(), 0);
    expectUnchanged(f, before, "scrolling within the score");
}

TEST(ModifiedMark, DeletingAndMakingDrumsAreChanges) {
    ViewFixture f;
    f.clickAt(300, 150);
    f.view.markSaved();
    f.window.trackDialog = [](TrackDialogModel& m) { m.makeDrums(kYes); };
    f.clickAt(20, 190);
    EXPECT_TRUE(f.view.dirty());
    f.window.drumTrackDialog = [](DrumTrackDialogModel& m) { m.ok(); };
    const Mark before(f.view);
    f.clickAt(20, 190);
    expectUnchanged(f, before, "the drum dialog confirmed");
    f.window.drumTrackDialog = [](DrumTrackDialogModel& m) { m.deleteTrack(kYes); };
    f.clickAt(20, 190);
    EXPECT_EQ(f.view.history().undoText(), "Undo Delete Track");
    f.view.undo();
    f.view.undo();
    EXPECT_FALSE(f.view.dirty());
}

}  // namespace
}  // namespace corvane::test
