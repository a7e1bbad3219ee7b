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

  private slots:
    // OK applies the clef and the instrument selected.
    void okClicked();
    void cancelClicked();
    void deleteTrackClicked();
    void makeDrumsClicked();

  private:
    TrackDialogModel& model_;
    ModalRunner confirm_;
    QButtonGroup* clefs_;
    QButtonGroup* instruments_;
};

class DrumTrackPropertiesDialog final : public FixedLayoutDialog {
    Q_OBJECT

  public:
    DrumTrackPropertiesDialog(QWidget* parent, DrumTrackDialogModel& model, ModalRunner confirm);

  private slots:
    void okClicked();
    void cancelClicked();
    void deleteTrackClicked();

  private:
    DrumTrackDialogModel& model_;
    ModalRunner confirm_;
};

}  // namespace corvane
