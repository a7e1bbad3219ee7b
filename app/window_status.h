#pragma once
// The parts of the main window that show the editor's state rather than take commands: the track
// scroll bar at the client area's right, and the status bar below it with the hover text, notices
// over it, the last import's report and "No sound".

#include <QObject>
#include <string>
#include <string_view>

#include "dialogs/modal.h"
#include "editor/status_display.h"
#include "sound/device.h"

class QLabel;
class QMainWindow;
class QScrollBar;

namespace corvane {

class ClientArea;
class ReportItem;

class WindowStatus final : public QObject, public StatusDisplay, public StatusTarget {
    Q_OBJECT

  public:
    // Makes `client` with the track scroll bar `window`'s central widget and fills its status
    // bar; `window` owns the widgets and this object, and `runModal` outlives them.
    WindowStatus(QMainWindow& window, ClientArea& client, const ModalRunner& runModal);

    QScrollBar& trackScrollBar() const { return *trackScrollBar_; }
    ReportItem& report() const { return *report_; }

    void showStatus(std::string_view text) override;
    void showNotice(std::string_view text) override;
    // The report stands in the status bar, left of the sound's item, until it is dismissed or the
    // next one comes; its Details button shows all of it.
    void showReport(std::string_view summary, std::string_view details) override;
    void showTrackScroll(int trackScroll, int maxTrackScroll) override;
    // Called on any thread: a sound device without sound says "No sound" at the right of the
    // status line, with why in its tooltip; the client area keeps its size.
    void soundStatusKnown(const std::string& problem) override;

  public slots:
    // Says `text` in the status line for a while, over the hover text, without stopping the
    // user.
    void showNoticeText(const QString& text);

  signals:
    // The user moved the track scroll bar to show tracks from `row` on.
    void tracksScrolled(int row);

  private slots:
    void showSoundProblem(const QString& text);

  private:
    QMainWindow& window_;
    ClientArea& client_;
    QScrollBar* trackScrollBar_;
    QLabel* hoverStatus_;
    ReportItem* report_;
};

}  // namespace corvane
