// enterNote on a 1,000-measure track, where a new velocity is carried over every following Note.

#include <benchmark/benchmark.h>

#include "editor/note_entry.h"
#include "score/score.h"

namespace corvane {
namespace {

constexpr int kMeasures = 1000;

Score longTrack() {
    Score score;
    while (static_cast<int>(score.measures.size()) < kMeasures) {
        score.addMeasure(0, 120, 4);
    }
    return score;
}

// Alternates an eighth and a quarter on one Note, so each entry inserts or absorbs a rest, and
// alternates the velocity, so that each walk runs to the end of the track when `velocityChange`.
void enterRepeatedly(benchmark::State& state, int measure, bool velocityChange) {
    Score score = longTrack();
    const NoteIndex target{0, measure, 0};
    const Note& note = *findNote(score, target);
    NoteEntry entry;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        entry.duration = flip ? 8 : 4;
        entry.velocity = velocityChange ? (flip ? 60 : 90) : 0;
        enterNote(score, target, entry);
        benchmark::DoNotOptimize(note.velocity);
    }
    state.counters["notes"] = static_cast<double>(4 * (kMeasures - measure));
}

void BM_EnterNoteVelocityWalkWholeTrack(benchmark::State& state) {
    enterRepeatedly(state, 0, true);
}
void BM_EnterNoteVelocityWalkHalfTrack(benchmark::State& state) {
    enterRepeatedly(state, kMeasures / 2, true);
}
void BM_EnterNoteKeepVelocity(benchmark::State& state) {
    enterRepeatedly(state, 0, false);
}

BENCHMARK(BM_EnterNoteVelocityWalkWholeTrack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterNoteVelocityWalkHalfTrack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterNoteKeepVelocity)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
