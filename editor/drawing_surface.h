#pragma once
// The client area the editor draws into and reads the mouse from. The desktop puts a Qt widget
// behind it; the replay and the tests put stand-ins that record.

#include <memory>

#include "render/canvas.h"
#include "sound/device.h"

namespace corvane {

// The sequencer's completion notice arrives through NotifyTarget on any thread and must be handed
// to the window's thread; everything else here is called on that thread.
class DrawingSurface : public NotifyTarget {
  public:
    virtual ~DrawingSurface() = default;

    // Asks for a repaint of the whole client area, without erasing the background.
    virtual void invalidate() = 0;
    // Asks for a repaint of `r` (client pixels).
    virtual void invalidateRect(const Rect& r) = 0;
    // The client area: left and top are 0, right and bottom are its width and height.
    virtual Rect clientRect() const = 0;
    // Makes sure the mouse cursor is visible.
    virtual void showCursor() = 0;
    // The mouse cursor's current position in client coordinates.
    virtual Point cursorPos() const = 0;
    // Posts `c` to the window as a typed character: it reaches EditorSession::typed() once the
    // input being handled now is done.
    virtual void postChar(char32_t c) = 0;

    // A new back buffer of at least w x h pixels (raster in the application, recording headless).
    virtual std::unique_ptr<Canvas> createCanvas(int width, int height) = 0;
    // Copies the top-left width x height pixels of the back buffer to the window in one transfer.
    virtual void present(const Canvas& backBuffer, int width, int height) = 0;
};

}  // namespace corvane
