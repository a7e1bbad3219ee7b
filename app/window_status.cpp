#include "app/window_status.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>

#include "app/client_area.h"
#include "app/report_item.h"
#include "render/layout.h"

namespace corvane {

WindowStatus::WindowStatus(QMainWindow& window, ClientArea& client, const ModalRunner& runModal)
    : QObject(&window),
      window_(window),
      client_(client),
      trackScrollBar_(new QScrollBar(Qt::Vertical)),
      hoverStatus_(new QLabel),
      report_(new ReportItem(runModal)) {
    trackScrollBar_->setObjectName(QStringLiteral("trackScroll"));
    trackScrollBar_->setEnabled(false);
    // Keys stay with the client area, where the editor takes them.
    trackScrollBar_->setFocusPolicy(Qt::NoFocus);
    auto* frame = new QWidget(&window);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(&client, 1);
    row->addWidget(trackScrollBar_);
    window.setCentralWidget(frame);

    hoverStatus_->setObjectName(QStringLiteral("hoverStatus"));
    // As tall as a line of text while empty, so the line keeps its height as texts come and go.
    hoverStatus_->setMinimumHeight(hoverStatus_->fontMetrics().height());
    window.statusBar()->addWidget(hoverStatus_, 1);
    window.statusBar()->addPermanentWidget(report_);
    connect(trackScrollBar_, &QScrollBar::valueChanged, this, &WindowStatus::tracksScrolled);
}

void WindowStatus::showStatus(std::string_view text) {
    hoverStatus_->setText(toQString(text));
}

void WindowStatus::showNotice(std::string_view text) {
    showNoticeText(toQString(text));
}

void WindowStatus::showNoticeText(const QString& text) {
    // Long enough to read a few lines; the hover text returns afterwards.
    constexpr int kNoticeMs = 20000;
    window_.statusBar()->showMessage(text, kNoticeMs);
}

void WindowStatus::showReport(std::string_view summary, std::string_view details) {
    report_->showReport(summary, details);
}

void WindowStatus::showTrackScroll(int trackScroll, int maxTrackScroll) {
    // In whole tracks; a page is what the client area shows.
    const QSignalBlocker quiet(trackScrollBar_);
    trackScrollBar_->setRange(0, maxTrackScroll / layout::kTrackSpacing);
    trackScrollBar_->setPageStep(rowsInView(client_.height()));
    trackScrollBar_->setValue(trackScroll / layout::kTrackSpacing);
    trackScrollBar_->setEnabled(maxTrackScroll > 0);
}

void WindowStatus::soundStatusKnown(const std::string& problem) {
    if (problem.empty()) {
        return;
    }
    // Queued to the window's thread, and not run at all once this object is gone (the device
    // stops calling before then).
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(problem)] { showSoundProblem(text); },
        Qt::QueuedConnection);
}

void WindowStatus::showSoundProblem(const QString& text) {
    QStatusBar* bar = window_.statusBar();
    const int before = bar->sizeHint().height();
    // A word or two, so the status line keeps its room; the explanation is the tooltip.
    auto* label = new QLabel(QStringLiteral("No sound"));
    label->setToolTip(text);
    label->setObjectName(QStringLiteral("soundStatus"));
    bar->addPermanentWidget(label);
    // Should the notice need a taller line, the window grows so the client area keeps its size.
    const int grown = bar->sizeHint().height() - before;
    if (grown > 0 && !window_.isMaximized() && !window_.isFullScreen()) {
        window_.resize(window_.width(), window_.height() + grown);
    }
}

}  // namespace corvane
