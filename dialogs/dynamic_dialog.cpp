#include "dialogs/dynamic_dialog.h"

namespace corvane {

DynamicDialog::DynamicDialog(QWidget* parent, DynamicDialogModel& model)
    : FixedLayoutDialog(parent, QStringLiteral("Dynamic"), 164, 83, false), model_(model) {
    addButton(kIdOk, QStringLiteral("OK"), 99, 22, 50, 14, true)->setFocus();
    addButton(kIdCancel, QStringLiteral("Cancel"), 99, 39, 50, 14);
    addLabel(QStringLiteral("Enter Dynamic (1-127):"), 15, 23, 76, 11);
    velocity_ = addDigitsBox(dynamic_ids::kVelocity, 43, 34, 44, 13);
    velocity_->setText(QString::fromStdString(model_.text));
}

void DynamicDialog::buttonPressed(int id) {
    switch (id) {
        case kIdOk:
            model_.text = velocity_->text().toStdString();
            if (model_.ok() == DialogStep::Close) {
                done(kIdOk);
            }
            break;
        case kIdCancel:
            if (model_.cancel() == DialogStep::Close) {
                done(kIdCancel);
            }
            break;
        default:
            break;
    }
}

}  // namespace corvane
