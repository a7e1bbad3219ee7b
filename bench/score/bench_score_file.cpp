// Saving and loading a large score: 1,000 measures x 16 tracks x 8 Notes (128,000 Notes with
// chords of up to three heads). Counters report the file size and the heap the loaded score
// holds and needs at its peak while it is read.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "score/data_file.h"
#include "score/score_reader.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

// Heap accounting for the whole program: every operator new and delete goes through here.
namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
// The peak is followed only while a measurement runs, to keep the timed loops lean.
std::atomic<bool> trackPeak{false};

void* countedAlloc(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = liveBytes.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) +
                            malloc_usable_size(p);
    if (trackPeak.load(std::memory_order_relaxed)) {
        std::size_t peak = peakBytes.load(std::memory_order_relaxed);
        while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
        }
    }
    return p;
}

void countedFree(void* p) noexcept {
    if (p != nullptr) {
        liveBytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
        std::free(p);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return countedAlloc(size);
}
void* operator new[](std::size_t size) {
    return countedAlloc(size);
}
void operator delete(void* p) noexcept {
    countedFree(p);
}
void operator delete[](void* p) noexcept {
    countedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    countedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    countedFree(p);
}

namespace {

constexpr int kMeasures = 1000;
constexpr int kTracks = 16;
constexpr double kMiB = 1024.0 * 1024.0;

const corvane::Score& largeScore() {
    static const corvane::Score score = corvane::samples::largeScore(kMeasures, kTracks);
    return score;
}

std::size_t countNotes(const corvane::Score& score) {
    std::size_t notes = 0;
    for (const corvane::Track& track : score.tracks) {
        for (const corvane::TrackMeasure& measure : track.measures) {
            notes += measure.size();
        }
    }
    return notes;
}

void BM_SaveScoreFile(benchmark::State& state) {
    const corvane::Score& score = largeScore();
    const corvane::testing::TempDir dir;
    const std::string path = dir.file("large.cvn");
    const corvane::ScoreReader reader;
    for (auto _ : state) {
        reader.save(path, score);
    }
    state.counters["notes"] = static_cast<double>(countNotes(score));
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / kMiB;
}
BENCHMARK(BM_SaveScoreFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeScoreInMemory(benchmark::State& state) {
    const corvane::Score& score = largeScore();
    for (auto _ : state) {
        corvane::DataFile file = corvane::DataFile::fromBytes({});
        corvane::ScoreReader::write(file, score);
        benchmark::DoNotOptimize(file.written().data());
    }
}
BENCHMARK(BM_EncodeScoreInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadScoreFile(benchmark::State& state) {
    const corvane::testing::TempDir dir;
    const std::string path = dir.file("large.cvn");
    const corvane::ScoreReader reader;
    reader.save(path, largeScore());
    const auto expectedNotes = static_cast<std::size_t>(kMeasures) * kTracks * 8;

    for (auto _ : state) {
        state.PauseTiming();
        {
            corvane::Score score;
            state.ResumeTiming();
            const corvane::LoadResult result = reader.load(path, score);
            state.PauseTiming();
            if (!result || countNotes(score) != expectedNotes) {
                state.SkipWithError("the large score did not load");
                break;
            }
        }  // the loaded score is destroyed outside the timed part
        state.ResumeTiming();
    }

    // One more load, untimed, for the memory figures: what the loaded score holds, and the most
    // the load had allocated at once (the file's bytes, the new score, the old one).
    corvane::Score score;
    score.clear();
    const std::size_t before = liveBytes.load();
    peakBytes = before;
    trackPeak = true;
    const bool loaded = static_cast<bool>(reader.load(path, score));
    trackPeak = false;
    if (!loaded) {
        state.SkipWithError("the large score did not load");
        return;
    }
    state.counters["score_MB"] = static_cast<double>(liveBytes.load() - before) / kMiB;
    state.counters["peak_MB"] = static_cast<double>(peakBytes.load() - before) / kMiB;
}
BENCHMARK(BM_LoadScoreFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
