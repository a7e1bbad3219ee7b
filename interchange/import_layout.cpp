#include "interchange/import_layout.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>

#include "interchange/import_spelling.h"

namespace corvane {

namespace {

constexpr std::int64_t kTicksPerQuarter = 24;
constexpr int kDefaultVelocity = 90;

struct Value {
    int ticks;
    int duration;
    int dots;
};

// The plain and dotted values whose length in ticks is exact (a dotted thirty-second or a
// double-dotted sixteenth would be rounded), longest first.
constexpr std::array<Value, 15> kStraight = {{{168, 1, 2},
                                              {144, 1, 1},
                                              {96, 1, 0},
                                              {84, 2, 2},
                                              {72, 2, 1},
                                              {48, 2, 0},
                                              {42, 4, 2},
                                              {36, 4, 1},
                                              {24, 4, 0},
                                              {21, 8, 2},
                                              {18, 8, 1},
                                              {12, 8, 0},
                                              {9, 16, 1},
                                              {6, 16, 0},
                                              {3, 32, 0}}};
// Triplet groups by the ticks of one member: half-note triplets down to thirty-second triplets.
constexpr std::array<Value, 5> kTriplets = {
    {{32, 2, 0}, {16, 4, 0}, {8, 8, 0}, {4, 16, 0}, {2, 32, 0}}};

// Every Note costs the same, a dot a little more, so that the fewest Notes win and plain values
// win among equals.
constexpr int kNoteCost = 10;
constexpr int kTripletGroupCost = 3 * kNoteCost + 3;

// The shortest path through a measure: cost[t] is the least cost of Notes filling [0, t).
struct Path {
    std::vector<int> cost;
    std::vector<int> from;
    std::vector<int> choice;  // index into kStraight, or kStraight.size() + index into kTriplets
};

// For each tick t of a measure of `ticks` ticks whose content changes at `changes` (ascending,
// within 1..ticks - 1): the first change after t, or `ticks`. A Note from t may end there at the
// latest.
std::vector<int> nextChanges(std::span<const int> changes, int ticks) {
    std::vector<int> next(static_cast<std::size_t>(ticks));
    int upcoming = ticks;
    auto change = changes.rbegin();
    for (int t = ticks - 1; t >= 0; --t) {
        next[static_cast<std::size_t>(t)] = upcoming;
        if (change != changes.rend() && *change == t) {
            upcoming = t;
            ++change;
        }
    }
    return next;
}

Path shortestPath(const std::vector<int>& next, int ticks) {
    constexpr int kUnreached = std::numeric_limits<int>::max();
    const auto size = static_cast<std::size_t>(ticks) + 1;
    Path path{std::vector<int>(size, kUnreached), std::vector<int>(size, -1),
              std::vector<int>(size, -1)};
    path.cost[0] = 0;
    const auto relax = [&](int from, int to, int cost, std::size_t choice) {
        if (path.cost[static_cast<std::size_t>(from)] + cost <
            path.cost[static_cast<std::size_t>(to)]) {
            path.cost[static_cast<std::size_t>(to)] =
                path.cost[static_cast<std::size_t>(from)] + cost;
            path.from[static_cast<std::size_t>(to)] = from;
            path.choice[static_cast<std::size_t>(to)] = static_cast<int>(choice);
        }
    };
    const auto reach = [&](int t) { return next[static_cast<std::size_t>(t)]; };
    for (int t = 0; t < ticks; ++t) {
        if (path.cost[static_cast<std::size_t>(t)] == kUnreached) {
            continue;
        }
        for (std::size_t i = 0; i < kStraight.size(); ++i) {
            if (t + kStraight[i].ticks <= reach(t)) {
                relax(t, t + kStraight[i].ticks, kNoteCost + kStraight[i].dots, i);
            }
        }
        for (std::size_t i = 0; i < kTriplets.size(); ++i) {
            const int m = kTriplets[i].ticks;
            if (t + 3 * m <= ticks && t + m <= reach(t) && t + 2 * m <= reach(t + m) &&
                t + 3 * m <= reach(t + 2 * m)) {
                relax(t, t + 3 * m, kTripletGroupCost, kStraight.size() + i);
            }
        }
    }
    return path;
}

// The Notes of the path, each with the tick where it starts in place of its chord; nothing when
// the path does not reach the end.
std::optional<std::vector<MeasureLayer::Step>> stepsOfPath(const Path& path, int ticks) {
    if (path.from[static_cast<std::size_t>(ticks)] < 0) {
        return std::nullopt;
    }
    std::vector<MeasureLayer::Step> steps;
    for (int t = ticks; t > 0; t = path.from[static_cast<std::size_t>(t)]) {
        const int from = path.from[static_cast<std::size_t>(t)];
        const auto choice = static_cast<std::size_t>(path.choice[static_cast<std::size_t>(t)]);
        if (choice < kStraight.size()) {
            const Value& v = kStraight[choice];
            steps.push_back({{v.duration, v.dots, 0, -1}, from});
            continue;
        }
        const Value& v = kTriplets[choice - kStraight.size()];
        // Pushed backwards: the last member first.
        for (const int member : {2, 1, 0}) {
            steps.push_back({{v.duration, 0, member == 0 ? 1 : (member == 1 ? 3 : 2), -1},
                             from + member * v.ticks});
        }
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

}  // namespace

bool MeasureLayer::lay(std::span<const PlacedChord> chords, std::size_t& cursor, std::int64_t start,
                       int ticks, std::vector<LaidNote>& out) {
    while (cursor < chords.size() && chords[cursor].off <= start) {
        ++cursor;
    }
    const std::int64_t end = start + ticks;
    // Most measures of long notes and long rests hold one thing throughout.
    if (cursor == chords.size() || chords[cursor].on >= end) {
        return layPlain(ticks, -1, out);
    }
    if (chords[cursor].on <= start && chords[cursor].off >= end) {
        return layPlain(ticks, static_cast<int>(cursor), out);
    }
    content_.assign(static_cast<std::size_t>(ticks), -1);
    for (std::size_t j = cursor; j < chords.size() && chords[j].on < end; ++j) {
        const std::int64_t from = std::max(chords[j].on, start) - start;
        const std::int64_t to = std::min(chords[j].off, end) - start;
        std::fill(content_.begin() + from, content_.begin() + to, static_cast<int>(j));
    }
    // The layout depends only on where the content changes.
    shape_.assign(1, ticks);
    for (std::size_t x = 1; x < content_.size(); ++x) {
        if (content_[x] != content_[x - 1]) {
            shape_.push_back(static_cast<int>(x));
        }
    }
    const std::optional<std::vector<Step>>& steps = layout(shape_);
    if (!steps) {
        return false;
    }
    for (const Step& step : *steps) {
        out.push_back(step.note);
        out.back().chord = content_[static_cast<std::size_t>(step.start)];
    }
    return true;
}

bool MeasureLayer::layPlain(int ticks, int chord, std::vector<LaidNote>& out) {
    auto plain = plain_.find(ticks);
    if (plain == plain_.end()) {
        plain = plain_.emplace(ticks, &layout(std::vector<int>{ticks})).first;
    }
    const std::optional<std::vector<Step>>& steps = *plain->second;
    if (!steps) {
        return false;
    }
    for (const Step& step : *steps) {
        out.push_back(step.note);
        out.back().chord = chord;
    }
    return true;
}

const std::optional<std::vector<MeasureLayer::Step>>& MeasureLayer::layout(
    const std::vector<int>& shape) {
    auto found = layouts_.find(shape);
    if (found == layouts_.end()) {
        found = layouts_.emplace(shape, std::nullopt).first;
        const std::vector<int>& key = found->first;
        const int ticks = key.front();
        const std::vector<int> next = nextChanges(std::span(key).subspan(1), ticks);
        found->second = stepsOfPath(shortestPath(next, ticks), ticks);
    }
    return found->second;
}

ExactFit::ExactFit(std::span<const PlacedTrack> tracks, MeasureLayer& layer)
    : tracks_(tracks), layer_(layer) {
    std::vector<std::int64_t> anyMixed;
    for (const PlacedTrack& track : tracks_) {
        std::vector<std::int64_t>& mixed = mixedBeats_.emplace_back();
        // A track's chords follow one another without overlapping, so their starts and ends come
        // in time order: each beat's are together.
        std::int64_t beat = -1;
        int grids = 0;  // 1: off the 3-tick grid, 2: off the 2-tick grid
        for (const PlacedChord& chord : track.chords) {
            for (const std::int64_t tick : {chord.on, chord.off}) {
                if (tick / kTicksPerQuarter != beat) {
                    if (grids == 3) {
                        mixed.push_back(beat);
                    }
                    beat = tick / kTicksPerQuarter;
                    grids = 0;
                }
                const std::int64_t within = tick % kTicksPerQuarter;
                grids |= (within % 3 != 0 ? 1 : 0) | (within % 2 != 0 ? 2 : 0);
            }
        }
        if (grids == 3) {
            mixed.push_back(beat);
        }
        anyMixed.insert(anyMixed.end(), mixed.begin(), mixed.end());
    }
    std::sort(anyMixed.begin(), anyMixed.end());
    anyMixed.erase(std::unique(anyMixed.begin(), anyMixed.end()), anyMixed.end());
    anyMixedBeats_ = std::move(anyMixed);
}

bool ExactFit::fits(std::int64_t startQuarter, int beats) {
    const auto any = std::lower_bound(anyMixedBeats_.begin(), anyMixedBeats_.end(), startQuarter);
    if (any == anyMixedBeats_.end() || *any >= startQuarter + beats) {
        return true;
    }
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
        const std::vector<std::int64_t>& mixed = mixedBeats_[t];
        const auto beat = std::lower_bound(mixed.begin(), mixed.end(), startQuarter);
        if (beat == mixed.end() || *beat >= startQuarter + beats) {
            continue;
        }
        const std::int64_t start = startQuarter * kTicksPerQuarter;
        const std::vector<PlacedChord>& chords = tracks_[t].chords;
        std::size_t cursor = static_cast<std::size_t>(
            std::partition_point(chords.begin(), chords.end(),
                                 [&](const PlacedChord& c) { return c.off <= start; }) -
            chords.begin());
        scratch_.clear();
        if (!layer_.lay(chords, cursor, start, beats * static_cast<int>(kTicksPerQuarter),
                        scratch_)) {
            return false;
        }
    }
    return true;
}

TrackKind chooseClef(std::span<const PlacedChord> chords, const Timeline& timeline) {
    std::int64_t treble = 0;
    std::int64_t bass = 0;
    ChordSpeller speller;
    MeasureWalk measures(timeline);
    for (const PlacedChord& chord : chords) {
        const int key = timeline.keys[measures.at(chord.on / kTicksPerQuarter)];
        for (const TrackKind kind : {Treble, Bass}) {
            const ChordShift shift = speller.shift(chord.keys, key, kind);
            (kind == Treble ? treble : bass) += std::abs(shift.octave) + 100 * shift.moved;
        }
    }
    return bass < treble ? Bass : Treble;
}

namespace {

// Turns laid-out Notes into the score's Notes: heads, octave shift, ties and velocities.
class Assembler {
  public:
    Assembler(std::span<const PlacedChord> chords, TrackKind kind, const Timeline& timeline,
              ImportReport& report)
        : chords_(chords), kind_(kind), timeline_(timeline), report_(report) {
        restVelocity_ = chords.empty() ? kDefaultVelocity : chords.front().velocity;
    }

