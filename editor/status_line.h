#pragma once
// The status line: in a few words, what a click where the pointer is would do, and never a change
// that the click would not make. Its text is a function of a small value taken from the hover
// state, the entry tools and the score, so the editor takes that value on every hover and builds
// the text only when the value changes; what a click would change is found by trying it, only
// when the rest of that value or the score has changed.

#include <string>

#include "editor/hover.h"
#include "render/entry_tools.h"
#include "score/measure_clipboard.h"
#include "score/score.h"

namespace corvane {

// What a click would do to the score (or, on the toolbar, to the tools and playback).
enum class ClickOutcome { Changes, Unchanged, Refused };

// The value a Note has or takes: a thirty-second's denominator, dots, a triplet member or not.
struct NoteValue {
    int duration = 4;
    int dots = 0;
    bool triplet = false;

    friend bool operator==(const NoteValue&, const NoteValue&) = default;
};

// Everything the status text depends on.
struct StatusSubject {
    enum class Target { Nothing, Toolbar, AddTrack, TrackHeader, MeasureHeader, Note, NoNote };
    Target target = Target::Nothing;
    int slot = 0;             // Toolbar: the slot under the pointer
    int track = 0;            // TrackHeader, MeasureHeader, Note, NoNote: the track's index
    int measure = 0;          // MeasureHeader, Note, NoNote: the measure's index
    int note = 0;             // Note: the target's index in its measure
    TrackKind kind = Treble;  // the hovered track's kind
    int program = 0;          // the hovered track's program
    int keySignature = 0;     // Note: the measure's key signature
    int position = 0;         // Note: the staff position under the marker
    bool onRest = false;      // Note: the target is a rest, so a click places a note on it
    bool pasteFits = false;   // MeasureHeader: the clipboard may be pasted here
    EntryTools tools;         // Toolbar and Note: the tools a click uses or shows
    bool playing = false;     // Toolbar: the score plays

    // Found by findClickOutcomes(). Note: what the left and the right button make of the target,
    // and the value it takes; MeasureHeader: `right` is the paste; Toolbar: `left` is the press.
    ClickOutcome left = ClickOutcome::Changes;
    ClickOutcome right = ClickOutcome::Changes;
    NoteValue leftValue;
    NoteValue rightValue;

    friend bool operator==(const StatusSubject&, const StatusSubject&) = default;
};

// What the status line describes for the hover state `hover` (which may still name a track or
// measure a dialog has removed: those describe nothing), with `firstTrack` in the top row.
// Cheap: no walk through the notes of a measure.
StatusSubject statusSubject(const Score& score, const HoverState& hover, const EntryTools& tools,
                            const MeasureClipboard& clipboard, int firstTrack, bool playing);

// Fills in what a click on `subject` (as statusSubject() made it for the same state) would do, by
// trying note entries on a copy of the few Notes they reach (the cost of copying one measure)
// and pastes and tool presses on what they would change.
void findClickOutcomes(StatusSubject& subject, const Score& score,
                       const MeasureClipboard& clipboard);

// The status text: "Measure 3, Piano: place a quarter note, F#4; right click: quarter rest",
// "Click: add a treble track", the toolbar tip over the toolbar; empty over nothing.
std::string statusText(const StatusSubject& subject);
// The same written into `out`, whose capacity is reused.
void writeStatusText(const StatusSubject& subject, std::string& out);

// The pitch an entry at staff position `position` with the typed `accidental` and `octave` shift
// sounds in a measure of key signature `keySignature`, named with its letter, the accidental it sounds with and its
// octave ("F#4", "Bb3", "C5"); on a drum line, the drum it strikes ("Acoustic Snare").
std::string pitchName(int position, Accidental accidental, int octave, TrackKind kind,
                      int keySignature);

}  // namespace corvane
