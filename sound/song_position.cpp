#include "sound/song_position.h"

#include <algorithm>

namespace corvane {

namespace {
constexpr std::int64_t kTicksPerQuarter = 24;
}  // namespace

SongMeasures::SongMeasures(const Score& score, int firstMeasure)
    : firstMeasure_(std::max(firstMeasure, 0)) {
    std::int64_t tick = 0;
    starts_.push_back(tick);
    for (std::size_t m = static_cast<std::size_t>(firstMeasure_); m < score.measures.size(); ++m) {
        tick += std::max<std::int64_t>(score.measures[m].beats, 0) * kTicksPerQuarter;
        starts_.push_back(tick);
    }
}

SongPosition SongMeasures::at(double tick) const {
    if (starts_.size() < 2 || tick <= 0) {
        return SongPosition{firstMeasure_, 0};
    }
    // The last measure that starts at or before `tick`; past the end, the end of the last one.
    const auto after = std::upper_bound(starts_.begin(), starts_.end() - 1, tick,
                                        [](double t, std::int64_t start) { return t < start; });
    const auto measure = static_cast<int>(after - starts_.begin()) - 1;
    const double end = static_cast<double>(starts_[static_cast<std::size_t>(measure) + 1]);
    const double into = std::min(tick, end) - static_cast<double>(starts_[static_cast<std::size_t>(measure)]);
    return SongPosition{firstMeasure_ + measure, into / kTicksPerQuarter};
}

}  // namespace corvane
