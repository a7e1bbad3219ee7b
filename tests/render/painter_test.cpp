#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/editor_view.h"
#include "render/layout.h"
#include "render/painter.h"
#include "render/recording_canvas.h"
#include "sound/player.h"
#include "tests/render/paint_window.h"

namespace corvane {
namespace {

using Lines = std::vector<std::string>;

// The plain data of one repaint, taken from a fresh editor of the given client size (the score
// grown to fill it, the glyphs loaded), and the painter's display list of it.
struct Painted {
    explicit Painted(int width = 800, int height = 600) {
        test::QuietWindow window;
        window.client = Rect{0, 0, width, height};
        EditorView editor(hostOf(window));
        editor.onResize();
        score = editor.score();
        view = editor.viewState();
        glyphs = editor.drawing().glyphs;
    }

    // The display list of one repaint.
    Lines paint() {
        canvas.clear();
        paintScore(score, view, tools, playing, glyphs, canvas);
        return canvas.lines();
    }

    TrackMeasure& measure(int track, int m) {
        return score.tracks[static_cast<std::size_t>(track)].measures[static_cast<std::size_t>(m)];
    }

    Score score;
    ViewState view;
    EntryTools tools;
    bool playing = false;
    Glyphs glyphs;
    RecordingCanvas canvas;
};

// An editor in a window whose back buffer records: what its own repaints draw and present.
struct Shown {
    explicit Shown(int width = 800, int height = 600) {
        window.client = Rect{0, 0, width, height};
        window.makeCanvas = [this](int, int) {
            auto canvas = std::make_unique<RecordingCanvas>();
            buffer = canvas.get();
            return canvas;
        };
        view = std::make_unique<EditorView>(hostOf(window));
        view->onResize();
    }
    Shown(const Shown&) = delete;
    Shown& operator=(const Shown&) = delete;

    // The display list of one repaint of the editor.
    Lines paint() {
        buffer->clear();
        view->paint();
        return buffer->lines();
    }

    test::PaintWindow window;
    RecordingCanvas* buffer = nullptr;
    std::unique_ptr<EditorView> view;
};

Note chord(int duration, std::initializer_list<int> positions) {
    Note note;
    note.duration = duration;
    for (const int p : positions) {
        note.pitches.push_back(NoteHead{p, AccidentalNone});
    }
    return note;
}

// Replaces the first measure of track 0 by `notes` (the measure need not be full to be drawn).
void setFirstMeasure(Painted& p, std::vector<Note> notes) {
    p.measure(0, 0).assign(notes.begin(), notes.end());
}

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int count(const Lines& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.compare(0, prefix.size(), prefix) == 0;
    }));
}

// The lines from the first one equal to `from` on (empty when it does not occur).
Lines after(const Lines& lines, const std::string& from) {
    const auto it = std::find(lines.begin(), lines.end(), from);
    return Lines(it, lines.end());
}

const Lines kToolbarCopies{
    "copy 128 0 0 96 19 3 3",     "copy 128 96 0 32 19 115 3",  "copy 128 128 0 16 19 163 3",
    "copy 128 144 0 32 19 195 3", "copy 128 176 0 32 19 243 3", "copy 128 208 0 16 19 291 3",
    "copy 128 224 0 32 19 323 3", "copy 128 256 0 16 19 371 3",
};

