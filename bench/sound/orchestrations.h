#pragma once
// Pieces of different orchestrations for the rendering benchmarks: each track repeats one
// figure (a note value, a number of heads) over the piece, so that the pieces differ in what
// they ask of the synthesizer (sustained pads, drums, a piano on two staves, winds) rather than
// in their music.

#include <string>
#include <vector>

#include "score/score.h"

namespace corvane::bench {

// One track: its staff and instrument, and the figure it plays throughout.
struct Part {
    TrackKind kind = Treble;
    int program = 0;
    int duration = 8;  // the note value of every Note
    int heads = 1;     // heads per chord
    int restEvery = 0;  // every restEvery-th Note is a rest; 0 for none
};

struct Piece {
    std::string name;
    int measures = 48;
    int tempo = 120;
    std::vector<Part> parts;
};

// The score of `piece`: 4/4 measures in C, heads moving step by step within the staff.
Score pieceScore(const Piece& piece);

// The ten-track piece: piano, guitar, bass, violin, strings, trumpet, saxophone, flute, a synth
// lead and a synth pad in eighth-note two-note chords, 48 measures at 132 beats per minute.
Piece tenTracks();
// Strings and pads: long chords and sustained lines that ring on after their ends.
Piece stringsAndPads();
// A band with drums: drum kit in eighths, bass, guitars, piano, brass and a lead.
Piece bandWithDrums();
// A piano on two tracks: sixteenths in the right hand, chords in the left.
Piece pianoTwoTracks();
// A wind section of eight instruments in single lines.
Piece windSection();

}  // namespace corvane::bench
