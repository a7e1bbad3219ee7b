#pragma once
// The one-measure clipboard: the notes of one measure of one track, with the kind of the track
// and the key and meter of the measure, which a paste target must share.

#include "score/score.h"

namespace corvane {

class MeasureClipboard {
  public:
    // Copies measure `measure` of track `track`; ties are cut at both ends, so the copy never
    // refers to notes outside it. Both indexes must be in range.
    void copy(const Score& score, int measure, int track);

    // Replaces measure `measure` of track `track` by the copy when the track kind, key and
    // meter match (the tempo does not matter), and cuts the ties that reached into the replaced
    // measure from its neighbours. False, and nothing changed, when they do not match. Both
    // indexes must be in range.
    bool paste(Score& score, int measure, int track) const;
    // Whether the copy may be pasted into measure `measure` of track `track`: the track kind,
    // key and meter match. Both indexes must be in range.
    bool fits(const Score& score, int measure, int track) const;
    // Whether paste() there would change the score: the copy fits, and the measure holds other
    // notes than the copy or a tie reaches into it. Both indexes must be in range.
    bool pasteChanges(const Score& score, int measure, int track) const;

    TrackKind kind() const { return kind_; }
    int key() const { return key_; }
    int beats() const { return beats_; }
    const TrackMeasure& notes() const { return notes_; }

  private:
    TrackKind kind_ = Treble;
    int key_ = 0;
    int beats_ = 4;
    TrackMeasure notes_;
};

}  // namespace corvane
