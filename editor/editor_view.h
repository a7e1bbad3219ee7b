#pragma once
// The editor object: the score being edited, the view, the entry tools, the hover state, the
// measure clipboard and the drawing resources. Input handlers change it; painting reads it
// through plain values (render/painter.h).

#include <cstdint>
#include <memory>
#include <optional>

#include "editor/edit_history.h"
#include "editor/editor_host.h"
#include "editor/hover.h"
#include "editor/keyboard_keys.h"
#include "editor/playback_follow.h"
#include "editor/status_line.h"
#include "render/entry_tools.h"
#include "render/layout.h"
#include "render/resources.h"
#include "render/view_state.h"
#include "score/measure_clipboard.h"
#include "score/note_index.h"
#include "score/score.h"

namespace corvane {

class Player;

class EditorView {
  public:
    // Builds the default score, the tool defaults and the clipboard, reads the client area of
    // `host` and creates the drawing resources (check resourcesFailed() afterwards).
    explicit EditorView(EditorHost host);
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    // The player that sounds entries and plays the score; null keeps the editor silent.
    void setPlayer(Player* p) { player_ = p; }

    // Size change: refreshes the client area, grows the back buffer, recomputes
    // measuresPerScreen and appends measures until the view is full; repaints.
    void onResize();
    // The hover test at (x, y) in client pixels; repaints where the marker was and is.
    void updateHover(int x, int y);
    // The mouse left the window: repaints the marker area and makes the cursor visible.
    void onMouseLeave();
    // Asks for a repaint of the whole client area, after fitting the view to the score: the
    // track scroll within the tracks there are (a deleted track may leave it past the last one;
    // the hover test then runs again), the status line up to date.
    void invalidate();
    // The mouse wheel turned `notches` notches at (x, y), positive towards the user: the track
    // area moves down one track a notch, within its range. The score does not change.
    void onWheel(int notches, int x, int y);
    // The scroll bar: the track area moves to `trackScroll` pixels, rounded down to whole tracks
    // and kept within its range.
    void setTrackScroll(int trackScroll);
    // A left (rightButton false) or right button press at (x, y).
    void onClick(int x, int y, bool rightButton);
    // A key press: navigation.
    void onKeyDown(KeyboardKey key);
    // A typed character: the entry tools. True when handled; the window then repaints.
    bool onChar(char32_t c);
    // A key release: only Shift matters.
    void onKeyUp(KeyboardKey key);
    // Paints the client area into the back buffer and presents it (nothing without a buffer).
    void paint();
    // The window's clock while the score plays: turns the page when the measure heard has left
    // it, unless the user has moved the view since playback started (a turn adds no measures and
    // repaints), and says where the window draws the marker; nullopt when nothing plays, the
    // sound keeps no clock, or the measure heard is not on screen.
    std::optional<PlaybackMarker> followPlayback();

    // Gives a score without measures its one default measure (not an edit). Everything that lays
    // the score out calls it.
    void ensureTimeline();
    // After a load: takes `score`, clean and shown from measure 0 and from its first track, with
    // a new, empty history at its saved point, and forgets the hovered track, measure and Note of
    // the old one.
    void setLoadedScore(Score score);
    // Replaces the score and keeps the view: the timeline is ensured, the history starts again
    // empty (at its saved point while the score is clean, with that point out of reach while it
    // is dirty), the hover test runs again at the last mouse position, and the window repaints.
    // The dirty flag and the first visible measure stay as they are.
    void replaceScore(Score score);
    // The score has been saved: it is clean, and the history's clean index is here.
    void markSaved() { history_.markClean(); }
    // Edit menu: takes back the last step, or makes the next one again (nothing when there is
    // none). The score and the first visible measure become what they were just before (after)
    // that step, the view is filled as after a size change, and hover and marker are found
    // again; the entry tools stay.
    void undo();
    void redo();
    // The score is one that was never saved, such as an imported or restored one: it is dirty,
    // and no undo brings it back to a clean point.
    void markUnsaved() { history_.forgetClean(); }
    // Scrolls so that `measure` is the first visible one; the next onResize() grows the score up
    // to it.
    void setFirstVisibleMeasure(int measure) { firstVisibleMeasure_ = measure; }

