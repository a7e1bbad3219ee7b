#pragma once
// Writing imported keys as staff positions: the spelling note entry would store in the measure's
// key, the clef whose staff needs the fewest octave shifts, and drum keys on the drum line.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "score/score.h"

namespace corvane {

// A way to write a key: its letter and octave as a diatonic step number (C4 = 4 * 7), the
// accidental to store, and how much note entry's way of writing prefers it (0 best).
struct WrittenPitch {
    int diatonic = 0;
    Accidental accidental = AccidentalNone;
    int rank = 0;
};

// The ways to write one key, best first: at most one for each letter.
struct KeySpellings {
    std::array<WrittenPitch, 7> items{};
    std::size_t count = 0;

    const WrittenPitch* begin() const { return items.data(); }
    const WrittenPitch* end() const { return items.data() + count; }
};

// Every way note entry could store `midiKey` in a measure whose key signature is `key` (-6..6),
// best first: a note of the key as it stands, a natural against the signature, then a sharp in
// sharp keys and a flat in flat ones, then the other.
std::vector<WrittenPitch> spellings(int midiKey, int key);

// The heads and octave shift of one Note.
struct PlacedHeads {
    std::vector<NoteHead> heads;
    int octave = 0;
    int moved = 0;  // heads moved by octaves because the staff could not hold them all
};

// Writes a chord of `midiKeys` on a treble or bass staff in key `key`: the octave shift (within
// -3..3, the closest to 0 among equals) and spellings that keep every head on positions -9..9
// with the best spellings and no two heads on one step where that can be; heads that cannot fit
// are moved by octaves.
PlacedHeads placeChord(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind);

// The octave shift placeChord chooses for the same chord, and how many heads it moves.
struct ChordShift {
    int octave = 0;
    int moved = 0;
};
ChordShift chordShift(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind);

// placeChord and chordShift for one chord after another, keeping the spellings of the last chord
// and its working space between calls.
class ChordSpeller {
  public:
    ChordShift shift(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind);
    PlacedHeads place(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind);
    // The same into `out`, whose storage it reuses.
    void place(const std::vector<std::uint8_t>& midiKeys, int key, TrackKind kind,
               PlacedHeads& out);

  private:
    void spell(const std::vector<std::uint8_t>& midiKeys, int key);

    std::vector<std::uint8_t> spelledKeys_;
    int spelledKey_ = 0;
    std::vector<KeySpellings> keys_;
    std::vector<int> taken_;
};

// The staff position and accidental that play `midiKey` on a drum line, if one can.
std::optional<NoteHead> drumHead(int midiKey);

}  // namespace corvane
