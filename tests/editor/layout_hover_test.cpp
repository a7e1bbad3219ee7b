// Layout arithmetic, growth on resize and the hover test's numbers and boundaries.

#include <gtest/gtest.h>

#include "fake_window.h"

namespace corvane::test {
namespace {

TEST(Layout, MeasuresPerScreenFollowsTheClientWidth) {
    struct Case {
        int width;
        int perScreen;
        std::size_t measures;  // after the size change from the one-measure default score
    };
    for (const Case c : {Case{800, 2, 2}, Case{1024, 3, 3}, Case{319, 0, 1}, Case{320, 1, 1},
                         Case{619, 1, 1}, Case{620, 2, 2}, Case{0, 0, 1}}) {
        ViewFixture f(c.width, 600);
        EXPECT_EQ(f.view.measuresPerScreen(), c.perScreen) << c.width;
        EXPECT_EQ(f.view.score().measures.size(), c.measures) << c.width;
        EXPECT_FALSE(f.view.dirty());
    }
}

TEST(Layout, DefaultWindowPlacesMeasuresAndPixelsPerQuarter) {
    ViewFixture f;
    const ScreenLayout screen = f.view.layout();
    // Wc = 780; fixed = 34 + (10 + 15 + 35) + 35 = 129; (780 - 129) / 8 = 81.
    EXPECT_EQ(screen.usableWidth, 780);
    EXPECT_EQ(screen.pixelsPerQuarter, 81);
    ASSERT_EQ(screen.measures.size(), 2u);
    const MeasureSlot& first = screen.measures[0];
    const MeasureSlot& second = screen.measures[1];
    EXPECT_EQ(first.left, 44);
    EXPECT_EQ(first.keyWidth, 10);
    EXPECT_EQ(first.timeWidth, 15);
    EXPECT_EQ(first.headerEnd(), 96);
    EXPECT_EQ(first.firstNoteHitX(), 106);
    EXPECT_EQ(second.left, 428);
    EXPECT_EQ(second.keyWidth, 0);
    EXPECT_EQ(second.timeWidth, 0);
    EXPECT_EQ(second.headerEnd(), 455);           // header width 27 when nothing changes
    EXPECT_EQ(second.firstNoteHitX(), 428 + 37);  // first note 37 pixels after the edge
    EXPECT_EQ(second.noteAreaEnd(screen.pixelsPerQuarter), 787);
}

TEST(Layout, FirstVisibleMeasureAlwaysReservesBothSignatures) {
    ViewFixture f(1024, 600);
    Score score = f.view.score();
    score.measures[1].key = 3;
    score.measures[2].key = 3;
    const ScreenLayout screen = computeLayout(score, 1, 1024);
    ASSERT_EQ(screen.measures.size(), 2u);  // capped by the measures that remain
    EXPECT_EQ(screen.measures[0].keyWidth, 3 * 7 + 10);
    EXPECT_EQ(screen.measures[0].timeWidth, 15);
    EXPECT_EQ(screen.measures[1].keyWidth, 0);
    EXPECT_EQ(screen.measures[1].timeWidth, 0);
    // Changes of key or meter between visible measures reserve their widths again.
    score.measures[2].key = -2;
    score.measures[2].beats = 3;
    const ScreenLayout changed = computeLayout(score, 1, 1024);
    EXPECT_EQ(changed.measures[1].keyWidth, 2 * 7 + 10);
    EXPECT_EQ(changed.measures[1].timeWidth, 15);
}

TEST(Layout, NarrowWindowStillLaysOutOneMeasure) {
    ViewFixture f(300, 600);
    EXPECT_EQ(f.view.measuresPerScreen(), 0);
    const ScreenLayout screen = f.view.layout();
    ASSERT_EQ(screen.measures.size(), 1u);
    // Wc = 298, fixed = 94, (298 - 94) / 4 = 51.
    EXPECT_EQ(screen.pixelsPerQuarter, 51);
    f.view.updateHover(106, 90);
    EXPECT_TRUE(f.view.hover().over(HoverArea::NoteArea));
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 0}));
}

