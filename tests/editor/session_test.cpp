// The editing session as the window's one entry: every input and command reaches the editor
// through it, and its listeners hear once of every change to the document (score, file, unsaved
// changes, undo history) and of nothing else. The characters toolbar buttons post and the
// sequencer's notice take the same way in every window.

#include "editor/editor_session.h"

#include <gtest/gtest.h>

#include "editor/editor_view.h"
#include "editor/toolbar.h"
#include "fake_window.h"
#include "score/score_reader.h"
#include "sound/player.h"
#include "tests/score/test_files.h"

namespace corvane::test {
namespace {

// A spot on track 0's note area in the first measure of an 800-pixel-wide client area.
constexpr Point kNoteSpot{110, 80};

class SessionTest : public ::testing::Test {
  protected:
    SessionTest() {
        session.resize();
        session.addDocumentListener([this](const DocumentState& s) { told.push_back(s); });
    }
    void placeNote() {
        session.mouseMove(kNoteSpot);
        session.click(kNoteSpot, false);
    }
    // The middle of the first toolbar slot that types `c`.
    static Point slotTyping(char32_t c) {
        for (int slot = 0; slot < 24; ++slot) {
            if (toolbarSlot(slot).action == SlotAction::Char && toolbarSlot(slot).character == c) {
                const Rect area = toolbarSlotArea(slot);
                return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
            }
        }
        ADD_FAILURE() << "no slot types " << static_cast<int>(c);
        return {};
    }

    FakeWindow window;
    EditorSession session{hostOf(window), nullptr};
    std::vector<DocumentState> told;
};

TEST_F(SessionTest, ListenersHearOfTheDocumentAtOnceThenOncePerChange) {
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], session.documentState());
    EXPECT_FALSE(told[0].dirty);
    EXPECT_EQ(told[0].path, "");
    EXPECT_EQ(told[0].undoText, "Undo");
    EXPECT_FALSE(told[0].canUndo);

    // Input that leaves the document alone says nothing.
    session.mouseMove(kNoteSpot);
    session.mouseMove(Point{300, 300});
    session.keyUp(KeyboardKey::Shift);
    session.mouseLeave();
    EXPECT_EQ(told.size(), 1u);

    placeNote();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_TRUE(told[1].dirty);
    EXPECT_TRUE(told[1].canUndo);
    EXPECT_EQ(told[1].undoText, "Undo Note Entry");
    EXPECT_NE(told[1].revision, told[0].revision);

    session.undo();
    ASSERT_EQ(told.size(), 3u);
    EXPECT_FALSE(told[2].dirty) << "back at the saved point";
    EXPECT_EQ(told[2].redoText, "Redo Note Entry");
    session.redo();
    ASSERT_EQ(told.size(), 4u);
    EXPECT_TRUE(told[3].dirty);
    EXPECT_EQ(told.back(), session.documentState());
}

TEST_F(SessionTest, ClicksThatChangeNothingAreNotHeard) {
    // Heard of nothing, the window keeps its title and no recovery copy falls due.
    window.trackDialog = [](TrackDialogModel& m) { m.ok(); };
    window.measureDialog = [](MeasureDialogModel& m) { m.cancel(); };
    for (const Point at : {Point{20, 90}, Point{50, 90}}) {
        session.mouseMove(at);
        session.click(at, false);
    }
    EXPECT_EQ(told.size(), 1u);
    placeNote();
    ASSERT_EQ(told.size(), 2u);
    placeNote();  // the same head again
    session.mouseMove(Point{20, 90});
    session.click(Point{20, 90}, false);
    EXPECT_EQ(told.size(), 2u);
    EXPECT_TRUE(session.documentState().dirty);
}

TEST_F(SessionTest, FileCommandsAreHeardWithTheFileTheyLeave) {
    testing::TempDir dir;
    placeNote();
    const std::size_t before = told.size();
    // A cancelled Save changes nothing and says nothing.
    EXPECT_FALSE(session.save());
    EXPECT_EQ(told.size(), before);

    const std::string song = dir.file("song.cvn");
    window.files.push_back(song);
    ASSERT_TRUE(session.save());
    ASSERT_EQ(told.size(), before + 1);
    EXPECT_EQ(told.back().path, song);
    EXPECT_FALSE(told.back().dirty);
    // The next Save suggests the file; the other dialogs suggest nothing.
    EXPECT_FALSE(session.save());
    EXPECT_FALSE(session.writeMidi());
    ASSERT_EQ(window.fileDialogs.size(), 4u);
    EXPECT_EQ(window.fileDialogs[2].current, song);
    EXPECT_EQ(window.fileDialogs[3].kind, FileDialogKind::WriteMidi);
    EXPECT_EQ(window.fileDialogs[3].current, "");

    // A score opened from another file: the listeners hear of the new file.
    Score other;
    other.addMeasure(3, 80, 3);
    const std::string second = dir.file("second.cvn");
    ScoreReader().save(second, other);
    ASSERT_TRUE(session.loadFile(second));
    EXPECT_EQ(told.back().path, second);
    EXPECT_FALSE(told.back().canUndo);
}

TEST_F(SessionTest, PostedCharactersAndTheSequencersNoticeReachTheEditorThroughTheSession) {
    // A toolbar button posts its character; the window hands it back as typed.
    const Point eighth = slotTyping(U'v');
    session.mouseMove(eighth);
    session.click(eighth, false);
    ASSERT_EQ(window.posted, std::vector<char32_t>{U'v'});
    EXPECT_EQ(session.editor().tools().currentDuration, 4) << "not before the click is done";
    const int repaints = window.fullRepaints;
    session.typed(window.posted.front());
    EXPECT_EQ(session.editor().tools().currentDuration, 8);
    EXPECT_GT(window.fullRepaints, repaints);
    // A character the editor does not take asks for no repaint.
    const int after = window.fullRepaints;
    session.typed(U'#');
    EXPECT_EQ(window.fullRepaints, after);

    session.typed(U' ');
    ASSERT_TRUE(session.player().isPlaying());
    session.playbackEnded();
    EXPECT_FALSE(session.player().isPlaying());
    EXPECT_GT(window.fullRepaints, after + 1);
    EXPECT_EQ(told.size(), 1u) << "none of this changed the document";
}

}  // namespace
}  // namespace corvane::test
