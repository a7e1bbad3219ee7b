#include "engrave/measure_spacing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane::engrave {

namespace {

constexpr double kQuarterSpace = 4.0;   // ideal distance after a quarter note
constexpr double kLead = 1.2;           // from a barline to the first note's ink
constexpr double kTrail = 1.0;          // from the last note's ink to the barline
constexpr double kInkGap = 0.45;        // between the ink of neighbouring columns
constexpr double kDynamicGap = 0.6;     // between neighbouring dynamics of one staff
constexpr double kEmptyMeasure = 6.0;   // a measure without notes in any staff

// What the notes of one column need on either side, and the shortest of them.
struct Column {
    int tick = 0;
    double before = 0;
    double after = 0;
    int shortest = std::numeric_limits<int>::max();
};

// The columns of a measure, each with what its notes need on either side.
std::vector<Column> collectColumns(const std::vector<EngravedMeasure>& staves) {
    std::vector<int> ticks;
    for (const EngravedMeasure& staff : staves) {
        for (const EngravedNote& n : staff.notes) {
            ticks.push_back(n.event.tick);
        }
    }
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    std::vector<Column> columns(ticks.size());
    for (std::size_t c = 0; c < ticks.size(); ++c) {
        columns[c].tick = ticks[c];
    }
    for (const EngravedMeasure& staff : staves) {
        for (const EngravedNote& n : staff.notes) {
            Column& column = columns[static_cast<std::size_t>(
                std::lower_bound(ticks.begin(), ticks.end(), n.event.tick) - ticks.begin())];
            column.before = std::max(column.before, -n.left());
            column.after = std::max(column.after, n.right());
            if (n.event.ticks > 0) {
                column.shortest = std::min(column.shortest, n.event.ticks);
            }
        }
    }
    return columns;
}

// The least position of each column, ink apart and each staff's dynamics apart, and of the
// closing barline.
std::vector<double> leastPositions(const std::vector<Column>& columns,
                                   const std::vector<EngravedMeasure>& staves, double& bar) {
    std::vector<double> x(columns.size());
    std::vector<double> dynamicEnd(staves.size(), std::numeric_limits<double>::lowest());
    std::vector<std::size_t> next(staves.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        x[c] = c == 0 ? kLead + columns[0].before
                      : x[c - 1] + columns[c - 1].after + kInkGap + columns[c].before;
        for (std::size_t s = 0; s < staves.size(); ++s) {
            const auto& notes = staves[s].notes;
            while (next[s] < notes.size() && notes[next[s]].event.tick == columns[c].tick) {
                if (const auto& d = notes[next[s]].dynamic) {
                    x[c] = std::max(x[c], dynamicEnd[s] + kDynamicGap - d->left);
                    dynamicEnd[s] = x[c] + d->right;
                }
                ++next[s];
            }
        }
    }
    bar = x.back() + columns.back().after + kTrail;
    for (const double end : dynamicEnd) {
        bar = std::max(bar, end + kInkGap);
    }
    return x;
}

}  // namespace

double idealSpace(int ticks) {
    return kQuarterSpace * std::cbrt(std::max(ticks, 1) / 24.0);
}

double MeasureSpacing::width(double s) const {
    if (columnTicks.empty()) {
        return lead;
    }
    double w = lead;
    for (std::size_t c = 0; c < leastGap.size(); ++c) {
        w += std::max(leastGap[c], idealGap[c] * s);
    }
    return w;
}

std::vector<double> MeasureSpacing::columnX(double s) const {
    std::vector<double> x(columnTicks.size());
    double at = lead;
    for (std::size_t c = 0; c < columnTicks.size(); ++c) {
        x[c] = at;
        at += std::max(leastGap[c], idealGap[c] * s);
    }
    return x;
}

std::size_t MeasureSpacing::columnOf(int tick) const {
    const auto it = std::lower_bound(columnTicks.begin(), columnTicks.end(), tick);
    return static_cast<std::size_t>(it - columnTicks.begin());
}

MeasureSpacing spaceMeasure(const std::vector<EngravedMeasure>& staves, int beats) {
    MeasureSpacing spacing;
    spacing.ticks = std::max(beats, 0) * kBeatTicks;
    for (const EngravedMeasure& staff : staves) {
        if (!staff.notes.empty()) {
            const NoteEvent& last = staff.notes.back().event;
            spacing.ticks = std::max(spacing.ticks, last.tick + last.ticks);
        }
    }
    const std::vector<Column> columns = collectColumns(staves);
    if (columns.empty()) {
        spacing.lead = std::max(kEmptyMeasure, idealSpace(spacing.ticks));
        return spacing;
    }
    double bar = 0;
    const std::vector<double> x = leastPositions(columns, staves, bar);
    spacing.lead = x.front();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int to = c + 1 < columns.size() ? columns[c + 1].tick : spacing.ticks;
        const int length = std::max(to - columns[c].tick, 0);
        // The shortest note starting here sets the room; a column of zero-length notes (only a
        // damaged file has them) takes the room of its gap.
        const int shortest = columns[c].shortest == std::numeric_limits<int>::max()
                                 ? std::max(length, 1)
                                 : columns[c].shortest;
        spacing.columnTicks.push_back(columns[c].tick);
        spacing.leastGap.push_back((c + 1 < columns.size() ? x[c + 1] : bar) - x[c]);
        spacing.idealGap.push_back(idealSpace(shortest) * length / shortest);
    }
    return spacing;
}

double stretchToFill(const std::vector<const MeasureSpacing*>& measures, double fixed,
                     double width) {
    const auto total = [&](double s) {
        double w = fixed;
        for (const MeasureSpacing* m : measures) {
            w += m->width(s);
        }
        return w;
    };
    if (total(0) >= width) {
        return 0;
    }
    double low = 0;
    double high = 1;
    while (total(high) < width && high < 1e6) {
        high *= 2;
    }
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (total(mid) < width ? low : high) = mid;
    }
    return (low + high) / 2;
}

}  // namespace corvane::engrave
