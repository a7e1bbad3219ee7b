#pragma once
// Small helpers shared by the note entry tests: a compact text form for the rhythm of a measure
// ("n4. r8 r2t1"), the saved bytes of a score, and the fullness and triplet-shape checks.

#include <cstdint>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/note_entry.h"
#include "score/data_file.h"
#include "score/score.h"
#include "score/score_reader.h"

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
        if (token[0] == 'n')
            note.pitches.push_back(NoteHead{0, AccidentalNone});
        else if (token[0] != 'r')
            throw std::invalid_argument("bad token " + token);
        std::size_t used = 0;
        note.duration = std::stoi(token.substr(pos), &used);
        pos += used;
        while (pos < token.size() && token[pos] == '.') {
            ++note.dots;
            ++pos;
        }
        if (pos < token.size() && token[pos] == 't')
            note.triplet = std::stoi(token.substr(pos + 1));
        notes.push_back(note);
    }
    return notes;
}

inline std::string rhythm(const TrackMeasure& notes) {
    std::string out;
    for (const Note& note : notes) {
        if (!out.empty())
            out += ' ';
        out += note.isRest() ? 'r' : 'n';
        out += std::to_string(note.duration);
        out += std::string(static_cast<std::size_t>(note.dots), '.');
        if (note.triplet != 0)
            out += "t" + std::to_string(note.triplet);
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
        if (first->triplet != 1 || first->dots != 0)
            return -1;
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

}  // namespace corvane::testing
