#pragma once
// One measure of one track as it will be engraved: each Note read (start, accidentals, beam,
// stem), shaped, and given the dynamic mark printed under it where the velocity changes. It
// refers to the track's Notes: the layout makes and drops it while the score stays unchanged.

#include <optional>
#include <string>
#include <vector>

#include "engrave/note_shapes.h"
#include "score/score.h"

namespace corvane::engrave {

// Size of the velocity numbers, in staff spaces.
inline constexpr double kVelocityTextSize = 1.6;

// A dynamic under a note: a level's glyph, or the velocity as a number in small type.
struct DynamicMark {
    std::optional<Sym> glyph;
    std::string number;
    double left = 0;  // horizontal reach from the note's x
    double right = 0;
};

struct EngravedNote {
    NoteEvent event;
    ChordShape chord;  // a sounding Note's shape
    RestShape rest;    // a rest's shape
    std::optional<DynamicMark> dynamic;

    bool isRest() const { return event.note->isRest(); }
    // Horizontal reach from the note's x, everything but the dynamic.
    double left() const { return isRest() ? 0 : chord.left; }
    double right() const { return isRest() ? rest.right : chord.right; }
};

struct EngravedMeasure {
    std::vector<EngravedNote> notes;
    // The velocity of the last sounding note up to the measure's end (-1 while none sounded).
    int lastVelocity = -1;
};

// Measure `m` of `track` in key `key`. `previousVelocity` is the velocity of the last sounding
// note before it (-1 for none): a sounding note of another velocity gets a dynamic mark.
EngravedMeasure engraveMeasure(const Track& track, std::size_t m, int key, int previousVelocity);

// The velocity of the last sounding note of `track` before measure `m`, -1 when none sounds.
int velocityBefore(const Track& track, std::size_t m);

// The dynamic mark for `velocity` under a head of `headWidth`.
DynamicMark dynamicMark(int velocity, double headWidth);

}  // namespace corvane::engrave
