#pragma once
// What the latency benchmarks share: a real synthesizer behind a silent output whose rendered
// blocks they watch, and the spread of what they measure.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "sound/fluidsynth_device.h"

namespace corvane::bench {

// Small periods, so that what is measured is the program and not the buffering.
inline constexpr int kPeriodSize = 128;
inline constexpr double kSampleRate = 44100.0;

// A synthesizer rendering to no sound card, handing each rendered block to `watch.onBlock` on
// the audio thread; null, with the benchmark skipped, when it cannot start (no soundfont).
template <typename Watch>
std::shared_ptr<FluidSynthDevice> watchedSynth(benchmark::State& state, Watch& watch) {
    FluidSynthOptions options;
    options.silentOutput = true;
    options.periodSize = kPeriodSize;
    options.sampleRate = kSampleRate;
    options.onBlock = [&watch](const float* left, const float* right, int frames) {
        watch.onBlock(left, right, frames);
    };
    auto device = std::make_shared<FluidSynthDevice>(options);
    if (!device->waitUntilReady()) {
        state.SkipWithError("the synthesizer did not start (no soundfont?)");
        return nullptr;
    }
    return device;
}

// The value below which a share `p` of `values` lies (nearest rank).
inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p * static_cast<double>(values.size()));
    const auto index = static_cast<std::size_t>(std::max(rank, 1.0)) - 1;
    return values[std::min(index, values.size() - 1)];
}

// Median, 99th percentile and largest of `ms` as counters `name`_median_ms and so on.
inline void reportSpread(benchmark::State& state, const std::string& name,
                         const std::vector<double>& ms) {
    state.counters[name + "_median_ms"] = percentile(ms, 0.5);
    state.counters[name + "_p99_ms"] = percentile(ms, 0.99);
    state.counters[name + "_max_ms"] = percentile(ms, 1.0);
}

}  // namespace corvane::bench