    // `laid` holds the Notes of every measure in turn; those of measure m start at starts[m],
    // and starts ends with the number of Notes.
    std::vector<TrackMeasure> build(const std::vector<LaidNote>& laid,
                                    const std::vector<std::size_t>& starts) {
        const std::size_t count = starts.size() - 1;
        std::vector<TrackMeasure> measures(count);
        int previous = -1;
        for (std::size_t m = 0; m < count; ++m) {
            for (std::size_t i = starts[m]; i < starts[m + 1]; ++i) {
                const bool nextMeasure = m + 1 < count && starts[m + 1] < starts[m + 2];
                const int next = i + 1 < starts[m + 1]
                                     ? laid[i + 1].chord
                                     : (nextMeasure ? laid[starts[m + 1]].chord : -1);
                measures[m].push_back(note(laid[i], previous, next, m));
                previous = laid[i].chord;
            }
        }
        return measures;
    }

  private:
    Note note(const LaidNote& laid, int previous, int next, std::size_t measure) {
        Note note;
        note.duration = laid.duration;
        note.dots = laid.dots;
        note.triplet = laid.triplet;
        if (laid.chord < 0) {
            note.velocity = restVelocity_;
            return note;
        }
        const PlacedChord& chord = chords_[static_cast<std::size_t>(laid.chord)];
        note.velocity = chord.velocity;
        restVelocity_ = chord.velocity;
        const bool from = previous == laid.chord;
        const bool to = next == laid.chord;
        note.tie = from ? (to ? TieMiddle : TieEnd) : (to ? TieStart : TieNone);
        const PlacedHeads& placed = heads(laid.chord, timeline_.keys[measure]);
        note.pitches.assign(placed.heads.begin(), placed.heads.end());
        note.octave = placed.octave;
        if (!from) {
            report_.add(ImportReport::OctaveMoved, placed.moved);
        }
        return note;
    }

