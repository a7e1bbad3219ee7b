// A full repaint of a 1920 x 1080 client area with ten tracks of dense music.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <memory>
#include <utility>

#include "editor/editor_view.h"
#include "render/painter.h"
#include "render/qt/raster_canvas.h"
#include "render/recording_canvas.h"
#include "tests/support/quiet_window.h"

namespace corvane {
namespace {

// A window whose back buffer is a raster or a recording canvas; presenting a raster buffer reads
// its picture, which finishes every pending drawing operation, as a real window's copy would.
class BenchWindow final : public test::QuietWindow {
  public:
    explicit BenchWindow(bool raster) : raster_(raster) { client = Rect{0, 0, 1920, 1080}; }
    std::unique_ptr<Canvas> createCanvas(int width, int height) override {
        if (raster_) {
            return std::make_unique<RasterCanvas>(width, height);
        }
        return std::make_unique<RecordingCanvas>();
    }
    void present(const Canvas& backBuffer, int, int) override {
        if (raster_) {
            benchmark::DoNotOptimize(
                static_cast<const RasterCanvas&>(backBuffer).image().constBits());
        }
    }

  private:
    bool raster_;
};

Note makeNote(int duration, std::initializer_list<NoteHead> heads, int velocity,
              TieState tie = TieNone) {
    Note note;
    note.duration = duration;
    note.velocity = velocity;
    note.tie = tie;
    note.pitches.assign(heads.begin(), heads.end());
    return note;
}

// One measure of 4/4: sixteenths and thirty-seconds, chords with seconds, accidentals, ties and
// a velocity change in every beat.
TrackMeasure denseMeasure(int seed) {
    TrackMeasure measure;
    for (int beat = 0; beat < 4; ++beat) {
        const int p = (seed + beat * 3) % 9 - 4;
        measure.push_back(makeNote(16, {{p, Sharp}, {p + 2, AccidentalNone}}, 80 + beat));
        measure.push_back(makeNote(16, {{p + 1, Flat}}, 80 + beat, TieStart));
        measure.push_back(
            makeNote(16, {{p + 1, AccidentalNone}, {p + 2, Natural}}, 80 + beat, TieEnd));
        measure.push_back(makeNote(32, {{-p, AccidentalNone}}, 100));
        measure.push_back(makeNote(32, {{-p + 7, Sharp}, {-p + 4, AccidentalNone}}, 100));
    }
    return measure;
}

std::unique_ptr<EditorView> denseView(BenchWindow& window) {
    auto view = std::make_unique<EditorView>(hostOf(window));
    Score score = view->score();
    for (int k = 1; k < 10; ++k) {
        score.addTrack(k * 8, k % 3 == 2 ? Bass : Treble);
    }
    view->replaceScore(std::move(score));
    view->onResize();
    score = view->score();
    score.measures[2].key = -3;
    score.measures[3].tempo = 96;
    score.measures[4].key = 5;
    for (std::size_t k = 0; k < score.tracks.size(); ++k) {
        for (std::size_t m = 0; m < score.measures.size(); ++m) {
            score.tracks[k].measures[m] = denseMeasure(static_cast<int>(k + m));
        }
    }
    view->replaceScore(std::move(score));
    view->updateHover(700, 300);
    return view;
}

void BM_RepaintRaster(benchmark::State& state) {
    BenchWindow window(true);
    const auto view = denseView(window);
    for (auto _ : state) {
        view->paint();
    }
    state.counters["measures"] = view->measuresPerScreen();
}
BENCHMARK(BM_RepaintRaster)->Unit(benchmark::kMillisecond);

void BM_RepaintDisplayList(benchmark::State& state) {
    BenchWindow window(false);
    const auto view = denseView(window);
    RecordingCanvas recording;
    for (auto _ : state) {
        recording.clear();
        paintScore(view->score(), view->viewState(), view->tools(), false, view->drawing().glyphs,
                   recording);
    }
    state.counters["operations"] = static_cast<double>(recording.lines().size());
}
BENCHMARK(BM_RepaintDisplayList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