TEST(Painter, FreshScoreIsDrawnExactly) {
    Painted p;
    // 800 wide: two measures; Wc = 780, fixed = 34 + (10 + 15 + 35) + 35 = 129, eight beats:
    // 81 pixels a quarter. The first rest stands at 44 + 10 + 15 + 35 = 104, the second measure
    // starts at 104 + 4 * 81 = 428.
    Lines expected{"fill 0 0 800 600"};
    expected.insert(expected.end(), kToolbarCopies.begin(), kToolbarCopies.end());
    const Lines rest{
        "and 126 0 0 16 23 35 1",   // quarter note slot
        "and 126 0 0 16 23 339 1",  // stop slot
        "line 10 70 790 70",
        "line 10 80 790 80",
        "line 10 90 790 90",
        "line 10 100 790 100",
        "line 10 110 790 110",
        "line 10 69 10 111",
        "line 790 69 790 111",
        "text 5 28 Piano",
        "and 107 0 0 30 71 14 56",
        "text 44 44 1 BPM: 120",
        "and 121 0 0 15 18 54 71",
        "and 121 0 0 15 18 54 91",
        "text 94 120 90",
        "and 132 0 0 12 40 99 70",
        "and 132 0 0 12 40 180 70",
        "and 132 0 0 12 40 261 70",
        "and 132 0 0 12 40 342 70",
        "line 428 69 428 111",
        "text 428 44 2",
        "and 132 0 0 12 40 458 70",
        "and 132 0 0 12 40 539 70",
        "and 132 0 0 12 40 620 70",
        "and 132 0 0 12 40 701 70",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(p.paint(), expected);

    // The editor paints the same into its back buffer and presents the client area.
    Shown shown;
    EXPECT_EQ(shown.paint(), expected);
    ASSERT_EQ(shown.window.presented.size(), 1u);
    EXPECT_EQ(shown.window.presented[0].canvas, shown.buffer);
    EXPECT_EQ(shown.window.presented[0].width, 800);
    EXPECT_EQ(shown.window.presented[0].height, 600);
}

TEST(Painter, WithoutTracksOnlyTheToolbarIsDrawn) {
    Painted p;
    p.score.tracks.clear();
    Lines expected{"fill 0 0 800 600"};
    expected.insert(expected.end(), kToolbarCopies.begin(), kToolbarCopies.end());
    expected.push_back("and 126 0 0 16 23 35 1");
    expected.push_back("and 126 0 0 16 23 339 1");
    EXPECT_EQ(p.paint(), expected);
}

TEST(Painter, CopyToTheWindowCoversTheClientAreaNotTheBuffer) {
    Shown p;
    p.window.client = Rect{0, 0, 1000, 700};
    p.view->onResize();
    p.window.client = Rect{0, 0, 500, 400};
    p.view->onResize();
    const Lines lines = p.paint();
    EXPECT_EQ(lines.front(), "fill 0 0 500 400");
    EXPECT_EQ(p.buffer->width(), 1000);
    EXPECT_EQ(p.buffer->height(), 700);
    EXPECT_EQ(p.window.presented.back().width, 500);
    EXPECT_EQ(p.window.presented.back().height, 400);
    // The staff ends at 500 - 10, and a narrow window still shows one measure.
    EXPECT_TRUE(contains(lines, "line 10 70 490 70"));
    p.window.client = Rect{0, 0, 200, 150};
    p.view->onResize();
    const Lines narrow = p.paint();
    EXPECT_TRUE(contains(narrow, "line 10 70 308 70"));  // never shorter than 318 - 10
    EXPECT_TRUE(contains(narrow, "text 44 44 1 BPM: 120"));
}

TEST(Painter, ToolbarLightsExactlyOneDurationAndOneOfPlayAndStop) {
    struct Case {
        const char* name;
        void (*set)(EntryTools&);
        Lines lit;  // the highlight lines after the copies, in order
    };
    const std::vector<Case> cases{
        {"whole",
         [](EntryTools& v) { v.currentDuration = 1; },
         {"and 126 0 0 16 23 3 1", "and 126 0 0 16 23 339 1"}},
        {"thirty-second",
         [](EntryTools& v) { v.currentDuration = 32; },
         {"and 126 0 0 16 23 83 1", "and 126 0 0 16 23 339 1"}},
        {"odd value",
         [](EntryTools& v) { v.currentDuration = 3; },
         {"and 126 0 0 16 23 3 1", "and 126 0 0 16 23 339 1"}},
        {"pending dot",
         [](EntryTools& v) { v.pendingDots = 1; },
         {"and 126 0 0 16 23 35 1", "and 127 0 0 16 23 115 1", "and 126 0 0 16 23 339 1"}},
        {"locked double dot",
         [](EntryTools& v) {
             v.pendingDots = 2;
             v.dotsLocked = true;
         },
         {"and 126 0 0 16 23 35 1", "and 126 0 0 16 23 131 1", "and 126 0 0 16 23 339 1"}},
        {"everything pending",
         [](EntryTools& v) {
             v.currentDuration = 8;
             v.pendingTriplet = true;
             v.pendingAccidental = Flat;
             v.pendingOctave = -1;
             v.pendingTie = true;
             v.pendingVelocity = 64;
         },
         {"and 126 0 0 16 23 51 1", "and 127 0 0 16 23 163 1", "and 127 0 0 16 23 211 1",
          "and 127 0 0 16 23 259 1", "and 127 0 0 16 23 291 1", "and 126 0 0 16 23 339 1",
          "and 126 0 0 16 23 371 1"}},
        {"everything locked",
         [](EntryTools& v) {
             v.pendingTriplet = v.tripletLocked = true;
             v.pendingAccidental = Sharp;
             v.accidentalLocked = true;
             v.pendingOctave = 1;
             v.octaveLocked = true;
             v.pendingTie = v.tieLocked = true;
         },
         {"and 126 0 0 16 23 35 1", "and 126 0 0 16 23 163 1", "and 126 0 0 16 23 195 1",
          "and 126 0 0 16 23 243 1", "and 126 0 0 16 23 291 1", "and 126 0 0 16 23 339 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painted p;
        p.score.tracks.clear();
        c.set(p.tools);
        const Lines lines = p.paint();
        EXPECT_EQ(Lines(lines.begin() + 9, lines.end()), c.lit);
    }
}

TEST(Painter, PlaySlotIsLitWhilePlaying) {
    Painted p;
    p.playing = true;
    const Lines lines = p.paint();
    EXPECT_TRUE(contains(lines, "and 126 0 0 16 23 323 1"));
    EXPECT_FALSE(contains(lines, "and 126 0 0 16 23 339 1"));

    // The editor lights it while its player plays.
    Shown shown;
    Player player(std::make_shared<SilentSoundDevice>());
    shown.view->setPlayer(&player);
    player.play(shown.view->score(), 0, shown.window);
    ASSERT_TRUE(player.isPlaying());
    const Lines playing = shown.paint();
    player.stop();
    EXPECT_TRUE(contains(playing, "and 126 0 0 16 23 323 1"));
    EXPECT_FALSE(contains(playing, "and 126 0 0 16 23 339 1"));
}

TEST(Painter, VelocityIsWrittenWhereItChangesAcrossMeasuresAndRests) {
    Painted p;
    int n = 0;
    for (Note& note : p.measure(0, 0)) {
        note.velocity = n++ < 2 ? 90 : 100;
    }
    n = 0;
    for (Note& note : p.measure(0, 1)) {
        note.velocity = n++ < 2 ? 100 : 90;
        if (n == 1) {
            note.pitches.push_back(NoteHead{0, AccidentalNone});
        }
    }
    const Lines lines = p.paint();
    // Rests at 104, 185, 266, 347 and 463, 544, 625, 706.
    EXPECT_EQ(count(lines, "text 94 120 "), 1);
    EXPECT_TRUE(contains(lines, "text 256 120 100"));
    EXPECT_TRUE(contains(lines, "text 615 120 90"));
    EXPECT_EQ(count(lines, "text ") - count(lines, "text 5 ") - count(lines, "text 44 ") -
                  count(lines, "text 428 "),
              3);
    // Every track row starts afresh.
    p.score.addTrack(0, Treble);
    EXPECT_TRUE(contains(p.paint(), "text 94 220 90"));
}

TEST(Painter, MeasureLabelsShowTheTempoWhereItChanges) {
    Painted p(1100, 600);  // three measures
    ASSERT_GE(p.score.measures.size(), 3u);
    p.score.measures[1].tempo = 96;
    p.score.measures[2].tempo = 96;
    const Lines lines = p.paint();
    EXPECT_EQ(count(lines, "text 44 44 1 BPM: 120"), 1);
    EXPECT_EQ(count(lines, "text") - count(lines, "text 5 ") - count(lines, "text 94 "), 3);
    EXPECT_EQ(count(lines, "text "), 5);
    bool second = false;
    bool third = false;
    for (const std::string& l : lines) {
        second =
            second || (l.rfind("text ", 0) == 0 && l.find(" 44 2 BPM: 96") != std::string::npos);
        third = third || (l.rfind("text ", 0) == 0 && l.size() > 7 &&
                          l.compare(l.size() - 5, 5, " 44 3") == 0);
    }
    EXPECT_TRUE(second);
    EXPECT_TRUE(third);
    // Scrolled: the first visible measure always shows its tempo.
    p.view.firstVisibleMeasure = 1;
    EXPECT_TRUE(contains(p.paint(), "text 44 44 2 BPM: 96"));
}

TEST(Painter, KeySignaturesFollowTheOrderOfSharpsAndFlats) {
    Painted p;
    p.score.measures[0].key = 3;
    p.score.measures[1].key = -2;
    Lines lines = p.paint();
    // Sharps F C G at x = 44, 51, 58, tops -30, -15, -35 from the middle line.
    const Lines fromLabel = after(lines, "text 44 44 1 BPM: 120");
    ASSERT_GE(fromLabel.size(), 4u);
    EXPECT_EQ(
        Lines(fromLabel.begin() + 1, fromLabel.begin() + 4),
        (Lines{"and 109 0 0 14 19 44 60", "and 109 0 0 14 19 51 75", "and 109 0 0 14 19 58 55"}));
    // The meter follows after 3 * 7 + 10 pixels.
    EXPECT_TRUE(contains(lines, "and 121 0 0 15 18 75 71"));
    // Measure 2 (key -2, same meter): Wc 780, fixed 34 + (31 + 15 + 35) + (24 + 35) = 174,
    // 75 a quarter; it starts at 44 + 31 + 15 + 35 + 300 = 425. Flats B E: tops -12, -27.
    EXPECT_TRUE(contains(lines, "line 425 69 425 111"));
    EXPECT_TRUE(contains(lines, "and 110 0 0 14 19 425 78"));
    EXPECT_TRUE(contains(lines, "and 110 0 0 14 19 432 63"));
    EXPECT_TRUE(contains(lines, "and 132 0 0 12 40 479 70"));  // 425 + 24 + 35 - 5

    // Bass staves draw them 10 pixels lower; all seven sharps.
    p.score.tracks[0].kind = Bass;
    p.score.measures[0].key = 7;
    lines = p.paint();
    const int tops[] = {-30, -15, -35, -20, -5, -25, -10};
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(contains(lines, "and 109 0 0 14 19 " + std::to_string(44 + 7 * i) + " " +
                                        std::to_string(100 + tops[i])))
            << i;
    }
    EXPECT_TRUE(contains(lines, "and 120 0 0 30 71 14 56"));
    const Lines flats7 = [&] {
        p.score.tracks[0].kind = Treble;
        p.score.measures[0].key = -7;
        return p.paint();
    }();
    EXPECT_EQ(count(flats7, "and 110 "), 7 + 2);
    EXPECT_TRUE(contains(flats7, "and 110 0 0 14 19 86 93"));  // the seventh flat, F, top +3
}

TEST(Painter, KeyBeyondSevenDrawsSevenSignsButKeepsItsWidth) {
    Painted p;
    p.score.measures[0].key = 9;
    const Lines lines = p.paint();
    EXPECT_EQ(count(lines, "and 109 "), 7);
    EXPECT_TRUE(contains(lines, "and 121 0 0 15 18 117 71"));  // 44 + 9 * 7 + 10
}

TEST(Painter, DrumTrackHasNoNameNorKeyButTheSameSpacing) {
    Painted p;
    p.score.measures[0].key = 2;
    p.score.addTrack(0, Drums);
    const Lines lines = p.paint();
    const Lines drums = after(lines, "line 10 170 790 170");
    ASSERT_FALSE(drums.empty());
    EXPECT_FALSE(contains(drums, "text 5 128 Piano"));
    EXPECT_EQ(count(drums, "text 5 "), 0);
    EXPECT_TRUE(contains(drums, "and 140 0 0 30 71 14 156"));
    EXPECT_EQ(count(drums, "and 109 "), 0);
    EXPECT_TRUE(contains(drums, "and 121 0 0 15 18 68 171"));  // 44 + 2 * 7 + 10
    EXPECT_TRUE(contains(lines, "and 121 0 0 15 18 68 71"));   // the same in the treble track
    EXPECT_EQ(count(lines, "and 132 0 0 12 40 113 "), 2);      // first rests line up
}

TEST(Painter, MetersPickTheirUpperDigit) {
    Painted p;
    for (const auto& [beats, glyph] :
         {std::pair{3, 122}, std::pair{4, 121}, std::pair{5, 123}, std::pair{7, 157}}) {
        p.score.measures[0].beats = beats;
        const Lines lines = p.paint();
        EXPECT_TRUE(contains(lines, "and " + std::to_string(glyph) + " 0 0 15 18 54 71")) << beats;
        EXPECT_TRUE(contains(lines, "and 121 0 0 15 18 54 91")) << beats;
    }
}

// Every count a file holds shows its own digits: one narrow digit where the wide 3, 4 and 5 stand,
// or the tens 5 pixels left of there and the units 5 pixels right; the 4 below, the signature's
// width and what follows stay where they were.
TEST(Painter, EveryMeterIsDrawnWithItsOwnDigits) {
    Painted p;
    p.score.measures[0].beats = 4;
    const Lines fourBeats = p.paint();
    const std::size_t meterLine = static_cast<std::size_t>(
        std::find(fourBeats.begin(), fourBeats.end(), "and 121 0 0 15 18 54 71") -
        fourBeats.begin());
    ASSERT_LT(meterLine, fourBeats.size());
    for (int beats = 1; beats <= 32; ++beats) {
        p.score.measures[0].beats = beats;
        const Lines lines = p.paint();
        Lines upper;
        if (beats >= 3 && beats <= 5) {
            upper = {"and " + std::to_string(beats == 3 ? 122 : (beats == 4 ? 121 : 123)) +
                     " 0 0 15 18 54 71"};
        } else if (beats < 10) {
            upper = {"and " + std::to_string(150 + beats) + " 0 0 15 18 54 71"};
        } else {
            upper = {"and " + std::to_string(150 + beats / 10) + " 0 0 15 18 49 71",
                     "and " + std::to_string(150 + beats % 10) + " 0 0 15 18 59 71"};
        }
        upper.push_back("and 121 0 0 15 18 54 91");
        ASSERT_GE(lines.size(), meterLine + upper.size()) << beats;
        EXPECT_EQ(Lines(lines.begin() + static_cast<std::ptrdiff_t>(meterLine),
                        lines.begin() + static_cast<std::ptrdiff_t>(meterLine + upper.size())),
                  upper)
            << beats;
        // The first rest stands where it stands under any meter.
        EXPECT_TRUE(contains(lines, "and 132 0 0 12 40 99 70")) << beats;
    }
}

TEST(Painter, SecondsShiftTheChord) {
    Painted p;
    Note note = chord(4, {0, 1});
    note.pitches.back().accidental = Sharp;
    setFirstMeasure(p, {note});
    const Lines lines = after(p.paint(), "text 94 120 90");
    // Head 0 at x + 5, head 1 at x - 5 with its sharp at x - 35, the stem down at x.
    const Lines expected{
        "text 94 120 90",          "ellipse 103 86 115 95", "ellipse 93 81 105 90",
        "and 109 0 0 14 19 69 75", "line 104 120 104 85",
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 5), expected);
}

TEST(Painter, ChordsWithoutSecondsShareOneColumn) {
    Painted p;
    Note note = chord(2, {-4, -2, 0});  // a half-note triad, stem up (-4 + 0 < 0)
    note.pitches.front().accidental = Flat;
    note.pitches.back().accidental = Natural;
    setFirstMeasure(p, {note});
    const Lines lines = after(p.paint(), "text 94 120 90");
    const Lines expected{
        "text 94 120 90",      "arc 98 106 110 115", "and 110 0 0 14 19 84 98",
        "arc 98 96 110 105",   "arc 98 86 110 95",   "and 119 0 0 14 19 84 80",
        "line 109 110 109 65",  // from the lowest head up 25 beyond the highest (>= 35 long)
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 7), expected);
}

