// MIDI export of a 128,000-note score, and how long Player::previewNote takes to return.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "sound/device.h"
#include "sound/player.h"
#include "tests/score/sample_scores.h"

namespace corvane {
namespace {

// 1,000 measures x 16 tracks x 8 notes, with chords of up to three heads.
const Score& bigScore() {
    static const Score score = samples::largeScore(1000, 16);
    return score;
}

void BM_ExportMidiInMemory(benchmark::State& state) {
    const Score& score = bigScore();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> file = Player::midiFileBytes(score, 0);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ExportMidiInMemory)->Unit(benchmark::kMillisecond);

// The whole Write Midi command: the bytes, then the atomic write to a file (with its sync).
void BM_ExportMidiToFile(benchmark::State& state) {
    const Score& score = bigScore();
    const std::filesystem::path folder = state.range(0) != 0 && std::filesystem::is_directory("/dev/shm")
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    const std::string path = (folder / ("cvn_bench_" + std::to_string(::getpid()) + ".mid")).string();
    for (auto _ : state) {
        Player::writeMidiFile(path, score, 0);
    }
    std::filesystem::remove(path);
    state.SetLabel(folder.string());
}
BENCHMARK(BM_ExportMidiToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// With no output the preview thread ends at once; what is measured is the caller's side only.
void BM_PreviewNoteReturn(benchmark::State& state) {
    Player player(std::make_shared<SilentSoundDevice>());
    for (auto _ : state) {
        player.previewNote(60, 0, 0);
    }
    player.waitForPreviews();
}
BENCHMARK(BM_PreviewNoteReturn)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
