// Recovery copies of the 1,000-measure x 16-track score: the time the calling (window) thread
// spends per copy, the whole copy as the writer thread writes it, and note entry on that score
// with and without copies being written in the background meanwhile.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "editor/note_entry.h"
#include "recovery/recovery_store.h"
#include "score/note_index.h"
#include "score/score.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

constexpr int kMeasures = 1000;
constexpr int kTracks = 16;

const Score& largeScore() {
    static const Score score = samples::largeScore(kMeasures, kTracks);
    return score;
}

// A store in a folder of its own, with a made-up clock that makes every tick take a copy.
class TimedStore {
  public:
    TimedStore() : store_(dir_.path() / "recovery") {}
    // Hands a copy of `score` to the writer; returns at once.
    void copy(const Score& score) {
        seconds_ += 10;
        const auto now = RecoveryStore::TimePoint(std::chrono::seconds(seconds_));
        store_.changed(now);
        store_.tick(now + std::chrono::seconds(5), score, "/home/ana/large.cvn");
    }
    void flush() { store_.flush(); }

  private:
    testing::TempDir dir_;
    RecoveryStore store_;
    long seconds_ = 3600;
};

void BM_RecoveryCopyCallingThread(benchmark::State& state) {
    TimedStore store;
    for (auto _ : state) {
        store.copy(largeScore());
        state.PauseTiming();
        store.flush();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecoveryCopyCallingThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecoveryCopyWritten(benchmark::State& state) {
    TimedStore store;
    for (auto _ : state) {
        store.copy(largeScore());
        store.flush();
    }
}
BENCHMARK(BM_RecoveryCopyWritten)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000 measures of quarter rests in 16 tracks, all at one velocity.
Score restScore() {
    Score score;
    while (static_cast<int>(score.measures.size()) < kMeasures) {
        score.addMeasure(0, 120, 4);
    }
    while (static_cast<int>(score.tracks.size()) < kTracks) {
        score.addTrack(0, Treble);
    }
    return score;
}

// Enters notes at the start of the first track of restScore(), alternating the value and the
// velocity so that each entry carries the velocity along the whole track (as the note-entry
// benchmark does). Meanwhile another thread has a store write copies of the large score: with the
// argument 1 every two seconds, as often as an editor takes them, with 2 back to back, the
// writer never idle; 0 writes none.
void BM_NoteEntryWhileCopiesAreWritten(benchmark::State& state) {
    std::atomic<bool> done{false};
    std::atomic<long> copies{0};
    std::thread background;
    if (state.range(0) != 0) {
        const auto interval =
            state.range(0) == 1 ? std::chrono::seconds(2) : std::chrono::seconds(0);
        background = std::thread([&done, &copies, interval] {
            TimedStore store;
            while (!done) {
                const auto next = std::chrono::steady_clock::now() + interval;
                store.copy(largeScore());
                store.flush();
                ++copies;
                while (!done && std::chrono::steady_clock::now() < next) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            }
        });
    }
    Score score = restScore();
    const NoteIndex target{0, 0, 0};
    const Note& note = *findNote(score, target);
    NoteEntry entry;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        entry.duration = flip ? 8 : 4;
        entry.velocity = flip ? 60 : 90;
        enterNote(score, target, entry);
        benchmark::DoNotOptimize(note.velocity);
    }
    done = true;
    if (background.joinable()) {
        background.join();
    }
    state.counters["copies"] = static_cast<double>(copies);
}
BENCHMARK(BM_NoteEntryWhileCopiesAreWritten)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