TEST(Painter, StemsAndFlagsPointTheRightWay) {
    struct Case {
        int duration;
        int position;
        Lines expected;  // after the head
    };
    const std::vector<Case> cases{
        // Up: from the head 35 pixels up, flags hang from the top downwards.
        {8, -3, {"line 109 105 109 70", "and 115 0 0 14 7 110 70"}},
        {32,
         -1,
         {"line 109 95 109 60", "and 115 0 0 14 7 110 60", "and 115 0 0 14 7 110 66",
          "and 115 0 0 14 7 110 72"}},
        // Down (position 0 counts as down): flags rise from the stem's bottom end.
        {16, 0, {"line 99 125 99 90", "and 114 0 0 14 7 100 118", "and 114 0 0 14 7 100 112"}},
        {32,
         3,
         {"line 99 110 99 75", "and 114 0 0 14 7 100 103", "and 114 0 0 14 7 100 97",
          "and 114 0 0 14 7 100 91"}},
        {4, 4, {"line 99 105 99 70"}},
        {2, -4, {"line 109 110 109 75"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.duration) + " at " + std::to_string(c.position));
        Painted p;
        setFirstMeasure(p, {chord(c.duration, {c.position})});
        const Lines lines = after(p.paint(), "text 94 120 90");
        ASSERT_GE(lines.size(), 2 + c.expected.size());
        EXPECT_EQ(
            Lines(lines.begin() + 2, lines.begin() + 2 + static_cast<long>(c.expected.size())),
            c.expected);
    }
}

