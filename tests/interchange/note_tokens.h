#pragma once
// Notes written as the replay tests print them: "4." (value and dots), then "r" or the heads in
// brackets ("[2,-3b]", b n # for the accidentals), then "/3:M" (triplet mark), "o+N" (octave
// shift), "~s" "~e" "~m" (tie) and "@V" (a velocity other than 90).

#include <cstdlib>
#include <sstream>
#include <string>

#include "score/score.h"

namespace corvane::testing {

inline Note parseNoteToken(const std::string& token) {
    Note note;
    std::size_t at = 0;
    note.duration = std::stoi(token, &at);
    for (; token[at] == '.'; ++at) {
        ++note.dots;
    }
    if (token[at] == 'r') {
        ++at;
    } else {
        const std::size_t close = token.find(']', at);
        std::istringstream heads(token.substr(at + 1, close - at - 1));
        for (std::string head; std::getline(heads, head, ',');) {
            const char mark = head.back();
            const Accidental accidental = mark == 'b'   ? Flat
                                          : mark == 'n' ? Natural
                                          : mark == '#' ? Sharp
                                                        : AccidentalNone;
            note.pitches.push_back({std::stoi(head), accidental});
        }
        at = close + 1;
    }
    while (at < token.size()) {
        std::size_t used = 0;
        if (token.compare(at, 3, "/3:") == 0) {
            note.triplet = std::stoi(token.substr(at + 3), &used);
            at += 3 + used;
        } else if (token[at] == 'o') {
            note.octave = std::stoi(token.substr(at + 1), &used);
            at += 1 + used;
        } else if (token[at] == '~') {
            note.tie =
                token[at + 1] == 's' ? TieStart : (token[at + 1] == 'e' ? TieEnd : TieMiddle);
            at += 2;
        } else {
            note.velocity = std::stoi(token.substr(at + 1), &used);
            at += 1 + used;
        }
    }
    return note;
}

inline std::string noteToken(const Note& note) {
    std::string token = std::to_string(note.duration) + std::string(note.dots, '.');
    if (note.isRest()) {
        token += 'r';
    } else {
        const char* const marks[] = {"", "b", "n", "#"};
        std::string heads;
        for (const NoteHead& head : note.pitches) {
            heads +=
                (heads.empty() ? "" : ",") + std::to_string(head.position) + marks[head.accidental];
        }
        token += "[" + heads + "]";
    }
    if (note.triplet != 0) {
        token += "/3:" + std::to_string(note.triplet);
    }
    if (note.octave != 0) {
        token += (note.octave > 0 ? "o+" : "o-") + std::to_string(std::abs(note.octave));
    }
    const char* const ties[] = {"", "~s", "~e", "~m"};
    token += ties[note.tie];
    if (note.velocity != 90) {
        token += "@" + std::to_string(note.velocity);
    }
    return token;
}

// The tokens of a measure, separated by spaces.
inline std::string tokens(const TrackMeasure& measure) {
    std::string out;
    for (const Note& note : measure) {
        out += (out.empty() ? "" : " ") + noteToken(note);
    }
    return out;
}

}  // namespace corvane::testing
