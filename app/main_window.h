#pragma once
// The main window: one top-level window with the File and Edit menus, and the client area through which
// every input event reaches the editor. It opens an editing session (the editor, the player and
// the score reader) when it is created and closes it when it closes.

#include <cstdint>
#include <QMainWindow>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/audio_export.h"
#include "dialogs/modal.h"
#include "editor/editor_window.h"
#include "score/score.h"
#include "sound/device.h"

class QHelpEvent;
class QLabel;
class QScrollBar;

namespace corvane {

class EditorSession;
class EditorView;
class RecoveryStore;
class Player;
class ScoreReader;
class MainWindow;

// What the window takes from its surroundings; tests replace them.
struct WindowServices {
    // Runs every modal window: dialogs, question and error boxes, file dialogs.
    ModalRunner runModal = execModal();
    // Makes the editor's back buffer of w x h pixels; null when it cannot.
    std::function<std::unique_ptr<Canvas>(int width, int height)> createCanvas;
    // Renders Export Audio's files; without it the command is unavailable.
    AudioRenderer renderAudio = {};
    // What the player sounds on, and whose status the window shows.
    std::shared_ptr<SoundDevice> sound = std::make_shared<SilentSoundDevice>();
    // Where recovery copies of unsaved work are kept, and looked for by start(); empty: the
    // window keeps none (only the desktop program gives one).
    std::filesystem::path recoveryFolder = {};
};

// The client area: it is the editor's window, and hands it every size, paint, mouse and key
// event. Once the editor is gone the events go nowhere.
class ClientArea final : public QWidget, public EditorWindow {
    Q_OBJECT

  public:
    ClientArea(MainWindow& shell, const WindowServices& services);

    // A leave notice has been asked for and has not yet come.
    bool mouseTracking() const { return mouseTracking_; }

    void invalidate() override;
    void invalidateRect(const Rect& r) override;
    Rect clientRect() const override;
    void showCursor() override;
    Point cursorPos() const override;
    void postChar(char32_t c) override;
    void showStatus(std::string_view text) override;
    void showNotice(std::string_view text) override;
    void showTrackScroll(int trackScroll, int maxTrackScroll) override;
    std::unique_ptr<Canvas> createCanvas(int width, int height) override;
    void present(const Canvas& backBuffer, int width, int height) override;
    void runTrackDialog(TrackDialogModel& model) override;
    void runDrumTrackDialog(DrumTrackDialogModel& model) override;
    void runMeasureDialog(MeasureDialogModel& model) override;
    void runDynamicDialog(DynamicDialogModel& model) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    Answer askYesNoCancel(std::string_view text, std::string_view caption) override;
    void showMessage(std::string_view text, std::string_view caption,
                     std::string_view detail) override;
    std::optional<std::string> chooseFile(FileDialogKind kind) override;
    // Called on any thread: hands the notice to the window's thread.
    void notifyPlaybackDone() override;

  signals:
    // The editor's status line text changed.
    void statusChanged(const QString& text);
    // The editor has something to say once in the status line.
    void noticeGiven(const QString& text);
    // The track area's scroll or its range changed, or the client area was resized.
    void trackScrollChanged(int trackScroll, int maxTrackScroll);

  protected:
    // Answers tooltip requests over the painted toolbar.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The wheel scrolls the track area a track a notch.
    void wheelEvent(QWheelEvent* event) override;
    // Tab and Backtab are keys like any other here, not focus moves.
    bool focusNextPrevChild(bool next) override;

  private:
    void playbackDone();
    // The editor while it exists, else null.
    EditorView* liveEditor() const;
    void typed(char32_t c);
    void showToolbarTip(const QHelpEvent& help);

    MainWindow& shell_;
    const WindowServices& services_;
    bool mouseTracking_ = false;
    bool painting_ = false;
    int wheelTurn_ = 0;  // wheel turn not yet making a whole notch, in eighths of a degree
};

class MainWindow final : public QMainWindow, public StatusTarget {
    Q_OBJECT

