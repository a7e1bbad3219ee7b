// The main window from construction to its first paint, with the real sound device loading its
// soundfont meanwhile (rendering into nothing, so that the load happens on machines without
// sound too). The window must be painted well before the 300 ms a person notices.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <memory>

#include "app/main_window.h"
#include "sound/device.h"
#include "sound/fluidsynth_device.h"

namespace {

// Notes the first paint event of a widget; the paint has run once processEvents returns.
class PaintSeen : public QObject {
  public:
    bool seen = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        seen = seen || event->type() == QEvent::Paint;
        return false;
    }
};

void BM_WindowUntilFirstPaint(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench_startup";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double soundReadyBeforePaint = 0;
    double soundReadyAfterwards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        corvane::FluidSynthOptions options;
        options.silentOutput = true;
        auto device = std::make_shared<corvane::FluidSynthDevice>(options);
        corvane::WindowServices services;
        services.sound = device;
        state.ResumeTiming();

        auto window = std::make_unique<corvane::MainWindow>(std::move(services));
        PaintSeen paint;
        window->clientArea().installEventFilter(&paint);
        window->show();
        while (!paint.seen) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }

        state.PauseTiming();
        soundReadyBeforePaint += device->driverName().empty() ? 0 : 1;
        window.reset();
        soundReadyAfterwards += device->waitUntilReady() ? 1 : 0;
        device.reset();
        state.ResumeTiming();
    }
    // The share of runs in which the soundfont had already loaded when the window was painted.
    state.counters["sound_ready_at_paint"] =
        benchmark::Counter(soundReadyBeforePaint / static_cast<double>(state.iterations()));
    // The share of runs in which the soundfont did load in the end (1 on a machine that has one).
    state.counters["sound_ready_later"] =
        benchmark::Counter(soundReadyAfterwards / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WindowUntilFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
