#pragma once
// What an import had to change to fit the music into a score, counted per kind: one line each.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

class ImportReport {
  public:
    // Kinds of approximation that are counted, with the largest change seen where one is given.
    enum Kind {
        StartsMoved,       // note starts moved to the nearest value the score can hold (beats)
        EndsMoved,         // note ends moved likewise (beats)
        ChordCut,          // notes cut to the shortest note they start with
        OverlapCut,        // notes cut where the next note of their track starts
        NeverEnded,        // notes that never end, closed at the end of their track
        NoLength,          // notes that end where they start, left out
        RepeatedKey,       // a key struck twice at once in one track, kept once
        ChordVelocity,     // notes given the velocity of the loudest note they start with
        OctaveMoved,       // notes moved by octaves to fit the staff
        DrumOutside,       // drum notes beyond the drum line's reach, left out
        LaterPrograms,     // program changes after a track's first, left out
        ChannelEvents,     // controllers, pitch bends and pressure, left out
        TempoRounded,      // tempos rounded to whole beats per minute (beats per minute)
        TempoClamped,      // tempos above 255 beats per minute, set to 255
        TempoMoved,        // tempo changes moved to a bar line (beats)
        MeasuresOffMeter,  // measures of another length than the file's meter
        SustainHeld,       // notes the sustain pedal holds, lengthened to its release
        VoiceTracks,       // tracks added for notes of other lengths that overlap on a channel
        VoicesCrowded,     // such notes left on their track: no room for more tracks
        KindCount
    };

    // Counts `count` more of `kind`; `amount` is how large this change was, where it has a size.
    void add(Kind kind, std::int64_t count = 1, double amount = 0);
    // A measure in the file's meter numerator/denominator, which the score writes as beats/4.
    void addRebarred(int numerator, int denominator, int beats);
    // A key signature of `from` sharps (negative: flats) written as `to`.
    void addRespelledKey(int from, int to);

    // Adds every count of `other` to this report.
    void merge(const ImportReport& other);

    // One line per kind seen, in a fixed order; none when the import was exact.
    std::vector<std::string> lines() const;
    std::int64_t count(Kind kind) const { return counts_[kind]; }

  private:
    std::array<std::int64_t, KindCount> counts_{};
    std::array<double, KindCount> largest_{};
    // (numerator, denominator) -> beats -> measures
    std::map<std::pair<int, int>, std::map<int, int>> rebarred_;
    std::map<std::pair<int, int>, int> respelled_;
};

}  // namespace corvane
