#include "score/score_delta.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace corvane {

namespace {

// Exchanges the elements of `items` from `from` on with `kept`.
template <class T>
void swapEnd(std::vector<T>& items, std::size_t from, std::vector<T>& kept) {
    const auto start = items.begin() + static_cast<std::ptrdiff_t>(from);
    std::vector<T> end(std::make_move_iterator(start), std::make_move_iterator(items.end()));
    items.erase(start, items.end());
    items.insert(items.end(), std::make_move_iterator(kept.begin()),
                 std::make_move_iterator(kept.end()));
    kept = std::move(end);
}

template <class T>
void copyEnd(std::vector<T>& items, std::size_t from, const std::vector<T>* kept) {
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(from), items.end());
    if (kept != nullptr) {
        items.insert(items.end(), kept->begin(), kept->end());
    }
}

template <class T>
void moveLastToFront(std::vector<T>& from, std::vector<T>& to) {
    to.insert(to.begin(), std::move(from.back()));
    from.pop_back();
}

}  // namespace

void ScoreTail::swapWith(Score& score) {
    swapEnd(score.measures, from_, infos_);
    tracks_.resize(score.tracks.size());
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        swapEnd(score.tracks[t].measures, from_, tracks_[t]);
    }
}

void ScoreTail::takeLastMeasure(Score& score) {
    tracks_.resize(score.tracks.size());
    moveLastToFront(score.measures, infos_);
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        moveLastToFront(score.tracks[t].measures, tracks_[t]);
    }
    --from_;
}

void ScoreTail::copyInto(Score& score) const {
    copyEnd(score.measures, from_, &infos_);
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        copyEnd(score.tracks[t].measures, from_, t < tracks_.size() ? &tracks_[t] : nullptr);
    }
}

void ScoreDelta::measureWas(const Score& score, std::size_t track, std::size_t measure,
                            TrackMeasure before) {
    if (track >= score.tracks.size() || measure >= score.tracks[track].measures.size() ||
        score.tracks[track].measures[measure] == before) {
        return;
    }
    measures_.push_back(PlacedMeasure{track, measure, std::move(before)});
}

void ScoreDelta::infoWas(const Score& score, std::size_t measure, const MeasureInfo& before) {
    if (measure < score.measures.size() && score.measures[measure] != before) {
        infos_.push_back(PlacedInfo{measure, before});
    }
}

void ScoreDelta::settingsWere(const Score& score, std::size_t track, std::int32_t program,
                              TrackKind kind) {
    if (track < score.tracks.size() &&
        (score.tracks[track].program != program || score.tracks[track].kind != kind)) {
        settings_.push_back(Settings{track, program, kind});
    }
}

void ScoreDelta::trackRemoved(std::size_t index, Track before) {
    track_ = PlacedTrack{index, std::move(before)};
}

void ScoreDelta::trackAdded(std::size_t index) {
    track_ = PlacedTrack{index, std::nullopt};
}

void ScoreDelta::measuresAppended(const Score& score, std::size_t count) {
    if (score.measures.size() > count) {
        tail_ = ScoreTail(count);
    }
}

bool ScoreDelta::empty() const {
    return measures_.empty() && infos_.empty() && settings_.empty() && !track_ && !tail_;
}

void ScoreDelta::swapWith(Score& score) {
    for (PlacedInfo& placed : infos_) {
        std::swap(placed.info, score.measures[placed.measure]);
    }
    for (Settings& settings : settings_) {
        Track& track = score.tracks[settings.track];
        std::swap(settings.program, track.program);
        std::swap(settings.kind, track.kind);
    }
    for (PlacedMeasure& placed : measures_) {
        placed.notes.swap(score.tracks[placed.track].measures[placed.measure]);
    }
    if (track_) {
        const auto at = score.tracks.begin() + static_cast<std::ptrdiff_t>(track_->index);
        if (track_->track) {
            score.tracks.insert(at, std::move(*track_->track));
            track_->track.reset();
        } else {
            track_->track = std::move(*at);
            score.tracks.erase(at);
        }
    }
    if (tail_) {
        tail_->swapWith(score);
    }
}

std::vector<RestedMeasure> ScoreDelta::notesMadeRests(const Score& score) const {
    std::vector<RestedMeasure> rested;
    for (const PlacedMeasure& placed : measures_) {
        const TrackMeasure& now = score.tracks[placed.track].measures[placed.measure];
        const auto sounding = [](const TrackMeasure& notes) {
            return std::count_if(notes.begin(), notes.end(),
                                 [](const Note& note) { return !note.isRest(); });
        };
        const auto lost = static_cast<int>(sounding(placed.notes));
        if (lost > 0 && sounding(now) == 0) {
            rested.push_back(RestedMeasure{placed.measure, lost});
        }
    }
    std::stable_sort(
        rested.begin(), rested.end(),
        [](const RestedMeasure& a, const RestedMeasure& b) { return a.measure < b.measure; });
    std::vector<RestedMeasure> merged;
    for (const RestedMeasure& entry : rested) {
        if (!merged.empty() && merged.back().measure == entry.measure) {
            merged.back().notes += entry.notes;
        } else {
            merged.push_back(entry);
        }
    }
    return merged;
}

void ChangeCapture::copyMeasures(const Score& score, std::size_t track, std::size_t first,
                                 std::size_t end) {
    if (track >= score.tracks.size()) {
        return;
    }
    const std::vector<TrackMeasure>& measures = score.tracks[track].measures;
    for (std::size_t m = first; m < std::min(end, measures.size()); ++m) {
        measures_.push_back(Kept{track, m, measures[m]});
    }
}

bool ChangeCapture::keptForEveryTrack(std::size_t measure) {
    if (everyTrack_.size() <= measure) {
        everyTrack_.resize(measure + 1);
    }
    const bool kept = everyTrack_[measure];
    everyTrack_[measure] = true;
    return kept;
}

void ChangeCapture::copyMeasureOfEveryTrack(const Score& score, std::size_t measure) {
    if (measure >= score.measures.size() || keptForEveryTrack(measure)) {
        return;
    }
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        measures_.push_back(Kept{t, measure, score.tracks[t].measures[measure]});
    }
}

void ChangeCapture::takeMeasureOfEveryTrack(Score& score, std::size_t measure) {
    if (measure >= score.measures.size() || keptForEveryTrack(measure)) {
        return;
    }
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        Kept kept{t, measure, {}};
        kept.notes.swap(score.tracks[t].measures[measure]);
        measures_.push_back(std::move(kept));
    }
}

void ChangeCapture::copyInfos(const Score& score, std::size_t first) {
    infosFrom_ = std::min(first, score.measures.size());
    infos_.assign(score.measures.begin() + static_cast<std::ptrdiff_t>(infosFrom_),
                  score.measures.end());
}

void ChangeCapture::settle(const Score& score, ScoreDelta& delta) {
    for (std::size_t i = 0; i < infos_.size(); ++i) {
        delta.infoWas(score, infosFrom_ + i, infos_[i]);
    }
    for (Kept& kept : measures_) {
        delta.measureWas(score, kept.track, kept.measure, std::move(kept.notes));
    }
    measures_.clear();
    everyTrack_.clear();
    infos_.clear();
}

void growTimeline(Score& score, std::size_t count) {
    while (score.measures.size() < count) {
        const MeasureInfo last = score.measures.back();
        score.addMeasure(last.key, last.tempo, last.beats);
    }
}

}  // namespace corvane