TEST(Painter, WholeNoteHasNoStemAndItsOctaveMarkSitsAboveTheTopHead) {
    Painted p;
    Note note = chord(1, {2, -1});
    note.octave = 1;
    setFirstMeasure(p, {note});
    const Lines lines = after(p.paint(), "text 94 120 90");
    const Lines expected{"text 94 120 90", "arc 98 76 110 85", "arc 98 91 110 100",
                         "and 124 0 0 16 10 97 72"};
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4), expected);
    EXPECT_EQ(count(lines, "line 104 "), 0);
    EXPECT_EQ(count(lines, "line 109 "), 0);
}

TEST(Painter, TripletAndOctaveMarksStackOnTheNoteSide) {
    struct Case {
        int position;
        int octave;
        Lines marks;
    };
    // x = 104. Up-stem at -3: U = 70, D = 105. Down-stem at 3: U = 75, D = 110.
    const std::vector<Case> cases{
        {-3, 1, {"and 129 0 0 6 11 101 112", "and 124 0 0 16 10 97 62"}},
        {-3, -1, {"and 129 0 0 6 11 101 112", "and 125 0 0 16 10 97 124"}},
        {3, 1, {"and 129 0 0 6 11 101 57", "and 124 0 0 16 10 97 46"}},
        {3, -1, {"and 129 0 0 6 11 101 57", "and 125 0 0 16 10 97 113"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.position) + " octave " + std::to_string(c.octave));
        Painted p;
        Note note = chord(4, {c.position});
        note.triplet = 1;
        note.octave = c.octave;
        setFirstMeasure(p, {note});
        const Lines lines = after(p.paint(), "text 94 120 90");
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(Lines(lines.begin() + 3, lines.begin() + 5), c.marks);
    }
    // Without a triplet the octave marks sit closer.
    Painted p;
    Note note = chord(4, {3});
    note.octave = 1;
    setFirstMeasure(p, {note});
    EXPECT_TRUE(contains(p.paint(), "and 124 0 0 16 10 97 58"));
}

