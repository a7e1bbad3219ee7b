// Offline rendering speed next to FluidSynth's own fast renderer (`fluidsynth -F`) on the same
// MIDI file, in process and as whole commands, preview start-up with the real synthesizer, and
// the configured output latency.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sound/fluidsynth_device.h"
#include "sound/offline_renderer.h"
#include "score/score_reader.h"
#include "sound/player.h"
#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kSoundfont = CORVANE_BENCH_SOUNDFONT;
const std::string kSystemSoundfont = "/usr/share/sounds/sf2/default-GM.sf2";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds used so far by this process (`who` RUSAGE_SELF) or its finished children
// (RUSAGE_CHILDREN). Speeds from CPU time hold up better than wall time on a busy machine.
double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double wavSeconds(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0.0 : static_cast<double>(size - 44) / (44100.0 * 4);
}

// Both renderers take the same file in turn, so that they share the machine's state.
void BM_RenderSpeed(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cvn_bench_render_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::vector<std::uint8_t> midi =
        Player::midiFileBytes(samples::largeScore(static_cast<int>(state.range(0)), 16), 0);
    const std::string midiPath = (folder / "song.mid").string();
    std::ofstream(midiPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(midi.data()),
               static_cast<std::streamsize>(midi.size()));
    const std::string ours = (folder / "ours.wav").string();
    const std::string theirs = (folder / "theirs.wav").string();
    const std::string command = std::string(CORVANE_FLUIDSYNTH_PROGRAM) + " -ni -q -r 44100 -F '" +
                                theirs + "' '" + kSoundfont + "' '" + midiPath +
                                "' >/dev/null 2>&1";

    double oursAudio = 0, oursWall = 0, oursCpu = 0;
    double theirsAudio = 0, theirsWall = 0, theirsCpu = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpuStart = cpuSeconds(RUSAGE_SELF);
        RenderOptions options;
        options.soundfont = kSoundfont;
        const RenderResult result = renderMidiToFile(midi, ours, AudioFormat::Wav, options);
        const double wall = secondsSince(start);
        oursCpu += cpuSeconds(RUSAGE_SELF) - cpuStart;
        state.SetIterationTime(wall);
        oursAudio += result.seconds();
        oursWall += wall;

        start = Clock::now();
        cpuStart = cpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("fluidsynth -F failed");
            break;
        }
        theirsWall += secondsSince(start);
        theirsCpu += cpuSeconds(RUSAGE_CHILDREN) - cpuStart;
        theirsAudio += wavSeconds(theirs);
    }
    std::filesystem::remove_all(folder);
    const double oursSpeed = oursAudio / oursWall;
    const double theirsSpeed = theirsAudio / theirsWall;
    state.counters["audio_s"] = oursAudio / static_cast<double>(state.iterations());
    state.counters["ours_x_realtime"] = oursSpeed;
    state.counters["fluidsynth_F_x_realtime"] = theirsSpeed;
    state.counters["ours_pct_of_F"] = 100.0 * oursSpeed / theirsSpeed;
    state.counters["ours_cpu_x_realtime"] = oursAudio / oursCpu;
    state.counters["F_cpu_x_realtime"] = theirsAudio / theirsCpu;
    state.counters["ours_cpu_pct_of_F"] = 100.0 * (oursAudio / oursCpu) / (theirsAudio / theirsCpu);
}
BENCHMARK(BM_RenderSpeed)
    ->Arg(25)
    ->Arg(100)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Wall and CPU seconds of one shell command, its children included.
struct CommandTime {
    double wall = 0;
    double cpu = 0;
};

CommandTime runCommand(const std::string& command) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) {
        return {-1, -1};
    }
    return {secondsSince(start), cpuSeconds(RUSAGE_CHILDREN) - cpuStart};
}

