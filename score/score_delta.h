#pragma once
// The difference between two states of a score, kept as the contents both states have wherever
// they differ: timeline entries, track settings, measures, the measure count, and whole tracks
// that only one of them has. It turns either state into the other, so one object serves undo
// and redo.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "score/score.h"

namespace corvane {

// Where the measures of two states may differ, so that a comparison looks only there: from
// measure `firstMeasure` on, and only in track `onlyTrack` (its index in the older state) when
// that is given. The timeline, the measure count, every track's kind and program and the measures
// one state has beyond the other's are always compared; a track list that changed length is
// compared whole.
struct ChangeScope {
    std::size_t firstMeasure = 0;
    std::optional<std::size_t> onlyTrack;
};

class ScoreDelta {
  public:
    // Brings `older` up to `newer`, comparing where `scope` says, and returns the difference.
    // Anything that differs outside the scope is neither recorded nor copied.
    static ScoreDelta record(Score& older, const Score& newer, const ChangeScope& scope);

    // Turns `score` from the older state into the newer one.
    void forward(Score& score) const { apply(score, true); }
    // Turns `score` from the newer state into the older one.
    void backward(Score& score) const { apply(score, false); }

    // The two states are the same.
    bool empty() const;
    // The measure counts of the two states.
    std::size_t measuresBefore() const { return measuresBefore_; }
    std::size_t measuresAfter() const { return measuresAfter_; }

  private:
    struct PlacedTrack {
        std::size_t index = 0;
        Track track;
    };
    struct PlacedInfo {
        std::size_t measure = 0;
        MeasureInfo before;
        MeasureInfo after;
    };
    struct Settings {
        std::size_t track = 0;  // among the tracks both states have
        std::int32_t programBefore = 0;
        TrackKind kindBefore = Treble;
        std::int32_t programAfter = 0;
        TrackKind kindAfter = Treble;
    };
    // A measure of a track both states have; a side past that state's measure count is empty.
    struct PlacedMeasure {
        std::size_t track = 0;  // among the tracks both states have
        std::size_t measure = 0;
        TrackMeasure before;
        TrackMeasure after;
    };

    void apply(Score& score, bool toNewer) const;
    void recordTimeline(Score& older, const Score& newer);

    std::size_t measuresBefore_ = 0;
    std::size_t measuresAfter_ = 0;
    std::vector<PlacedTrack> tracksOnlyBefore_;  // by index in the older state, ascending
    std::vector<PlacedTrack> tracksOnlyAfter_;   // by index in the newer state, ascending
    std::vector<PlacedInfo> timeline_;
    std::vector<Settings> settings_;
    std::vector<PlacedMeasure> measures_;
};

// Makes `to` hold `from`'s measure count and, from measure `first` on, its timeline entries and
// every track's measures; the tracks of both must correspond one to one.
void copyMeasuresFrom(Score& to, const Score& from, std::size_t first);

}  // namespace corvane