TEST(Painter, DotsTieAndLedgerLines) {
    Painted p;
    Note dotted = chord(4, {0});
    dotted.dots = 2;
    dotted.tie = TieStart;
    Note high = chord(8, {8});  // two ledger lines above
    high.tie = TieEnd;
    Note low = chord(8, {-6});
    low.tie = TieMiddle;
    setFirstMeasure(p, {dotted, high, low});
    const Lines lines = after(p.paint(), "text 94 120 90");
    // Double-dotted quarter: 7 * 8 * 81 / 32 = 141 pixels on.
    const Lines expected{
        "text 94 120 90",          "and 139 0 0 16 5 113 61", "ellipse 98 86 110 95",
        "ellipse 113 88 118 93",   "ellipse 121 88 126 93",   "line 99 125 99 90",
        "line 237 60 254 60",      "line 237 50 254 50",      "ellipse 239 46 251 55",
        "line 240 85 240 50",      "and 114 0 0 14 7 241 78", "and 139 0 0 16 5 294 61",
        "line 277 120 294 120",    "ellipse 279 116 291 125", "line 290 120 290 85",
        "and 115 0 0 14 7 291 85",
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<long>(expected.size())), expected);
}

TEST(Painter, LedgerLinesFollowTheDistanceFromTheMiddleLine) {
    const std::vector<std::pair<int, Lines>> cases{
        {5, {}},
        {6, {"line 96 60 113 60"}},
        {7, {"line 96 60 113 60"}},
        {9, {"line 96 60 113 60", "line 96 50 113 50"}},
        {12, {"line 96 60 113 60", "line 96 50 113 50"}},
        {-5, {}},
        {-7, {"line 96 120 113 120"}},
        {-8, {"line 96 120 113 120", "line 96 130 113 130"}},
    };
    for (const auto& [position, ledgers] : cases) {
        SCOPED_TRACE(position);
        RecordingCanvas canvas;
        paintNoteHead(canvas, 104, 90 - 5 * position, 0, true);
        Lines lines = canvas.lines();
        lines.pop_back();  // the head
        EXPECT_EQ(lines, ledgers);
    }
}

