#pragma once
// Laying an imported track into measures: Notes of values the score holds (thirty-seconds up to
// whole notes, dots, triplet groups) that fill every measure exactly, with a chord that goes on
// across Notes or bar lines tied, its keys spelled in the measure's key.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "interchange/import_quantise.h"
#include "interchange/import_report.h"
#include "score/score.h"

namespace corvane {

// One Note of a laid-out measure, before its heads are known.
struct LaidNote {
    int duration = 4;
    int dots = 0;
    int triplet = 0;  // 0, or 1, 3, 2 through a group
    int chord = -1;   // the index of the chord it sounds, -1 for a rest
};

// Lays measures; remembers the layout of each pattern of changes within a measure, which music
// repeats (long notes and long rests most of all).
class MeasureLayer {
  public:
    // A Note of a layout, and the tick of the measure where it starts.
    struct Step {
        LaidNote note;
        int start = 0;
    };

    // Appends to `out` the fewest Notes that fill `ticks` score ticks from `start` with every
    // chord start and end of `chords` on a Note's edge. `cursor` is the first chord that may
    // still sound at `start`; it moves on. False when no layout exists (out is then unchanged).
    bool lay(std::span<const PlacedChord> chords, std::size_t& cursor, std::int64_t start,
             int ticks, std::vector<LaidNote>& out);

  private:
    // A measure holding one chord, or nothing, throughout.
    bool layPlain(int ticks, int chord, std::vector<LaidNote>& out);
    // The fewest Notes for a measure of `shape`: its ticks, then the ticks where its content
    // changes; nothing when no layout exists.
    const std::optional<std::vector<Step>>& layout(const std::vector<int>& shape);

    // Map nodes stay where they are: the plain layouts point into the others.
    std::map<std::vector<int>, std::optional<std::vector<Step>>> layouts_;
    std::map<int, const std::optional<std::vector<Step>>*> plain_;  // by length
    std::vector<int> content_;  // the chord sounding at each tick of the measure being laid
    std::vector<int> shape_;    // and where it changes
};

// Whether a measure could hold every track's chords at their exact ticks, for choosing bar
// lines. Only a measure with a beat that mixes the straight grid (3 ticks) and the triplet grid
// (2 ticks) needs trying: any other lays out.
class ExactFit {
  public:
    // The chords of every track, at exact ticks, and the layer to try measures with; both must
    // outlive this.
    ExactFit(std::span<const PlacedTrack> tracks, MeasureLayer& layer);
    bool fits(std::int64_t startQuarter, int beats);

  private:
    std::span<const PlacedTrack> tracks_;
    std::vector<std::vector<std::int64_t>> mixedBeats_;  // per track, sorted
    std::vector<std::int64_t> anyMixedBeats_;           // of any track, sorted
    MeasureLayer& layer_;
    std::vector<LaidNote> scratch_;
};

// The treble or bass staff, whichever needs the fewer octave shifts for these chords.
TrackKind chooseClef(std::span<const PlacedChord> chords, const Timeline& timeline);

// Builds the measures of one track from its notes (sorted by start); `drums` for a drum line.
// `exact`, when given, is what placeChords gives for the same notes with no measure on the grid:
// when every note start and end lies on the grid, those are the chords whatever the timeline,
// and they are taken as they are. `layer` keeps the layouts it finds for the tracks after. Sets
// `kind` to the staff chosen and counts what changed into `report`.
std::vector<TrackMeasure> layTrack(std::span<const SourceNote> notes, bool drums,
                                   const Timeline& timeline, const PlacedTrack* exact,
                                   MeasureLayer& layer, TrackKind& kind, ImportReport& report);

}  // namespace corvane
