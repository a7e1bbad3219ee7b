#pragma once
// A report in the status bar that stays until the user has read it: its summary, a button that
// shows the whole of it in a box, and one that dismisses it.

#include <QWidget>
#include <string_view>

#include "dialogs/modal.h"

class QLabel;
class QToolButton;

namespace corvane {

class ReportItem final : public QWidget {
    Q_OBJECT

  public:
    // Hidden until a report comes; its box is run by `runModal` (which outlives it).
    explicit ReportItem(const ModalRunner& runModal, QWidget* parent = nullptr);

    // Shows `summary`, elided to the item's width, with `details` in its tooltip and box; an
    // empty summary hides the item.
    void showReport(std::string_view summary, std::string_view details);
    // The report shown, in full; empty while none is.
    const QString& summary() const { return summary_; }
    const QString& details() const { return details_; }
    QToolButton& detailsButton() const { return *detailsButton_; }
    QToolButton& dismissButton() const { return *dismissButton_; }

  public slots:
    // Shows the whole report in a box.
    void showDetails();
    // Takes the report away.
    void dismiss();

  private:
    const ModalRunner& runModal_;
    QLabel* text_;
    QToolButton* detailsButton_;
    QToolButton* dismissButton_;
    QString summary_;
    QString details_;
};

}  // namespace corvane
