#include "dialogs/dynamic_dialog.h"

namespace corvane {

DynamicDialog::DynamicDialog(QWidget* parent, DynamicDialogModel& model)
    : FixedLayoutDialog(parent, QStringLiteral("Dynamic"), 164, 83, false), model_(model) {
    QPushButton* ok = addButton(kIdOk, QStringLiteral("OK"), 99, 22, 50, 14, true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &DynamicDialog::okClicked);
    connect(addButton(kIdCancel, QStringLiteral("Cancel"), 99, 39, 50, 14), &QPushButton::clicked,
            this, &DynamicDialog::cancelClicked);
    addLabel(QStringLiteral("Enter Dynamic (1-127):"), 15, 23, 76, 11);
    velocity_ = addDigitsBox(dynamic_ids::kVelocity, 43, 34, 44, 13);
    velocity_->setText(QString::fromStdString(model_.text));
}

void DynamicDialog::okClicked() {
    model_.text = velocity_->text().toStdString();
    finish(model_.ok(), kResultOk);
}

void DynamicDialog::cancelClicked() {
    finish(model_.cancel(), kResultCancel);
}

}  // namespace corvane
