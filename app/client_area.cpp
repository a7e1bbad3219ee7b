#include "app/client_area.h"

#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <optional>

#include "app/key_codes.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/toolbar.h"
#include "render/qt/raster_canvas.h"

namespace corvane {

namespace {

Point pointOf(const QPoint& p) {
    return {p.x(), p.y()};
}

QRect qRect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The playback marker: the measure heard tinted, and the line of the beat heard.
const QColor kHeardMeasure(40, 110, 220, 36);
const QColor kHeardBeat(30, 90, 200);
constexpr int kBeatLineWidth = 2;
// The clock ticks once a frame of the screen, at most this often and at least this seldom.
constexpr double kFastestTickMs = 8;
constexpr double kSlowestTickMs = 33;

}  // namespace

ClientArea::ClientArea(QWidget* parent, CanvasFactory createCanvas)
    : QWidget(parent), canvasFactory_(std::move(createCanvas)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The editor repaints every pixel of the client area from its back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    playbackClock_.setTimerType(Qt::PreciseTimer);
    connect(&playbackClock_, &QTimer::timeout, this, &ClientArea::followPlayback);
}

void ClientArea::invalidate() {
    scoreChanged_ = true;
    update();
}

void ClientArea::invalidateRect(const Rect& r) {
    if (!r.empty()) {
        scoreChanged_ = true;
        update(qRect(r));
    }
}

Rect ClientArea::clientRect() const {
    return {0, 0, width(), height()};
}

void ClientArea::showCursor() {
    // The editor never sets a cursor of its own: the widget's default is the visible arrow.
    unsetCursor();
}

Point ClientArea::cursorPos() const {
    return pointOf(mapFromGlobal(QCursor::pos()));
}

void ClientArea::postChar(char32_t c) {
    // Posted, not sent: the character arrives after the click that sent it has been handled.
    QMetaObject::invokeMethod(
        this, [this, c] { typed(c); }, Qt::QueuedConnection);
}

std::unique_ptr<Canvas> ClientArea::createCanvas(int width, int height) {
    if (canvasFactory_) {
        return canvasFactory_(width, height);
    }
    return std::make_unique<RasterCanvas>(width, height);
}

void ClientArea::present(const Canvas& backBuffer, int width, int height) {
    const auto* raster = dynamic_cast<const RasterCanvas*>(&backBuffer);
    if (!painting_ || raster == nullptr) {
        // Only a paint event may draw on the window; anything else asks for one.
        update();
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), raster->image(), QRect(0, 0, width, height));
}

void ClientArea::notifyPlaybackDone() {
    // Queued to this widget: it runs on the window's thread, and not at all once the widget is
    // gone. The player closes its sequencer before the widget goes, so no call races that.
    QMetaObject::invokeMethod(this, &ClientArea::playbackEnded, Qt::QueuedConnection);
}

void ClientArea::playbackEnded() {
    if (session_ != nullptr) {
        session_->playbackEnded();
    }
    followPlayback();
}

void ClientArea::watchPlayback() {
    if (session_ == nullptr || playbackClock_.isActive() || !session_->editor().playing()) {
        return;
    }
    const double frameMs = screen() != nullptr && screen()->refreshRate() > 0
                               ? 1000.0 / screen()->refreshRate()
                               : 1000.0 / 60;
    playbackClock_.start(static_cast<int>(std::clamp(frameMs, kFastestTickMs, kSlowestTickMs)));
    followPlayback();
}

void ClientArea::followPlayback() {
    const bool playing = session_ != nullptr && session_->editor().playing();
    const std::optional<PlaybackMarker> now =
        playing ? session_->followPlayback() : std::optional<PlaybackMarker>();
    if (now != marker_) {
        // The marker's old and new places, copied again from the back buffer unless the score
        // must be painted anyway.
        markerMoved_ = true;
        if (marker_) {
            update(qRect(marker_->measure));
        }
        if (now) {
            update(qRect(now->measure));
        }
        marker_ = now;
    }
    if (!playing) {
        playbackClock_.stop();
    }
}

void ClientArea::typed(char32_t c) {
    // The session is looked up again for every character: a character may open a dialog, and
    // the window may close meanwhile.
    if (session_ != nullptr) {
        session_->typed(c);
    }
    watchPlayback();
}

