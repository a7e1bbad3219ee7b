#pragma once
// The client area: the editor's drawing surface, which hands every size, paint, mouse and key
// event of the window to the editing session. Without a session (before it is built, once it is
// gone) the events go nowhere and the area is a plain white page.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "editor/drawing_surface.h"
#include "editor/playback_follow.h"

class QHelpEvent;

namespace corvane {

class EditorSession;

class ClientArea final : public QWidget, public DrawingSurface {
    Q_OBJECT

  public:
    // Makes the editor's back buffer of w x h pixels; null when it cannot.
    using CanvasFactory = std::function<std::unique_ptr<Canvas>(int width, int height)>;

    // `createCanvas` makes the back buffers; without it they are raster canvases.
    explicit ClientArea(QWidget* parent, CanvasFactory createCanvas = {});

    // The session the events go to; null for none.
    void setSession(EditorSession* session) { session_ = session; }
    // A leave notice has been asked for and has not yet come.
    bool mouseTracking() const { return mouseTracking_; }
    // Where the playback marker is drawn over the score; none while nothing plays.
    const std::optional<PlaybackMarker>& playbackMarker() const { return marker_; }
    // The clock that follows playback, running while the score plays.
    const QTimer& playbackClock() const { return playbackClock_; }

    void invalidate() override;
    void invalidateRect(const Rect& r) override;
    Rect clientRect() const override;
    void showCursor() override;
    Point cursorPos() const override;
    void postChar(char32_t c) override;
    std::unique_ptr<Canvas> createCanvas(int width, int height) override;
    void present(const Canvas& backBuffer, int width, int height) override;
    // Called on any thread: hands the notice to the window's thread.
    void notifyPlaybackDone() override;

  protected:
    // Answers tooltip requests over the painted toolbar.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The wheel scrolls the track area a track a notch.
    void wheelEvent(QWheelEvent* event) override;
    // Tab and Backtab are keys like any other here, not focus moves.
    bool focusNextPrevChild(bool next) override;

  private slots:
    // One tick of the playback clock: the page turns with the sound and the marker moves; the
    // clock stops with playback.
    void followPlayback();

  private:
    // A typed or posted character, and the sequencer's notice, on the window's thread.
    void typed(char32_t c);
    void playbackEnded();
    void showToolbarTip(const QHelpEvent& help);
    // After input that may have started playback: starts the clock that follows it.
    void watchPlayback();
    // Copies the part `area` of the back buffer to the window; false when there is none.
    bool presentArea(const QRect& area);
    void drawPlaybackMarker();

    CanvasFactory canvasFactory_;
    EditorSession* session_ = nullptr;
    bool mouseTracking_ = false;
    bool painting_ = false;
    // A paint only the marker asked for copies the back buffer as it is, unless the editor has
    // asked for a repaint since the last paint.
    bool markerMoved_ = false;
    bool scoreChanged_ = true;
    QTimer playbackClock_;
    std::optional<PlaybackMarker> marker_;
    int wheelTurn_ = 0;  // wheel turn not yet making a whole notch, in eighths of a degree
};

}  // namespace corvane
