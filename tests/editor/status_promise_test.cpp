// The status line never promises what a click will not do. A random walk of the pointer over every
// kind of place (toolbar slots, track and measure headers, note areas at every staff position, the
// add-track zone, the space between) with random tools on a random score: wherever the line
// announces a change for the button pressed, the click makes one; where it says a click changes
// nothing, or names no right click over a note, the click changes nothing. Then the cases one by
// one.

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>

#include "editor/note_entry.h"
#include "entry_helpers.h"
#include "fake_window.h"
#include "sound/player.h"

namespace corvane::test {
namespace {

using corvane::testing::chance;
using corvane::testing::violation;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The notes, tracks and settings of the measures `before` had: what a click can change. Growth
// at the end, which scrolling brings, is no change of what was there.
bool changedWhatWasThere(const Score& before, const Score& after) {
    if (after.tracks.size() != before.tracks.size() ||
        after.measures.size() < before.measures.size()) {
        return true;
    }
    for (std::size_t m = 0; m < before.measures.size(); ++m) {
        if (after.measures[m] != before.measures[m]) {
            return true;
        }
        for (std::size_t t = 0; t < before.tracks.size(); ++t) {
            const Track& was = before.tracks[t];
            const Track& now = after.tracks[t];
            if (was.kind != now.kind || was.program != now.program ||
                was.measures[m] != now.measures[m]) {
                return true;
            }
        }
    }
    return false;
}

enum Place { ToolbarSlot, TrackHeader, MeasureHeader, NoteArea, AddTrackZone, Nowhere, kPlaces };

int pick(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

// A point in a random place of kind `place` of `view` (tracks unscrolled, all in view).
Point pointIn(Place place, const EditorView& view, std::mt19937& rng) {
    const ScreenLayout screen = view.layout();
    const int tracks = static_cast<int>(view.score().tracks.size());
    const int row = pick(rng, 0, std::max(tracks - 1, 0));
    const int bandTop = layout::kBandTop + layout::kTrackSpacing * row;
    const int y = pick(rng, bandTop, bandTop + layout::kBandBottom - layout::kBandTop);
    const MeasureSlot& slot =
        screen.measures[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(screen.measures.size()) - 1))];
    switch (place) {
        case ToolbarSlot:
            return {pick(rng, layout::kToolbarLeft, layout::kToolbarLeft + 24 * 16 - 1),
                    pick(rng, layout::kToolbarTop, layout::kToolbarBottom)};
        case TrackHeader:
            return {pick(rng, layout::kTrackHeaderLeft, layout::kFirstMeasureLeft - 1), y};
        case MeasureHeader:
            return {pick(rng, slot.left, slot.headerEnd() - 1), y};
        case NoteArea:
            return {pick(rng, slot.headerEnd(), slot.noteAreaEnd(screen.pixelsPerQuarter) - 1), y};
        case AddTrackZone:
            return {pick(rng, 0, view.clientRect().right - 1),
                    pick(rng, layout::kTrackSpacing * tracks + layout::kAddTrackGap + 1,
                         view.clientRect().bottom - 1)};
        case Nowhere:
            // Left of the headers, or between the toolbar and the first track.
            return chance(rng, 50) ? Point{pick(rng, 0, layout::kTrackHeaderLeft - 1), y}
                                   : Point{pick(rng, 0, view.clientRect().right - 1),
                                           pick(rng, layout::kToolbarBottom + 1,
                                                layout::kBandTop - 1)};
        default:
            return {};
    }
}

struct Tally {
    std::array<int, kPlaces> visits{};
    int promisesKept = 0;   // a change announced for the button pressed, and made
    int doesNotFit = 0;     // "does not fit here", and the left click changed nothing
    int thereAlready = 0;   // "is there already", and the left click changed nothing
    int noRightClick = 0;   // a note named no right click, and the right click changed nothing
    int idleTool = 0;       // a tool said it does nothing now, and it did nothing
};

class PromiseWalk {
  public:
    explicit PromiseWalk(unsigned seed) : rng_(seed) {
        f_.resize(800, 800);
        f_.edit([&](Score& s) { s = testing::randomScore(rng_, 6); });
        f_.view.setPlayer(&player_);
        // Track dialogs delete a track now and then, so that all stay in view as more are added.
        const auto deleteSome = [this](auto& m) {
            if (f_.view.score().tracks.size() > 3 || chance(rng_, 10)) {
                m.deleteTrack([](std::string_view, std::string_view) { return true; });
            }
        };
        f_.window.trackDialog = deleteSome;
        f_.window.drumTrackDialog = deleteSome;
        // The measure dialog copies now and then, and changes a key or meter now and then.
        f_.window.measureDialog = [this](MeasureDialogModel& m) {
            if (chance(rng_, 30)) {
                m.copy();
            } else if (chance(rng_, 10)) {
                m.keySignature = pick(rng_, -6, 6);
                m.ok();
            }
        };
    }

