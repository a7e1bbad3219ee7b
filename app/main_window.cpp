#include "app/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <chrono>
#include <optional>

#include "app/app_icon.h"
#include "app/file_dialogs.h"
#include "app/print_command.h"
#include "app/recovery_start.h"
#include "app/window_prompts.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "editor/window_title.h"
#include "engrave/engraving.h"
#include "engrave/qt/score_printing.h"
#include "recovery/autosave_policy.h"
#include "recovery/recovery_watch.h"
#include "render/layout.h"
#include "score/score_reader.h"
#include "sound/player.h"

namespace corvane {

MainWindow::MainWindow(WindowServices services)
    : services_(std::move(services)),
      client_(new ClientArea(this, services_.createCanvas)),
      prompts_(std::make_unique<WindowPrompts>(this, services_.runModal)),
      status_(new WindowStatus(*this, *client_, services_.runModal)),
      recentFiles_(services_.settingsFile) {
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(applicationIcon());
    createFileMenu();
    createEditMenu();
    createHelpMenu();
    sizeForClientArea();
    connect(status_, &WindowStatus::tracksScrolled, this, &MainWindow::scrollTracks);
    client_->setFocus();

    session_ =
        std::make_unique<EditorSession>(EditorHost{*client_, *prompts_, *status_}, services_.sound);
    client_->setSession(session_.get());
    session_->addDocumentListener(
        [this](const DocumentState& document) { showDocument(document); });
    sound_ = services_.sound;
    if (sound_) {
        sound_->reportStatus(*status_);
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

RecoveryStore* MainWindow::recoveryStore() const {
    return recovery_ ? &recovery_->store() : nullptr;
}

// Every item of a menu has a mnemonic of its own. "&Open...", "Write &Midi..." and "E&xit" keep
// their letters; the others take letters those leave free.
void MainWindow::createFileMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));

    newAction_ = file->addAction(QStringLiteral("&New"), this, &MainWindow::newScore);
    newAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction_ = file->addAction(QStringLiteral("&Open..."), this, &MainWindow::open);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    openRecentMenu_ = new RecentFilesMenu(QStringLiteral("Open &Recent"), recentFiles_, file);
    file->addMenu(openRecentMenu_);
    connect(openRecentMenu_, &RecentFilesMenu::fileChosen, this, &MainWindow::openRecent);
    saveAction_ = file->addAction(QStringLiteral("&Save"), this, &MainWindow::save);
    saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction_ = file->addAction(QStringLiteral("Save &As..."), this, &MainWindow::saveAs);
    saveAsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();

    printAction_ = file->addAction(QStringLiteral("&Print..."), this, &MainWindow::print);
    printAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    exportPdfAction_ =
        file->addAction(QStringLiteral("Export P&DF..."), this, &MainWindow::exportPdf);
    writeMidiAction_ =
        file->addAction(QStringLiteral("Write &Midi..."), this, &MainWindow::writeMidi);
    writeMidiAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    exportMusicXmlAction_ =
        file->addAction(QStringLiteral("Export MusicXM&L..."), this, &MainWindow::exportMusicXml);
    exportAudioAction_ =
        file->addAction(QStringLiteral("Export A&udio..."), this, &MainWindow::exportAudio);
    exportAudioAction_->setEnabled(static_cast<bool>(services_.renderAudio));
    file->addSeparator();

    importMidiAction_ =
        file->addAction(QStringLiteral("&Import MIDI..."), this, &MainWindow::importMidi);
    importMusicXmlAction_ =
        file->addAction(QStringLiteral("Import Musi&cXML..."), this, &MainWindow::importMusicXml);
    file->addSeparator();

