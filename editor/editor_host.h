#pragma once
// What the editor is given of the window it lives in: three small interfaces, which one object
// may implement together.

#include "editor/drawing_surface.h"
#include "editor/prompts.h"
#include "editor/status_display.h"

namespace corvane {

struct EditorHost {
    DrawingSurface& surface;
    Prompts& prompts;
    StatusDisplay& status;
};

// The host made of `window`, which is all three at once.
template <class Window>
EditorHost hostOf(Window& window) {
    return EditorHost{window, window, window};
}

}  // namespace corvane
