#pragma once
// The Dynamic dialog: the velocity of the next entered note.

#include <QLineEdit>

#include "dialogs/fixed_layout_dialog.h"
#include "editor/dialog_rules.h"

namespace corvane {

namespace dynamic_ids {
inline constexpr int kVelocity = 1040;
}

class DynamicDialog final : public FixedLayoutDialog {
    Q_OBJECT

  public:
    DynamicDialog(QWidget* parent, DynamicDialogModel& model);

  private slots:
    // OK takes the velocity typed.
    void okClicked();
    void cancelClicked();

  private:
    DynamicDialogModel& model_;
    QLineEdit* velocity_;
};

}  // namespace corvane
