#include "interchange/import_quantise.h"

#include <algorithm>
#include <cstdlib>

namespace corvane {

namespace {

constexpr std::int64_t kTicksPerQuarter = 24;

bool exactTick(std::int64_t tick, int division) {
    return tick * kTicksPerQuarter % division == 0;
}

// Puts file ticks on the score's grid; the beats of grid measures each take the straight grid
// (thirty-seconds, 3 ticks) or the triplet grid (triplet sixteenths, 4 ticks), whichever lies
// closer to the note starts and ends in that beat.
class Placer {
  public:
    Placer(std::span<const SourceNote> notes, const Timeline& timeline,
           const std::vector<bool>& grid)
        : measures_(timeline),
          grid_(grid),
          anyGrid_(std::find(grid.begin(), grid.end(), true) != grid.end()),
          division_(timeline.division) {
        std::vector<std::int64_t> ticks;
        for (const SourceNote& note : notes) {
            for (const std::int64_t tick : {note.on, note.off}) {
                if (onGrid(tick / division_)) {
                    ticks.push_back(tick);
                }
            }
        }
        std::sort(ticks.begin(), ticks.end());
        chooseGrids(ticks);
    }

    // The score tick for file tick `tick`.
    std::int64_t place(std::int64_t tick) {
        const std::int64_t beat = tick / division_;
        if (!onGrid(beat) && exactTick(tick, division_)) {
            return tick * kTicksPerQuarter / division_;
        }
        const std::int64_t within = tick - beat * division_;
        const int slots = triplet(beat) ? 6 : 8;
        const std::int64_t slot = (2 * within * slots + division_) / (2 * division_);
        return beat * kTicksPerQuarter + slot * (kTicksPerQuarter / slots);
    }

    // The shortest length a note starting at score tick `at` can be given.
    std::int64_t step(std::int64_t at) {
        const std::int64_t beat = at / kTicksPerQuarter;
        return onGrid(beat) && triplet(beat) ? 4 : 3;
    }

  private:
    // Whether the measure holding quarter `beat` is placed on the grid; most files have none.
    bool onGrid(std::int64_t beat) { return anyGrid_ && grid_[measures_.at(beat)]; }

    bool triplet(std::int64_t beat) const {
        return std::binary_search(tripletBeats_.begin(), tripletBeats_.end(), beat);
    }

    // Squared distance, in 1/(24 * division) of a quarter, of `within` to a grid of `slots`.
    double error(std::int64_t within, int slots) const {
        const std::int64_t slot = (2 * within * slots + division_) / (2 * division_);
        const double d = static_cast<double>(within * kTicksPerQuarter -
                                             slot * (kTicksPerQuarter / slots) * division_);
        return d * d;
    }

    void chooseGrids(const std::vector<std::int64_t>& ticks) {
        for (std::size_t i = 0; i < ticks.size();) {
            const std::int64_t beat = ticks[i] / division_;
            double straight = 0;
            double triplet = 0;
            for (; i < ticks.size() && ticks[i] / division_ == beat; ++i) {
                const std::int64_t within = ticks[i] - beat * division_;
                straight += error(within, 8);
                triplet += error(within, 6);
            }
            if (triplet < straight) {
                tripletBeats_.push_back(beat);
            }
        }
    }

