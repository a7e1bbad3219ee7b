#pragma once
// The Track Properties dialog of a treble or bass track (clef, instrument, delete, make drums)
// and the Drum Track Properties dialog (delete only).

#include <QButtonGroup>
#include <array>

#include "dialogs/modal.h"
#include "dialogs/fixed_layout_dialog.h"
#include "editor/dialog_rules.h"

namespace corvane {

namespace track_ids {
inline constexpr int kDeleteTrack = 4;
inline constexpr int kMakeDrums = 5;
inline constexpr int kTrebleClef = 1001;
inline constexpr int kBassClef = 1002;
inline constexpr int kFirstInstrument = 1003;  // + program number, 0..127
}  // namespace track_ids

class TrackPropertiesDialog final : public FixedLayoutDialog {
    Q_OBJECT

  public:
    // Shows `model`'s clef and instrument; `confirm` runs the Yes/No confirmations.
    TrackPropertiesDialog(QWidget* parent, TrackDialogModel& model, ModalRunner confirm);

  protected:
    void buttonPressed(int id) override;

  private:
    void finish(DialogStep step, int result);
    bool ask(std::string_view text, std::string_view caption);

    TrackDialogModel& model_;
    ModalRunner confirm_;
    QButtonGroup* clefs_;
    QButtonGroup* instruments_;
};

class DrumTrackPropertiesDialog final : public FixedLayoutDialog {
    Q_OBJECT

  public:
    DrumTrackPropertiesDialog(QWidget* parent, DrumTrackDialogModel& model, ModalRunner confirm);

  protected:
    void buttonPressed(int id) override;

  private:
    DrumTrackDialogModel& model_;
    ModalRunner confirm_;
};

}  // namespace corvane
