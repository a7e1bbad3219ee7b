#pragma once
// What the painter needs to know about the view besides the score and the tools: the client
// area, where the score is scrolled to, and the note-head marker under the mouse.

#include <optional>

#include "render/canvas.h"

namespace corvane {

// The head drawn under the mouse over a note area, at (x, y) in client pixels on `track` (the
// track's index in the score, whatever row it is shown in).
struct Marker {
    int track = 0;
    int x = 0;
    int y = 0;

    friend bool operator==(const Marker&, const Marker&) = default;
};

struct ViewState {
    Rect client;                  // the client area: left and top 0, right and bottom its size
    int firstVisibleMeasure = 0;  // absolute index of the leftmost measure shown
    int trackScroll = 0;          // how far the track area is scrolled down (render/layout.h)
    std::optional<Marker> marker;

    friend bool operator==(const ViewState&, const ViewState&) = default;
};

}  // namespace corvane