TEST(Layout, NoteAdvanceFormsTheProductBeforeDividing) {
    struct Case {
        int duration, dots, triplet, ppq, advance;
    };
    for (const Case c : {Case{4, 0, 0, 81, 81}, Case{8, 0, 0, 81, 40}, Case{32, 0, 0, 81, 10},
                         Case{4, 1, 0, 81, 121}, Case{4, 2, 0, 81, 141}, Case{8, 0, 1, 81, 27},
                         Case{8, 0, 3, 70, 23}, Case{1, 0, 0, 51, 204}, Case{16, 2, 0, 81, 35},
                         Case{4, 0, 0, -5, -5}}) {
        Note note;
        note.duration = c.duration;
        note.dots = c.dots;
        note.triplet = c.triplet;
        EXPECT_EQ(noteAdvance(note, c.ppq), c.advance)
            << c.duration << '/' << c.dots << '/' << c.triplet << " at " << c.ppq;
    }
}

TEST(Layout, ResizeAppendsCopiesOfTheLastMeasure) {
    ViewFixture f;
    f.edit([](Score& s) {
        s.measures.back() = MeasureInfo{-3, 96, 3};
        s.tracks[0].measures.back() = freshMeasure(3);
        s.addTrack(5, Bass);
    });
    f.resize(1400, 600);  // 4 measures per screen
    ASSERT_EQ(f.view.score().measures.size(), 4u);
    for (std::size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(f.view.score().measures[i], (MeasureInfo{-3, 96, 3}));
        for (const Track& track : f.view.score().tracks) {
            EXPECT_EQ(track.measures[i], freshMeasure(3));
        }
    }
    EXPECT_FALSE(f.view.dirty());
    // Shrinking keeps the measures.
    f.resize(400, 600);
    EXPECT_EQ(f.view.score().measures.size(), 4u);
}

TEST(Layout, EmptyTimelineGetsOneDefaultMeasure) {
    ViewFixture f;
    Score loaded;
    loaded.clear();
    loaded.addTrack(3, Bass);
    loaded.addTrack(0, Drums);
    f.view.setLoadedScore(loaded);
    ASSERT_EQ(f.view.score().measures.size(), 1u);
    EXPECT_EQ(f.view.score().measures[0], (MeasureInfo{0, 120, 4}));
    for (const Track& track : f.view.score().tracks) {
        ASSERT_EQ(track.measures.size(), 1u);
        EXPECT_EQ(track.measures[0], freshMeasure(4));
    }
    EXPECT_FALSE(f.view.dirty());

    // A score replaced in place gets the measure too.
    f.edit([](Score& s) { s.clear(); });
    EXPECT_EQ(f.view.score().measures.size(), 1u);
}

// The default window's score, grown to two measures, and its layout.
struct DefaultScreen {
    DefaultScreen() : score(ViewFixture().view.score()), screen(computeLayout(score, 0, 800)) {}
    Score score;
    ScreenLayout screen;
};

struct HoverCase {
    int x, y;
    HoverArea area;
    int track, measure;  // -1: the point is in no band / over no measure
    int note;            // index of the nearest note, -1 for none
};

class HoverBoundaries : public ::testing::TestWithParam<HoverCase> {};

TEST_P(HoverBoundaries, DefaultWindowOneTrack) {
    const HoverCase c = GetParam();
    const DefaultScreen d;
    const HoverHit hit = hitTest(d.score, d.screen, Point{c.x, c.y});
    EXPECT_EQ(hit.area, c.area);
    EXPECT_EQ(hit.track, c.track < 0 ? std::nullopt : std::optional<int>(c.track));
    EXPECT_EQ(hit.measure, c.measure < 0 ? std::nullopt : std::optional<int>(c.measure));
    if (c.note < 0) {
        EXPECT_EQ(hit.note, std::nullopt);
    } else {
        EXPECT_EQ(hit.note, (NoteIndex{c.track, c.measure, c.note}));
    }
    // The marker stands under the point, on the staff step at or above it, only over notes.
    if (c.area == HoverArea::NoteArea) {
        EXPECT_EQ(hit.marker, (Point{c.x, c.y - c.y % 5}));
    } else {
        EXPECT_EQ(hit.marker, std::nullopt);
    }
}

constexpr HoverArea kNone = HoverArea::None;
constexpr HoverArea kTrackHeader = HoverArea::TrackHeader;
constexpr HoverArea kMeasureHeader = HoverArea::MeasureHeader;
constexpr HoverArea kNotes = HoverArea::NoteArea;
constexpr HoverArea kAddTrack = HoverArea::AddTrackZone;

