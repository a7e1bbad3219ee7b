#include "score/score_delta.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace corvane {

namespace {

// Which tracks of an older and a newer state are the same track, in order, and which tracks only
// one of them has.
struct TrackPairing {
    std::vector<std::size_t> older;
    std::vector<std::size_t> newer;
    std::vector<std::size_t> olderOnly;
    std::vector<std::size_t> newerOnly;
    // The pairs were found by comparing whole tracks: their common measures are the same.
    bool listChanged = false;
};

bool sameOver(const Track& a, const Track& b, std::size_t measures) {
    const auto count = static_cast<std::ptrdiff_t>(measures);
    return a.program == b.program && a.kind == b.kind &&
           std::equal(a.measures.begin(), a.measures.begin() + count, b.measures.begin());
}

void pairRange(TrackPairing& pairing, std::size_t olderFrom, std::size_t newerFrom,
               std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        pairing.older.push_back(olderFrom + i);
        pairing.newer.push_back(newerFrom + i);
    }
}

// Tracks keep their order: those the two lists share at their start and at their end are pairs,
// and what lies between was removed from the older list or inserted into the newer one.
TrackPairing pairTracks(const Score& older, const Score& newer) {
    const std::size_t before = older.tracks.size();
    const std::size_t after = newer.tracks.size();
    TrackPairing pairing;
    if (before == after) {
        pairRange(pairing, 0, 0, before);
        return pairing;
    }
    pairing.listChanged = true;
    const std::size_t measures = std::min(older.measures.size(), newer.measures.size());
    const std::size_t shorter = std::min(before, after);
    std::size_t prefix = 0;
    while (prefix < shorter && sameOver(older.tracks[prefix], newer.tracks[prefix], measures)) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (prefix + suffix < shorter && sameOver(older.tracks[before - 1 - suffix],
                                                 newer.tracks[after - 1 - suffix], measures)) {
        ++suffix;
    }
    pairRange(pairing, 0, 0, prefix);
    pairRange(pairing, before - suffix, after - suffix, suffix);
    for (std::size_t i = prefix; i < before - suffix; ++i) {
        pairing.olderOnly.push_back(i);
    }
    for (std::size_t i = prefix; i < after - suffix; ++i) {
        pairing.newerOnly.push_back(i);
    }
    return pairing;
}

template <class T>
T takeIfPresent(std::vector<T>& items, std::size_t index) {
    return index < items.size() ? std::move(items[index]) : T{};
}

template <class T>
T copyIfPresent(const std::vector<T>& items, std::size_t index) {
    return index < items.size() ? items[index] : T{};
}

}  // namespace

void copyMeasuresFrom(Score& to, const Score& from, std::size_t first) {
    const std::size_t count = from.measures.size();
    first = std::min({first, to.measures.size(), count});
    to.measures.resize(count);
    std::copy(from.measures.begin() + static_cast<std::ptrdiff_t>(first), from.measures.end(),
              to.measures.begin() + static_cast<std::ptrdiff_t>(first));
    for (std::size_t t = 0; t < to.tracks.size() && t < from.tracks.size(); ++t) {
        std::vector<TrackMeasure>& target = to.tracks[t].measures;
        const std::vector<TrackMeasure>& source = from.tracks[t].measures;
        target.resize(count);
        std::copy(source.begin() + static_cast<std::ptrdiff_t>(first), source.end(),
                  target.begin() + static_cast<std::ptrdiff_t>(first));
    }
}

void ScoreDelta::recordTimeline(Score& older, const Score& newer) {
    const std::size_t common = std::min(measuresBefore_, measuresAfter_);
    for (std::size_t m = 0; m < common; ++m) {
        if (older.measures[m] != newer.measures[m]) {
            timeline_.push_back({m, older.measures[m], newer.measures[m]});
            older.measures[m] = newer.measures[m];
        }
    }
    for (std::size_t m = common; m < std::max(measuresBefore_, measuresAfter_); ++m) {
        timeline_.push_back(
            {m, copyIfPresent(older.measures, m), copyIfPresent(newer.measures, m)});
    }
    older.measures.resize(measuresAfter_);
    std::copy(newer.measures.begin() + static_cast<std::ptrdiff_t>(common), newer.measures.end(),
              older.measures.begin() + static_cast<std::ptrdiff_t>(common));
}