    const PlacedHeads& heads(int chord, int key) {
        if (chord == cachedChord_ && key == cachedKey_) {
            return cached_;
        }
        cachedChord_ = chord;
        cachedKey_ = key;
        const PlacedChord& source = chords_[static_cast<std::size_t>(chord)];
        if (kind_ != Drums) {
            speller_.place(source.keys, key, kind_, cached_);
            return cached_;
        }
        cached_.heads.clear();
        for (const std::uint8_t midiKey : source.keys) {
            if (const std::optional<NoteHead> head = drumHead(midiKey)) {
                cached_.heads.push_back(*head);
            }
        }
        return cached_;
    }

    std::span<const PlacedChord> chords_;
    TrackKind kind_;
    const Timeline& timeline_;
    ImportReport& report_;
    int restVelocity_ = kDefaultVelocity;
    int cachedChord_ = -1;
    int cachedKey_ = 0;
    PlacedHeads cached_;
    ChordSpeller speller_;
};

}  // namespace

std::vector<TrackMeasure> layTrack(std::span<const SourceNote> notes, bool drums,
                                   const Timeline& timeline, const PlacedTrack* exact,
                                   MeasureLayer& layer, TrackKind& kind, ImportReport& report) {
    std::vector<bool> grid = measuresOffGrid(notes, timeline);
    const bool onGrid = std::find(grid.begin(), grid.end(), true) == grid.end();
    PlacedTrack placed;
    const PlacedTrack* current = onGrid && exact != nullptr ? exact : nullptr;
    std::vector<LaidNote> laid;
    std::vector<std::size_t> starts(timeline.measureCount() + 1, 0);
    for (bool done = false; !done;) {
        if (current == nullptr) {
            placed.counts = ImportReport{};
            placed.chords = placeChords(notes, timeline, grid, &placed.counts);
            current = &placed;
        }
        const std::vector<PlacedChord>& chords = current->chords;
        done = true;
        std::size_t cursor = 0;
        laid.clear();
        for (std::size_t m = 0; m + 1 < starts.size(); ++m) {
            starts[m] = laid.size();
            const std::int64_t start = timeline.barStarts[m] * kTicksPerQuarter;
            const auto ticks = static_cast<int>(
                (timeline.barStarts[m + 1] - timeline.barStarts[m]) * kTicksPerQuarter);
            if (layer.lay(chords, cursor, start, ticks, laid)) {
                continue;
            }
            // Every start and end of a measure on the grid lies on its beats' grids, which the
            // values can always fill; only a measure at exact ticks can fail.
            if (grid[m]) {
                throw std::logic_error("a measure on the grid could not be laid out");
            }
            grid[m] = true;
            done = false;
            current = nullptr;
        }
    }
    report.merge(current->counts);
    kind = drums ? Drums : chooseClef(current->chords, timeline);
    starts.back() = laid.size();
    return Assembler(current->chords, kind, timeline, report).build(laid, starts);
}

}  // namespace corvane
