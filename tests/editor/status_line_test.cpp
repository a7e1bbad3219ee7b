// The status line and the toolbar tips: pitch and drum names, what each area says a click does,
// the text built again only when it would change, and the tips with their keys and locks.

#include <gtest/gtest.h>

#include <cctype>

#include "editor/status_line.h"
#include "editor/tool_rules.h"
#include "editor/toolbar.h"
#include "fake_window.h"

namespace corvane::test {
namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(PitchName, LetterAccidentalAsSoundedAndOctave) {
    struct Case {
        int position;
        Accidental typed;
        int octave;
        TrackKind kind;
        int key;
        const char* name;
    };
    for (const Case c : {
             Case{-3, AccidentalNone, 0, Treble, 1, "F#4"},  // the key signature's sharp
             Case{-3, Flat, 0, Treble, 1, "F4"},  // a flat against the key's sharp: natural
             Case{-3, Sharp, 0, Treble, 1, "F#4"},
             Case{-2, Flat, 0, Treble, 1, "Gb4"},
             Case{0, AccidentalNone, 0, Treble, -1, "Bb4"},
             Case{0, AccidentalNone, 1, Treble, -1, "Bb5"},
             Case{-6, AccidentalNone, -1, Treble, 0, "C3"},
             Case{-1, AccidentalNone, 0, Bass, 2, "C#3"},
             Case{-9, AccidentalNone, 0, Bass, 0, "B1"},
             Case{9, AccidentalNone, 0, Treble, 0, "D6"},
             // The octave number belongs to the letter, whatever the accidental.
             Case{0, Sharp, 0, Treble, 0, "B#4"},
             Case{1, Flat, 0, Treble, 0, "Cb5"},
         }) {
        EXPECT_EQ(pitchName(c.position, c.typed, c.octave, c.kind, c.key), c.name)
            << c.position << " " << c.typed << " key " << c.key;
    }
}

TEST(PitchName, DrumLinesNameTheDrumWhateverKeyOrOctave) {
    EXPECT_EQ(pitchName(-9, Flat, 0, Drums, 0), "Acoustic Bass Drum");
    EXPECT_EQ(pitchName(-9, AccidentalNone, 1, Drums, 6), "Bass Drum 1");
    EXPECT_EQ(pitchName(-8, AccidentalNone, 0, Drums, -3), "Hand Clap");
    EXPECT_EQ(pitchName(-7, AccidentalNone, 0, Drums, 0), "Closed Hi-Hat");
    EXPECT_EQ(pitchName(9, Sharp, 0, Drums, 0), "Drum 91") << "past the named drums";
}

TEST(StatusLine, NoteAreaSaysWhatEachButtonEnters) {
    ViewFixture f;
    f.view.updateHover(110, 75);  // measure 1, staff position 3
    // On a quarter rest a right click with quarters changes nothing, and is not named.
    EXPECT_EQ(f.view.statusText(), "Measure 1, Piano: place a quarter note, E5");

    f.edit([](Score& s) { s.measures[1].key = 1; });
    f.type("vtq");  // eighth triplet, octave up
    f.view.invalidate();
    f.view.updateHover(500, 105);  // measure 2, staff position -3: F, sharp in this key
    const std::string text = f.view.statusText();
    EXPECT_TRUE(has(text, "Measure 2, Piano")) << text;
    EXPECT_TRUE(has(text, "triplet eighth note, F#5")) << text;
    EXPECT_TRUE(has(text, "right click: triplet eighth rest")) << text;

    // Dots go with notes, not with rests; a pending tie and dynamic are said.
    f.type("cdg");
    f.setVelocity(100);
    f.view.invalidate();
    EXPECT_TRUE(has(f.view.statusText(), "dotted quarter note, F#5, tied, dynamic 100"))
        << f.view.statusText();
    EXPECT_TRUE(has(f.view.statusText(), "right click: quarter rest")) << f.view.statusText();

    // On a note that sounds already, a click adds a head to it.
    f.clickAt(110, 75);
    f.view.updateHover(110, 85);
    EXPECT_TRUE(has(f.view.statusText(), ": add C5 to the chord")) << f.view.statusText();
}

TEST(StatusLine, HeadersTheAddTrackZoneAndTheToolbar) {
    ViewFixture f;
    f.edit([](Score& s) {
        s.addTrack(0, Drums);
        s.tracks[0].measures[0].front().pitches.push_back(NoteHead{0, AccidentalNone});
    });
    const auto at = [&f](int x, int y) {
        f.view.updateHover(x, y);
        return f.view.statusText();
    };
    EXPECT_EQ(at(20, 90), "Click: track properties");
    EXPECT_EQ(at(20, 190), "Click: drum track properties");
    // The clipboard holds a treble measure of rests in key 0, four beats: it fits the first track
    // only, and changes only its first measure, which holds a note.
    EXPECT_EQ(at(60, 90), "Click: measure properties; right click: paste measure");
    EXPECT_EQ(at(60, 190), "Click: measure properties");
    EXPECT_EQ(at(f.view.layout().measures[1].left + 5, 90), "Click: measure properties")
        << "pasting the same notes changes nothing";
    EXPECT_EQ(at(200, 241), "Click: add a treble track");
    EXPECT_EQ(at(40, 10), "Quarter note (C)");
    EXPECT_EQ(at(100, 10), "") << "a gap";
    EXPECT_EQ(at(5, 90), "") << "left of the track header";
    // A drum line names the drum and the track as drums.
    EXPECT_TRUE(has(at(110, 235), "Measure 1, Drums: place a quarter note, Bass Drum 1"));
}

TEST(StatusLine, IsBuiltAndShownOnlyWhenItChanges) {
    ViewFixture f;
    f.view.updateHover(110, 75);
    const std::size_t shown = f.window.statuses.size();
    EXPECT_EQ(f.window.statuses.back(), f.view.statusText());
    f.view.updateHover(111, 76);  // the same staff step of the same note
    f.view.updateHover(130, 79);
    f.view.invalidate();
    EXPECT_EQ(f.window.statuses.size(), shown);
    f.view.updateHover(130, 70);  // one step higher
    EXPECT_EQ(f.window.statuses.size(), shown + 1);
    f.type("s");
    f.view.invalidate();
    EXPECT_EQ(f.window.statuses.size(), shown + 2) << "the tools changed what a click enters";
}

TEST(StatusLine, ATrackADialogRemovedDescribesNothing) {
    ViewFixture f;
    f.window.trackDialog = [](TrackDialogModel& m) {
        m.deleteTrack([](std::string_view, std::string_view) { return true; });
    };
    f.clickAt(20, 90);
    ASSERT_TRUE(f.view.score().tracks.empty());
    EXPECT_EQ(f.view.statusText(), "");
}

TEST(ToolbarTips, EveryToolNamesItsKey) {
    for (int slot = 0; slot < layout::kToolbarSlots; ++slot) {
        const ToolbarSlot& tool = toolbarSlot(slot);
        const std::string tip = toolbarTip(slot, EntryTools{});
        if (tool.action == SlotAction::Gap) {
            EXPECT_EQ(tip, "") << slot;
            continue;
        }
        const std::string keys = tip.substr(tip.find('('));
        switch (tool.action) {
            case SlotAction::Char:
                EXPECT_TRUE(has(keys, std::string(1, static_cast<char>(std::toupper(
                                                          static_cast<int>(tool.character))))))
                    << slot << " " << tip;
                break;
            case SlotAction::SingleDot:
            case SlotAction::DoubleDot:
                EXPECT_TRUE(has(keys, "D")) << tip;
                break;
            default:
                EXPECT_EQ(keys, "(Space)") << tip;
                break;
        }
    }
    EXPECT_EQ(toolbarTip(23, EntryTools{}), "Dynamic\u2026 (R)");
}

TEST(ToolbarTips, ALockedToolSaysSoOnItsOwnSlot) {
    EntryTools tools;
    applyToolKey(tools, U's');
    EXPECT_EQ(toolbarTip(12, tools), "Sharp (S)") << "one-shot";
    applyToolKey(tools, U's');
    EXPECT_EQ(toolbarTip(12, tools), "Sharp (S), locked");
    EXPECT_EQ(toolbarTip(13, tools), "Flat (F)");
    applyToolKey(tools, U'a');
    applyToolKey(tools, U'a');
    EXPECT_TRUE(has(toolbarTip(16, tools), "locked"));
    EXPECT_FALSE(has(toolbarTip(15, tools), "locked"));
    pressDotButton(tools);
    pressDotButton(tools);
    EXPECT_TRUE(has(toolbarTip(7, tools), "locked"));
    EXPECT_FALSE(has(toolbarTip(8, tools), "locked"));
    applyToolKey(tools, U'g');
    EXPECT_FALSE(has(toolbarTip(18, tools), "locked"));
}

TEST(ToolbarTips, SlotAreasAreTheCellsAClickPresses) {
    for (int slot = 0; slot < layout::kToolbarSlots; ++slot) {
        const Rect area = toolbarSlotArea(slot);
        EXPECT_EQ(toolbarSlotAt(Point{area.left, area.top}), slot);
        EXPECT_EQ(toolbarSlotAt(Point{area.right - 1, area.bottom - 1}), slot);
        EXPECT_EQ(toolbarSlotAt(Point{area.left, area.bottom}), std::nullopt);
        EXPECT_EQ(toolbarSlotAt(Point{area.left, area.top - 1}), std::nullopt);
    }
}

}  // namespace
}  // namespace corvane::test
