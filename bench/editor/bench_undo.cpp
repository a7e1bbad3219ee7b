// Undo history on the large score of 1,000 measures x 16 tracks x 8 notes: the memory 1,000
// note-entry steps take, the time to undo or redo one, and what a key change over the whole
// score costs to record and to undo.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstddef>
#include <utility>

#include "editor/editor_view.h"
#include "tests/score/sample_scores.h"
#include "tests/support/quiet_window.h"

namespace corvane {
namespace {

constexpr int kMeasures = 1000;
constexpr int kTracks = 16;
constexpr int kSteps = 1000;

// Bytes the heap has handed out and not taken back.
std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Answers Measure Properties with the key `key`.
class KeyWindow final : public test::QuietWindow {
  public:
    int key = 0;
    void runMeasureDialog(MeasureDialogModel& model) override {
        model.keySignature = key;
        model.ok();
    }
};

// An editor showing the large score, with one key throughout so that a key change at the first
// measure reaches every measure.
void showLargeScore(EditorView& view) {
    view.onResize();
    Score score = samples::largeScore(kMeasures, kTracks);
    for (MeasureInfo& info : score.measures) {
        info.key = 0;
    }
    view.replaceScore(std::move(score));
}

void clickAt(EditorView& view, int x, int y) {
    view.updateHover(x, y);
    view.onClick(x, y, false);
}

// Eighth notes entered over the score's eighths, spread over the score, the five tracks in
// sight and the staff, until `count` clicks were steps (a click on a note that already is what
// it would enter is none); returns how many were.
int enterNotes(EditorView& view, int count) {
    const std::size_t before = view.history().position();
    view.onChar(U'v');
    const auto steps = [&] { return static_cast<int>(view.history().position() - before); };
    for (int i = 0; steps() < count && i < 4 * count; ++i) {
        view.setFirstVisibleMeasure((i * 7) % (kMeasures - 2));
        clickAt(view, 106 + 20 * (i % 3), 70 + 5 * (i % 7) + 100 * (i % 5));
    }
    return steps();
}

void BM_HistoryOf1000NoteEntries(benchmark::State& state) {
    for (auto _ : state) {
        test::QuietWindow window;
        const std::size_t empty = heapInUse();
        EditorView view(hostOf(window));
        showLargeScore(view);
        const std::size_t withScore = heapInUse();
        const int steps = enterNotes(view, kSteps);
        const std::size_t withSteps = heapInUse();
        if (steps != kSteps) {
            state.SkipWithError("not every click was a step");
        }
        const Score copy = view.score();
        state.counters["scoreMB"] = static_cast<double>(heapInUse() - withSteps) / 1e6;
        // The editor with the score and the history's copy of it, before any step.
        state.counters["editorMB"] = static_cast<double>(withScore - empty) / 1e6;
        state.counters["stepsMB"] = static_cast<double>(withSteps - withScore) / 1e6;
    }
}
BENCHMARK(BM_HistoryOf1000NoteEntries)->Unit(benchmark::kMillisecond)->Iterations(1);

// One undo and one redo of a note entry, after 1,000 of them. With `scrolled`, the window first
// scrolls to the end of the score and on, growing it, so that undo also takes the grown end back
// (the scrolling is not timed).
void undoRedoNoteEntry(benchmark::State& state, bool scrolled) {
    test::QuietWindow window;
    EditorView view(hostOf(window));
    showLargeScore(view);
    enterNotes(view, kSteps);
    for (auto _ : state) {
        if (scrolled) {
            state.PauseTiming();
            view.onKeyDown(KeyboardKey::End);
            view.onKeyDown(KeyboardKey::Right);
            state.ResumeTiming();
        }
        view.undo();
        view.redo();
    }
    state.counters["perUndoOrRedo"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 2,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(undoRedoNoteEntry, inPlace, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(undoRedoNoteEntry, afterScrolling, true)->Unit(benchmark::kMicrosecond);

// Measure Properties OK with a new key at the first measure: every measure of every track is
// refilled, and the step records all of them. With `afterUndo` the click follows an undo of the
// same change, so it also frees the step it replaces; otherwise the history starts empty.
void keyChangeOverWholeScore(benchmark::State& state, bool afterUndo) {
    KeyWindow window;
    EditorView view(hostOf(window));
    showLargeScore(view);
    const Score original = view.score();
    const std::size_t before = heapInUse();
    window.key = 3;
    clickAt(view, 60, 90);
    // What the heap grew by over the click: the step and the history's copy of the new
    // contents, less the notes the refill freed.
    state.counters["clickHeapMB"] = static_cast<double>(heapInUse() - before) / 1e6;
    for (auto _ : state) {
        state.PauseTiming();
        if (afterUndo) {
            view.undo();
        } else {
            view.replaceScore(original);
        }
        state.ResumeTiming();
        clickAt(view, 60, 90);
    }
}
BENCHMARK_CAPTURE(keyChangeOverWholeScore, emptyHistory, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(keyChangeOverWholeScore, afterUndo, true)->Unit(benchmark::kMillisecond);

// The same key change on the score alone, without an editor or a history: what the change
// itself costs.
void BM_KeyChangeWithoutHistory(benchmark::State& state) {
    Score score = samples::largeScore(kMeasures, kTracks);
    for (MeasureInfo& info : score.measures) {
        info.key = 0;
    }
    const Score original = score;
    int key = 0;
    for (auto _ : state) {
        key = key == 3 ? -2 : 3;
        MeasureDialogModel model(score, 0, [] {});
        model.keySignature = key;
        model.ok();
        state.PauseTiming();
        score = original;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KeyChangeWithoutHistory)->Unit(benchmark::kMillisecond);

void BM_UndoKeyChangeOverWholeScore(benchmark::State& state) {
    KeyWindow window;
    EditorView view(hostOf(window));
    showLargeScore(view);
    window.key = 3;
    clickAt(view, 60, 90);
    if (view.history().position() != 1) {
        state.SkipWithError("the key change made no step");
    }
    for (auto _ : state) {
        view.undo();
        state.PauseTiming();
        view.redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoKeyChangeOverWholeScore)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
