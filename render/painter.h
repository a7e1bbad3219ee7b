#pragma once
// The score painter: everything one repaint draws, as a function of plain data, into any canvas
// (the window's back buffer, a picture file, a display list). It keeps no state between repaints.

#include "render/canvas.h"
#include "render/entry_tools.h"
#include "render/glyphs.h"
#include "render/view_state.h"
#include "score/score.h"

namespace corvane {

// Paints the client area of `view`: the white page, the toolbar with the tools lit (the play
// slot while `playing`, else the stop slot), every track's staff with its visible measures from
// the track the scroll shows in the top row, and the marker. Glyphs that are not loaded are left
// out.
void paintScore(const Score& score, const ViewState& view, const EntryTools& tools, bool playing,
                const Glyphs& glyphs, Canvas& canvas);

// One note head centred at (x, y) on the track in row `row`, with the ledger lines it needs;
// `filled` for values shorter than a half.
void paintNoteHead(Canvas& canvas, int x, int y, int row, bool filled);

}  // namespace corvane
