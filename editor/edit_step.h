#pragma once
// One user action as the undo history keeps it, shaped like QUndoCommand: before the action runs
// the step takes in what it may change (its scope); once it has run, the step keeps what it did
// change as a score delta; it names itself for the Edit menu and takes itself back and makes
// itself again. The kinds of step follow the kinds of action: note entry, paste, adding a track,
// the track dialogs and the measure dialog.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "score/note_index.h"
#include "score/score.h"
#include "score/score_delta.h"

namespace corvane {

class EditStep {
  public:
    EditStep() = default;
    virtual ~EditStep() = default;
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

    // Before the action, on `score`: takes in its measure count and what the action may change.
    void begin(const Score& score);
    // After the action: keeps what it changed in `score`, the measures it appended included.
    // False when the action left the score as it was.
    bool end(const Score& score);

    // The step's name in the Edit menu: "Note Entry", "Key Change", ...
    virtual std::string_view text() const = 0;

    // Takes the step back: `score`, as the step left it, becomes what it was before the step.
    void undo(Score& score) { delta_.swapWith(score); }
    // Makes the step again: `score`, as it was before the step, becomes what the step left.
    void redo(Score& score) { delta_.swapWith(score); }

    // While the step is done, given the score as it left it: the measures where it left only
    // rests in a track that had sounding Notes, with how many Notes each lost.
    std::vector<RestedMeasure> notesMadeRests(const Score& score) const {
        return delta_.notesMadeRests(score);
    }

  protected:
    // What the action may change, kept from begin() to end().
    ChangeCapture& capture() { return *capture_; }

  private:
    // Takes in what the action may change, through capture() or on its own.
    virtual void scope(const Score& score) = 0;
    // Records in `delta` what the action changed that capture() does not compare.
    virtual void record(const Score&, ScoreDelta&) {}

    std::unique_ptr<ChangeCapture> capture_;
    ScoreDelta delta_;
    std::size_t measuresBefore_ = 0;
};

// Note entry into the Note at `target`: its measure, the ties it makes or breaks with the
// neighbouring measures, and with a new velocity the rest of the track, which it runs on into.
class NoteEntryStep final : public EditStep {
  public:
    NoteEntryStep(const NoteIndex& target, bool newVelocity);
    std::string_view text() const override { return "Note Entry"; }

  private:
    void scope(const Score& score) override;

    NoteIndex target_;
    bool newVelocity_ = false;
};

// A paste into measure `measure` of track `track`, and the ties it cuts in the neighbouring
// measures.
class PasteStep final : public EditStep {
  public:
    PasteStep(int track, int measure) : track_(track), measure_(measure) {}
    std::string_view text() const override { return "Paste"; }

  private:
    void scope(const Score& score) override;

    int track_ = 0;
    int measure_ = 0;
};

// A track added after the last one.
class AddTrackStep final : public EditStep {
  public:
    std::string_view text() const override { return "Add Track"; }

  private:
    void scope(const Score& score) override { tracksBefore_ = score.tracks.size(); }
    void record(const Score& score, ScoreDelta& delta) override;

    std::size_t tracksBefore_ = 0;
};

// The Track or Drum Track dialog of track `track`: its clef, instrument and notes, made a drum
// line, or deleted.
class TrackDialogStep final : public EditStep {
  public:
    explicit TrackDialogStep(int track) : track_(static_cast<std::size_t>(track)) {}
    // "Track Properties", "Make Drums" or "Delete Track", by what the dialog did.
    std::string_view text() const override;

  private:
    enum class Outcome { Properties, MadeDrums, Deleted };
    void scope(const Score& score) override;
    void record(const Score& score, ScoreDelta& delta) override;

    std::size_t track_ = 0;
    std::size_t tracksBefore_ = 0;
    std::unique_ptr<Track> before_;  // only while the dialog runs
    Outcome outcome_ = Outcome::Properties;
};

// The Measure Properties dialog of measure `measure`: key, meter and tempo from there on, the
// measures it refills and the ties it cuts around them, each taken in as the dialog announces it.
class MeasureDialogStep final : public EditStep {
  public:
    explicit MeasureDialogStep(int measure) : measure_(static_cast<std::size_t>(measure)) {}
    // "Key Change", "Meter Change" or "Tempo Change", by what changed at the measure.
    std::string_view text() const override;
    // The dialog is about to change measure `measure` of every track of `score`: to refill it
    // with rests when `refilled`, else in place.
    void measureChanging(Score& score, std::size_t measure, bool refilled);

  private:
    enum class Outcome { Key, Meter, Tempo };
    void scope(const Score& score) override;
    void record(const Score& score, ScoreDelta& delta) override;

    std::size_t measure_ = 0;
    MeasureInfo before_;
    Outcome outcome_ = Outcome::Tempo;
};

}  // namespace corvane
