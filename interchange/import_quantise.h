#pragma once
// Onsets and ends of imported notes on the score's time grid (24 ticks per quarter note), and
// the chords they form: notes that start together become one chord, and a chord ends at the
// latest where the next one starts.

#include <cstdint>
#include <span>
#include <vector>

#include "interchange/import_report.h"

namespace corvane {

// A note of one imported track, in the file's ticks.
struct SourceNote {
    std::int64_t on = 0;
    std::int64_t off = 0;
    std::uint8_t key = 0;
    std::uint8_t velocity = 0;
};

// The score's measures over the file's time.
struct Timeline {
    int division = 24;                    // the file's ticks per quarter note
    std::vector<std::int64_t> barStarts;  // in quarter notes: every measure's start, then the end
    std::vector<int> keys;                // the key signature of every measure

    std::size_t measureCount() const { return barStarts.size() - 1; }
    // The measure that holds quarter position `quarter` (a bar line belongs to the measure after
    // it); the last measure for anything beyond.
    std::size_t measureAt(std::int64_t quarter) const;
};

// Timeline::measureAt for quarter positions that mostly come in time order: the measure found
// last and the one after it are tried before the bar lines are searched.
class MeasureWalk {
  public:
    explicit MeasureWalk(const Timeline& timeline) : timeline_(timeline) {}
    std::size_t at(std::int64_t quarter);

  private:
    const Timeline& timeline_;
    std::size_t last_ = 0;
};

// A chord of a track on the score's grid: in ticks of 24 per quarter note, on < off.
struct PlacedChord {
    std::int64_t on = 0;
    std::int64_t off = 0;
    std::vector<std::uint8_t> keys;  // in the order the file starts them
    int velocity = 0;
};

// The chords of a track as placeChords gives them, with the counts of what placing them changed.
struct PlacedTrack {
    std::vector<PlacedChord> chords;
    ImportReport counts;
};

// Which measures of a track are placed on the grid rather than at their exact ticks: those with
// a note start or end that 24 ticks per quarter note cannot hold.
std::vector<bool> measuresOffGrid(std::span<const SourceNote> notes, const Timeline& timeline);

// Places the notes (sorted by start) and forms chords. In a measure marked in `grid`, every start
// and end moves to the nearest thirty-second, or to the nearest triplet sixteenth where that grid
// fits the beat's notes better; elsewhere they keep their exact ticks. Counts what changed into
// `report` when one is given.
std::vector<PlacedChord> placeChords(std::span<const SourceNote> notes, const Timeline& timeline,
                                     const std::vector<bool>& grid, ImportReport* report);

}  // namespace corvane
