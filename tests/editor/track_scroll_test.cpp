// Vertical scrolling of the track area by whole tracks: its range, the wheel and the scroll bar,
// what lies under the pointer once scrolled, and the range following the tracks there are.

#include <gtest/gtest.h>

#include "fake_window.h"

namespace corvane::test {
namespace {

// A view of `tracks` tracks; track k has program k, so each can be told apart.
void addTracks(ViewFixture& f, int tracks) {
    f.edit([tracks](Score& s) {
        for (int k = static_cast<int>(s.tracks.size()); k < tracks; ++k) {
            s.addTrack(k, Treble);
        }
    });
}

TEST(TrackScroll, RangeIsWholeTracksFromTheTopToTheLastTrack) {
    EXPECT_EQ(clampTrackScroll(-100, 8), 0);
    EXPECT_EQ(clampTrackScroll(-150, 8), 0);
    EXPECT_EQ(clampTrackScroll(250, 8), 200);
    EXPECT_EQ(clampTrackScroll(700, 8), 700);
    EXPECT_EQ(clampTrackScroll(900, 8), 700);
    EXPECT_EQ(clampTrackScroll(300, 1), 0);
    EXPECT_EQ(clampTrackScroll(300, 0), 0);
    EXPECT_EQ(clampTrackScroll(100LL * 1'000'000'000, 3), 200);
    // A row counts as shown when its whole band (down to 139 + 100 r) is inside.
    EXPECT_EQ(rowsInView(0), 1);
    EXPECT_EQ(rowsInView(140), 1);
    EXPECT_EQ(rowsInView(239), 1);
    EXPECT_EQ(rowsInView(240), 2);
    EXPECT_EQ(rowsInView(600), 5);
}

TEST(TrackScroll, WheelAndScrollBarMoveWholeTracksAndLeaveTheScoreAlone) {
    ViewFixture f;
    addTracks(f, 8);
    const Score before = f.view.score();
    EXPECT_EQ(f.window.scrolls.back(), (FakeWindow::Scroll{0, 700}));

    f.view.onWheel(2, 200, 90);
    EXPECT_EQ(f.view.trackScroll(), 200);
    EXPECT_EQ(f.window.scrolls.back(), (FakeWindow::Scroll{200, 700}));
    EXPECT_EQ(f.view.hover().track, 2) << "hovered again where the wheel turned";
    f.view.onWheel(100, 200, 90);
    EXPECT_EQ(f.view.trackScroll(), 700);
    f.view.onWheel(-3, 200, 90);
    EXPECT_EQ(f.view.trackScroll(), 400);
    f.view.setTrackScroll(250);
    EXPECT_EQ(f.view.trackScroll(), 200);
    EXPECT_EQ(f.view.hover().track, 2) << "hovered again at the last mouse position";

    // At an end of the range the wheel changes nothing and tells nothing.
    f.view.onWheel(-100, 200, 90);
    const std::size_t told = f.window.scrolls.size();
    f.view.onWheel(-1, 200, 300);
    EXPECT_EQ(f.window.scrolls.size(), told);
    EXPECT_EQ(f.view.hover().track, 0) << "no hover test either";
    EXPECT_EQ(f.view.score(), before);
    EXPECT_FALSE(f.view.dirty());
}

TEST(TrackScroll, TheTopRowShowsTheFirstScrolledTrackAndTheRowsAboveAreNotHit) {
    ViewFixture f;
    addTracks(f, 4);
    f.view.onWheel(2, 0, 0);
    EXPECT_EQ(f.view.layout().firstTrack, 2);
    EXPECT_EQ(f.view.viewState().trackScroll, 200);

    f.view.updateHover(20, 90);
    EXPECT_TRUE(f.view.hover().over(HoverArea::TrackHeader));
    EXPECT_EQ(f.view.hover().track, 2);
    f.view.updateHover(200, 239);
    EXPECT_TRUE(f.view.hover().over(HoverArea::NoteArea));
    EXPECT_EQ(f.view.hover().track, 3);
    EXPECT_EQ(f.view.viewState().marker, (Marker{3, 200, 235}));
    // Above the top row (where track 1 would stand) and over the toolbar nothing is hit.
    for (const int y : {44, 30, 10, -40}) {
        f.view.updateHover(200, y);
        EXPECT_TRUE(f.view.hover().over(HoverArea::None)) << y;
    }
    // The add-track zone follows the last track, two rows down.
    f.view.updateHover(200, 240);
    EXPECT_TRUE(f.view.hover().over(HoverArea::None));
    f.view.updateHover(200, 241);
    EXPECT_TRUE(f.view.hover().over(HoverArea::AddTrackZone));
}

TEST(TrackScroll, ClicksActOnTheScrolledTrackAtItsOwnStaffPositions) {
    ViewFixture f;
    addTracks(f, 4);
    f.view.onWheel(2, 0, 0);
    // Row 1 is track 3: y 180 is 10 pixels above its middle line, staff position 2.
    f.clickAt(110, 180);
    const Note& entered = f.view.score().tracks[3].measures[0].front();
    ASSERT_EQ(entered.pitches.size(), 1u);
    EXPECT_EQ(entered.pitches.front().position, 2);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(f.view.score().tracks[static_cast<std::size_t>(k)].measures[0].front().isRest())
            << k;
    }
    f.clickAt(200, 300);
    EXPECT_EQ(f.view.score().tracks.size(), 5u) << "the add-track zone below the last track";
    EXPECT_EQ(f.view.trackScroll(), 200) << "adding a track keeps the view";
}

TEST(TrackScroll, DeletingTracksBringsTheScrollBackWithinRange) {
    ViewFixture f;
    addTracks(f, 3);
    f.view.onWheel(2, 0, 0);
    f.window.trackDialog = [](TrackDialogModel& m) {
        m.deleteTrack([](std::string_view, std::string_view) { return true; });
    };
    f.clickAt(20, 90);  // the header of track 2, the last one
    ASSERT_EQ(f.view.score().tracks.size(), 2u);
    EXPECT_EQ(f.view.trackScroll(), 100);
    EXPECT_EQ(f.window.scrolls.back(), (FakeWindow::Scroll{100, 100}));
    // The pointer is now over the track that moved under it.
    EXPECT_TRUE(f.view.hover().over(HoverArea::TrackHeader));
    EXPECT_EQ(f.view.hover().track, 1);

    // A score that is opened is shown from its first track.
    Score opened;
    opened.addTrack(0, Bass);
    opened.addTrack(0, Bass);
    f.view.setLoadedScore(opened);
    f.view.invalidate();
    EXPECT_EQ(f.view.trackScroll(), 0);
    EXPECT_EQ(f.window.scrolls.back(), (FakeWindow::Scroll{0, 200}));
}

}  // namespace
}  // namespace corvane::test