ScoreDelta ScoreDelta::record(Score& older, const Score& newer, const ChangeScope& scope) {
    ScoreDelta delta;
    delta.measuresBefore_ = older.measures.size();
    delta.measuresAfter_ = newer.measures.size();
    const std::size_t common = std::min(delta.measuresBefore_, delta.measuresAfter_);
    const std::size_t most = std::max(delta.measuresBefore_, delta.measuresAfter_);
    const TrackPairing pairing = pairTracks(older, newer);
    delta.recordTimeline(older, newer);

    for (std::size_t p = 0; p < pairing.older.size(); ++p) {
        Track& old = older.tracks[pairing.older[p]];
        const Track& now = newer.tracks[pairing.newer[p]];
        if (old.program != now.program || old.kind != now.kind) {
            delta.settings_.push_back({p, old.program, old.kind, now.program, now.kind});
            old.program = now.program;
            old.kind = now.kind;
        }
        const bool inScope =
            !pairing.listChanged && (!scope.onlyTrack || *scope.onlyTrack == pairing.older[p]);
        for (std::size_t m = inScope ? scope.firstMeasure : common; m < common; ++m) {
            if (old.measures[m] != now.measures[m]) {
                delta.measures_.push_back({p, m, std::move(old.measures[m]), now.measures[m]});
                old.measures[m] = now.measures[m];
            }
        }
        for (std::size_t m = common; m < most; ++m) {
            delta.measures_.push_back(
                {p, m, takeIfPresent(old.measures, m), copyIfPresent(now.measures, m)});
        }
        old.measures.resize(delta.measuresAfter_);
        std::copy(now.measures.begin() + static_cast<std::ptrdiff_t>(common), now.measures.end(),
                  old.measures.begin() + static_cast<std::ptrdiff_t>(common));
    }

    // Indexes of the older list stay valid while it loses tracks from its end backwards.
    for (auto it = pairing.olderOnly.rbegin(); it != pairing.olderOnly.rend(); ++it) {
        const auto at = older.tracks.begin() + static_cast<std::ptrdiff_t>(*it);
        delta.tracksOnlyBefore_.push_back({*it, std::move(*at)});
        older.tracks.erase(at);
    }
    std::reverse(delta.tracksOnlyBefore_.begin(), delta.tracksOnlyBefore_.end());
    for (const std::size_t i : pairing.newerOnly) {
        older.tracks.insert(older.tracks.begin() + static_cast<std::ptrdiff_t>(i),
                            newer.tracks[i]);
        delta.tracksOnlyAfter_.push_back({i, newer.tracks[i]});
    }
    return delta;
}

void ScoreDelta::apply(Score& score, bool toNewer) const {
    const std::vector<PlacedTrack>& leaving = toNewer ? tracksOnlyBefore_ : tracksOnlyAfter_;
    const std::vector<PlacedTrack>& coming = toNewer ? tracksOnlyAfter_ : tracksOnlyBefore_;
    for (auto it = leaving.rbegin(); it != leaving.rend(); ++it) {
        score.tracks.erase(score.tracks.begin() + static_cast<std::ptrdiff_t>(it->index));
    }
    // Only the tracks both states have are left, numbered as the entries number them.
    const std::size_t count = toNewer ? measuresAfter_ : measuresBefore_;
    score.measures.resize(count);
    for (Track& track : score.tracks) {
        track.measures.resize(count);
    }
    for (const PlacedInfo& entry : timeline_) {
        if (entry.measure < count) {
            score.measures[entry.measure] = toNewer ? entry.after : entry.before;
        }
    }
    for (const Settings& entry : settings_) {
        Track& track = score.tracks[entry.track];
        track.program = toNewer ? entry.programAfter : entry.programBefore;
        track.kind = toNewer ? entry.kindAfter : entry.kindBefore;
    }
    for (const PlacedMeasure& entry : measures_) {
        if (entry.measure < count) {
            score.tracks[entry.track].measures[entry.measure] =
                toNewer ? entry.after : entry.before;
        }
    }
    for (const PlacedTrack& placed : coming) {
        score.tracks.insert(score.tracks.begin() + static_cast<std::ptrdiff_t>(placed.index),
                            placed.track);
    }
}

bool ScoreDelta::empty() const {
    return measuresBefore_ == measuresAfter_ && tracksOnlyBefore_.empty() &&
           tracksOnlyAfter_.empty() && timeline_.empty() && settings_.empty() &&
           measures_.empty();
}

}  // namespace corvane
