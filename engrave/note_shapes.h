#pragma once
// The engraved shape of one Note: where its heads, accidentals, dots, ledger lines, stem and
// flag go, in staff spaces around the staff's middle line (y down), x measured from the left
// edge of the chord's main column of heads. And the reading of one measure of one track that
// the shapes need: each Note's start, the accidentals a reader must be shown, beam groups and
// stem directions.

#include <optional>
#include <vector>

#include "engrave/smufl.h"
#include "score/score.h"

namespace corvane::engrave {

// Ticks in a beat (a quarter note): beams join notes within one.
inline constexpr int kBeatTicks = 24;

// The y of a staff position: 0 is the middle line, one step is half a space, up is negative.
inline double positionY(int position) {
    return -0.5 * position;
}

struct PlacedHead {
    int position = 0;
    double x = 0;  // the glyph's origin
    Sym glyph = Sym::NoteheadBlack;
};

struct PlacedSymbol {
    Sym glyph = Sym::AugmentationDot;
    double x = 0;
    double y = 0;
};

struct LedgerLine {
    double left = 0;
    double right = 0;
    double y = 0;
};

struct ChordShape {
    std::vector<PlacedHead> heads;  // lowest first
    std::vector<PlacedSymbol> accidentals;
    std::vector<PlacedSymbol> dots;
    std::vector<LedgerLine> ledgers;
    bool hasStem = false;
    bool stemDown = false;
    double stemX = 0;     // the stem's centre line
    double stemBase = 0;  // y where the stem leaves the heads
    double stemEnd = 0;   // y of the stem's free end
    std::optional<PlacedSymbol> flag;
    double headsLeft = 0;   // the heads' horizontal reach
    double headsRight = 0;
    double left = 0;        // everything's horizontal reach, accidentals to dots
    double right = 0;
    double top = 0;         // highest and lowest y of heads, stem and flag
    double bottom = 0;
};

struct RestShape {
    Sym glyph = Sym::RestQuarter;
    double y = 0;
    std::vector<PlacedSymbol> dots;
    double right = 0;
    double top = 0;
    double bottom = 0;
};

// One Note of a measure as the page reads it.
struct NoteEvent {
    const Note* note = nullptr;
    int tick = 0;   // from the measure's start
    int ticks = 0;  // noteTicks
    // For each head in the Note's order: the accidental to print, AccidentalNone for none.
    std::vector<Accidental> shown;
    int beamGroup = -1;  // events with the same non-negative number share a beam
    bool stemDown = false;
};

// Reads a measure of a track of `kind` in key `key`. An accidental is printed where the Note
// stores one, and wherever the pitch a reader would carry through the measure (from the key
// signature and earlier accidentals on the same line or space) is not the pitch that sounds.
std::vector<NoteEvent> readMeasure(const TrackMeasure& notes, TrackKind kind, int key);

// The shape of a sounding Note: `shown` as in NoteEvent, the stem direction given, a flag only
// when `beamed` is false.
ChordShape shapeChord(const Note& note, TrackKind kind, const std::vector<Accidental>& shown,
                      bool stemDown, bool beamed);

// The shape of a rest of `note`'s value and dots, its glyph's left edge at 0.
RestShape shapeRest(const Note& note);

// The stem direction of a chord (or a beamed group) whose heads reach from `lowest` to
// `highest`: down when they lie more above the middle line than below it.
bool stemDownFor(int highest, int lowest);

// The number of flags (or beams) of a note value: 1 for an eighth, 2 for a sixteenth, 3 for a
// thirty-second, else 0.
int flagCount(int duration);

// The head glyph of a head at `position` of a Note of `duration` on a track of `kind`: crossed
// heads for the cymbals and hi-hats of a drum track.
Sym headGlyph(int duration, TrackKind kind, int position, Accidental accidental);

}  // namespace corvane::engrave
