#pragma once
// The in-memory score: a shared timeline of measures and the tracks laid over it.

#include <cstdint>
#include <list>
#include <vector>

namespace corvane {

enum TrackKind : std::int32_t { Treble = 0, Bass = 1, Drums = 2 };

enum TieState : std::int32_t { TieNone = 0, TieStart = 1, TieEnd = 2, TieMiddle = 3 };

enum Accidental : std::int32_t { AccidentalNone = 0, Flat = 1, Natural = 2, Sharp = 3 };

// One pitch of a Note: a staff position in diatonic steps (0 is the middle line).
struct NoteHead {
    std::int32_t position = 0;
    Accidental accidental = AccidentalNone;

    friend bool operator==(const NoteHead&, const NoteHead&) = default;
};

// One rhythmic event: a rest (no heads), a single note or a chord.
struct Note {
    std::int32_t duration = 4;  // 1, 2, 4, 8, 16 or 32: the denominator of a whole note
    std::int32_t dots = 0;      // 0, 1 or 2
    std::int32_t triplet = 0;   // 0, or 1 / 3 / 2 for the first / middle / last of a group
    std::int32_t octave = 0;
    std::int32_t velocity = 90;
    TieState tie = TieNone;
    // A linked list so that references to heads survive adding and removing others.
    std::list<NoteHead> pitches;

    bool isRest() const { return pitches.empty(); }

    friend bool operator==(const Note&, const Note&) = default;
};

// The Notes of one measure of one track, in time order. A doubly linked list: entry edits the
// Note under the pointer in place while it inserts and removes Notes around it.
using TrackMeasure = std::list<Note>;

struct MeasureInfo {
    std::int32_t key = 0;  // > 0 sharps, < 0 flats
    std::int32_t tempo = 120;
    std::int32_t beats = 4;

    friend bool operator==(const MeasureInfo&, const MeasureInfo&) = default;
};

class Score;

struct Track {
    std::vector<TrackMeasure> measures;  // one per timeline measure
    std::int32_t program = 0;
    TrackKind kind = Treble;

    // Replaces every measure of this track by its meter's number of quarter rests.
    void resetMeasures(const Score& score);

    friend bool operator==(const Track&, const Track&) = default;
};

// The whole document. Invariant: every track holds exactly measures.size() TrackMeasures.
class Score {
  public:
    std::vector<Track> tracks;
    std::vector<MeasureInfo> measures;

    // The default score: one 4/4 measure at 120 BPM in C, one treble track of program 0.
    Score();

    // Appends a measure to the timeline and fresh rests to every track; a track's new rests take
    // the velocity of the last Note of its previous measure.
    void addMeasure(std::int32_t key, std::int32_t tempo, std::int32_t beats);
    // Drops the last measure everywhere; keeps the score's last remaining measure.
    void removeLastMeasure();
    // Appends a track filled with quarter rests for every measure.
    void addTrack(std::int32_t program, TrackKind kind);
    // Removes track `index`; later tracks move up. An index past the last track does nothing.
    void deleteTrack(std::size_t index);
    // Destroys the timeline and all tracks.
    void clear();

    friend bool operator==(const Score&, const Score&) = default;
};

// A measure of n default Notes (quarter rests at velocity 90); n <= 0 gives an empty measure.
TrackMeasure freshMeasure(std::int32_t n);

// Length of a Note in MIDI ticks at 24 per quarter, with truncating integer arithmetic.
// Meant for the durations 1..32 (the loader rejects others); a duration of 0 or below gives 0.
std::int32_t noteTicks(const Note& note);

// Tie cutting at a measure edge: at the start TieEnd -> TieNone, TieMiddle -> TieStart;
// at the end TieStart -> TieNone, TieMiddle -> TieEnd.
void cutTieAtStart(Note& note);
void cutTieAtEnd(Note& note);

}  // namespace corvane
