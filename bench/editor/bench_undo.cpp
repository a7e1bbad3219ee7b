// Undo history on the large score of 1,000 measures x 16 tracks x 8 notes: the heap the editor
// holds for that score, the memory 1,000 note-entry steps take, the time to undo or redo one;
// then every kind of edit a click makes, timed with its step recorded, and its undo. An edit with
// its step should fit in one frame at 60 Hz (16 ms) and its undo in 5 ms.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
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

// Answers the properties dialogs as the benchmark says.
class AnsweringWindow final : public test::QuietWindow {
  public:
    std::function<void(TrackDialogModel&)> trackDialog;
    std::function<void(MeasureDialogModel&)> measureDialog;
    int key = 0;
    std::string velocity;  // the Dynamic dialog's answer; empty: cancelled

    void runTrackDialog(TrackDialogModel& model) override {
        if (trackDialog) {
            trackDialog(model);
        }
    }
    void runMeasureDialog(MeasureDialogModel& model) override {
        if (measureDialog) {
            measureDialog(model);
        } else {
            model.keySignature = key;
            model.ok();
        }
    }
    void runDynamicDialog(DynamicDialogModel& model) override {
        model.text = velocity;
        if (velocity.empty()) {
            model.cancel();
        } else {
            model.ok();
        }
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

void clickAt(EditorView& view, int x, int y, bool right = false) {
    view.updateHover(x, y);
    view.onClick(x, y, right);
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
        // Everything the editor holds with that score, its history included, before any step.
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
    AnsweringWindow window;
    EditorView view(hostOf(window));
    showLargeScore(view);
    const Score original = view.score();
    const std::size_t before = heapInUse();
    window.key = 3;
    clickAt(view, 60, 90);
    // What the heap grew by over the click: the step, which holds the notes the refill replaced,
    // and the new rests.
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

// One kind of edit: how the window answers its dialog, and where to click.
struct Edit {
    std::function<void(AnsweringWindow&)> answers;
    Point at;
    bool right = false;
};

bool yes(std::string_view, std::string_view) {
    return true;
}

// The clicks that make every kind of step, on track 0 and measure 0 of the large score.
Edit editOf(const std::string& kind) {
    const Point trackHeader{20, 90};
    const Point measureHeader{60, 90};
    const auto track = [](std::function<void(TrackDialogModel&)> answer) {
        return [answer](AnsweringWindow& w) { w.trackDialog = answer; };
    };
    const auto measure = [](std::function<void(MeasureDialogModel&)> answer) {
        return [answer](AnsweringWindow& w) { w.measureDialog = answer; };
    };
    if (kind == "program") {
        return {track([](TrackDialogModel& m) {
                    m.program = 40;
                    m.ok();
                }),
                trackHeader};
    }
    if (kind == "clef") {
        return {track([](TrackDialogModel& m) {
                    m.clef = Bass;
                    m.ok();
                }),
                trackHeader};
    }
    if (kind == "makeDrums") {
        return {track([](TrackDialogModel& m) { m.makeDrums(yes); }), trackHeader};
    }
    if (kind == "deleteTrack") {
        return {track([](TrackDialogModel& m) { m.deleteTrack(yes); }), trackHeader};
    }
    if (kind == "meter") {
        return {measure([](MeasureDialogModel& m) {
                    m.meter = 3;
                    m.ok();
                }),
                measureHeader};
    }
    if (kind == "tempo") {
        return {measure([](MeasureDialogModel& m) {
                    m.tempoText = "80";
                    m.ok();
                }),
                measureHeader};
    }
    if (kind == "key") {
        return {[](AnsweringWindow& w) { w.key = 3; }, measureHeader};
    }
    if (kind == "paste") {
        return {{}, measureHeader, true};
    }
    return {{}, Point{106, 75}};  // note entry, an eighth over the first eighth
}

// An editor showing the large score, ready for `kind`: eighth notes for entry, the velocity
// dialog answered for a dynamic (a velocity runs on to the end of the track), and scrolled to the
// last track for adding one (returns where the add-track zone is).
Point prepare(EditorView& view, AnsweringWindow& window, const std::string& kind, Edit& edit) {
    showLargeScore(view);
    if (edit.answers) {
        edit.answers(window);
    }
    view.onChar(U'v');
    if (kind != "addTrack") {
        return edit.at;
    }
    view.setTrackScroll(100 * kTracks);
    for (int y = 0; y < window.client.bottom; ++y) {
        view.updateHover(300, y);
        if (view.hover().over(HoverArea::AddTrackZone)) {
            return Point{300, y};
        }
    }
    return edit.at;
}

// With `dynamic`, the entry carries a new velocity from the Dynamic dialog (not timed).
void clickEdit(benchmark::State& state, EditorView& view, Point at, bool right, bool dynamic) {
    if (dynamic) {
        state.PauseTiming();
        view.onChar(U'r');
        state.ResumeTiming();
    }
    view.updateHover(at.x, at.y);
    view.onClick(at.x, at.y, right);
}

// The click of `kind`, with its step, after an undo of the same click (so it also frees the step
// it replaces, as a click after undo does).
void editWithStep(benchmark::State& state, const std::string& kind) {
    AnsweringWindow window;
    EditorView view(hostOf(window));
    Edit edit = editOf(kind);
    const Point at = prepare(view, window, kind, edit);
    window.velocity = "33";
    const bool dynamic = kind == "dynamicEntry";
    for (auto _ : state) {
        clickEdit(state, view, at, edit.right, dynamic);
        state.PauseTiming();
        if (view.history().position() != 1) {
            state.SkipWithError("the click made no step");
            break;
        }
        view.undo();
        state.ResumeTiming();
    }
}

// The undo of the click of `kind`.
void undoEdit(benchmark::State& state, const std::string& kind) {
    AnsweringWindow window;
    EditorView view(hostOf(window));
    Edit edit = editOf(kind);
    const Point at = prepare(view, window, kind, edit);
    window.velocity = "33";
    if (kind == "dynamicEntry") {
        view.onChar(U'r');
    }
    view.updateHover(at.x, at.y);
    view.onClick(at.x, at.y, edit.right);
    if (view.history().position() != 1) {
        state.SkipWithError("the click made no step");
        return;
    }
    for (auto _ : state) {
        view.undo();
        state.PauseTiming();
        view.redo();
        state.ResumeTiming();
    }
}

void registerEdits() {
    for (const char* kind : {"noteEntry", "dynamicEntry", "paste", "addTrack", "program", "clef",
                             "makeDrums", "deleteTrack", "key", "meter", "tempo"}) {
        benchmark::RegisterBenchmark((std::string("BM_EditWithStep/") + kind).c_str(),
                                     editWithStep, std::string(kind))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_UndoEdit/") + kind).c_str(), undoEdit,
                                     std::string(kind))
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    corvane::registerEdits();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
