#pragma once
// The hover test: what lies under a point of the client area, as a pure function of the score
// and its layout, and the hover state the editor keeps from one mouse move to the next.

#include <optional>

#include "render/canvas.h"
#include "render/layout.h"
#include "score/note_index.h"
#include "score/score.h"

namespace corvane {

// The part of the client area a point is over; the areas do not overlap.
enum class HoverArea { None, TrackHeader, MeasureHeader, NoteArea, AddTrackZone };

struct HoverHit {
    HoverArea area = HoverArea::None;
    std::optional<int> track;       // the track whose band holds the point
    std::optional<int> measure;     // the measure whose header or note area holds it
    std::optional<NoteIndex> note;  // over a note area: the nearest Note, if the measure has any
    bool noteSounds = false;        // that Note holds pitches (it is no rest)
    std::optional<Point> marker;    // over a note area: the point, y rounded down to a staff step

    friend bool operator==(const HoverHit&, const HoverHit&) = default;
};

// What lies under `point` (client pixels) for `score` laid out as `screen`, its tracks from
// screen.firstTrack on. Of two Notes at equal distance the later one is the nearest.
HoverHit hitTest(const Score& score, const ScreenLayout& screen, Point point);

// The area a marker at `marker` covers, to be repainted when it moves.
Rect markerArea(Point marker);

// The editor's hover state. Track, measure and marker keep their last values when the mouse
// moves where there is none; area and note always describe the last point.
struct HoverState {
    Point mouse;  // the last point tested
    HoverArea area = HoverArea::None;
    int track = 0;
    int measure = 0;
    std::optional<NoteIndex> note;
    bool noteSounds = false;  // as the hit found it: every edit of that Note hovers again
    Point marker;
    Rect markerRect;

    // Takes the result of the hover test at `point`.
    void apply(const HoverHit& hit, Point point);
    // The score is being replaced by a load: forgets the track, measure and Note.
    void forgetScore();
    bool over(HoverArea a) const { return area == a; }
};

}  // namespace corvane
