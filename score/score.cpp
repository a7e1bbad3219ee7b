#include "score/score.h"

namespace corvane {

TrackMeasure freshMeasure(std::int32_t n) {
    TrackMeasure measure;
    for (std::int32_t i = 0; i < n; ++i) {
        measure.emplace_back();
    }
    return measure;
}

std::int32_t noteTicks(const Note& note) {
    // Guards the division; no Note the program makes or loads has such a value.
    if (note.duration <= 0) {
        return 0;
    }
    std::int32_t ticks = (32 / note.duration) * 3;
    if (note.dots == 1) {
        ticks = ticks * 3 / 2;
    } else if (note.dots == 2) {
        ticks = ticks * 7 / 4;
    }
    if (note.triplet != 0) {
        ticks = ticks * 2 / 3;
    }
    return ticks;
}

void cutTieAtStart(Note& note) {
    if (note.tie == TieEnd) {
        note.tie = TieNone;
    } else if (note.tie == TieMiddle) {
        note.tie = TieStart;
    }
}

void cutTieAtEnd(Note& note) {
    if (note.tie == TieStart) {
        note.tie = TieNone;
    } else if (note.tie == TieMiddle) {
        note.tie = TieEnd;
    }
}

void Track::resetMeasures(const Score& score) {
    for (std::size_t i = 0; i < measures.size() && i < score.measures.size(); ++i) {
        measures[i] = freshMeasure(score.measures[i].beats);
    }
}

Score::Score() {
    addMeasure(0, 120, 4);
    addTrack(0, Treble);
}

void Score::addMeasure(std::int32_t key, std::int32_t tempo, std::int32_t beats) {
    measures.push_back(MeasureInfo{key, tempo, beats});
    for (Track& track : tracks) {
        TrackMeasure fresh = freshMeasure(beats);
        if (measures.size() >= 2 && !track.measures.empty() && !track.measures.back().empty()) {
            const std::int32_t velocity = track.measures.back().back().velocity;
            for (Note& note : fresh) {
                note.velocity = velocity;
            }
        }
        track.measures.push_back(std::move(fresh));
    }
}

void Score::removeLastMeasure() {
    if (measures.size() < 2) {
        return;
    }
    for (Track& track : tracks) {
        if (!track.measures.empty()) {
            track.measures.pop_back();
        }
    }
    measures.pop_back();
}

void Score::addTrack(std::int32_t program, TrackKind kind) {
    Track track;
    track.program = program;
    track.kind = kind;
    track.measures.reserve(measures.size());
    for (const MeasureInfo& info : measures) {
        track.measures.push_back(freshMeasure(info.beats));
    }
    tracks.push_back(std::move(track));
}

void Score::deleteTrack(std::size_t index) {
    // Callers pass existing tracks; anything else is ignored rather than corrupting memory.
    if (index >= tracks.size()) {
        return;
    }
    tracks.erase(tracks.begin() + static_cast<std::ptrdiff_t>(index));
}

void Score::clear() {
    std::vector<MeasureInfo>().swap(measures);
    std::vector<Track>().swap(tracks);
}

}  // namespace corvane
