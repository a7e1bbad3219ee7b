// Offline rendering speed next to FluidSynth's own fast renderer (`fluidsynth -F`) on the same
// MIDI file, in process and as whole commands on pieces of several orchestrations, each with the
// busiest synthesizer's share of the work; the cost of each channel against the render plan's
// estimate, and what the best possible split of the channels would reach; preview start-up with
// the real synthesizer, and the configured output latency.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "orchestrations.h"
#include "score/score_reader.h"
#include "sound/channel_costs.h"
#include "sound/fluidsynth_device.h"
#include "sound/midi_summary.h"
#include "sound/offline_renderer.h"
#include "sound/player.h"
#include "sound/synth_lane.h"
#include "sound/synth_settings.h"
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

// The pieces the render commands are timed on: the orchestrations, then the benchmark score of
// 12 tracks (100 measures) and of one track (400 measures).
const std::vector<bench::Piece>& orchestrations() {
    static const std::vector<bench::Piece> pieces = {bench::tenTracks(), bench::stringsAndPads(),
                                                     bench::bandWithDrums(),
                                                     bench::pianoTwoTracks(), bench::windSection()};
    return pieces;
}

std::string pieceName(std::size_t index) {
    if (index < orchestrations().size()) {
        return orchestrations()[index].name;
    }
    return index == orchestrations().size() ? "large_12_tracks" : "large_1_track";
}

Score pieceScore(std::size_t index, int measures = 0) {
    if (index < orchestrations().size()) {
        bench::Piece piece = orchestrations()[index];
        piece.measures = measures > 0 ? measures : piece.measures;
        return bench::pieceScore(piece);
    }
    const bool twelve = index == orchestrations().size();
    return samples::largeScore(measures > 0 ? measures : (twelve ? 100 : 400), twelve ? 12 : 1);
}

constexpr int kPieces = 7;

// Drops what it is given.
class NullSink final : public AudioSink {
  public:
    void write(std::span<const float>) override {}
    void commit() override {}
};

// The share of the work the busiest of `seconds` carries.
double busiestShare(const std::vector<double>& seconds) {
    const double total = std::accumulate(seconds.begin(), seconds.end(), 0.0);
    return total > 0 ? *std::max_element(seconds.begin(), seconds.end()) / total : 1.0;
}

// The whole `corvane-cli render-audio` command next to the whole `fluidsynth -F` command on the
// same song with the system's General MIDI soundfont, taken in turn; the best of the runs of
// each. Beside them: the busiest synthesizer's share of the processor time of a render in
// process, the speed-up that share gives on idle cores, and the busiest channel's share of the
// estimated cost. Argument: the piece.
void BM_RenderCommand(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("cvn_bench_command_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto index = static_cast<std::size_t>(state.range(0));
    state.SetLabel(pieceName(index));
    const Score score = pieceScore(index);
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

    const std::vector<std::uint8_t> midi = Player::midiFileBytes(score, 0);
    NullSink sink;
    RenderOptions options;
    options.soundfont = kSystemSoundfont;
    const RenderResult result = renderMidi(midi, sink, options);
    state.counters["synthesizers"] = result.instances;
    const double share = busiestShare(result.laneSeconds);
    state.counters["busiest_synth_share"] = share;
    // What the wall-time figure comes to on idle cores, from processor times: on a busy machine
    // the synthesizers do not run side by side.
    state.counters["speedup_idle_cores_est"] = bestTheirs.cpu / (bestOurs.cpu * share);
    const std::array<double, kMidiChannels> costs =
        estimateChannelCosts(summarizeMidi(midi), kSystemSoundfont);
    state.counters["busiest_channel_share"] =
        busiestShare(std::vector<double>(costs.begin(), costs.end()));
}
BENCHMARK(BM_RenderCommand)
    ->DenseRange(0, kPieces - 1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

double threadCpuSeconds() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// Processor seconds of one synthesizer sounding `share` of the song through the song and
// `tail` seconds after its last event, with reverb and chorus; the least of three runs.
double laneSeconds(const std::vector<std::uint8_t>& midi, const MidiSummary& summary,
                   const LaneShare& share, double tail) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        SynthLane lane(kSystemSoundfont, true);
        lane.play(midi, share, summary.lastEventTick);
        std::vector<float> left(4096);
        std::vector<float> right(4096);
        const double frames = (summary.lastEventSeconds + tail) * 44100.0;
        const double start = threadCpuSeconds();
        for (double done = 0; done < frames; done += 4096) {
            lane.render(left.data(), right.data(), left.size());
        }
        best = std::min(best, threadCpuSeconds() - start);
    }
    return best;
}

