#include "dialogs/measure_dialog.h"

namespace corvane {

int keyButtonId(int keySignature) {
    using namespace measure_ids;
    if (keySignature < -6 || keySignature > 6) {
        return kKeyG + 5;
    }
    return keySignature <= 0 ? kKeyC - keySignature : kKeyG + keySignature - 1;
}

int keyOfButton(int id) {
    using namespace measure_ids;
    return id >= kKeyG ? id - kKeyG + 1 : kKeyC - id;
}

MeasurePropertiesDialog::MeasurePropertiesDialog(QWidget* parent, MeasureDialogModel& model)
    : FixedLayoutDialog(parent, QStringLiteral("Measure Properties"), 211, 121, true),
      model_(model),
      meters_(new QButtonGroup(this)),
      keys_(new QButtonGroup(this)) {
    using namespace measure_ids;
    QPushButton* ok = addButton(kIdOk, QStringLiteral("OK"), 154, 7, 50, 14, true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &MeasurePropertiesDialog::okClicked);
    connect(addButton(kIdCancel, QStringLiteral("Cancel"), 154, 24, 50, 14), &QPushButton::clicked,
            this, &MeasurePropertiesDialog::cancelClicked);
    addRadio(*meters_, kMeter3, QStringLiteral("3/4"), 104, 27, 23, 8);
    addRadio(*meters_, kMeter3 + 1, QStringLiteral("4/4"), 104, 37, 26, 8);
    addRadio(*meters_, kMeter3 + 2, QStringLiteral("5/4"), 104, 46, 28, 8);
    // A circle of fifths: C on top, the flat keys down the left, the sharp keys down the right.
    addRadio(*keys_, kKeyC, QStringLiteral("C"), 36, 25, 21, 12);
    const char* const flats[] = {"F", "Bb", "Eb", "Ab", "Db", "Gb"};
    const char* const sharps[] = {"G", "D", "A", "E", "B", "F#"};
    const int rows[] = {36, 46, 56, 66, 76, 87};
    for (int i = 0; i < 6; ++i) {
        addRadio(*keys_, kKeyC + 1 + i, QString::fromLatin1(flats[i]), 21, rows[i], 29, 12);
    }
    for (int i = 0; i < 6; ++i) {
        addRadio(*keys_, kKeyG + i, QString::fromLatin1(sharps[i]), 51, rows[i], 29, 12);
    }
    addLabel(QStringLiteral("Key"), 35, 14, 24, 12);
    addLabel(QStringLiteral("Meter"), 100, 16, 26, 11);
    tempo_ = addDigitsBox(kTempo, 131, 73, 32, 12);
    addLabel(QStringLiteral("BPM:"), 111, 75, 17, 12);
    connect(addButton(kCopy, QStringLiteral("Copy"), 154, 100, 50, 14), &QPushButton::clicked, this,
            &MeasurePropertiesDialog::copyClicked);

    keys_->button(keyButtonId(model_.keySignature))->setChecked(true);
    if (model_.meter && *model_.meter >= 3 && *model_.meter <= 5) {
        meters_->button(kMeter3 + *model_.meter - 3)->setChecked(true);
    }
    tempo_->setText(QString::fromStdString(model_.tempoText));
}

void MeasurePropertiesDialog::okClicked() {
    using namespace measure_ids;
    const int key = keys_->checkedId();
    model_.keySignature = key >= kKeyC ? keyOfButton(key) : 6;
    const int meter = meters_->checkedId();
    model_.meter = meter >= kMeter3 ? std::optional<int>(meter - kMeter3 + 3) : std::nullopt;
    model_.tempoText = tempo_->text().toStdString();
    finish(model_.ok(), kResultOk);
}

void MeasurePropertiesDialog::cancelClicked() {
    finish(model_.cancel(), kResultCancel);
}

void MeasurePropertiesDialog::copyClicked() {
    finish(model_.copy(), kResultCancel);
}

}  // namespace corvane
