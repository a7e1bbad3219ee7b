#pragma once
// The difference a change made to a score, kept as the contents of one side of the change
// wherever the two sides differ: timeline entries, track settings, measures of a track, a whole
// track, and the measures one side has beyond the other's end. Swapping those contents with a
// score on the other side turns it into the kept side and leaves the delta holding the side it
// left, so one object serves undo and redo, and neither copies a note.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "score/score.h"

namespace corvane {

// The measures of a score from measure from() on: their timeline entries and every track's
// measures there.
class ScoreTail {
  public:
    explicit ScoreTail(std::size_t from = 0) : from_(from) {}

    std::size_t from() const { return from_; }
    // How many measures are kept.
    std::size_t size() const { return infos_.size(); }

    // Exchanges the measures of `score` from from() on with the kept ones: the score ends with
    // what was kept, and the tail keeps what the score had there.
    void swapWith(Score& score);
    // Moves the last measure of `score`, which must be measure from() - 1, to the front of the
    // kept measures.
    void takeLastMeasure(Score& score);
    // Ends `score` at from() and appends copies of the kept measures.
    void copyInto(Score& score) const;

  private:
    std::size_t from_ = 0;
    std::vector<MeasureInfo> infos_;
    std::vector<std::vector<TrackMeasure>> tracks_;  // one list per track, or none at all
};

// How many sounding Notes a measure lost when a change left only rests in it, over all tracks.
struct RestedMeasure {
    std::size_t measure = 0;
    int notes = 0;

    friend bool operator==(const RestedMeasure&, const RestedMeasure&) = default;
};

class ScoreDelta {
  public:
    // Recording, once the change is made to `score`: each call tells what one part held before
    // the change, and keeps it only when the change altered that part. A delta that adds or
    // removes a track holds nothing else.
    void measureWas(const Score& score, std::size_t track, std::size_t measure,
                    TrackMeasure before);
    void infoWas(const Score& score, std::size_t measure, const MeasureInfo& before);
    void settingsWere(const Score& score, std::size_t track, std::int32_t program, TrackKind kind);
    // The change removed track `index`, which held `before`.
    void trackRemoved(std::size_t index, Track before);
    // The change inserted the track now at `index`.
    void trackAdded(std::size_t index);
    // The change appended measures to `score`, which had `count` measures before.
    void measuresAppended(const Score& score, std::size_t count);

    // The change left the score as it was.
    bool empty() const;
    // Exchanges the kept contents with `score`, which must be on the other side of the change:
    // the score moves to the kept side, and the delta keeps the side the score left.
    void swapWith(Score& score);
    // While the delta keeps the older side and `score` is the newer one: the measures where the
    // change left only rests in a track that had sounding Notes, by measure, ascending.
    std::vector<RestedMeasure> notesMadeRests(const Score& score) const;

  private:
    struct PlacedMeasure {
        std::size_t track = 0;
        std::size_t measure = 0;
        TrackMeasure notes;
    };
    struct PlacedInfo {
        std::size_t measure = 0;
        MeasureInfo info;
    };
    struct Settings {
        std::size_t track = 0;
        std::int32_t program = 0;
        TrackKind kind = Treble;
    };
    // A track that one side has at `index` and the other lacks: kept while the score lacks it.
    struct PlacedTrack {
        std::size_t index = 0;
        std::optional<Track> track;
    };

    std::vector<PlacedMeasure> measures_;
    std::vector<PlacedInfo> infos_;
    std::vector<Settings> settings_;
    std::optional<PlacedTrack> track_;
    std::optional<ScoreTail> tail_;
};

// What a change may alter, kept before it is made, so that afterwards only the parts it altered
// go into a delta.
class ChangeCapture {
  public:
    // Copies measures [first, end) of track `track`, as far as the score has them. Ranges given
    // for one track must not overlap.
    void copyMeasures(const Score& score, std::size_t track, std::size_t first, std::size_t end);
    // Copies measure `measure` of every track, unless it is kept already.
    void copyMeasureOfEveryTrack(const Score& score, std::size_t measure);
    // Moves measure `measure` of every track out of `score`, unless it is kept already; the
    // caller refills it at once.
    void takeMeasureOfEveryTrack(Score& score, std::size_t measure);
    // Copies the timeline entries from `first` on.
    void copyInfos(const Score& score, std::size_t first);

    // Compares what was kept with `score` after the change and records what differs in `delta`.
    void settle(const Score& score, ScoreDelta& delta);

  private:
    struct Kept {
        std::size_t track = 0;
        std::size_t measure = 0;
        TrackMeasure notes;
    };
    bool keptForEveryTrack(std::size_t measure);

    std::vector<Kept> measures_;
    std::vector<bool> everyTrack_;  // by measure: kept for every track already
    std::size_t infosFrom_ = 0;
    std::vector<MeasureInfo> infos_;
};

// Appends measures to `score`, whose timeline is not empty, until it has `count`: each with the
// key, tempo and meter of the last one, filled with rests (Score::addMeasure). The growth that
// keeps the view full.
void growTimeline(Score& score, std::size_t count);

}  // namespace corvane
