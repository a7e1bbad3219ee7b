#pragma once
// What a MusicXML import left out or changed that a MIDI import never meets: marks the score has
// no place for, and notation written another way. One line per kind, with its count.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class MusicXmlReport {
  public:
    enum Kind {
        GraceNotes,     // grace notes, left out
        CueNotes,       // cue notes, left out
        Ornaments,      // trills, mordents, turns, tremolos
        Articulations,  // staccato, accents, fingerings and other technical marks
        NoteMarks,      // slurs, fermatas, arpeggios, glissandos
        Lyrics,         // syllables
        Texts,          // words, rehearsal marks, titles and credits
        ChordSymbols,   // chord symbols and figured bass
        Repeats,        // repeat bar lines, segno, coda, da capo: played once through
        Voltas,         // volta brackets
        Hairpins,       // crescendo and diminuendo hairpins, pedal marks
        ClefChanges,    // clef changes inside a part: a track keeps the nearer clef
        OtherClefs,     // C clefs and other clefs, written as treble or bass
        Transposed,     // transposing parts brought to sounding pitch
        Respelled,      // notes whose spelling the score cannot hold (double sharps, ...)
        Microtones,     // alterations between semitones, rounded
        OctaveMarks,    // notes given an octave mark to fit the staff
        PickupRests,    // pickup measures of part beats, filled with rests before the notes
        DrumsByPlace,   // drum notes without an instrument key, played by their staff place
        TiesLeftOut,    // ties between notes the score cannot hold as tied
        MovedChanges,   // key and meter changes inside a measure, moved to the next bar line
        OtherPrograms,  // instrument changes inside a part
        KindCount
    };

    void add(Kind kind, std::int64_t count = 1) { counts_[kind] += count; }
    std::int64_t count(Kind kind) const { return counts_[kind]; }
    // One line per kind seen, in a fixed order.
    std::vector<std::string> lines() const;

  private:
    std::array<std::int64_t, KindCount> counts_{};
};

}  // namespace corvane
