#include "dialogs/page_setup_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "dialogs/modal.h"

namespace corvane {

QComboBox* makeTrackChoice(const std::vector<std::string>& tracks, std::optional<int> track,
                           QWidget* parent) {
    auto* choice = new QComboBox(parent);
    choice->setObjectName(QStringLiteral("printTracks"));
    choice->addItem(QStringLiteral("Whole score"));
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        choice->addItem(QStringLiteral("Track %1: %2").arg(i + 1).arg(toQString(tracks[i])));
    }
    if (track && *track >= 0 && static_cast<std::size_t>(*track) < tracks.size()) {
        choice->setCurrentIndex(*track + 1);
    }
    return choice;
}

std::optional<int> chosenTrack(const QComboBox& choice) {
    if (choice.currentIndex() <= 0) {
        return std::nullopt;
    }
    return choice.currentIndex() - 1;
}

PageSetupDialog::PageSetupDialog(QWidget* parent, const QString& title,
                                 const engrave::PageSettings& settings,
                                 const std::vector<std::string>& tracks)
    : QDialog(parent),
      paper_(new QComboBox),
      portrait_(new QRadioButton(QStringLiteral("P&ortrait"))),
      landscape_(new QRadioButton(QStringLiteral("&Landscape"))),
      tracks_(makeTrackChoice(tracks, settings.track)) {
    setWindowTitle(title);
    paper_->setObjectName(QStringLiteral("paper"));
    paper_->addItem(QStringLiteral("A4"), static_cast<int>(engrave::Paper::A4));
    paper_->addItem(QStringLiteral("Letter"), static_cast<int>(engrave::Paper::Letter));
    paper_->setCurrentIndex(paper_->findData(static_cast<int>(settings.paper)));
    (settings.landscape ? landscape_ : portrait_)->setChecked(true);

    auto* orientation = new QHBoxLayout;
    orientation->addWidget(portrait_);
    orientation->addWidget(landscape_);
    orientation->addStretch();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Paper:"), paper_);
    form->addRow(QStringLiteral("Orientation:"), orientation);
    form->addRow(QStringLiteral("P&rint:"), tracks_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

engrave::PageSettings PageSetupDialog::settings() const {
    engrave::PageSettings chosen;
    chosen.paper = static_cast<engrave::Paper>(paper_->currentData().toInt());
    chosen.landscape = landscape_->isChecked();
    chosen.track = chosenTrack(*tracks_);
    return chosen;
}

}  // namespace corvane