TEST(Painter, RestsShowNeitherDotsNorTiesButTheirTriplet) {
    Painted p;
    Note dotted;
    dotted.dots = 1;
    dotted.tie = TieStart;
    dotted.octave = 1;
    Note triplet;
    triplet.duration = 8;
    triplet.triplet = 1;
    Note whole;
    whole.duration = 1;
    Note half;
    half.duration = 2;
    Note sixteenth;
    sixteenth.duration = 16;
    Note thirtySecond;
    thirtySecond.duration = 32;
    setFirstMeasure(p, {dotted, triplet, whole, half, sixteenth, thirtySecond});
    const Lines lines = after(p.paint(), "text 94 120 90");
    // Dotted quarter advances 3 * 8 * 81 / 16 = 121; the triplet eighth 2 * 4 * 81 / 24 = 27.
    const Lines expected{
        "text 94 120 90",           "and 132 0 0 12 40 99 70",  "and 133 0 0 12 40 220 70",
        "and 129 0 0 6 11 220 57",  "and 130 0 0 12 40 247 70", "and 131 0 0 12 40 571 70",
        "and 134 0 0 12 40 733 70", "and 135 0 0 12 40 753 70",
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(count(lines, "ellipse"), 0);
    EXPECT_EQ(count(lines, "and 139"), 0);
    EXPECT_EQ(count(lines, "and 124"), 0);
}

TEST(Painter, MarkerIsAHeadUnderTheMouseOverTheNoteArea) {
    Shown p;
    p.view->updateHover(150, 52);  // track 0, note area, y rounded down to 50
    ASSERT_EQ(p.view->viewState().marker, (Marker{0, 150, 50}));
    Lines lines = p.paint();
    const Lines tail{"line 142 60 159 60", "line 142 50 159 50", "ellipse 144 46 156 55"};
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()), tail);
    p.view->onChar(U'x');  // half notes: a hollow head
    lines = p.paint();
    EXPECT_EQ(lines.back(), "arc 144 46 156 55");
    p.view->updateHover(20, 52);  // over the track header: no marker
    lines = p.paint();
    EXPECT_EQ(lines.back(), "and 132 0 0 12 40 701 70");

    // The marker belongs to its track: one on track 1 stands 100 pixels lower with its ledgers.
    Painted track1;
    track1.score.addTrack(0, Treble);
    track1.view.marker = Marker{1, 150, 150};
    lines = track1.paint();
    const Lines lower{"line 142 160 159 160", "line 142 150 159 150", "ellipse 144 146 156 155"};
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()), lower);
}