    MeasureWalk measures_;
    const std::vector<bool>& grid_;
    bool anyGrid_;
    std::int64_t division_;
    std::vector<std::int64_t> tripletBeats_;  // sorted
};

struct PlacedNote {
    std::int64_t on = 0;
    std::int64_t off = 0;
    std::uint8_t key = 0;
    std::uint8_t velocity = 0;
};

// Counts a start or end that moved, with its distance in beats.
void countMove(ImportReport* report, ImportReport::Kind kind, std::int64_t placed,
               std::int64_t tick, int division) {
    const std::int64_t scaled = placed * division - tick * kTicksPerQuarter;
    if (report != nullptr && scaled != 0) {
        report->add(kind, 1,
                    static_cast<double>(std::llabs(scaled)) /
                        static_cast<double>(kTicksPerQuarter * division));
    }
}

// Notes starting together make one chord: its shortest length, its loudest velocity, each key
// once.
PlacedChord makeChord(std::span<const PlacedNote> group, ImportReport* report) {
    PlacedChord chord;
    chord.on = group.front().on;
    chord.off = group.front().off;
    chord.keys.reserve(group.size());
    for (const PlacedNote& note : group) {
        chord.off = std::min(chord.off, note.off);
        chord.velocity = std::max<int>(chord.velocity, note.velocity);
    }
    for (const PlacedNote& note : group) {
        if (std::find(chord.keys.begin(), chord.keys.end(), note.key) != chord.keys.end()) {
            if (report != nullptr) {
                report->add(ImportReport::RepeatedKey);
            }
            continue;
        }
        chord.keys.push_back(note.key);
        if (report != nullptr) {
            report->add(ImportReport::ChordCut, note.off > chord.off ? 1 : 0);
            report->add(ImportReport::ChordVelocity, note.velocity != chord.velocity ? 1 : 0);
        }
    }
    return chord;
}

}  // namespace

std::size_t Timeline::measureAt(std::int64_t quarter) const {
    const auto after = std::upper_bound(barStarts.begin(), barStarts.end() - 1, quarter);
    if (after == barStarts.begin()) {
        return 0;
    }
    return static_cast<std::size_t>(after - barStarts.begin()) - 1;
}

std::size_t MeasureWalk::at(std::int64_t quarter) {
    const std::vector<std::int64_t>& starts = timeline_.barStarts;
    const std::size_t count = timeline_.measureCount();
    for (std::size_t m = last_; m < std::min(last_ + 2, count); ++m) {
        if (starts[m] <= quarter && (m + 1 == count || quarter < starts[m + 1])) {
            last_ = m;
            return m;
        }
    }
    last_ = timeline_.measureAt(quarter);
    return last_;
}

std::vector<bool> measuresOffGrid(std::span<const SourceNote> notes, const Timeline& timeline) {
    std::vector<bool> grid(timeline.measureCount(), false);
    MeasureWalk measures(timeline);
    for (const SourceNote& note : notes) {
        for (const std::int64_t tick : {note.on, note.off}) {
            if (!exactTick(tick, timeline.division)) {
                grid[measures.at(tick / timeline.division)] = true;
            }
        }
    }
    return grid;
}

std::vector<PlacedChord> placeChords(std::span<const SourceNote> notes, const Timeline& timeline,
                                     const std::vector<bool>& grid, ImportReport* report) {
    Placer placer(notes, timeline, grid);
    const std::int64_t end = timeline.barStarts.back() * kTicksPerQuarter;
    std::vector<PlacedNote> placed;
    placed.reserve(notes.size());
    for (const SourceNote& note : notes) {
        PlacedNote p{placer.place(note.on), placer.place(note.off), note.key, note.velocity};
        // A start rounded onto the end of the last measure moves back into it.
        if (p.on >= end) {
            p.on = end - placer.step(end - 1);
        }
        if (p.off <= p.on) {
            p.off = std::min(p.on + placer.step(p.on), end);
        }
        countMove(report, ImportReport::StartsMoved, p.on, note.on, timeline.division);
        countMove(report, ImportReport::EndsMoved, p.off, note.off, timeline.division);
        placed.push_back(p);
    }
    // Placed notes are nearly always still in order: sorting only when they are not saves the
    // sort's buffer.
    const auto earlier = [](const PlacedNote& a, const PlacedNote& b) { return a.on < b.on; };
    if (!std::is_sorted(placed.begin(), placed.end(), earlier)) {
        std::stable_sort(placed.begin(), placed.end(), earlier);
    }

    std::vector<PlacedChord> chords;
    chords.reserve(placed.size());
    for (std::size_t i = 0; i < placed.size();) {
        std::size_t j = i;
        while (j < placed.size() && placed[j].on == placed[i].on) {
            ++j;
        }
        chords.push_back(makeChord(std::span(placed).subspan(i, j - i), report));
        i = j;
    }
    for (std::size_t k = 0; k + 1 < chords.size(); ++k) {
        if (chords[k].off > chords[k + 1].on) {
            if (report != nullptr) {
                report->add(ImportReport::OverlapCut,
                            static_cast<std::int64_t>(chords[k].keys.size()));
            }
            chords[k].off = chords[k + 1].on;
        }
    }
    return chords;
}

}  // namespace corvane