    void step(Tally& tally) {
        changeTools();
        auto place = static_cast<Place>(pick(rng_, 0, kPlaces - 1));
        const int tracks = static_cast<int>(f_.view.score().tracks.size());
        if (tracks == 0 || (place == AddTrackZone && tracks > 6)) {
            place = AddTrackZone;
            if (tracks > 6) {
                return;
            }
        }
        // Now and then the place of the last click again: what it did may now be done already.
        const Point p = last_ && chance(rng_, 25) ? *last_ : pointIn(place, f_.view, rng_);
        last_ = p;
        f_.view.updateHover(p.x, p.y);
        const std::string said = f_.view.statusText();
        const bool overNote = f_.view.hover().over(HoverArea::NoteArea) && f_.view.hover().note;
        const bool right = chance(rng_, 40);
        const Score before = f_.view.score();
        const EntryTools tools = f_.view.tools();
        const bool playing = f_.view.playing();

        f_.view.onClick(p.x, p.y, right);
        f_.window.deliverPosted(f_.view);
        player_.waitForPreviews();
        const bool changed = changedWhatWasThere(before, f_.view.score());
        const std::string context = said + (right ? " (right click at " : " (click at ") +
                                    std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
        ++tally.visits[place];

        const bool promised =
            right ? has(said, "right click: ")
                  : has(said, ": place a ") || has(said, ": add ") || said == "Click: add a treble track";
        if (promised) {
            ASSERT_TRUE(changed) << "promised and not made: " << context;
            ++tally.promisesKept;
        }
        if (!right && (has(said, " does not fit here") || has(said, " is there already"))) {
            ASSERT_FALSE(changed) << context;
            ++(has(said, " does not fit here") ? tally.doesNotFit : tally.thereAlready);
        }
        if (right && overNote && !has(said, "right click: ")) {
            ASSERT_FALSE(changed) << context;
            ++tally.noRightClick;
        }
        if (has(said, ": not for ") || has(said, ": playing already") ||
            has(said, ": nothing is playing")) {
            EXPECT_EQ(f_.view.tools(), tools) << context;
            EXPECT_EQ(f_.view.playing(), playing) << context;
            ++tally.idleTool;
        }
    }

    const Score& score() const { return f_.view.score(); }

  private:
    void changeTools() {
        static constexpr std::string_view kToolKeys = "zxcvbnsfqagtd";
        while (chance(rng_, 30)) {
            f_.type(std::string(1, kToolKeys[static_cast<std::size_t>(
                                       pick(rng_, 0, static_cast<int>(kToolKeys.size()) - 1))]));
        }
        if (chance(rng_, 5)) {
            f_.setVelocity(pick(rng_, 1, 127));
        }
        f_.view.invalidate();
    }

    std::mt19937 rng_;
    std::optional<Point> last_;
    ViewFixture f_;
    Player player_{nullptr};
};

TEST(StatusLinePromise, WhereverAChangeIsAnnouncedTheClickMakesIt) {
    Tally tally;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        PromiseWalk walk(seed);
        for (int i = 0; i < 1500; ++i) {
            walk.step(tally);
            if (HasFatalFailure()) {
                return;
            }
        }
        ASSERT_EQ(violation(walk.score(), false), "") << "seed " << seed;
    }
    // The walk must reach every kind of place and every kind of answer, or it proves little.
    for (int place = 0; place < kPlaces; ++place) {
        EXPECT_GT(tally.visits[static_cast<std::size_t>(place)], 400) << "place " << place;
    }
    EXPECT_GT(tally.promisesKept, 600);
    EXPECT_GT(tally.doesNotFit, 40);
    EXPECT_GT(tally.thereAlready, 4);
    EXPECT_GT(tally.noRightClick, 40);
    EXPECT_GT(tally.idleTool, 30);
}