// The smallest y a display-list operation names: where it reaches up to.
int topOf(const std::string& line) {
    std::istringstream words(line);
    std::string op;
    words >> op;
    std::vector<int> numbers;
    for (int n = 0; numbers.size() < 7 && words >> n;) {
        numbers.push_back(n);
    }
    if (op == "line") {
        return std::min(numbers.at(1), numbers.at(3));
    }
    if (op == "copy" || op == "and") {
        return numbers.at(6);
    }
    return numbers.at(1);  // fill, ellipse and arc: the box's top; text: its top
}

TEST(Painter, ScrolledDownTheTopRowShowsTheFirstScrolledTrackAndNothingReachesTheToolbar) {
    Painted p;
    p.score.addTrack(32, Bass);
    p.score.addTrack(0, Drums);
    // Track 0 reaches far below its staff: ledger lines, stems and velocities that would stand
    // in the toolbar's band one row up.
    Note low = chord(8, {-9, -8});
    low.velocity = 50;
    setFirstMeasure(p, {low, chord(16, {-9}), chord(2, {-7})});
    p.measure(1, 0).front() = chord(4, {-1, 2});
    p.view.trackScroll = 100;
    p.view.marker = Marker{2, 150, 150};
    const Lines scrolled = p.paint();

    const std::size_t toolbarOperations = 1 + kToolbarCopies.size() + 2;  // page, icons, lit
    ASSERT_GT(scrolled.size(), toolbarOperations);
    for (std::size_t i = toolbarOperations; i < scrolled.size(); ++i) {
        EXPECT_GE(topOf(scrolled[i]), layout::kToolbarBottom + 1) << scrolled[i];
    }
    // Exactly what the score without its first track shows unscrolled.
    p.score.tracks.erase(p.score.tracks.begin());
    p.view.trackScroll = 0;
    p.view.marker = Marker{1, 150, 150};
    EXPECT_EQ(scrolled, p.paint());
}

