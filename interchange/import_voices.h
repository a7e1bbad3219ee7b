#pragma once
// What one channel of an imported file plays, made fit for tracks of one voice: notes the
// sustain pedal holds sound on to its release, and notes that overlap with other lengths go to
// voices of their own instead of being cut.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "interchange/import_quantise.h"

namespace corvane {

// The sustain pedal (controller 64) of one channel.
class SustainPedal {
  public:
    // The pedal goes down (or up) at `tick`; changes come in time order, those at one tick in
    // the order the file has them.
    void change(std::int64_t tick, bool down);
    bool empty() const { return changes_.empty(); }

    // Where a note whose key is let go at `off` stops sounding: at the pedal's release when the
    // pedal is down just before `off`, or at `end` when it is never released; else at `off`.
    std::int64_t release(std::int64_t off, std::int64_t end) const;

  private:
    struct Change {
        std::int64_t tick = 0;
        bool down = false;
    };
    std::vector<Change> changes_;  // each one the opposite of the one before
};

// Lengthens the notes (sorted by start) that `pedal` holds to its release, or to the next start
// of the same key if that comes first; a never-ended note (off < 0) is left as it is. `end` is
// where the notes' track ends. Returns how many notes were lengthened.
std::size_t holdWithPedal(std::vector<SourceNote>& notes, const SustainPedal& pedal,
                          std::int64_t end);

// Shares notes (sorted by start, at `division` ticks a quarter) out among voices, the first
// voice first: a note goes to the first voice where no note sounding at its start overlaps it
// with another length (one clearly longer or shorter, not merely played a little legato or
// released a little apart). At most `maxVoices` voices; a note that fits none of them stays in
// the first one, where it will be cut as before, and is counted in `crowded`.
std::vector<std::vector<SourceNote>> separateVoices(const std::vector<SourceNote>& notes,
                                                    int division, std::size_t maxVoices,
                                                    std::size_t& crowded);

}  // namespace corvane