INSTANTIATE_TEST_SUITE_P(
    Edges, HoverBoundaries,
    ::testing::Values(
        // x edges of the track header and the first measure.
        HoverCase{9, 90, kNone, 0, -1, -1}, HoverCase{10, 90, kTrackHeader, 0, -1, -1},
        HoverCase{43, 90, kTrackHeader, 0, -1, -1}, HoverCase{44, 90, kMeasureHeader, 0, 0, -1},
        HoverCase{95, 90, kMeasureHeader, 0, 0, -1}, HoverCase{96, 90, kNotes, 0, 0, 0},
        HoverCase{427, 90, kNotes, 0, 0, 3}, HoverCase{428, 90, kMeasureHeader, 0, 1, -1},
        HoverCase{454, 90, kMeasureHeader, 0, 1, -1}, HoverCase{455, 90, kNotes, 0, 1, 0},
        HoverCase{786, 90, kNotes, 0, 1, 3}, HoverCase{787, 90, kNone, 0, -1, -1},
        // Nearest note: 106, 187, 268, 349 in measure 0.
        HoverCase{146, 90, kNotes, 0, 0, 0}, HoverCase{147, 90, kNotes, 0, 0, 1},
        HoverCase{300, 90, kNotes, 0, 0, 2},
        // y edges of the band of track 0 and the add-track zone below the only track.
        HoverCase{200, 44, kNone, -1, -1, -1}, HoverCase{200, 45, kNotes, 0, 0, 1},
        HoverCase{200, 139, kNotes, 0, 0, 1}, HoverCase{200, 140, kNone, -1, -1, -1},
        HoverCase{20, 140, kNone, -1, -1, -1}, HoverCase{200, 141, kAddTrack, -1, -1, -1},
        HoverCase{5, 500, kAddTrack, -1, -1, -1},
        // The toolbar is in no band.
        HoverCase{50, 10, kNone, -1, -1, -1}));

TEST(Hover, AScoreWithoutTracksHasOnlyTheAddTrackZone) {
    DefaultScreen d;
    d.score.tracks.clear();
    EXPECT_EQ(hitTest(d.score, d.screen, Point{200, 40}).area, HoverArea::None);
    EXPECT_EQ(hitTest(d.score, d.screen, Point{200, 41}).area, HoverArea::AddTrackZone);
    HoverHit below;
    below.area = HoverArea::AddTrackZone;
    EXPECT_EQ(hitTest(d.score, d.screen, Point{20, 90}), below) << "no band, no measure, no note";
}

// A track with fewer measures than the timeline (only a damaged model has one) gives a note
// area without a note instead of reading past its end.
TEST(Hover, ATrackShortOfMeasuresGivesNoNote) {
    DefaultScreen d;
    d.score.tracks[0].measures.pop_back();
    const HoverHit hit = hitTest(d.score, d.screen, Point{600, 90});
    EXPECT_EQ(hit.area, HoverArea::NoteArea);
    EXPECT_EQ(hit.measure, 1);
    EXPECT_EQ(hit.note, std::nullopt);
}

// The view keeps the last track, measure and marker where a point has none, but the area and
// the note always describe the last point.
TEST(Hover, TheViewKeepsWhatTheLastHitFound) {
    ViewFixture f;
    f.view.updateHover(600, 93);
    f.view.updateHover(50, 10);  // the toolbar: in no band, over no measure
    const HoverState& hover = f.view.hover();
    EXPECT_EQ(hover.mouse, (Point{50, 10}));
    EXPECT_EQ(hover.area, HoverArea::None);
    EXPECT_EQ(hover.note, std::nullopt);
    EXPECT_EQ(hover.track, 0);
    EXPECT_EQ(hover.measure, 1);
    EXPECT_EQ(hover.marker, (Point{600, 90}));
    EXPECT_EQ(f.view.viewState().marker, std::nullopt) << "no marker outside a note area";
    f.view.updateHover(20, 90);  // the track header: the measure stays
    EXPECT_EQ(hover.measure, 1);
    EXPECT_EQ(hover.area, HoverArea::TrackHeader);
}

TEST(Hover, BandsOfLaterTracksAndTheAddTrackZone) {
    ViewFixture f;
    f.edit([](Score& s) {
        s.addTrack(0, Treble);
        s.addTrack(0, Bass);
    });
    const HoverState& hover = f.view.hover();
    for (int k = 0; k < 3; ++k) {
        f.view.updateHover(200, 139 + 100 * k);
        EXPECT_EQ(hover.track, k);
        EXPECT_TRUE(hover.over(HoverArea::NoteArea));
        EXPECT_EQ(staffPosition(k, hover.marker.y), -9);
        f.view.updateHover(200, 45 + 100 * k);
        EXPECT_EQ(hover.track, k);
        EXPECT_EQ(staffPosition(k, hover.marker.y), 9);
        f.view.updateHover(200, 140 + 100 * k);
        EXPECT_FALSE(hover.over(HoverArea::NoteArea));
        EXPECT_EQ(hover.track, k);  // kept from the previous hit
    }
    f.view.updateHover(200, 340);
    EXPECT_FALSE(hover.over(HoverArea::AddTrackZone));
    f.view.updateHover(200, 341);
    EXPECT_TRUE(hover.over(HoverArea::AddTrackZone));
}