TEST(Painter, PaintsNothingWithoutABackBufferAndSkipsMissingGlyphs) {
    test::PaintWindow window;
    EditorView view(hostOf(window));  // the window gives no canvas
    view.onResize();
    EXPECT_TRUE(view.resourcesFailed());
    view.updateHover(150, 52);
    view.paint();
    EXPECT_TRUE(window.presented.empty());

    Painted p;
    p.glyphs = Glyphs{};  // none loaded
    const Lines lines = p.paint();
    EXPECT_EQ(count(lines, "and "), 0);
    EXPECT_EQ(count(lines, "copy "), 0);
    EXPECT_TRUE(contains(lines, "text 44 44 1 BPM: 120"));
}

TEST(Painter, GlyphsAreDrawnAtTheirOwnSize) {
    Painted p;
    p.glyphs[Glyph::TrebleClef] = Bitmap{107, 3, 2, std::vector<std::uint32_t>(6, 0)};
    p.glyphs[Glyph::QuarterRest] = Bitmap{132, 3, 2, std::vector<std::uint32_t>(6, 0)};
    const Lines lines = p.paint();
    EXPECT_TRUE(contains(lines, "and 107 0 0 3 2 14 56"));
    EXPECT_TRUE(contains(lines, "and 132 0 0 3 2 99 70"));
    EXPECT_EQ(count(lines, "and 132 0 0 3 2 "), 8);
}

// Any score the loader accepts paints without failing: keys -7..7, meters 1..32, every note
// value, dots, triplet marks, octave shifts -3..3, positions -20..20, empty measures.
TEST(Painter, AnyLoadableScorePaints) {
    std::mt19937 random(12345);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 40; ++round) {
        Painted p(pick(0, 1600), pick(0, 900));
        Score& score = p.score;
        for (int t = pick(0, 4); t > 0; --t) {
            score.addTrack(pick(-5, 200), static_cast<TrackKind>(pick(0, 2)));
        }
        for (MeasureInfo& info : score.measures) {
            info = MeasureInfo{pick(-7, 7), pick(1, 255), pick(1, 32)};
        }
        for (Track& track : score.tracks) {
            for (TrackMeasure& measure : track.measures) {
                measure.clear();
                for (int n = pick(0, 12); n > 0; --n) {
                    Note note;
                    note.duration = 1 << pick(0, 5);
                    note.dots = pick(0, 2);
                    note.triplet = pick(0, 3);
                    note.octave = pick(-3, 3);
                    note.velocity = pick(0, 127);
                    note.tie = static_cast<TieState>(pick(0, 3));
                    for (int h = pick(0, 4); h > 0; --h) {
                        note.pitches.push_back(
                            NoteHead{pick(-20, 20), static_cast<Accidental>(pick(0, 3))});
                    }
                    measure.push_back(note);
                }
            }
        }
        p.view.firstVisibleMeasure = pick(0, 3);
        if (pick(0, 1) == 1) {
            p.view.marker = Marker{pick(0, 4), pick(0, 1600), pick(0, 900)};
        }
        const Lines lines = p.paint();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(count(lines, "fill "), 1);
        EXPECT_EQ(count(lines, "copy 128 "), 8);
    }
}

}  // namespace
}  // namespace corvane
