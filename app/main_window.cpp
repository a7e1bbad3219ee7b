#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <optional>

#include "app/app_icon.h"
#include "app/file_dialogs.h"
#include "app/key_codes.h"
#include "dialogs/dynamic_dialog.h"
#include "dialogs/measure_dialog.h"
#include "dialogs/track_dialogs.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "recovery/recovery_offer.h"
#include "recovery/recovery_store.h"
#include "editor/toolbar.h"
#include "editor/window_title.h"
#include "render/layout.h"
#include "render/qt/raster_canvas.h"
#include "score/score_reader.h"
#include "sound/player.h"

namespace corvane {

ClientArea::ClientArea(MainWindow& shell, const WindowServices& services)
    : QWidget(&shell), shell_(shell), services_(services) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The editor repaints every pixel of the client area from its back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

EditorView* ClientArea::liveEditor() const {
    return shell_.editor();
}

void ClientArea::invalidate() {
    update();
}

void ClientArea::invalidateRect(const Rect& r) {
    if (!r.empty()) {
        update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
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
    const QPoint p = mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
}

void ClientArea::postChar(char32_t c) {
    // Posted, not sent: the character arrives after the click that sent it has been handled.
    QMetaObject::invokeMethod(
        this, [this, c] { typed(c); }, Qt::QueuedConnection);
}

void ClientArea::showStatus(std::string_view text) {
    emit statusChanged(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void ClientArea::showNotice(std::string_view text) {
    emit noticeGiven(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void ClientArea::showTrackScroll(int trackScroll, int maxTrackScroll) {
    emit trackScrollChanged(trackScroll, maxTrackScroll);
}

std::unique_ptr<Canvas> ClientArea::createCanvas(int width, int height) {
    if (services_.createCanvas) {
        return services_.createCanvas(width, height);
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

void ClientArea::runTrackDialog(TrackDialogModel& model) {
    if (!model.applicable()) {
        return;
    }
    TrackPropertiesDialog dialog(window(), model, services_.runModal);
    services_.runModal(dialog);
}

void ClientArea::runDrumTrackDialog(DrumTrackDialogModel& model) {
    DrumTrackPropertiesDialog dialog(window(), model, services_.runModal);
    services_.runModal(dialog);
}

void ClientArea::runMeasureDialog(MeasureDialogModel& model) {
    MeasurePropertiesDialog dialog(window(), model);
    services_.runModal(dialog);
}

void ClientArea::runDynamicDialog(DynamicDialogModel& model) {
    DynamicDialog dialog(window(), model);
    services_.runModal(dialog);
}

bool ClientArea::askYesNo(std::string_view text, std::string_view caption) {
    return corvane::askYesNo(window(), text, caption, services_.runModal);
}

Answer ClientArea::askYesNoCancel(std::string_view text, std::string_view caption) {
    switch (corvane::askYesNoCancel(window(), text, caption, services_.runModal)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

void ClientArea::showMessage(std::string_view text, std::string_view caption,
                             std::string_view detail) {
    showWarning(window(), text, caption, services_.runModal, detail);
}

std::optional<std::string> ClientArea::chooseFile(FileDialogKind kind) {
    // Save offers the file the score came from or went to last, or the name an import suggests.
    const EditorSession* session = shell_.session();
    const std::string current =
        kind == FileDialogKind::Save && session != nullptr ? session->saveSuggestion() : std::string();
    return corvane::chooseFile(window(), kind, services_.runModal, current);
}

void ClientArea::notifyPlaybackDone() {
    // Queued to this widget: it runs on the window's thread, and not at all once the widget is
    // gone. The player closes its sequencer before the widget goes, so no call races that.
    QMetaObject::invokeMethod(this, &ClientArea::playbackDone, Qt::QueuedConnection);
}

void ClientArea::playbackDone() {
    if (Player* player = shell_.player()) {
        player->stop();
    }
    if (EditorView* editor = shell_.editor()) {
        editor->invalidate();
    }
}

void ClientArea::paintEvent(QPaintEvent*) {
    EditorView* editor = liveEditor();
    if (editor == nullptr || editor->resourcesFailed()) {
        // No editor, or one without its drawing resources: a plain page.
        QPainter(this).fillRect(rect(), Qt::white);
        return;
    }
    painting_ = true;
    editor->paint();
    painting_ = false;
}

void ClientArea::resizeEvent(QResizeEvent*) {
    if (EditorView* editor = liveEditor()) {
        editor->onResize();
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
    if (EditorView* editor = liveEditor()) {
        editor->updateHover(p.x(), p.y());
    }
}

void ClientArea::leaveEvent(QEvent*) {
    if (!mouseTracking_) {
        return;
    }
    mouseTracking_ = false;
    if (EditorView* editor = liveEditor()) {
        editor->onMouseLeave();
    }
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    EditorView* editor = liveEditor();
    if (editor == nullptr) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        editor->onClick(p.x(), p.y(), false);
    } else if (event->button() == Qt::RightButton) {
        editor->onClick(p.x(), p.y(), true);
    }
    shell_.refreshDocumentState();
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    if (EditorView* editor = liveEditor()) {
        if (const std::optional<KeyboardKey> key = editorKey(event->key())) {
            editor->onKeyDown(*key);
        }
    }
    if (isModifierKey(event->key())) {
        return;
    }
    for (const char32_t c : event->text().toUcs4()) {
        typed(c);
    }
    shell_.refreshDocumentState();
}

void ClientArea::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats its presses, not its releases.
    if (event->isAutoRepeat()) {
        return;
    }
    if (EditorView* editor = liveEditor()) {
        if (const std::optional<KeyboardKey> key = editorKey(event->key())) {
            editor->onKeyUp(*key);
        }
    }
}

void ClientArea::wheelEvent(QWheelEvent* event) {
    // A notch is 120 eighths of a degree; a finer wheel adds up its turns until they make one.
    // Turning towards the user gives negative angles and scrolls the tracks down.
    constexpr int kNotch = 120;
    wheelTurn_ += event->angleDelta().y();
    const int notches = wheelTurn_ / kNotch;
    wheelTurn_ -= notches * kNotch;
    const QPoint p = event->position().toPoint();
    if (EditorView* editor = liveEditor(); editor != nullptr && notches != 0) {
        editor->onWheel(-notches, p.x(), p.y());
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
    const EditorView* editor = liveEditor();
    const std::optional<int> slot = toolbarSlotAt(Point{help.pos().x(), help.pos().y()});
    const std::string tip =
        editor != nullptr && slot ? toolbarTip(*slot, editor->tools()) : std::string();
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

void ClientArea::typed(char32_t c) {
    // Looked up again for every character: a character may open a dialog, and the editor must
    // still exist when the next one comes.
    if (EditorView* editor = liveEditor(); editor != nullptr && editor->onChar(c)) {
        editor->invalidate();
    }
    shell_.refreshDocumentState();
}

MainWindow::MainWindow(WindowServices services)
    : services_(std::move(services)), client_(new ClientArea(*this, services_)) {
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(applicationIcon());
    createActions();
    buildViewFrame();
    client_->setFocus();

    session_ = std::make_unique<EditorSession>(*client_, services_.sound);
    refreshDocumentState();
    sound_ = services_.sound;
    if (sound_) {
        sound_->reportStatus(*this);
    }

    if (session_->reportMissingResources()) {
        // The window still appears, as a plain page, and closes as soon as events run.
        QTimer::singleShot(0, this, [this] {
            teardown();
            close();
        });
        return;
    }
    startRecovery();
}

MainWindow::~MainWindow() {
    teardown();
}

EditorView* MainWindow::editor() const {
    return session_ ? &session_->editor() : nullptr;
}

Player* MainWindow::player() const {
    return session_ ? &session_->player() : nullptr;
}

const ScoreReader* MainWindow::scoreReader() const {
    return session_ ? &session_->reader() : nullptr;
}

void MainWindow::teardown() {
    // A running export has its own copy of the song; it is stopped, and leaves no file.
    audioExport_.reset();
    recoveryTimer_.stop();
    if (recovery_) {
        qApp->removeEventFilter(this);
        // Waits for a copy being written; one that exists stays for the next start.
        recovery_.reset();
    }
    if (sound_) {
        sound_->stopReporting(*this);
        sound_.reset();
    }
    session_.reset();
}

void MainWindow::soundStatusKnown(const std::string& problem) {
    if (problem.empty()) {
        return;
    }
    // Queued to the window: it runs on the window's thread, and not at all once the window is
    // gone (the device stops calling before then).
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(problem)] { showSoundProblem(text); },
        Qt::QueuedConnection);
}

void MainWindow::showSoundProblem(const QString& text) {
    const int before = statusBar()->sizeHint().height();
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("soundStatus"));
    statusBar()->addPermanentWidget(label);
    // Should the notice need a taller line, the window grows so the client area keeps its size.
    const int grown = statusBar()->sizeHint().height() - before;
    if (grown > 0 && !isMaximized() && !isFullScreen()) {
        resize(width(), height() + grown);
    }
}

void MainWindow::buildViewFrame() {
    constexpr QSize kClientArea(800, 600);
    trackScrollBar_ = new QScrollBar(Qt::Vertical);
    trackScrollBar_->setObjectName(QStringLiteral("trackScroll"));
    trackScrollBar_->setEnabled(false);
    // Keys stay with the client area, where the editor takes them.
    trackScrollBar_->setFocusPolicy(Qt::NoFocus);
    auto* frame = new QWidget(this);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(client_, 1);
    row->addWidget(trackScrollBar_);
    setCentralWidget(frame);

    hoverStatus_ = new QLabel;
    hoverStatus_->setObjectName(QStringLiteral("hoverStatus"));
    // As tall as a line of text while empty, so the line keeps its height as texts come and go.
    hoverStatus_->setMinimumHeight(hoverStatus_->fontMetrics().height());
    statusBar()->addWidget(hoverStatus_, 1);

    connect(client_, &ClientArea::statusChanged, hoverStatus_, &QLabel::setText);
    connect(client_, &ClientArea::noticeGiven, this, &MainWindow::showNotice);
    connect(client_, &ClientArea::trackScrollChanged, this, &MainWindow::showTrackScroll);
    connect(trackScrollBar_, &QScrollBar::valueChanged, this, [this](int row) {
        if (session_) {
            session_->editor().setTrackScroll(row * layout::kTrackSpacing);
        }
    });
    resize(kClientArea.width() + trackScrollBar_->sizeHint().width(),
           kClientArea.height() + statusBar()->sizeHint().height());
}

void MainWindow::showTrackScroll(int trackScroll, int maxTrackScroll) {
    // In whole tracks; a page is what the client area shows.
    const QSignalBlocker quiet(trackScrollBar_);
    trackScrollBar_->setRange(0, maxTrackScroll / layout::kTrackSpacing);
    trackScrollBar_->setPageStep(rowsInView(client_->height()));
    trackScrollBar_->setValue(trackScroll / layout::kTrackSpacing);
    trackScrollBar_->setEnabled(maxTrackScroll > 0);
}

void MainWindow::createActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));

    saveAction_ = file->addAction(QStringLiteral("&Save..."), this, &MainWindow::save);
    saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

    openAction_ = file->addAction(QStringLiteral("&Open..."), this, &MainWindow::open);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

    writeMidiAction_ =
        file->addAction(QStringLiteral("Write &Midi..."), this, &MainWindow::writeMidi);
    writeMidiAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));

    exportMusicXmlAction_ = file->addAction(QStringLiteral("Export Music&XML..."), this,
                                            &MainWindow::exportMusicXml);
    importMidiAction_ =
        file->addAction(QStringLiteral("&Import MIDI..."), this, &MainWindow::importMidi);

    exportAudioAction_ =
        file->addAction(QStringLiteral("Export &Audio..."), this, &MainWindow::exportAudio);
    exportAudioAction_->setEnabled(static_cast<bool>(services_.renderAudio));

    file->addSeparator();

    exitAction_ = file->addAction(QStringLiteral("E&xit"));
    // Like the close box, once the menu has finished.
    connect(exitAction_, &QAction::triggered, this, &QWidget::close, Qt::QueuedConnection);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    undoAction_ = edit->addAction(QStringLiteral("&Undo"), this, &MainWindow::undo);
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction(QStringLiteral("&Redo"), this, &MainWindow::redo);
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
}

void MainWindow::refreshDocumentState() {
    if (!session_) {
        undoAction_->setEnabled(false);
        redoAction_->setEnabled(false);
        return;
    }
    const EditorView& editor = session_->editor();
    const bool dirty = editor.dirty();
    setWindowTitle(QString::fromStdString(windowTitleTemplate(session_->documentPath(), dirty)));
    setWindowModified(dirty);
    const EditHistory& history = editor.history();
    undoAction_->setText(QString::fromStdString(history.undoText()));
    undoAction_->setEnabled(history.canUndo());
    redoAction_->setText(QString::fromStdString(history.redoText()));
    redoAction_->setEnabled(history.canRedo());
}

void MainWindow::save() {
    if (session_) {
        session_->save();
    }
    refreshDocumentState();
}

void MainWindow::open() {
    if (session_) {
        session_->open();
    }
    refreshDocumentState();
}

void MainWindow::undo() {
    if (session_) {
        session_->editor().undo();
    }
    refreshDocumentState();
}

void MainWindow::redo() {
    if (session_) {
        session_->editor().redo();
    }
    refreshDocumentState();
}

void MainWindow::writeMidi() {
    if (session_) {
        session_->writeMidi();
    }
}

void MainWindow::exportMusicXml() {
    if (session_) {
        session_->exportMusicXml();
    }
}

void MainWindow::importMidi() {
    if (session_) {
        session_->importMidi();
    }
    refreshDocumentState();
}

void MainWindow::showNotice(const QString& text) {
    // Long enough to read a few lines; the hover text returns afterwards.
    constexpr int kNoticeMs = 20000;
    statusBar()->showMessage(text, kNoticeMs);
}

void MainWindow::exportAudio() {
    if (!session_ || audioExport_ || !services_.renderAudio) {
        return;
    }
    const std::optional<std::string> path = chooseAudioFile(this, services_.runModal);
    if (!path) {
        return;
    }
    // The typed extension chooses the format, whatever file type the dialog showed.
    const std::optional<AudioFormat> format = audioFormatForPath(*path);
    if (!format) {
        const ExportFailure failure = unknownAudioType(*path);
        showWarning(this, failure.text, kErrorCaption, services_.runModal, failure.detail);
        return;
    }
    // What playback from the first measure plays, taken now: later edits do not reach it.
    EditorView& editor = session_->editor();
    editor.ensureTimeline();
    audioExport_ = std::make_unique<AudioExportRun>(
        this, services_.renderAudio, Player::midiFileBytes(editor.score(), 0), *path, *format);
    connect(audioExport_.get(), &AudioExportRun::finished, this, &MainWindow::exportFinished);
    exportAudioAction_->setEnabled(false);
}

void MainWindow::exportFinished(const QString& error, const QString& detail, bool) {
    // Called from the run's own signal: it goes once control has left it.
    audioExport_.release()->deleteLater();
    exportAudioAction_->setEnabled(true);
    if (!error.isEmpty()) {
        showWarning(this, error.toStdString(), kErrorCaption, services_.runModal,
                    detail.toStdString());
    }
}

void MainWindow::openFile(const QString& path) {
    if (!session_) {
        return;
    }
    const QFileInfo file(path);
    QDir::setCurrent(file.absolutePath());
    session_->loadFile(QFile::encodeName(file.absoluteFilePath()).toStdString());
    refreshDocumentState();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (session_ && !session_->mayClose()) {
        event->ignore();
        return;
    }
    // Saved, or its changes given up: a normal end leaves no copy.
    if (recovery_) {
        recovery_->clean();
    }
    teardown();
    event->accept();
}

void MainWindow::startRecovery() {
    if (services_.recoveryFolder.empty()) {
        return;
    }
    recovery_ = std::make_unique<RecoveryStore>(
        services_.recoveryFolder, [this](const std::string& problem) {
            // Said once when writing starts failing; the store keeps trying.
            if (!problem.empty()) {
                showNotice(QString::fromStdString(problem));
            }
        });
    qApp->installEventFilter(this);
    constexpr int kTickMs = 500;
    recoveryTimer_.setInterval(kTickMs);
    connect(&recoveryTimer_, &QTimer::timeout, this, &MainWindow::keepRecoveryCopy);
    recoveryTimer_.start();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            // The filter sees the event before it is handled: the look comes once it has been,
            // and any dialog it opened has closed or runs its own loop.
            if (recovery_ && !changeCheckQueued_) {
                changeCheckQueued_ = true;
                QMetaObject::invokeMethod(this, &MainWindow::noteChanges, Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::noteChanges() {
    changeCheckQueued_ = false;
    if (!recovery_ || !session_) {
        return;
    }
    const EditorView& editor = session_->editor();
    if (!editor.dirty()) {
        if (sawDirty_) {
            recovery_->clean();
        }
        sawDirty_ = false;
        return;
    }
    if (!sawDirty_ || lastRevision_ != editor.revision()) {
        recovery_->changed(RecoveryStore::TimePoint::clock::now());
        lastRevision_ = editor.revision();
    }
    sawDirty_ = true;
}

void MainWindow::keepRecoveryCopy() {
    if (!recovery_ || !session_) {
        return;
    }
    // Edits that reach the score without an input event (a character a button posted) are
    // seen here at the latest.
    noteChanges();
    recovery_->tick(RecoveryStore::TimePoint::clock::now(), session_->editor().score(),
                    session_->documentPath());
}

bool MainWindow::offerRecoveredWork() {
    if (!recovery_ || !session_) {
        return false;
    }
    RecoveryOffer offer(services_.recoveryFolder, std::chrono::system_clock::now());
    bool restored = false;
    while (const std::optional<std::string> question = offer.question()) {
        if (!askYesNoDefaultYes(this, *question, kSaveChangesCaption, services_.runModal)) {
            offer.decline();
            continue;
        }
        if (std::optional<RestoredCopy> copy = offer.accept()) {
            session_->restore(std::move(copy->score), copy->record.belongsTo);
            recovery_->adopt(std::move(copy->claim));
            // The adopted copy already holds this score: no new copy until it changes.
            sawDirty_ = true;
            lastRevision_ = session_->editor().revision();
            restored = true;
        }
        break;
    }
    if (const std::string message = offer.message(); !message.empty()) {
        showNotice(QString::fromStdString(message));
    }
    return restored;
}

void MainWindow::start(const QString& file) {
    const bool restored = offerRecoveredWork();
    refreshDocumentState();
    if (file.isEmpty()) {
        return;
    }
    if (restored) {
        showNotice(QStringLiteral("%1 was not opened: the restored changes are shown instead.")
                       .arg(QFileInfo(file).fileName()));
        return;
    }
    openFile(file);
}

}  // namespace corvane
