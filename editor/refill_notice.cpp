#include "editor/refill_notice.h"

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

// Beyond this many separate runs of measures the notice names the first and the last only.
constexpr std::size_t kNamedRuns = 4;

// The run of measures from `first` on whose `field` equals the first one's.
int runLength(const Score& score, int first, std::int32_t MeasureInfo::*field) {
    const auto& measures = score.measures;
    const std::int32_t value = measures[static_cast<std::size_t>(first)].*field;
    int end = first;
    while (static_cast<std::size_t>(end) < measures.size() &&
           measures[static_cast<std::size_t>(end)].*field == value) {
        ++end;
    }
    return end - first;
}

// "3", "3-5", "3-5 and 8", "3, 5-6 and 8"; "12 measures from 3 to 40" when there are many.
std::string measureList(const std::vector<std::pair<int, int>>& runs, int measures) {
    const auto name = [](const std::pair<int, int>& run) {
        return run.first == run.second ? std::to_string(run.first)
                                       : std::to_string(run.first) + "-" + std::to_string(run.second);
    };
    if (runs.size() > kNamedRuns) {
        return std::to_string(measures) + " measures from " + std::to_string(runs.front().first) +
               " to " + std::to_string(runs.back().second);
    }
    std::string out = (measures == 1 ? "measure " : "measures ") + name(runs.front());
    for (std::size_t i = 1; i < runs.size(); ++i) {
        out += (i + 1 == runs.size() ? " and " : ", ") + name(runs[i]);
    }
    return out;
}

}  // namespace

RefillNotice::RefillNotice(const Score& score, int measure)
    : measure_(measure), before_(score.measures[static_cast<std::size_t>(measure)]) {
    keyRun_ = runLength(score, measure, &MeasureInfo::key);
    meterRun_ = runLength(score, measure, &MeasureInfo::beats);
    notes_.assign(static_cast<std::size_t>(std::max(keyRun_, meterRun_)), 0);
    for (const Track& track : score.tracks) {
        for (std::size_t i = 0; i < notes_.size(); ++i) {
            const TrackMeasure& notes = track.measures[static_cast<std::size_t>(measure) + i];
            notes_[i] += static_cast<int>(std::count_if(
                notes.begin(), notes.end(), [](const Note& note) { return !note.isRest(); }));
        }
    }
}

std::optional<std::string> RefillNotice::after(const Score& score) const {
    const MeasureInfo& now = score.measures[static_cast<std::size_t>(measure_)];
    const bool key = now.key != before_.key;
    const bool meter = now.beats != before_.beats;
    const int reached = std::max(key ? keyRun_ : 0, meter ? meterRun_ : 0);
    int replaced = 0;
    int measures = 0;
    std::vector<std::pair<int, int>> runs;  // measures numbered from 1, as the view labels them
    for (int i = 0; i < reached; ++i) {
        const int count = notes_[static_cast<std::size_t>(i)];
        if (count == 0) {
            continue;
        }
        replaced += count;
        ++measures;
        const int number = measure_ + i + 1;
        if (!runs.empty() && runs.back().second == number - 1) {
            runs.back().second = number;
        } else {
            runs.emplace_back(number, number);
        }
    }
    if (replaced == 0) {
        return std::nullopt;
    }
    const std::string change = key && meter ? "key and meter change" : key ? "key change"
                                                                            : "meter change";
    const bool one = replaced == 1;
    return "The " + change + " replaced " + std::to_string(replaced) +
           (one ? " note with a rest in " : " notes with rests in ") + measureList(runs, measures) +
           (one ? "; Edit > Undo brings it back." : "; Edit > Undo brings them back.");
}

}  // namespace corvane
