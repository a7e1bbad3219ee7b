// Following playback: where the marker stands over the score, when the page turns (and when it
// does not: the user moved the view, or the sound keeps no clock, as in the replay), and that a
// page turn adds no measures.

#include <gtest/gtest.h>

#include "fake_window.h"
#include "sound/player.h"
#include "tests/sound/clock_device.h"

namespace corvane::test {
namespace {

constexpr double kTicksPerMeasure = 4 * 24;

TEST(PageTurner, TurnsToTheNextPageWhenTheSoundLeavesThisOne) {
    PageTurner pages;
    EXPECT_EQ(pages.turn(5, 0, 2, 8), std::nullopt) << "nothing started";
    pages.start(0);
    EXPECT_EQ(pages.turn(0, 0, 2, 8), std::nullopt);
    EXPECT_EQ(pages.turn(1, 0, 2, 8), std::nullopt);
    EXPECT_EQ(pages.turn(2, 0, 2, 8), 2);
    EXPECT_EQ(pages.turn(3, 2, 2, 8), std::nullopt);
    EXPECT_EQ(pages.turn(5, 2, 2, 8), 4) << "a step past the next page's start: that page";
    EXPECT_EQ(pages.turn(7, 4, 3, 8), 5) << "the last full page, not one past the score";
}

TEST(PageTurner, JumpsToTheMeasureHeardWhenItIsFurtherOn) {
    PageTurner pages;
    pages.start(0);
    EXPECT_EQ(pages.turn(5, 0, 2, 10), 5);
    EXPECT_EQ(pages.turn(1, 5, 2, 10), 1) << "back to a measure before the page";
    EXPECT_EQ(pages.turn(9, 1, 2, 10), 8);
    EXPECT_EQ(pages.turn(12, 8, 2, 10), std::nullopt) << "a measure the score no longer has";
    EXPECT_EQ(pages.turn(9, 8, 0, 10), 9) << "a window too narrow for a page shows one measure";
}

TEST(PageTurner, TheViewIsTheUsersOnceMovedUntilPlaybackStartsAgain) {
    PageTurner pages;
    pages.start(3);
    EXPECT_EQ(pages.turn(6, 4, 2, 10), std::nullopt) << "the user moved from 3 to 4";
    EXPECT_EQ(pages.turn(9, 3, 2, 10), std::nullopt) << "even back where it was";
    pages.start(3);
    EXPECT_EQ(pages.turn(5, 3, 2, 10), 5);
}

TEST(PlaybackMarker, TheMeasureHeardAndTheLineOfItsBeat) {
    Score score;
    score.addTrack(0, Bass);
    score.addTrack(0, Drums);
    score.addMeasure(0, 120, 3);
    const ScreenLayout screen = computeLayout(score, 0, 800);
    ASSERT_EQ(screen.measures.size(), 2u);
    // Both measures show their meter, the second no key.
    ASSERT_EQ(screen.pixelsPerQuarter, (780 - 34 - (10 + 15 + 35) - (15 + 35)) / 7);
    const int ppq = screen.pixelsPerQuarter;
    // The first note of the first measure is painted at 44 + 10 + 15 + 35.
    EXPECT_EQ(playbackMarker(screen, {0, 0}, 3, 600),
              (PlaybackMarker{Rect{44, 45, 44 + 60 + 4 * ppq, 340}, 104}));
    EXPECT_EQ(playbackMarker(screen, {0, 2.5}, 3, 600)->lineX, 104 + (5 * ppq + 1) / 2);
    // The second measure has a new meter: its signature comes first.
    const MeasureSlot& second = screen.measures[1];
    EXPECT_EQ(playbackMarker(screen, {1, 3}, 3, 600)->lineX,
              second.left + 15 + 35 + 3 * ppq);
    EXPECT_EQ(playbackMarker(screen, {1, 4}, 3, 600)->lineX, second.noteAreaEnd(ppq))
        << "no further than the bar line";
    EXPECT_EQ(playbackMarker(screen, {2, 0}, 3, 600), std::nullopt) << "not on screen";
    EXPECT_EQ(playbackMarker(screen, {0, 1}, 3, 200)->measure.bottom, 200) << "the window ends";
    const ScreenLayout scrolled = computeLayout(score, 0, 800, 100);
    EXPECT_EQ(playbackMarker(scrolled, {0, 1}, 3, 600)->measure.bottom, 240);
    EXPECT_EQ(playbackMarker(computeLayout(score, 0, 800, 300), {0, 1}, 3, 600), std::nullopt)
        << "no track shown";
}

class FollowPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        f.edit([](Score& s) {
            while (s.measures.size() < 8) {
                s.addMeasure(0, 120, 4);
            }
        });
        f.view.setPlayer(&player);
    }
    void TearDown() override { f.view.setPlayer(nullptr); }
    void hear(double measures) { device->tick = measures * kTicksPerMeasure; }

