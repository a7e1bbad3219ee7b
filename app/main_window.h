#pragma once
// The main window: one top-level window with the File, Edit and Help menus, the client area in the
// middle, the track scroll bar at its right and the status line below. It opens an editing
// session (the editor, the player and the score reader) when it is created, follows the
// session's document in its title and Edit menu, and closes the session when it closes.

#include <QMainWindow>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "app/audio_export.h"
#include "app/client_area.h"
#include "app/help_windows.h"
#include "app/recent_files.h"
#include "app/window_status.h"
#include "dialogs/modal.h"
#include "editor/status_display.h"
#include "sound/device.h"

class QLabel;
class QScrollBar;

namespace corvane {

class ReportItem;
class EditorSession;
class EditorView;
class Player;
class RecoveryStore;
class RecoveryWatch;
class ScoreReader;
class WindowPrompts;
struct DocumentState;

// What the window takes from its surroundings; tests replace them.
struct WindowServices {
    // Runs every modal window: dialogs, question and error boxes, file dialogs.
    ModalRunner runModal = execModal();
    // Makes the editor's back buffer of w x h pixels; null when it cannot.
    ClientArea::CanvasFactory createCanvas;
    // Renders Export Audio's files; without it the command is unavailable.
    AudioRenderer renderAudio = {};
    // What the player sounds on, and whose status the window shows.
    std::shared_ptr<SoundDevice> sound = std::make_shared<SilentSoundDevice>();
    // Where recovery copies of unsaved work are kept, and looked for by start(); empty: the
    // window keeps none (only the desktop program gives one).
    std::filesystem::path recoveryFolder = {};
    // The settings file that keeps Open Recent between runs (defaultSettingsFile()); empty: the
    // list stays empty.
    QString settingsFile = {};
    // The soundfont and audio output the About window names; without it, no sound.
    std::function<SoundInUse()> soundInUse = {};
};

class MainWindow final : public QMainWindow {
    Q_OBJECT

  public:
    // Creates the window with its menus and frame, then the session; when the editor has no
    // drawing resources, says so and closes again.
    explicit MainWindow(WindowServices services = {});
    ~MainWindow() override;

    // The session and its long-lived objects; null once the window has closed.
    EditorSession* session() const { return session_.get(); }
    EditorView* editor() const;
    Player* player() const;
    const ScoreReader* scoreReader() const;
    ClientArea& clientArea() const { return *client_; }
    const WindowServices& services() const { return services_; }

    // Loads the score file at `path` as Open would after its dialog; the file's folder becomes
    // the current directory.
    void openFile(const QString& path);
    // At start, once the window is shown: offers back the recovery copies of editors that are no
    // longer running, newest first, until one is restored or none is left; then opens `file`
    // (when not empty), unless a copy was restored, which stays, with a notice that the file was
    // not opened.
    void start(const QString& file);
    // The store of this window's recovery copy; null without a recovery folder or once closed.
    RecoveryStore* recoveryStore() const;
    // The scroll bar beside the client area that moves the track area a track a step.
    QScrollBar& trackScrollBar() const { return status_->trackScrollBar(); }
    // The File menu's actions.
    QAction* newAction() const { return newAction_; }
    QAction* saveAction() const { return saveAction_; }
    QAction* saveAsAction() const { return saveAsAction_; }
    QAction* openAction() const { return openAction_; }
    RecentFilesMenu* openRecentMenu() const { return openRecentMenu_; }
    QAction* printAction() const { return printAction_; }
    QAction* exportPdfAction() const { return exportPdfAction_; }
    QAction* writeMidiAction() const { return writeMidiAction_; }
    QAction* exportMusicXmlAction() const { return exportMusicXmlAction_; }
    QAction* importMidiAction() const { return importMidiAction_; }
    QAction* importMusicXmlAction() const { return importMusicXmlAction_; }
    QAction* exportAudioAction() const { return exportAudioAction_; }
    QAction* exitAction() const { return exitAction_; }
    // The Edit menu's actions.
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }
    // The Help menu's actions.
    QAction* keyboardShortcutsAction() const { return keyboardShortcutsAction_; }
    QAction* aboutAction() const { return aboutAction_; }
    // The export under way, or null.
    AudioExportRun* audioExport() const { return audioExport_.get(); }
    // The report in the status bar (what an import approximated), hidden while there is none.
    ReportItem& report() const { return status_->report(); }

