#pragma once
// The Notes of one track from one voice of a MusicXML part. A measure whose notes are values the
// score holds, each as long as its value says, is taken note for note (rests in gaps); any other
// measure, and every re-barred one, is laid out by its notes' times as a MIDI import lays them
// out. Heads are spelled in the measure's key as the editor spells, ties kept where Write Midi
// would hold the keys.

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "interchange/import_layout.h"
#include "interchange/import_report.h"
#include "interchange/musicxml_parts.h"
#include "interchange/musicxml_report.h"
#include "interchange/musicxml_timeline.h"
#include "score/score.h"

namespace corvane {

class TickGrid;

// The staff a voice is written on: drums for unpitched notes or a percussion clef, else its
// staff's treble or bass clef; a clef neither treble nor bass (a C clef), or a staff whose clef
// changes, takes the nearer of the two to the voice's notes.
TrackKind laneKind(const XmlPart& part, int lane, MusicXmlReport& report);

class LaneBuilder {
  public:
    LaneBuilder(const XmlTimeline& timeline, TrackKind kind, ImportReport& counts,
                MusicXmlReport& report);

    // The measures of the track for voice `lane` of `part`.
    std::vector<TrackMeasure> build(const XmlPart& part, int lane);

  private:
    // A chord or rest of the voice, at units from its segment's start.
    struct Timed {
        const XmlChord* chord;
        std::int64_t start;
        std::int64_t length;
    };
    // A Note before its heads: a value, and the chord it sounds (none for a rest).
    struct Piece {
        int duration = 4;
        int dots = 0;
        int triplet = 0;
        const XmlChord* chord = nullptr;  // a chord, or a rest as the file wrote it
        bool continues = false;           // the same chord as the piece before
    };

    bool direct(std::span<const Timed> chords, std::int64_t end, std::vector<Piece>& out);
    bool rests(std::int64_t from, std::int64_t to, std::vector<Piece>& out);
    void timed(std::span<const Timed> chords, const XmlSegment& segment,
               std::vector<std::vector<Piece>>& out);
    bool layMeasures(std::span<const Timed> sounding, const XmlSegment& segment, int mode,
                     std::vector<std::vector<Piece>>& out);
    void place(std::span<const Timed> sounding, const TickGrid& grid, std::int64_t end,
               std::vector<PlacedChord>& placed, std::vector<const XmlChord*>& owners,
               ImportReport& changes);
    std::vector<TrackMeasure> assemble(const std::vector<std::vector<Piece>>& pieces);
    Note makeNote(const Piece& piece, std::size_t measure);
    void drumHeads(const XmlChord& chord, Note& note, ImportReport& counts) const;
    void staffHeads(const XmlChord& chord, std::size_t measure, Note& note, ImportReport& counts,
                    MusicXmlReport& report) const;
    void tie(std::vector<TrackMeasure>& measures, const std::vector<std::vector<Piece>>& pieces);

    const XmlTimeline& timeline_;
    TrackKind kind_;
    ImportReport& counts_;
    MusicXmlReport& report_;
    MeasureLayer layer_;
    std::deque<XmlChord> merged_;  // chords that a layout joined, which pieces point to
    int velocity_ = 90;            // of the last chord, which rests take
};

}  // namespace corvane