  public:
    // Creates the window with its menu, then the session; when the editor has no drawing
    // resources, says so and closes again.
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
    RecoveryStore* recoveryStore() const { return recovery_.get(); }
    // Called on any thread: a sound device without sound says so at the right of the status
    // line; the client area keeps its size.
    void soundStatusKnown(const std::string& problem) override;
    // The scroll bar beside the client area that moves the track area a track a step.
    QScrollBar& trackScrollBar() const { return *trackScrollBar_; }
    // The File menu's actions.
    QAction* saveAction() const { return saveAction_; }
    QAction* openAction() const { return openAction_; }
    QAction* writeMidiAction() const { return writeMidiAction_; }
    QAction* exportMusicXmlAction() const { return exportMusicXmlAction_; }
    QAction* importMidiAction() const { return importMidiAction_; }
    QAction* exportAudioAction() const { return exportAudioAction_; }
    QAction* exitAction() const { return exitAction_; }
    // The Edit menu's actions.
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }
    // Brings the title, its unsaved-changes mark and the Edit menu up to date with the session;
    // called after everything that may change the score, its file or its history.
    void refreshDocumentState();
    // The export under way, or null.
    AudioExportRun* audioExport() const { return audioExport_.get(); }

  public slots:
    // The File commands. Each does nothing once the window has closed; a failure is shown in an
    // "Error" box. Exit is the close box's close, once the menu has finished.
    // Save: asks for a score file and writes the score into it.
    void save();
    // Open: asks first whether to save unsaved changes, then for a score file, and loads it.
    void open();
    // Write Midi: asks for a MIDI file and writes the whole score into it.
    void writeMidi();
    // Export MusicXML: asks for a MusicXML file and writes the whole score into it.
    void exportMusicXml();
    // Import MIDI: asks first whether to save unsaved changes, then for a MIDI file, and makes
    // a new, unsaved score of it; what had to be approximated is said in the status line.
    void importMidi();
    // Says `text` in the status line for a while, over the hover text, without stopping the
    // user.
    void showNotice(const QString& text);
    // Export Audio: asks for a sound file and renders the whole score into it, off the window's
    // thread, with a progress dialog.
    void exportAudio();
    // The Edit commands: take back the last step, make the next one again.
    void undo();
    void redo();

  protected:
    // The close query; a window allowed to close closes the session.
    void closeEvent(QCloseEvent* event) override;
    // Watches the application's input events: after each, the score is checked for changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createActions();
    // The client area with the track scroll bar at its right, and the status line below; the
    // window is sized so that the client area has the size it would have without them.
    void buildViewFrame();
    void showTrackScroll(int trackScroll, int maxTrackScroll);
    void teardown();
    void showSoundProblem(const QString& text);
    void exportFinished(const QString& error, const QString& detail, bool cancelled);
    void startRecovery();
    // Tells the recovery store whether the score has changed since the last look, or is clean.
    void noteChanges();
    void keepRecoveryCopy();
    // The questions at start; true when a copy was restored.
    bool offerRecoveredWork();

    WindowServices services_;
    // The device whose status the window shows, while it listens.
    std::shared_ptr<SoundDevice> sound_;
    ClientArea* client_;
    QScrollBar* trackScrollBar_ = nullptr;
    QLabel* hoverStatus_ = nullptr;
    std::unique_ptr<EditorSession> session_;
    QAction* saveAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* writeMidiAction_ = nullptr;
    QAction* exportMusicXmlAction_ = nullptr;
    QAction* importMidiAction_ = nullptr;
    QAction* exportAudioAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    std::unique_ptr<AudioExportRun> audioExport_;
    std::unique_ptr<RecoveryStore> recovery_;
    QTimer recoveryTimer_;
    bool changeCheckQueued_ = false;
    bool sawDirty_ = false;
    // The score revision last told to the store while dirty, to see whether an event changed it.
    std::uint64_t lastRevision_ = 0;
};

}  // namespace corvane
