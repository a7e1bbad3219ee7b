#pragma once
// Small helpers shared by the note entry tests: a compact text form for the rhythm of a measure
// ("n4. r8 r2t1"), the saved bytes of a score, and the invariants every score keeps under entry
// (measures exactly full, triplet groups well formed, ties paired), and small random scores.

#include <cstdint>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/note_entry.h"
#include "score/data_file.h"
#include "score/score.h"
#include "score/score_reader.h"
#include "tests/interchange/random_scores.h"

namespace corvane::testing {

// Parses tokens like "n4", "r4.", "n8..", "r8t1": n = a Note with one head at position 0, r = a
// rest, then the duration, dots as periods, and an optional triplet marker.
inline TrackMeasure parseMeasure(const std::string& text) {
    TrackMeasure notes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        Note note;
        std::size_t pos = 1;
        if (token[0] == 'n') {
            note.pitches.push_back(NoteHead{0, AccidentalNone});
        } else if (token[0] != 'r') {
            throw std::invalid_argument("bad token " + token);
        }
        std::size_t used = 0;
        note.duration = std::stoi(token.substr(pos), &used);
        pos += used;
        while (pos < token.size() && token[pos] == '.') {
            ++note.dots;
            ++pos;
        }
        if (pos < token.size() && token[pos] == 't') {
            note.triplet = std::stoi(token.substr(pos + 1));
        }
        notes.push_back(note);
    }
    return notes;
}

inline std::string rhythm(const TrackMeasure& notes) {
    std::string out;
    for (const Note& note : notes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += note.isRest() ? 'r' : 'n';
        out += std::to_string(note.duration);
        out += std::string(static_cast<std::size_t>(note.dots), '.');
        if (note.triplet != 0) {
            out += "t" + std::to_string(note.triplet);
        }
    }
    return out;
}

inline std::vector<std::uint8_t> savedBytes(const Score& score) {
    DataFile file = DataFile::fromBytes({});
    ScoreReader::write(file, score);
    return file.written();
}

inline Note& noteAt(TrackMeasure& notes, int index) {
    return *std::next(notes.begin(), index);
}

// Sum of lengthUnits with every triplet group counted as twice one member's value, or -1 when
// the measure holds a malformed group (not 1, 3, 2 of equal, undotted durations).
inline int measureUnits(const TrackMeasure& notes) {
    int units = 0;
    for (auto it = notes.begin(); it != notes.end();) {
        if (it->triplet == 0) {
            units += lengthUnits(it->duration, it->dots);
            ++it;
            continue;
        }
        const auto first = it;
        if (first->triplet != 1 || first->dots != 0) {
            return -1;
        }
        const auto middle = std::next(first);
        if (middle == notes.end() || middle->triplet != 3 || middle->duration != first->duration ||
            middle->dots != 0) {
            return -1;
        }
        const auto last = std::next(middle);
        if (last == notes.end() || last->triplet != 2 || last->duration != first->duration ||
            last->dots != 0) {
            return -1;
        }
        units += 2 * lengthUnits(first->duration, 0);
        it = std::next(last);
    }
    return units;
}

inline bool startsTie(const Note& note) {
    return note.tie == TieStart || note.tie == TieMiddle;
}
inline bool endsTie(const Note& note) {
    return note.tie == TieEnd || note.tie == TieMiddle;
}

// The invariants of track `t`: every measure exactly full with well-formed triplet groups (and,
// with `checkTicks`, its ticks adding up too), no tied rests, tie halves that pair up. Returns a
// description of the first violation, or "".
inline std::string violation(const Score& score, std::size_t t, bool checkTicks) {
    const Track& track = score.tracks[t];
    const Note* previous = nullptr;
    for (std::size_t m = 0; m < track.measures.size(); ++m) {
        const TrackMeasure& notes = track.measures[m];
        const auto where = [&](const char* what) {
            return "track " + std::to_string(t) + " measure " + std::to_string(m) + ": " + what +
                   ": " + rhythm(notes);
        };
        const int beats = score.measures[m].beats;
        if (measureUnits(notes) != beats * 8) {
            return where("not full");
        }
        if (checkTicks) {
            int ticks = 0;
            for (const Note& note : notes) {
                ticks += noteTicks(note);
            }
            if (ticks != beats * 24) {
                return where("ticks do not add up");
            }
        }
        for (const Note& note : notes) {
            if (note.isRest() && note.tie != TieNone) {
                return where("tied rest");
            }
            const bool tiedFromBefore = previous != nullptr && startsTie(*previous);
            if (tiedFromBefore != endsTie(note)) {
                return where("tie halves do not pair up");
            }
            previous = &note;
        }
    }
    if (previous != nullptr && startsTie(*previous)) {
        return "track " + std::to_string(t) + ": dangling tie";
    }
    return "";
}

// A score of `measures` measures of random keys and meters (3 to 5 beats) at 120 BPM, with a
// treble track (piano), a bass track (acoustic bass) and a drum line.
inline Score randomScore(std::mt19937& rng, int measures) {
    Score score;
    score.clear();
    std::uniform_int_distribution<int> beats(3, 5);
    std::uniform_int_distribution<int> key(-6, 6);
    for (int m = 0; m < measures; ++m) {
        score.addMeasure(key(rng), 120, beats(rng));
    }
    score.addTrack(0, Treble);
    score.addTrack(33, Bass);
    score.addTrack(0, Drums);
    return score;
}

// The invariants of every track.
inline std::string violation(const Score& score, bool checkTicks) {
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        std::string found = violation(score, t, checkTicks);
        if (!found.empty()) {
            return found;
        }
    }
    return "";
}

}  // namespace corvane::testing
