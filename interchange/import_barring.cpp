#include "interchange/import_barring.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace corvane {

namespace {

constexpr std::int64_t kMissedBar = 100;       // a measure that ends off the file's bar lines
constexpr std::int64_t kOtherLength = 1;       // a measure not of the meter's own length
constexpr std::int64_t kMisfit = 1000;         // a measure whose notes must move to fit it
constexpr std::int64_t kMissedTempo = 100000;  // a tempo change that cannot stay at its tick
constexpr int kLongest = 5;

// Where the file's bars would put the score's bar lines, and the length it wants at each point.
struct Plan {
    std::vector<bool> ideal;     // per quarter position: a bar line of the plan
    std::vector<int> preferred;  // per quarter position: length of the plan's measure
};

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

Plan makePlan(std::int64_t size, std::span<const MeterMark> meters, int division) {
    Plan plan{std::vector<bool>(static_cast<std::size_t>(size) + 1, false),
              std::vector<int>(static_cast<std::size_t>(size) + 1, 4)};
    std::vector<MeterMark> segments(meters.begin(), meters.end());
    if (segments.empty() || segments.front().tick > 0) {
        segments.insert(segments.begin(), MeterMark{});
    }
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::int64_t end =
            i + 1 < segments.size() ? ceilDiv(segments[i + 1].tick, division) : size;
        const std::vector<int> pattern =
            meterPattern(segments[i].numerator, segments[i].denominator);
        std::int64_t pos = ceilDiv(segments[i].tick, division);
        for (std::size_t j = 0; pos < end && pos <= size; ++j) {
            plan.ideal[static_cast<std::size_t>(pos)] = true;
            const int length = pattern[j % pattern.size()];
            for (std::int64_t q = pos; q < std::min(pos + length, size + 1); ++q) {
                plan.preferred[static_cast<std::size_t>(q)] = length;
            }
            pos += length;
        }
        if (pos <= size) {
            plan.ideal[static_cast<std::size_t>(pos)] = true;
        }
    }
    return plan;
}

// Tempo windows lying wholly between two bar lines p and q: changes the measure would move.
std::int64_t windowsSkipped(std::span<const TempoWindow> windows, std::size_t from, std::int64_t p,
                            std::int64_t q) {
    std::int64_t skipped = 0;
    for (std::size_t j = from; j < windows.size() && windows[j].first < q; ++j) {
        if (windows[j].first > p && windows[j].last < q) {
            ++skipped;
        }
    }
    return skipped;
}

}  // namespace

std::vector<int> meterPattern(int numerator, int denominator) {
    const int whole = 4 * numerator;
    if (whole % denominator != 0) {
        // Bars that are no whole number of quarters: grouped when a few make 3, 4 or 5 of them
        // (3/8 pairs as 3/4), else the music runs on in 4/4.
        const int grouped = whole / std::gcd(whole, denominator);
        return grouped >= 3 && grouped <= kLongest ? std::vector<int>{grouped}
                                                   : std::vector<int>{4};
    }
    const int k = whole / denominator;
    if (k >= 3 && k <= kLongest) {
        return {k};
    }
    if (k <= 2) {
        return {4};
    }
    for (const int part : {4, 3, 5}) {
        if (k % part == 0) {
            return std::vector<int>(static_cast<std::size_t>(k / part), part);
        }
    }
    std::vector<int> out(static_cast<std::size_t>(k / 4 - 1), 4);
    const int rest = k - 4 * (k / 4 - 1);  // 5, 6 or 7
    const std::vector<int> tail = rest == 5   ? std::vector<int>{5}
                                  : rest == 6 ? std::vector<int>{3, 3}
                                              : std::vector<int>{4, 3};
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

std::vector<int> chooseBars(std::int64_t endQuarters, std::span<const MeterMark> meters,
                            int division, std::span<const TempoWindow> windows,
                            const MeasureFits& fits) {
    const std::int64_t end = std::max<std::int64_t>(endQuarters, 1);
    const std::int64_t size = end + kLongest;
    const Plan plan = makePlan(size, meters, division);
    constexpr std::int64_t kUnreached = std::numeric_limits<std::int64_t>::max();
    std::vector<std::int64_t> cost(static_cast<std::size_t>(size) + 1, kUnreached);
    std::vector<int> step(static_cast<std::size_t>(size) + 1, 0);
    cost[0] = 0;
    std::size_t firstWindow = 0;
    for (std::int64_t p = 0; p < end; ++p) {
        while (firstWindow < windows.size() && windows[firstWindow].first <= p) {
            ++firstWindow;
        }
        const auto at = static_cast<std::size_t>(p);
        if (cost[at] == kUnreached) {
            continue;
        }
        for (const int length : {3, 4, 5}) {
            const std::int64_t q = p + length;
            // The last measure's end starts no measure: it keeps no tempo change.
            const std::int64_t reach = q >= end ? std::numeric_limits<std::int64_t>::max() : q;
            const std::int64_t c = cost[at] +
                                   (plan.ideal[static_cast<std::size_t>(q)] ? 0 : kMissedBar) +
                                   (length == plan.preferred[at] ? 0 : kOtherLength) +
                                   kMissedTempo * windowsSkipped(windows, firstWindow, p, reach) +
                                   (fits(p, length) ? 0 : kMisfit);
            if (c < cost[static_cast<std::size_t>(q)]) {
                cost[static_cast<std::size_t>(q)] = c;
                step[static_cast<std::size_t>(q)] = length;
            }
        }
    }
    std::int64_t last = end;
    for (std::int64_t p = end; p <= size; ++p) {
        if (cost[static_cast<std::size_t>(p)] < cost[static_cast<std::size_t>(last)]) {
            last = p;
        }
    }
    std::vector<int> beats;
    for (std::int64_t p = last; p > 0; p -= step[static_cast<std::size_t>(p)]) {
        beats.push_back(step[static_cast<std::size_t>(p)]);
    }
    std::reverse(beats.begin(), beats.end());
    return beats;
}

void reportBarring(const std::vector<int>& beats, std::span<const MeterMark> meters, int division,
                   ImportReport& report) {
    std::int64_t start = 0;
    std::size_t mark = 0;
    for (const int length : beats) {
        while (mark < meters.size() && meters[mark].tick <= start * division) {
            ++mark;
        }
        if (mark > 0) {
            const MeterMark& meter = meters[mark - 1];
            const bool kept =
                meter.denominator == 4 && meter.numerator >= 3 && meter.numerator <= kLongest;
            if (!kept) {
                report.addRebarred(meter.numerator, meter.denominator, length);
            } else if (meter.numerator != length) {
                report.add(ImportReport::MeasuresOffMeter);
            }
        }
        start += length;
    }
}

}  // namespace corvane
