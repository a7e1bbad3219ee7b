#pragma once
// The editor object: the score being edited, the view and entry-tool state, the hover state,
// the one-measure clipboard and the drawing resources. Input handlers change it; painting reads it.

#include "editor/editor_window.h"
#include "editor/layout.h"
#include "render/resources.h"
#include "score/score.h"

namespace corvane {

class Player;

// Virtual-key codes the editor reacts to.
namespace keys {
inline constexpr int kShift = 16;
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
}  // namespace keys

class EditorView {
  public:
    // Builds the default score, the tool defaults and the clipboard, reads the client area and
    // creates the drawing resources (check drawing.resourcesFailed afterwards).
    explicit EditorView(EditorWindow& window);
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    // The player that sounds entries and plays the score; null keeps the editor silent.
    void setPlayer(Player* p) { player = p; }

    // Size change: refreshes clientRect, grows the back buffer, recomputes measuresPerScreen and
    // appends measures until the view is full; repaints.
    void onResize();
    // The hover test at (x, y) in client pixels.
    void updateHover(int x, int y);
    // The mouse left the window: repaints the marker area and makes the cursor visible.
    void onMouseLeave();
    // Asks for a repaint of the whole client area.
    void invalidate();
    // A left (rightButton false) or right button press at (x, y).
    void onClick(int x, int y, bool rightButton);
    // A key press by virtual-key code: navigation.
    void onKeyDown(int key);
    // A typed character: the entry tools. True when handled; the window then repaints.
    bool onChar(char32_t c);
    // A key release by virtual-key code: only Shift matters.
    void onKeyUp(int key);

    // Copies measure `measure` of track `track` into the clipboard, ties cut at both ends.
    void copyMeasure(int measure, int track);
    // Replaces measure `measure` of track `track` by the clipboard if kind, key and beats match.
    void pasteMeasure(int measure, int track);

    // Gives a score without measures its one default measure (not an edit). Everything that lays
    // the score out calls it; call it after replacing the score's content.
    void ensureTimeline();
    // Before the score's content is replaced by a load: forgets references into the old notes.
    void prepareForLoad();
    // After a load: the score is clean and shown from measure 0.
    void finishLoad();
    // The Save command: asks for a file name and saves the score there (file_commands.h).
    // True when the file was written.
    bool saveScore();

    // The layout of the visible measures for the current client area.
    ScreenLayout layout() const;
    // The last visible measure's absolute index.
    int lastVisibleMeasure() const { return firstVisibleMeasure + measuresPerScreen - 1; }

    EditorWindow& window;
    Player* player = nullptr;

    // Ownership and view.
    Score score;
    int firstVisibleMeasure = 0;
    int measuresPerScreen = 1;
    bool dirty = false;
    Rect clientRect;

    // Entry tools: the pending settings of the next note entry.
    int currentDuration = 4;
    Accidental pendingAccidental = AccidentalNone;
    bool accidentalLocked = false;
    int pendingDots = 0;
    bool dotsLocked = false;
    bool dotsUsed = false;
    bool pendingTriplet = false;
    bool tripletLocked = false;
    int pendingOctave = 0;
    bool octaveLocked = false;
    bool pendingTie = false;
    bool tieLocked = false;
    int pendingVelocity = 0;

    // Hover state, written by updateHover.
    int lastMouseX = 0;
    int lastMouseY = 0;
    int hoverTrack = 0;
    int hoverMeasure = 0;
    bool overTrackHeader = false;
    bool overAddTrackZone = false;
    bool overMeasureHeader = false;
    bool overNoteArea = false;
    Note* hoverNote = nullptr;  // not owned: a Note of the score
    int markerX = 0;
    int markerY = 0;
    Rect markerRect;

    // The measure clipboard.
    TrackKind clipKind = Treble;
    int clipKey = 0;
    int clipBeats = 4;
    TrackMeasure clipNotes;

    // Drawing resources and the back buffer.
    DrawingResources drawing;

    // Painting, defined in render/painter.cpp
    void paint();
    void drawGlyph(const Bitmap& glyph, int x, int y);
    // The parts of one repaint, each drawing into drawing.memoryDC (nothing without one).
    // yk is the y of the staff's middle line of track k.
    void drawToolbar();
    void drawTrack(const Track& track, int k);
    void drawStaff(int yk);
    // Draws measure i from left edge x; previousVelocity is carried on to the next measure.
    void drawMeasure(int i, const Track& track, int k, int x, int yk, int previousKey,
                     int previousBeats, int previousTempo, int& previousVelocity);
    void drawMeasureLabel(int i, int tempo, int x, int yk, bool withTempo);
    void drawKeySignature(int key, TrackKind kind, int x, int yk);
    void drawMeter(int beats, int x, int yk);
    void drawNote(const Note& note, int x, int yk, int k, int previousVelocity);
    // One note head centred at (x, y) on track k, with the ledger lines it needs.
    void drawHead(int x, int y, int k, bool filled);

  private:
    void scrollRight();
    void scrollLeft();
    // The last measure holds only rests in every track and has its predecessor's key, meter and
    // tempo: growth would make it again exactly, so scrolling left may drop it.
    bool trailingMeasureIsSpare() const;
    void enterFromClick(bool rightButton);
    void endOneShotTools();
    void clickToolbar(int x);
    void startPlayback(bool toggle);
    void pressDotButton();
    void pressDoubleDotButton();
    void cycleDots();
    void openTrackDialog();
    void openMeasureDialog();
    void openDynamicDialog();
    void fillView();
};

}  // namespace corvane