TEST(Hover, HalfwayBetweenTwoNotesTargetsTheLaterOne) {
    ViewFixture f(1024, 600);  // 70 pixels per quarter: notes at 106 and 176
    ASSERT_EQ(f.view.layout().pixelsPerQuarter, 70);
    f.view.updateHover(141, 90);
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 1}));
    f.view.updateHover(140, 90);
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 0}));
}

TEST(Hover, UnequalNoteLengthsUseEachNotesOwnAdvance) {
    ViewFixture f;
    Note eighth;
    eighth.duration = 8;
    Note dottedQuarter;
    dottedQuarter.dots = 1;
    Note half;
    half.duration = 2;
    f.edit([&](Score& s) { s.tracks[0].measures[0] = {eighth, dottedQuarter, half}; });
    // x = 106, 146, 267
    f.view.updateHover(206, 90);  // 60 from 146, 61 from 267
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 1}));
    f.view.updateHover(207, 90);
    EXPECT_EQ(f.view.hover().note, (NoteIndex{0, 0, 2}));
}

TEST(Hover, EmptyMeasureGivesNoTarget) {
    ViewFixture f;
    f.edit([](Score& s) { s.tracks[0].measures[0].clear(); });
    f.view.updateHover(200, 90);
    EXPECT_TRUE(f.view.hover().over(HoverArea::NoteArea));
    EXPECT_EQ(f.view.hover().note, std::nullopt);
}

TEST(Hover, MarkerPositionAndRepaintRequests) {
    ViewFixture f;
    const HoverState& hover = f.view.hover();
    f.window.rectRepaints.clear();
    f.view.updateHover(200, 93);
    EXPECT_EQ(hover.marker, (Point{200, 90}));
    const Rect first{191, 74, 209, 106};
    EXPECT_EQ(hover.markerRect, first);
    ASSERT_EQ(f.window.rectRepaints.size(), 2u);
    EXPECT_EQ(f.window.rectRepaints[0], Rect{});  // the old, still empty, marker
    EXPECT_EQ(f.window.rectRepaints[1], first);

    f.window.rectRepaints.clear();
    f.view.updateHover(250, 117);
    const Rect second{241, 99, 259, 131};
    ASSERT_EQ(f.window.rectRepaints.size(), 2u);
    EXPECT_EQ(f.window.rectRepaints[0], first);
    EXPECT_EQ(f.window.rectRepaints[1], second);
    EXPECT_EQ(staffPosition(0, hover.marker.y), -5);

    // Leaving the note area repaints the old marker and keeps its place.
    f.window.rectRepaints.clear();
    f.view.updateHover(20, 90);
    ASSERT_EQ(f.window.rectRepaints.size(), 1u);
    EXPECT_EQ(f.window.rectRepaints[0], second);
    EXPECT_EQ(hover.markerRect, second);
    EXPECT_EQ(hover.marker.x, 250);
}

TEST(Hover, MouseLeaveRepaintsTheMarkerAndShowsTheCursor) {
    ViewFixture f;
    f.view.updateHover(200, 90);
    f.window.rectRepaints.clear();
    f.view.onMouseLeave();
    EXPECT_EQ(f.window.cursorShows, 1);
    ASSERT_EQ(f.window.rectRepaints.size(), 1u);
    EXPECT_EQ(f.window.rectRepaints[0], f.view.hover().markerRect);
    EXPECT_TRUE(f.view.hover().over(HoverArea::NoteArea));  // the hover state stays
    f.view.onMouseLeave();
    EXPECT_EQ(f.window.cursorShows, 2);
}

TEST(Hover, StaffPositionSpansTheBand) {
    for (int y = 45; y <= 139; ++y) {
        const int markerY = y - y % 5;
        const int position = staffPosition(0, markerY);
        EXPECT_GE(position, -9);
        EXPECT_LE(position, 9);
        EXPECT_EQ(90 - 5 * position, markerY);
    }
}

}  // namespace
}  // namespace corvane::test