    ViewFixture f;
    std::shared_ptr<ClockDevice> device = std::make_shared<ClockDevice>();
    Player player{device};
};

TEST_F(FollowPlayback, ThePageTurnsWithTheSoundAndAddsNoMeasures) {
    EXPECT_EQ(f.view.followPlayback(), std::nullopt) << "nothing plays";
    f.view.onChar(U' ');
    ASSERT_TRUE(f.view.playing());
    std::optional<PlaybackMarker> marker = f.view.followPlayback();
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->measure.left, 44);
    EXPECT_EQ(marker->lineX, 104);

    hear(1.5);
    EXPECT_EQ(f.view.followPlayback()->measure.left, f.view.layout().measures[1].left);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    const int repaints = f.window.fullRepaints;
    hear(2.25);
    marker = f.view.followPlayback();
    EXPECT_EQ(f.view.firstVisibleMeasure(), 2);
    EXPECT_GT(f.window.fullRepaints, repaints);
    EXPECT_EQ(marker->measure.left, 44) << "the measure heard opens the new page";
    EXPECT_EQ(marker->lineX, 104 + f.view.layout().pixelsPerQuarter);

    hear(7.5);
    f.view.followPlayback();
    EXPECT_EQ(f.view.firstVisibleMeasure(), 6) << "the last page";
    EXPECT_EQ(f.view.score().measures.size(), 8u);
    EXPECT_FALSE(f.view.dirty());

    // Stop leaves the view where it is, and the next Play starts there.
    f.view.onChar(U' ');
    EXPECT_EQ(f.view.followPlayback(), std::nullopt);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 6);
}

TEST_F(FollowPlayback, AfterTheUserScrollsThePageStays) {
    f.view.onKeyDown(KeyboardKey::Right);
    f.view.onChar(U' ');
    ASSERT_TRUE(f.view.playing());
    hear(1.5);  // measure 2 of the song from measure 1
    f.view.followPlayback();
    EXPECT_EQ(f.view.firstVisibleMeasure(), 1);
    f.view.onKeyDown(KeyboardKey::Left);
    hear(4);
    EXPECT_EQ(f.view.followPlayback(), std::nullopt) << "the measure heard is not on screen";
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);

    // Played again, the view follows again, from where it stands.
    f.view.onChar(U' ');
    f.view.onChar(U' ');
    hear(2);
    f.view.followPlayback();
    EXPECT_EQ(f.view.firstVisibleMeasure(), 2);
}

TEST(FollowPlaybackWithoutClock, NothingTurnsAndNoMarkerShows) {
    ViewFixture f;
    f.edit([](Score& s) { s.addMeasure(0, 120, 4); });
    Player player(nullptr);  // the silent stand-in, as the replay has
    f.view.setPlayer(&player);
    f.view.onChar(U' ');
    ASSERT_TRUE(f.view.playing());
    EXPECT_EQ(f.view.followPlayback(), std::nullopt);
    EXPECT_EQ(f.view.firstVisibleMeasure(), 0);
    f.view.setPlayer(nullptr);
}

}  // namespace
}  // namespace corvane::test
