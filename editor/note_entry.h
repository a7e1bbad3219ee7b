#pragma once
// Note entry: the one operation that changes the notes of a measure, keeping it exactly full.

#include "score/note_values.h"
#include "score/score.h"

namespace corvane {

class Player;

// One click's request, built from the editor's pending entry tools.
struct NoteEntry {
    int position = 0;                        // staff position of the head to enter, -9..+9
    Accidental accidental = AccidentalNone;  // AccidentalNone, Flat or Sharp as typed
    int key = 0;                             // key signature of the measure entered into
    TrackKind trackKind = Treble;            // kind of the track entered into
    int duration = 4;                        // requested note value as a denominator, 1..32
    int dots = 0;                            // 0..2
    bool triplet = false;                    // make a triplet group
    int octave = 0;                          // octave shift stored in the target, -1..+1
    bool tie = false;                        // tie the target to the previous note
    bool rightButton = false;                // turn the target into a rest
    int track = 0;                           // index of the track holding the target
    int measure = 0;                         // index of the measure holding the target
    int velocity = 0;                        // 0 keeps the target's velocity, else 1..127
};

// The Note before `note` in track `track`, looking into the previous measure when `note` opens
// measure `measure`; null before the first Note of the score's first measure.
Note* previousNote(Score& score, int track, int measure, const Note& note);
// The Note after `note`, looking into the next measure; null after the score's last Note.
Note* nextNote(Score& score, int track, int measure, const Note& note);

// Enters `request` into `target`, a Note of score.tracks[request.track].measures[request.measure]:
// a pitch for the left button, a rest for the right one. An entry that does not fit leaves the
// score untouched. Every pitch of a left-button entry is previewed through `player` (null: silent).
void enterNote(Score& score, Note& target, const NoteEntry& request, Player* player);

}  // namespace corvane