    // The status line and the track scroll bar, as the editor and the sound device tell them.
    WindowStatus& status() const { return *status_; }

  public slots:
    // The File commands. Each does nothing once the window has closed; a failure is shown in an
    // "Error" box. Exit is the close box's close, once the menu has finished.
    // New: asks first whether to save unsaved changes, then starts an untitled score.
    void newScore();
    // Save: writes the score over its file; asks for one as Save As does when it has none.
    void save();
    // Save As: asks for a score file and writes the score into it.
    void saveAs();
    // Open: asks first whether to save unsaved changes, then for a score file, and loads it.
    void open();
    // Open Recent: as Open, with the file chosen from the list; a file that is no longer there
    // is taken off the list, with a message naming it.
    void openRecent(const QString& path);
    // Print: the print dialog, then the pages through the printer.
    void print();
    // Export PDF: asks for the paper, orientation and tracks, then for a PDF file.
    void exportPdf();
    // Write Midi: asks for a MIDI file and writes the whole score into it.
    void writeMidi();
    // Export MusicXML: asks for a MusicXML file and writes the whole score into it.
    void exportMusicXml();
    // Import MIDI: asks first whether to save unsaved changes, then for a MIDI file, and makes
    // a new, unsaved score of it; what had to be approximated is reported in the status bar.
    void importMidi();
    // Import MusicXML: as Import MIDI, from a MusicXML file (.musicxml, .xml or .mxl).
    void importMusicXml();
    // Export Audio: asks for a sound file and renders the whole score into it, off the window's
    // thread, with a progress dialog.
    void exportAudio();
    // The Edit commands: take back the last step, make the next one again.
    void undo();
    void redo();
    // The Help commands: the keys and the mouse, and About.
    void showKeyboardShortcuts();
    void showAbout();

  protected:
    // The close query; a window allowed to close closes the session.
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void scrollTracks(int row);
    void exportFinished(const QString& error, const QString& detail, bool cancelled);
    void keepRecoveryCopy();

  private:
    void createFileMenu();
    void createEditMenu();
    void createHelpMenu();
    // Puts the document's file first in Open Recent.
    void rememberDocument();
    // Sizes the window so that the client area has the size it would have without the track
    // scroll bar and the status line.
    void sizeForClientArea();
    // The title, its unsaved-changes mark and the Edit menu, from the session's document.
    void showDocument(const DocumentState& document);
    void startRecovery();
    void teardown();
    // Runs a session command, once the window has a session and until it has closed.
    template <typename Command, typename... Args>
    void forSession(Command command, Args&&... args) {
        if (session_) {
            std::invoke(command, *session_, std::forward<Args>(args)...);
        }
    }

    WindowServices services_;
    // The device whose status the window shows, while it listens.
    std::shared_ptr<SoundDevice> sound_;
    ClientArea* client_;
    std::unique_ptr<WindowPrompts> prompts_;
    WindowStatus* status_;
    std::unique_ptr<EditorSession> session_;
    RecentFiles recentFiles_;
    std::string rememberedPath_;  // the document's file as Open Recent last took it
    QAction* newAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* openAction_ = nullptr;
    RecentFilesMenu* openRecentMenu_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* exportPdfAction_ = nullptr;
    QAction* writeMidiAction_ = nullptr;
    QAction* exportMusicXmlAction_ = nullptr;
    QAction* importMidiAction_ = nullptr;
    QAction* importMusicXmlAction_ = nullptr;
    QAction* exportAudioAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* keyboardShortcutsAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    std::unique_ptr<AudioExportRun> audioExport_;
    std::unique_ptr<RecoveryWatch> recovery_;
    QTimer recoveryTimer_;
};

}  // namespace corvane