    exitAction_ = file->addAction(QStringLiteral("E&xit"));
    // Like the close box, once the menu has finished.
    connect(exitAction_, &QAction::triggered, this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::createEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    undoAction_ = edit->addAction(QStringLiteral("&Undo"), this, &MainWindow::undo);
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction(QStringLiteral("&Redo"), this, &MainWindow::redo);
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
}

void MainWindow::createHelpMenu() {
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    keyboardShortcutsAction_ = help->addAction(QStringLiteral("&Keyboard Shortcuts"), this,
                                               &MainWindow::showKeyboardShortcuts);
    keyboardShortcutsAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_ = help->addAction(QStringLiteral("&About Corvane"), this, &MainWindow::showAbout);
}

void MainWindow::sizeForClientArea() {
    constexpr QSize kClientArea(800, 600);
    resize(kClientArea.width() + trackScrollBar().sizeHint().width(),
           kClientArea.height() + statusBar()->sizeHint().height());
}

void MainWindow::rememberDocument() {
    if (!session_ || session_->documentPath().empty()) {
        return;
    }
    rememberedPath_ = session_->documentPath();
    recentFiles_.add(QFile::decodeName(rememberedPath_.c_str()));
    openRecentMenu_->refresh();
}

void MainWindow::showDocument(const DocumentState& document) {
    // A file the document went to or came from, however that came about (the close question's
    // Save among them), is the newest of Open Recent.
    if (!document.path.empty() && document.path != rememberedPath_) {
        rememberDocument();
    }
    setWindowTitle(QString::fromStdString(windowTitleTemplate(document.path, document.dirty)));
    setWindowModified(document.dirty);
    undoAction_->setText(QString::fromStdString(document.undoText));
    undoAction_->setEnabled(document.canUndo);
    redoAction_->setText(QString::fromStdString(document.redoText));
    redoAction_->setEnabled(document.canRedo);
    if (recovery_) {
        recovery_->documentChanged(document.revision, document.dirty);
    }
}

void MainWindow::scrollTracks(int row) {
    if (session_) {
        session_->scrollTracksTo(row * layout::kTrackSpacing);
    }
}

void MainWindow::newScore() {
    if (session_) {
        session_->newScore();
    }
}

void MainWindow::save() {
    if (session_ && session_->quickSave()) {
        rememberDocument();
    }
}

void MainWindow::saveAs() {
    if (session_ && session_->save()) {
        rememberDocument();
    }
}

void MainWindow::open() {
    if (session_ && session_->open()) {
        rememberDocument();
    }
}

void MainWindow::openRecent(const QString& path) {
    if (!session_) {
        return;
    }
    const QFileInfo file(path);
    if (!file.exists()) {
        recentFiles_.remove(path);
        openRecentMenu_->refresh();
        prompts_->showMessage(
            QStringLiteral("%1 is no longer there, so it has been taken off Open Recent.")
                .arg(file.fileName())
                .toStdString(),
            "Open Recent", file.absoluteFilePath().toStdString() + ": no such file");
        return;
    }
    // As a confirmed Open dialog does, but only once the file has opened: a question answered
    // Cancel or a file that does not load leaves the next dialog where it was.
    if (session_->openChosen(QFile::encodeName(file.absoluteFilePath()).toStdString())) {
        QDir::setCurrent(file.absolutePath());
        rememberDocument();
    }
}

void MainWindow::print() {
    if (!session_) {
        return;
    }
    EditorView& editor = session_->editor();
    editor.ensureTimeline();
    printScore(this, services_.runModal, *prompts_, editor.score(),
               engrave::titleForPath(session_->saveSuggestion()));
}

void MainWindow::exportPdf() {
    forSession(&EditorSession::exportPdf, &engrave::exportPdf);
}

void MainWindow::showKeyboardShortcuts() {
    QList<QMenu*> menus;
    for (const QAction* item : menuBar()->actions()) {
        if (item->menu() != nullptr) {
            menus << item->menu();
        }
    }
    corvane::showKeyboardShortcuts(this, services_.runModal, menus);
}

void MainWindow::showAbout() {
    corvane::showAbout(this, services_.runModal,
                       services_.soundInUse ? services_.soundInUse() : SoundInUse{});
}

void MainWindow::writeMidi() {
    forSession(&EditorSession::writeMidi);
}

void MainWindow::exportMusicXml() {
    forSession(&EditorSession::exportMusicXml);
}

void MainWindow::importMidi() {
    forSession(&EditorSession::importMidi);
}

void MainWindow::importMusicXml() {
    forSession(&EditorSession::importMusicXml);
}

void MainWindow::undo() {
    forSession(&EditorSession::undo);
}

void MainWindow::redo() {
    forSession(&EditorSession::redo);
}

void MainWindow::exportAudio() {
    if (!session_ || audioExport_ || !services_.renderAudio) {
        return;
    }
    audioExport_ =
        startAudioExport(this, services_.renderAudio, services_.runModal, session_->editor());
    if (audioExport_) {
        connect(audioExport_.get(), &AudioExportRun::finished, this, &MainWindow::exportFinished);
        exportAudioAction_->setEnabled(false);
    }
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
    if (session_->loadFile(QFile::encodeName(file.absoluteFilePath()).toStdString())) {
        rememberDocument();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (session_ && !session_->mayClose()) {
        event->ignore();
        return;
    }
    // Saved, or its changes given up: a normal end leaves no copy.
    if (recovery_) {
        recovery_->documentClosed();
    }
    teardown();
    event->accept();
}

void MainWindow::teardown() {
    // A running export has its own copy of the song; it is stopped, and leaves no file.
    audioExport_.reset();
    recoveryTimer_.stop();
    // Waits for a copy being written; one that exists stays for the next start.
    recovery_.reset();
    if (sound_) {
        sound_->stopReporting(*status_);
        sound_.reset();
    }
    client_->setSession(nullptr);
    session_.reset();
    // Without a session there is nothing to take back or make again.
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
}

void MainWindow::startRecovery() {
    if (services_.recoveryFolder.empty()) {
        return;
    }
    // Said once when writing starts failing; the store keeps trying.
    const auto sayProblem = [this](const std::string& problem) {
        if (!problem.empty()) {
            status_->showNotice(problem);
        }
    };
    recovery_ = std::make_unique<RecoveryWatch>(services_.recoveryFolder, sayProblem);
    const DocumentState document = session_->documentState();
    recovery_->documentChanged(document.revision, document.dirty);
    recoveryTimer_.setInterval(std::chrono::milliseconds(AutosavePolicy::kTickInterval));
    connect(&recoveryTimer_, &QTimer::timeout, this, &MainWindow::keepRecoveryCopy);
    recoveryTimer_.start();
}

void MainWindow::keepRecoveryCopy() {
    if (recovery_ && session_) {
        recovery_->tick(session_->editor().score(), session_->documentPath());
    }
}

void MainWindow::start(const QString& file) {
    bool restored = false;
    if (recovery_ && session_) {
        const RecoveryStart offered = offerRecoveredWork(
            this, services_.runModal, services_.recoveryFolder, *session_, *recovery_);
        restored = offered.restored;
        if (!offered.notice.empty()) {
            status_->showNotice(offered.notice);
        }
    }
    if (file.isEmpty()) {
        return;
    }
    if (restored) {
        status_->showNoticeText(
            QStringLiteral("%1 was not opened: the restored changes are shown instead.")
                .arg(QFileInfo(file).fileName()));
        return;
    }
    openFile(file);
}

}  // namespace corvane