// The two groups of `costs` whose busier one carries the least: every split tried.
std::uint16_t bestPair(const std::array<double, kMidiChannels>& costs) {
    const double total = std::accumulate(costs.begin(), costs.end(), 0.0);
    std::uint16_t best = 0;
    double bestLoad = total;
    // Channel 0 stays in the first group: each split is tried once.
    for (std::uint32_t mask = 1; mask < 0x10000; mask += 2) {
        double load = 0;
        for (int c = 0; c < kMidiChannels; ++c) {
            load += (mask >> c & 1) != 0 ? costs[static_cast<std::size_t>(c)] : 0.0;
        }
        if (std::max(load, total - load) < bestLoad) {
            bestLoad = std::max(load, total - load);
            best = static_cast<std::uint16_t>(mask);
        }
    }
    return best;
}

// Each busy channel rendered alone: its processor time less that of a synthesizer sounding
// nothing (`silent`), against the estimate the render plan shares the song by, printed as a
// table. Returns the measured costs.
std::array<double, kMidiChannels> measureChannels(const std::vector<std::uint8_t>& midi,
                                                  const MidiSummary& summary,
                                                  const std::array<double, kMidiChannels>& estimate,
                                                  double silent, double tail, double& worstError) {
    std::array<double, kMidiChannels> measured{};
    for (int c = 0; c < kMidiChannels; ++c) {
        if (estimate[static_cast<std::size_t>(c)] > 0) {
            const auto alone = LaneShare::ofChannels(static_cast<std::uint16_t>(1u << c));
            measured[static_cast<std::size_t>(c)] =
                std::max(1e-6, laneSeconds(midi, summary, alone, tail) - silent);
        }
    }
    const double estimatedTotal = std::accumulate(estimate.begin(), estimate.end(), 0.0);
    const double measuredTotal = std::accumulate(measured.begin(), measured.end(), 0.0);
    std::printf("channel, estimated share, measured share (s)\n");
    worstError = 0;
    for (std::size_t i = 0; i < estimate.size(); ++i) {
        if (estimate[i] > 0) {
            std::printf("  %2zu  %5.1f%%  %5.1f%% (%.3f)\n", i, 100 * estimate[i] / estimatedTotal,
                        100 * measured[i] / measuredTotal, measured[i]);
            worstError = std::max(worstError, std::abs(estimate[i] / estimatedTotal -
                                                       measured[i] / measuredTotal));
        }
    }
    return measured;
}

// On a 16-measure excerpt of each piece: the channels' measured costs against the estimate;
// then two synthesizers rendered with the plan's shares and with the best split of whole
// channels by measured cost. Speed-ups are one synthesizer's processor time over the busier of
// a pair (setting up and mixing left out). `ceiling_speedup` is what any split into two
// synthesizers can reach at most: each runs its own reverb and chorus and the rest of a silent
// synthesizer's work, and half of the voices.
void BM_ChannelCosts(benchmark::State& state) {
    const auto index = static_cast<std::size_t>(state.range(0));
    state.SetLabel(pieceName(index));
    const std::vector<std::uint8_t> midi = Player::midiFileBytes(pieceScore(index, 16), 0);
    const MidiSummary summary = summarizeMidi(midi);
    constexpr double kTail = 3.0;
    quietSynthLibraries();
    for (auto _ : state) {
        const SongWeights weights = ChannelWeigher(kSystemSoundfont).weigh(summary);
        const std::array<double, kMidiChannels> estimate = channelCosts(weights.keys);
        const double silent = laneSeconds(midi, summary, LaneShare{}, kTail);
        double worst = 0;
        const std::array<double, kMidiChannels> measured =
            measureChannels(midi, summary, estimate, silent, kTail, worst);
        const double whole = laneSeconds(midi, summary, LaneShare::ofChannels(kAllChannels), kTail);
        const auto pairTimes = [&](const LaneShare& a, const LaneShare& b) {
            return std::pair{laneSeconds(midi, summary, a, kTail),
                             laneSeconds(midi, summary, b, kTail)};
        };
        const std::vector<LaneShare> plan =
            planLaneShares(weights.keys, weights.keysTogether, 2);
        const auto [oursA, oursB] =
            plan.size() == 2 ? pairTimes(plan[0], plan[1]) : std::pair{whole, silent};
        const std::uint16_t best = bestPair(measured);
        const auto [bestA, bestB] = pairTimes(LaneShare::ofChannels(best),
                                              LaneShare::ofChannels(static_cast<std::uint16_t>(~best)));
        state.counters["max_share_error"] = worst;
        state.counters["ours_busiest_share"] =
            (std::max(oursA, oursB) - silent) / (oursA + oursB - 2 * silent);
        state.counters["ours_speedup"] = whole / std::max(oursA, oursB);
        state.counters["best_channels_speedup"] = whole / std::max(bestA, bestB);
        state.counters["ceiling_speedup"] = whole / (silent + (whole - silent) / 2);
        state.counters["silent_share"] = silent / whole;
    }
}
BENCHMARK(BM_ChannelCosts)
    ->DenseRange(0, kPieces - 1)
    ->Iterations(1)
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
