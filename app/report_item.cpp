#include "app/report_item.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace corvane {

namespace {
// Wide enough for a file name and a few words; the rest is in the tooltip and the box.
constexpr int kSummaryWidth = 320;
}  // namespace

ReportItem::ReportItem(const ModalRunner& runModal, QWidget* parent)
    : QWidget(parent),
      runModal_(runModal),
      text_(new QLabel),
      detailsButton_(new QToolButton),
      dismissButton_(new QToolButton) {
    setObjectName(QStringLiteral("report"));
    text_->setObjectName(QStringLiteral("reportSummary"));
    detailsButton_->setText(QStringLiteral("Details..."));
    detailsButton_->setToolTip(QStringLiteral("Read the whole report"));
    dismissButton_->setText(QStringLiteral("\u00d7"));
    dismissButton_->setToolTip(QStringLiteral("Dismiss the report"));
    for (QToolButton* button : {detailsButton_, dismissButton_}) {
        button->setAutoRaise(true);
        // Keys stay with the client area, where the editor takes them.
        button->setFocusPolicy(Qt::NoFocus);
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(text_);
    row->addWidget(detailsButton_);
    row->addWidget(dismissButton_);
    connect(detailsButton_, &QToolButton::clicked, this, &ReportItem::showDetails);
    connect(dismissButton_, &QToolButton::clicked, this, &ReportItem::dismiss);
    hide();
}

void ReportItem::showReport(std::string_view summary, std::string_view details) {
    summary_ = toQString(summary);
    details_ = toQString(details);
    if (summary_.isEmpty()) {
        dismiss();
        return;
    }
    text_->setText(text_->fontMetrics().elidedText(summary_, Qt::ElideRight, kSummaryWidth));
    const QString full = details_.isEmpty() ? summary_ : summary_ + '\n' + details_;
    text_->setToolTip(full);
    detailsButton_->setVisible(!details_.isEmpty());
    show();
}

void ReportItem::showDetails() {
    if (!summary_.isEmpty()) {
        showInformation(window(), summary_.toStdString(), "Corvane", runModal_,
                        details_.toStdString());
    }
}

void ReportItem::dismiss() {
    summary_.clear();
    details_.clear();
    text_->clear();
    text_->setToolTip({});
    hide();
}

}  // namespace corvane
