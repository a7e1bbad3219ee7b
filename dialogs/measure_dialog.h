#pragma once
// The Measure Properties dialog: key, meter and tempo from a measure on, and Copy.

#include <QButtonGroup>
#include <QLineEdit>

#include "dialogs/fixed_layout_dialog.h"
#include "editor/dialog_rules.h"

namespace corvane {

namespace measure_ids {
inline constexpr int kCopy = 3;
inline constexpr int kMeter3 = 1023;  // 1023..1025: 3/4, 4/4, 5/4
inline constexpr int kTempo = 1026;
inline constexpr int kKeyC = 1027;  // 1027..1033: C, then one to six flats
inline constexpr int kKeyG = 1034;  // 1034..1039: one to six sharps
}  // namespace measure_ids

// The key button of a key signature (-6..6); keys outside that range show as six sharps.
int keyButtonId(int keySignature);
// The key signature of a key button.
int keyOfButton(int id);

class MeasurePropertiesDialog final : public FixedLayoutDialog {
    Q_OBJECT

  public:
    explicit MeasurePropertiesDialog(QWidget* parent, MeasureDialogModel& model);

  private slots:
    // OK applies the key, meter and tempo shown; Copy copies the measure and applies nothing.
    void okClicked();
    void cancelClicked();
    void copyClicked();

  private:
    MeasureDialogModel& model_;
    QButtonGroup* meters_;
    QButtonGroup* keys_;
    QLineEdit* tempo_;
};

}  // namespace corvane