void ClientArea::paintEvent(QPaintEvent* event) {
    if (session_ == nullptr || session_->editor().resourcesFailed()) {
        // No editor, or one without its drawing resources: a plain page.
        QPainter(this).fillRect(rect(), Qt::white);
        return;
    }
    painting_ = true;
    if (scoreChanged_ || !markerMoved_ || !presentArea(event->rect())) {
        session_->editor().paint();
    }
    painting_ = false;
    scoreChanged_ = false;
    markerMoved_ = false;
    drawPlaybackMarker();
}

bool ClientArea::presentArea(const QRect& area) {
    const Canvas* buffer = session_->editor().drawing().backBuffer.get();
    const auto* raster = dynamic_cast<const RasterCanvas*>(buffer);
    if (raster == nullptr) {
        return false;
    }
    QPainter painter(this);
    painter.drawImage(area.topLeft(), raster->image(), area);
    return true;
}

void ClientArea::drawPlaybackMarker() {
    if (!marker_) {
        return;
    }
    QPainter painter(this);
    const QRect measure = qRect(marker_->measure);
    painter.fillRect(measure, kHeardMeasure);
    painter.fillRect(QRect(marker_->lineX - kBeatLineWidth / 2, measure.top(), kBeatLineWidth,
                           measure.height()),
                     kHeardBeat);
}

void ClientArea::resizeEvent(QResizeEvent*) {
    if (session_ != nullptr) {
        session_->resize();
    }
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // While a button is held Qt keeps reporting moves outside the window; only moves over the
    // client area are hover tests.
    if (!rect().contains(p)) {
        return;
    }
    mouseTracking_ = true;
    if (session_ != nullptr) {
        session_->mouseMove(pointOf(p));
    }
}

void ClientArea::leaveEvent(QEvent*) {
    if (!mouseTracking_) {
        return;
    }
    mouseTracking_ = false;
    if (session_ != nullptr) {
        session_->mouseLeave();
    }
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (session_ != nullptr && (left || event->button() == Qt::RightButton)) {
        session_->click(pointOf(event->position().toPoint()), !left);
    }
    watchPlayback();
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<KeyboardKey> key = editorKey(event->key());
        key && session_ != nullptr) {
        session_->keyDown(*key);
    }
    if (isModifierKey(event->key())) {
        return;
    }
    for (const char32_t c : event->text().toUcs4()) {
        typed(c);
    }
}

void ClientArea::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats its presses, not its releases.
    if (event->isAutoRepeat()) {
        return;
    }
    if (const std::optional<KeyboardKey> key = editorKey(event->key());
        key && session_ != nullptr) {
        session_->keyUp(*key);
    }
}

void ClientArea::wheelEvent(QWheelEvent* event) {
    // A notch is 120 eighths of a degree; a finer wheel adds up its turns until they make one.
    // Turning towards the user gives negative angles and scrolls the tracks down.
    constexpr int kNotch = 120;
    wheelTurn_ += event->angleDelta().y();
    const int notches = wheelTurn_ / kNotch;
    wheelTurn_ -= notches * kNotch;
    if (session_ != nullptr && notches != 0) {
        session_->wheel(-notches, pointOf(event->position().toPoint()));
    }
    event->accept();
}

bool ClientArea::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        showToolbarTip(*static_cast<QHelpEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void ClientArea::showToolbarTip(const QHelpEvent& help) {
    const std::optional<int> slot = toolbarSlotAt(pointOf(help.pos()));
    const std::string tip =
        session_ != nullptr && slot ? toolbarTip(*slot, session_->editor().tools()) : std::string();
    if (tip.empty()) {
        QToolTip::hideText();
        return;
    }
    // The tip goes as soon as the pointer leaves the slot.
    const Rect area = toolbarSlotArea(*slot);
    QToolTip::showText(help.globalPos(), QString::fromStdString(tip), this,
                       QRect(area.left, area.top, area.right - area.left, area.bottom - area.top));
}

bool ClientArea::focusNextPrevChild(bool) {
    return false;
}

}  // namespace corvane