// The whole `corvane-cli render-audio` command next to the whole `fluidsynth -F` command on the
// same song with the system's General MIDI soundfont, taken in turn; the best of the runs of
// each. Arguments: tracks (each on a channel of its own, up to 15) and measures.
void BM_RenderCommand(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("cvn_bench_command_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const Score score = samples::largeScore(static_cast<int>(state.range(1)),
                                            static_cast<int>(state.range(0)));
    const std::string scorePath = (folder / "song.cvn").string();
    const std::string midiPath = (folder / "song.mid").string();
    ScoreReader().save(scorePath, score);
    Player::writeMidiFile(midiPath, score, 0);
    const std::string ours = std::string(CORVANE_CLI_PROGRAM) + " render-audio '" + scorePath +
                             "' '" + (folder / "ours.wav").string() + "' --soundfont '" +
                             kSystemSoundfont + "'";
    const std::string theirs = std::string(CORVANE_FLUIDSYNTH_PROGRAM) + " -ni -q -r 44100 -F '" +
                               (folder / "theirs.wav").string() + "' '" + kSystemSoundfont +
                               "' '" + midiPath + "' >/dev/null 2>&1";
    CommandTime bestOurs{1e9, 1e9};
    CommandTime bestTheirs{1e9, 1e9};
    for (auto _ : state) {
        const CommandTime a = runCommand(ours);
        const CommandTime b = runCommand(theirs);
        if (a.wall < 0 || b.wall < 0) {
            state.SkipWithError("a render command failed");
            break;
        }
        state.SetIterationTime(a.wall);
        bestOurs = {std::min(bestOurs.wall, a.wall), std::min(bestOurs.cpu, a.cpu)};
        bestTheirs = {std::min(bestTheirs.wall, b.wall), std::min(bestTheirs.cpu, b.cpu)};
    }
    state.counters["audio_s"] = wavSeconds((folder / "ours.wav").string());
    state.counters["ours_wall_s"] = bestOurs.wall;
    state.counters["F_wall_s"] = bestTheirs.wall;
    state.counters["ours_cpu_s"] = bestOurs.cpu;
    state.counters["F_cpu_s"] = bestTheirs.cpu;
    state.counters["speedup_wall"] = bestTheirs.wall / bestOurs.wall;
    state.counters["speedup_cpu"] = bestTheirs.cpu / bestOurs.cpu;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RenderCommand)
    ->Args({12, 100})
    ->Args({1, 400})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A real synthesizer behind a silent audio output, ready to play.
std::shared_ptr<FluidSynthDevice> silentSynth() {
    FluidSynthOptions options;
    options.soundfonts = {kSoundfont};
    options.silentOutput = true;
    auto device = std::make_shared<FluidSynthDevice>(options);
    device->waitUntilReady();
    return device;
}

// Return time of Player::previewNote with the real synthesizer behind it (many notes at once).
void BM_PreviewNoteReturnFluidSynth(benchmark::State& state) {
    Player player(silentSynth());
    int i = 0;
    for (auto _ : state) {
        player.previewNote(static_cast<std::uint8_t>(48 + i++ % 36), 0, 0);
    }
    player.waitForPreviews();
}
BENCHMARK(BM_PreviewNoteReturnFluidSynth)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The same as the editor uses it: chords of three, each once the previous one has ended.
void BM_PreviewChordReturnFluidSynth(benchmark::State& state) {
    Player player(silentSynth());
    int i = 0;
    for (auto _ : state) {
        player.previewNote(static_cast<std::uint8_t>(48 + i % 36), 0, 0);
        if (++i % 3 == 0) {
            state.PauseTiming();
            player.waitForPreviews();
            state.ResumeTiming();
        }
    }
    player.waitForPreviews();
}
BENCHMARK(BM_PreviewChordReturnFluidSynth)
    ->Iterations(60)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The audio buffering of the device as configured, and as the driver took it when one opens.
void BM_OutputLatency(benchmark::State& state) {
    double configured = 0;
    double actual = 0;
    std::string driver;
    for (auto _ : state) {
        FluidSynthDevice device;
        const FluidSynthOptions defaults;
        configured = 1000.0 * defaults.periods * defaults.periodSize / defaults.sampleRate;
        if (device.waitUntilReady()) {
            actual = device.outputLatencyMs();
            driver = device.driverName();
        }
    }
    state.counters["configured_ms"] = configured;
    state.counters["driver_ms"] = actual;
    state.SetLabel(driver.empty() ? "no audio output here" : driver);
}
BENCHMARK(BM_OutputLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
