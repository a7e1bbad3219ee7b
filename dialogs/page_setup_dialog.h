#pragma once
// How a score goes onto paper: the paper size, its orientation, and the whole score or one
// track as a part. Export PDF asks it in a dialog of its own; Print adds the choice of tracks to
// the print dialog, which asks the rest itself.

#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <optional>
#include <string>
#include <vector>

#include "engrave/page_settings.h"

namespace corvane {

// A list of what to print: "Whole score", then each of `tracks` ("Track 1: Piano"), showing
// `track` (none: the whole score).
QComboBox* makeTrackChoice(const std::vector<std::string>& tracks, std::optional<int> track,
                           QWidget* parent = nullptr);
// The track a list of makeTrackChoice() shows; none for the whole score.
std::optional<int> chosenTrack(const QComboBox& choice);

class PageSetupDialog final : public QDialog {
    Q_OBJECT

  public:
    // Shows `settings` for a score of `tracks`; titled `title`.
    PageSetupDialog(QWidget* parent, const QString& title, const engrave::PageSettings& settings,
                    const std::vector<std::string>& tracks);

    // What the controls show now.
    engrave::PageSettings settings() const;

    QComboBox& paper() const { return *paper_; }
    QRadioButton& portrait() const { return *portrait_; }
    QRadioButton& landscape() const { return *landscape_; }
    QComboBox& tracks() const { return *tracks_; }

  private:
    QComboBox* paper_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QComboBox* tracks_;
};

}  // namespace corvane
