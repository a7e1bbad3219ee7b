#pragma once
// Clefs, key signatures and time signatures: their glyphs, from x = 0 at the signature's left
// edge, in staff spaces around the middle line.

#include <vector>

#include "engrave/note_shapes.h"
#include "score/score.h"

namespace corvane::engrave {

struct SignatureGlyphs {
    std::vector<PlacedSymbol> glyphs;
    double width = 0;
};

// The clef of a staff of `kind` (a drum staff's is the percussion clef), at x = 0.
PlacedSymbol clef(TrackKind kind);

// The key signature of `key` on a staff of `kind`, at most six signs: keys beyond six sharps or
// flats sound like six. A drum staff shows none but keeps the width a treble staff needs, so
// that measures line up.
SignatureGlyphs keySignature(int key, TrackKind kind);

// A change of key from `from` to `to` inside a system: naturals cancel the old signs where the
// new key has none of their kind (to C, or from sharps to flats and back), then the new key.
SignatureGlyphs keyChange(int from, int to, TrackKind kind);

// The key signature of a system that starts at measure `m`: a change of key there, with its
// cancelling naturals, else the measure's key.
SignatureGlyphs systemKeySignature(const Score& score, std::size_t m, TrackKind kind);

// The time signature of `beats` quarters: the number over a 4, centred on each other.
SignatureGlyphs timeSignature(int beats);

}  // namespace corvane::engrave