// The cases one by one, on the default score: four quarter rests a measure, the first measure's
// Notes at x 106, 187, 268 and 349 for the hover test.
class StatusLineSays : public ::testing::Test {
  protected:
    std::string at(int x, int y = kY) {
        f.view.updateHover(x, y);
        return f.view.statusText();
    }
    // A click at (x, kY) whose outcome is compared with the score before it.
    bool clickChanges(int x, bool right = false) {
        const Score before = f.view.score();
        f.clickAt(x, kY, right);
        return f.view.score() != before;
    }
    void use(std::string_view keys) {
        f.type(keys);
        f.view.invalidate();
    }
    static constexpr int kFirst = 110;
    static constexpr int kSecond = 187;
    static constexpr int kY = 75;  // staff position 3: E5

    ViewFixture f;
};

TEST_F(StatusLineSays, ThatAValueDoesNotFitAndAPitchIsThereAlready) {
    f.clickAt(kSecond, kY);  // a note on the second beat: the first rest cannot grow past it
    use("x");
    EXPECT_EQ(at(kFirst), "Measure 1, Piano: a half note does not fit here")
        << "nor does a half rest: the rest stays a quarter rest";
    EXPECT_FALSE(clickChanges(kFirst));
    EXPECT_FALSE(clickChanges(kFirst, true));

    use("c");
    EXPECT_EQ(at(kSecond), "Measure 1, Piano: E5 is there already; right click: quarter rest");
    EXPECT_FALSE(clickChanges(kSecond));
    use("q");  // the same head an octave up is another note
    EXPECT_EQ(at(kSecond), "Measure 1, Piano: add E6 to the chord, a quarter note; right click: "
                           "quarter rest");
    EXPECT_TRUE(clickChanges(kSecond));
}

TEST_F(StatusLineSays, TheValueTheTargetTakesNotTheOneAskedFor) {
    use("vt");  // a triplet of eighths on the first beat
    f.clickAt(kFirst, kY);
    use("c");
    // Triplet members keep their value: a quarter entered on the second one is an eighth.
    const int second = 106 + 81 / 3;
    EXPECT_EQ(at(second), "Measure 1, Piano: place a triplet eighth note, E5");
    EXPECT_TRUE(clickChanges(second));
    EXPECT_EQ(f.view.score().tracks[0].measures[0].size(), 6u) << "the group and three rests";

    // A note that cannot become a half rest becomes a rest of its own length.
    f.clickAt(kSecond, kY);
    use("x");
    f.clickAt(268, kY);
    EXPECT_TRUE(has(at(kSecond), "; right click: quarter rest")) << at(kSecond);
}

TEST_F(StatusLineSays, PasteOnlyWhereItChangesSomething) {
    EXPECT_EQ(at(60, 90), "Click: measure properties") << "the copy of these very rests";
    f.clickAt(kFirst, kY);
    EXPECT_EQ(at(60, 90), "Click: measure properties; right click: paste measure");
    const Score before = f.view.score();
    f.clickAt(60, 90, true);
    EXPECT_NE(f.view.score(), before);
    EXPECT_EQ(at(60, 90), "Click: measure properties");
}

TEST_F(StatusLineSays, ToolsThatDoNothingNowAndPlayback) {
    const auto tool = [this](int slot) { return at(16 * slot + 8, 10); };
    use("n");
    EXPECT_EQ(tool(7), "Dot (D): not for thirty-second notes");
    const EntryTools tools = f.view.tools();
    f.clickAt(16 * 7 + 8, 10);
    EXPECT_EQ(f.view.tools(), tools);
    use("b");
    EXPECT_EQ(tool(7), "Dot (D)");
    EXPECT_EQ(tool(8), "Double dot (D three times): not for sixteenth or thirty-second notes");
    use("z");
    EXPECT_EQ(tool(10), "Triplet (T): not for whole notes");
    use("c");
    EXPECT_EQ(tool(10), "Triplet (T)");

    Player player(nullptr);
    f.view.setPlayer(&player);
    f.view.invalidate();
    EXPECT_EQ(tool(20), "Play / Stop (Space)");
    EXPECT_EQ(tool(21), "Play / Stop (Space): nothing is playing");
    f.clickAt(16 * 20 + 8, 10);
    ASSERT_TRUE(player.isPlaying());
    EXPECT_EQ(tool(20), "Play / Stop (Space): playing already");
    EXPECT_EQ(tool(21), "Play / Stop (Space)");
    f.clickAt(16 * 21 + 8, 10);
    EXPECT_FALSE(player.isPlaying());
    f.view.setPlayer(nullptr);
}

}  // namespace
}  // namespace corvane::test
