// The hover test runs on every mouse move: measure it on a dense measure in the lowest of eight
// tracks, where it walks every track band and every note before the pointer.

#include <benchmark/benchmark.h>

#include <utility>

#include "editor/editor_view.h"
#include "tests/support/quiet_window.h"

namespace corvane {
namespace {

// Eight tracks whose first measure holds 32 thirty-second notes.
void makeDense(EditorView& view) {
    view.onResize();
    Score score = view.score();
    for (int t = 1; t < 8; ++t) {
        score.addTrack(0, Treble);
    }
    for (Track& track : score.tracks) {
        TrackMeasure& notes = track.measures[0];
        notes.clear();
        Note note;
        note.duration = 32;
        note.pitches.push_back(NoteHead{0, AccidentalNone});
        notes.assign(32, note);
    }
    view.replaceScore(std::move(score));
}

// Hover at pointer x `x` over the last track's staff. With `changing`, the pointer moves between
// two staff steps, so that what the status line says changes with every move and its text is
// built each time; otherwise it stays on one step, as most moves along a staff do.
void hoverDenseMeasure(benchmark::State& state, int x, bool changing) {
    test::QuietWindow window;
    EditorView view(hostOf(window));
    makeDense(view);
    const int y = 90 + 7 * 100;
    int move = 0;
    for (auto _ : state) {
        view.updateHover(x, changing && (++move & 1) != 0 ? y - 10 : y);
        benchmark::DoNotOptimize(view.hover().note);
    }
    if (!view.hover().over(HoverArea::NoteArea) || view.hover().track != 7) {
        state.SkipWithError("the pointer is not over the dense measure");
    }
}

// x 420 is past the last of the 32 notes (106 + 31 * 10): the walk visits them all.
BENCHMARK_CAPTURE(hoverDenseMeasure, lastNote, 420, false);
BENCHMARK_CAPTURE(hoverDenseMeasure, middleNote, 265, false);
BENCHMARK_CAPTURE(hoverDenseMeasure, lastNoteChangingStep, 420, true);
BENCHMARK_CAPTURE(hoverDenseMeasure, middleNoteChangingStep, 265, true);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
