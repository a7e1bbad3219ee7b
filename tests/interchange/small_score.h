#pragma once
// A small score with every mark the editor shows, for the MusicXML tests.

#include <initializer_list>

#include "score/score.h"

namespace corvane::testing {

inline Note makeNote(int duration, std::initializer_list<NoteHead> heads, int velocity = 90) {
    Note note;
    note.duration = duration;
    note.velocity = velocity;
    note.pitches.assign(heads);
    return note;
}

inline Note with(Note note, int dots, int triplet, TieState tie = TieNone, int octave = 0) {
    note.dots = dots;
    note.triplet = triplet;
    note.tie = tie;
    note.octave = octave;
    return note;
}

// Two measures of three tracks with a chord, dots, a triplet group, accidentals, ties across
// the bar line, octave shifts both ways, velocities, a meter, key and tempo change, and drums.
inline Score smallScore() {
    Score score;
    score.clear();
    score.addMeasure(1, 96, 4);
    score.addMeasure(-2, 80, 3);
    score.addTrack(0, Treble);
    score.addTrack(32, Bass);
    score.addTrack(0, Drums);
    TrackMeasure& t0 = score.tracks[0].measures[0];
    t0 = {makeNote(4, {{-2, AccidentalNone}, {0, AccidentalNone}, {2, Natural}}),
          with(makeNote(4, {{-3, AccidentalNone}}, 64), 1, 0),
          with(makeNote(8, {{-1, Sharp}}, 64), 0, 0),
          with(makeNote(8, {{1, Flat}}, 64), 0, 1),
          with(makeNote(8, {}, 64), 0, 3),
          with(makeNote(8, {{3, AccidentalNone}}, 64), 0, 2, TieStart, 1)};
    score.tracks[0].measures[1] = {with(makeNote(4, {{3, Natural}}, 64), 0, 0, TieEnd, 1),
                                   makeNote(2, {{0, AccidentalNone}}, 64)};
    score.tracks[1].measures[0] = {with(makeNote(2, {{-7, AccidentalNone}}), 0, 0, TieNone, -1),
                                   makeNote(2, {})};
    score.tracks[1].measures[1] = {with(makeNote(2, {{0, AccidentalNone}}), 1, 0)};
    score.tracks[2].measures[0] = {makeNote(4, {{-9, AccidentalNone}, {4, Sharp}}), makeNote(4, {}),
                                   makeNote(2, {{-5, AccidentalNone}})};
    return score;
}

}  // namespace corvane::testing