    const Score& score() const { return score_; }
    const EditHistory& history() const { return history_; }
    DrawingSurface& surface() const { return surface_; }
    Player* player() const { return player_; }
    // The score has changes that have not been saved: the history is away from its clean index.
    // A click that leaves the score as it was makes no step, so it leaves this as it was.
    bool dirty() const { return !history_.isClean(); }
    // A number that changes whenever the score may have changed (an edit, undo or redo, a new
    // score, growth or trimming by scrolling), so that watchers need not compare scores.
    std::uint64_t revision() const { return revision_; }
    int firstVisibleMeasure() const { return firstVisibleMeasure_; }
    int measuresPerScreen() const { return measuresPerScreen_; }
    // How far the track area is scrolled down, in pixels: 0 at the top, at most
    // maxTrackScroll(tracks), in steps of one track (render/layout.h).
    int trackScroll() const { return trackScroll_; }
    // What a click at the pointer would do, as the status line says it.
    const std::string& statusText() const { return statusText_; }
    // The last visible measure's absolute index.
    int lastVisibleMeasure() const { return firstVisibleMeasure_ + measuresPerScreen_ - 1; }
    const Rect& clientRect() const { return clientRect_; }
    const EntryTools& tools() const { return tools_; }
    const HoverState& hover() const { return hover_; }
    const MeasureClipboard& clipboard() const { return clipboard_; }
    const DrawingResources& drawing() const { return drawing_; }
    bool resourcesFailed() const { return drawing_.resourcesFailed; }
    // The player is playing the score.
    bool playing() const;
    // The view as the painter sees it: client area, scroll position and marker.
    ViewState viewState() const;
    // The layout of the visible measures for the current client area.
    ScreenLayout layout() const;

  private:
    void fillView();
    // After undo or redo: the view filled, hover and repaint.
    void showHistoryMove(int firstVisibleMeasure);
    // Moves the track area to `trackScroll`, already in range, and hovers again at `at`.
    void scrollTracksTo(int trackScroll, Point at);
    // Brings the track scroll within its range and tells the window where it stands.
    void fitTrackScroll();
    // Builds the status text again when what it describes has changed, and shows it.
    void refreshStatus();
    void scrollRight();
    void scrollLeft();
    // The last measure holds only rests in every track and has its predecessor's key, meter and
    // tempo: growth would make it again exactly, so scrolling left may drop it.
    bool trailingMeasureIsSpare() const;
    // Runs `action` as the user action `step` stands for; when it changed the score, the step
    // goes into the history.
    template <class Action>
    void record(std::unique_ptr<EditStep> step, Action&& action);
    void enterFromClick(const NoteIndex& target, bool rightButton);
    void clickToolbar(int slot);
    void startPlayback(bool toggle);
    // The Track or Drum Track dialog of the hovered track.
    void openTrackDialog();
    // The Measure Properties dialog of the hovered measure, telling `step` of every measure it
    // is about to change.
    void openMeasureDialog(MeasureDialogStep& step);
    void openDynamicDialog();

    DrawingSurface& surface_;
    Prompts& prompts_;
    StatusDisplay& status_;
    Player* player_ = nullptr;

    Score score_;
    EditHistory history_{score_};
    std::uint64_t revision_ = 0;
    int firstVisibleMeasure_ = 0;
    int measuresPerScreen_ = 1;
    Rect clientRect_;
    int trackScroll_ = 0;
    int shownTrackScroll_ = -1;  // what the window was last told, -1 before it was told
    int shownMaxTrackScroll_ = -1;

    EntryTools tools_;
    HoverState hover_;
    StatusSubject statusSubject_;
    // The subject before its click outcomes were found, and whether they still hold: every
    // change to the score, the clipboard or playback is followed by invalidate(), which says
    // they may not.
    StatusSubject statusBasis_;
    bool clickOutcomesKnown_ = false;
    std::string statusText_;
    MeasureClipboard clipboard_;
    DrawingResources drawing_;
    PageTurner pageTurner_;
};

}  // namespace corvane
