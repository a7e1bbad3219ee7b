#pragma once
// What the editor's modal dialogs show and what their buttons do to the score, apart from any
// window: the Qt dialogs and the headless replay drive these models the same way.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "score/score.h"

namespace corvane {

inline constexpr std::string_view kQuestionCaption = "Corvane";
inline constexpr std::string_view kDeleteTrackQuestion = "Deleting track, are you sure?";
inline constexpr std::string_view kMakeDrumsQuestion =
    "Deleting track to make drum track, are you sure?";

// Asks a Yes/No question owned by the dialog; true for Yes.
using Confirm = std::function<bool(std::string_view text, std::string_view caption)>;

// What a button press does to its dialog.
enum class DialogStep { Stay, Close };

// The number typed into a digits box: the leading decimal digits of its first 8 characters
// (none give 0), clamped into [low, high].
int clampedBoxValue(std::string_view text, int low, int high);

// Track Properties of a treble or bass track: clef, instrument, delete, make drums.
class TrackDialogModel {
  public:
    // Shows track `track` of `score`.
    TrackDialogModel(Score& score, int track);

    // False for a track that is neither treble nor bass: such a dialog ends at once.
    bool applicable() const;

    TrackKind clef = Treble;  // the selected clef button: Treble or Bass
    std::optional<int>
        program;  // the selected instrument button (none if the track's is not 0..127)

    // OK: a clef change resets the track's notes; the selected program is applied.
    DialogStep ok();
    // Cancel: nothing changes.
    DialogStep cancel() { return DialogStep::Close; }
    // Delete Track: after Yes the track is deleted and the dialog closes; after No it stays.
    DialogStep deleteTrack(const Confirm& ask);
    // Make Drums: after Yes the track becomes a drum line of rests (program kept, the dialog's
    // choices dropped) and the dialog closes; after No it stays.
    DialogStep makeDrums(const Confirm& ask);

  private:
    Score& score_;
    int track_;
};

// Drum Track Properties: only deletion.
class DrumTrackDialogModel {
  public:
    DrumTrackDialogModel(Score& score, int track) : score_(score), track_(track) {}

    DialogStep ok() { return DialogStep::Close; }
    DialogStep cancel() { return DialogStep::Close; }
    // Delete Track: after Yes the track is deleted and the dialog closes; after No it stays.
    DialogStep deleteTrack(const Confirm& ask);

  private:
    Score& score_;
    int track_;
};

// Told by MeasureDialogModel::ok() of each measure just before it changes the Notes of that
// measure in every track: when `refilled`, it is about to replace them with rests, so the old ones
// may be moved out; otherwise it changes them in place.
using MeasureWatch = std::function<void(std::size_t measure, bool refilled)>;

// Measure Properties: key, meter and tempo from a measure on, and Copy.
class MeasureDialogModel {
  public:
    // Shows measure `measure` of `score`; `copy` puts the clicked measure into the clipboard;
    // `watch`, when given, hears of every measure ok() changes.
    MeasureDialogModel(Score& score, int measure, std::function<void()> copy,
                       MeasureWatch watch = {});

    int keySignature = 0;      // selected key button, -6..6 (a key outside shows as 6)
    std::optional<int> meter;  // selected meter button: 3, 4, 5 or none
    std::string tempoText;     // the tempo box

    // OK: applies key, then meter, then tempo, each to the run of following measures that
    // shared the measure's old value; key and meter changes refill that run with rests.
    DialogStep ok();
    DialogStep cancel() { return DialogStep::Close; }
    // Copy: fills the clipboard; the dialog's settings are not applied.
    DialogStep copy();

  private:
    // Applies a key or meter change to the run of measures from the dialog's on whose `field`
    // equals `oldValue`: `apply` sets the new value of one measure, which is refilled with rests.
    template <typename Field, typename Apply>
    void refillRun(Field field, int oldValue, Apply apply);

    Score& score_;
    int measure_;
    std::function<void()> copy_;
    MeasureWatch watch_;
};

// Dynamic: the velocity for the next entered note.
class DynamicDialogModel {
  public:
    std::string text;  // the box starts empty every time
    int velocity = 0;  // the result: 1..127 after OK, 0 after Cancel

    // OK: velocity = the box's number clamped into 1..127 (empty gives 1).
    DialogStep ok();
    DialogStep cancel();
};

}  // namespace corvane
