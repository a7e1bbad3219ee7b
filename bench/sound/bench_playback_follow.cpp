// Marker to sound: how far the playback marker stands from what the synthesizer plays. A song of
// woodblock strokes, one on every beat, plays on the real synthesizer behind its paced silent
// output; the audio it renders is read for the first sample of each stroke, which tells the beat
// sounding at every frame. Meanwhile the window's clock is played out: once a display frame
// (60 Hz) the position the marker is drawn from is read, with the frames rendered at that
// moment, and set against the beat the audio says. Target: within one display frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "audio_watch.h"
#include "sound/fluidsynth_device.h"
#include "sound/player.h"
#include "tests/sound/score_builders.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

using bench::kPeriodSize;
using bench::kSampleRate;
constexpr int kTempo = 240;  // beats a minute: a beat is 250 ms
constexpr int kMeasures = 8;
constexpr int kBeats = 4;
constexpr int kWoodblock = 115;
constexpr double kDisplayFrameMs = 1000.0 / 60;
// A stroke starts where the level first passes kStroke once it has stayed below kQuiet for
// kQuietFrames.
constexpr float kStroke = 0.01f;
constexpr float kQuiet = 0.005f;
constexpr std::uint64_t kQuietFrames = static_cast<std::uint64_t>(kSampleRate / 20);

// The frames at which strokes start in the audio rendered, counted from the output's start as
// the device counts its frames.
class StrokeWatch {
  public:
    void onBlock(const float* left, const float* right, int frames) {
        const std::lock_guard guard(mutex_);
        for (int i = 0; i < frames; ++i) {
            const float level = std::max(std::fabs(left[i]), std::fabs(right[i]));
            if (level > kStroke && armed_) {
                strokes_.push_back(frame_ + static_cast<std::uint64_t>(i));
                armed_ = false;
            }
            quietRun_ = level < kQuiet ? quietRun_ + 1 : 0;
            armed_ = armed_ || quietRun_ >= kQuietFrames;
        }
        frame_ += static_cast<std::uint64_t>(frames);
    }
    std::vector<std::uint64_t> strokes() {
        const std::lock_guard guard(mutex_);
        return strokes_;
    }

  private:
    std::mutex mutex_;
    std::uint64_t frame_ = 0;
    std::uint64_t quietRun_ = 0;
    bool armed_ = true;  // quiet long enough for the next stroke
    std::vector<std::uint64_t> strokes_;
};

// Every beat a sixteenth's stroke and then rest.
Score strokes() {
    Score score = test::emptyScore(kMeasures, {{Treble, kWoodblock}}, kTempo);
    for (TrackMeasure& measure : score.tracks[0].measures) {
        measure.clear();
        for (int beat = 0; beat < kBeats; ++beat) {
            measure.push_back(test::single(16, 0));
            measure.push_back(test::rest(8, 1));
        }
    }
    return score;
}

class Done final : public NotifyTarget {
  public:
    void notifyPlaybackDone() override {}
};

struct Reading {
    std::uint64_t frame = 0;  // frames rendered when the position was read
    double beat = 0;          // the position, in beats from the song's start
};

// The beat sounding at `frame` by the strokes heard (the k-th stroke is beat k), between the
// first and the last stroke.
std::optional<double> beatSounding(const std::vector<std::uint64_t>& strokes, std::uint64_t frame) {
    const auto after = std::upper_bound(strokes.begin(), strokes.end(), frame);
    if (after == strokes.begin() || after == strokes.end()) {
        return std::nullopt;
    }
    const auto k = static_cast<std::size_t>(after - strokes.begin()) - 1;
    const double span = static_cast<double>(strokes[k + 1] - strokes[k]);
    return static_cast<double>(k) + static_cast<double>(frame - strokes[k]) / span;
}

void BM_MarkerToSound(benchmark::State& state) {
    StrokeWatch watch;
    const auto device = bench::watchedSynth(state, watch);
    if (!device) {
        return;
    }
    const Score score = strokes();
    std::vector<Reading> readings;
    for (auto _ : state) {
        Player player(device);
        Done done;
        player.play(score, 0, done);
        auto next = Clock::now();
        while (player.isPlaying()) {
            const std::uint64_t frame = device->framesRendered();
            if (const std::optional<SongPosition> at = player.position()) {
                readings.push_back({frame, at->measure * kBeats + at->beat});
                if (at->measure == kMeasures - 1 && at->beat >= kBeats - 0.5) {
                    player.stop();
                }
            }
            next += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double, std::milli>(kDisplayFrameMs));
            std::this_thread::sleep_until(next);
        }
    }
    const std::vector<std::uint64_t> heard = watch.strokes();
    std::vector<double> distance;
    double signedSum = 0;
    for (const Reading& reading : readings) {
        if (const std::optional<double> sounding = beatSounding(heard, reading.frame)) {
            const double ms = (reading.beat - *sounding) * 60000.0 / kTempo;
            distance.push_back(std::fabs(ms));
            signedSum += ms;
        }
    }
    state.counters["strokes_heard"] = static_cast<double>(heard.size());
    if (distance.empty()) {
        state.SkipWithError("no stroke was heard while the position was read");
        return;
    }
    state.counters["readings"] = static_cast<double>(distance.size());
    bench::reportSpread(state, "marker_to_sound", distance);
    // Positive: the marker is ahead of the sound.
    state.counters["marker_ahead_mean_ms"] = signedSum / static_cast<double>(distance.size());
    state.counters["target_ms"] = kDisplayFrameMs;
}
BENCHMARK(BM_MarkerToSound)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
