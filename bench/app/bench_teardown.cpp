// Closing the main window, idle and while a song plays: from the close request until the window,
// the player and the sound device are gone, which is all that stands between the close click and
// the end of the process. The real synthesizer sits behind its paced silent output, or behind the
// machine's own audio output (skipped where there is none; ALSA's null device stands in on a
// machine without sound when ALSA_CONFIG_PATH names a configuration whose default PCM is null).
// Closing while playing should cost no more than closing idle plus 50 ms (compare the medians).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/main_window.h"
#include "sound/device.h"
#include "sound/fluidsynth_device.h"
#include "sound/player.h"
#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

enum Output { Silent, System };

void application() {
    static int argc = 1;
    static char name[] = "bench_teardown";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

// Runs the window's events for `length`.
void runEventsFor(std::chrono::milliseconds length) {
    const auto until = Clock::now() + length;
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

void closeWindow(benchmark::State& state, bool playing) {
    application();
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    // Eighty seconds of four tracks: still playing when the window closes.
    const Score song = samples::largeScore(40, 4);
    std::string driver;
    for (auto _ : state) {
        FluidSynthOptions options;
        options.silentOutput = state.range(0) == Silent;
        auto device = std::make_shared<FluidSynthDevice>(options);
        if (!device->waitUntilReady()) {
            state.SkipWithError("no audio output here");
            break;
        }
        driver = device->driverName();
        WindowServices services;
        services.sound = device;
        auto window = std::make_unique<MainWindow>(std::move(services));
        window->show();
        runEventsFor(std::chrono::milliseconds(50));
        if (playing) {
            window->player()->play(song, 0, window->clientArea());
            if (!window->player()->isPlaying()) {
                state.SkipWithError("the song did not start");
                break;
            }
            // A moment into the song, so that its voices sound when the window closes.
            runEventsFor(std::chrono::milliseconds(200));
        }

        const auto start = Clock::now();
        window->close();
        window.reset();
        device.reset();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    QDir::setCurrent(previous);
    state.SetLabel(driver);
}

void BM_CloseIdle(benchmark::State& state) {
    closeWindow(state, false);
}
void BM_CloseWhilePlaying(benchmark::State& state) {
    closeWindow(state, true);
}
// Ten closes each, on the silent output and on the machine's own.
void tenCloses(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("system_output")
        ->Arg(Silent)
        ->Arg(System)
        ->Iterations(1)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_CloseIdle)->Apply(tenCloses);
BENCHMARK(BM_CloseWhilePlaying)->Apply(tenCloses);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
