#pragma once
// One editing session: the editor, the player that sounds it and the score reader, built in that
// order when a window opens and destroyed in the same order when it closes, with the File and
// Edit commands, the close question, and the input of the window. Plain code over the editor's
// host: the desktop window and the headless replay both run exactly this. Listeners hear of
// every change to the document, however it came about.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/editor_host.h"
#include "editor/keyboard_keys.h"
#include "editor/playback_follow.h"
#include "engrave/page_settings.h"
#include "render/canvas.h"
#include "sound/device.h"

namespace corvane {

class EditorView;
class Score;
class Player;
class ScoreReader;

inline constexpr std::string_view kResourcesFailedMessage = "Couldn't load graphical objects.";
inline constexpr std::string_view kSaveChangesQuestion = "Save changes?";
inline constexpr std::string_view kSaveChangesCaption = "Corvane";

// The document as the session's listeners see it.
struct DocumentState {
    std::uint64_t revision = 0;  // changes whenever the score may have changed
    std::string path;            // the file last saved to or loaded from; empty for none
    bool dirty = false;          // the score has changes that have not been saved
    bool canUndo = false;
    bool canRedo = false;
    std::string undoText;  // the Edit menu's texts: "Undo Note Entry", or "Undo" for none
    std::string redoText;

    friend bool operator==(const DocumentState&, const DocumentState&) = default;
};

class EditorSession {
  public:
    using DocumentListener = std::function<void(const DocumentState&)>;
    // Writes the pages of a score, titled, with the settings given, as a PDF file at the path
    // given; raises FileError when it cannot. Qt's engrave::exportPdf, in practice.
    using PdfWriter = std::function<void(const Score&, const std::string& title,
                                         const engrave::PageSettings&, const std::string& path)>;

    // Builds the editor in `host`, then the player on `sound` (silent when null), which sounds
    // the editor's entries, then the score reader.
    EditorSession(EditorHost host, std::shared_ptr<SoundDevice> sound);
    // Destroys the editor, then the player (which stops playback first), then the reader.
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    EditorView& editor() const { return *editor_; }
    Player& player() const { return *player_; }
    const ScoreReader& reader() const { return *reader_; }
    // The file the score was last saved to or loaded from; empty for a score never saved or
    // opened.
    const std::string& documentPath() const { return documentPath_; }
    // The file the Save dialog suggests: the document's own file, or for an imported score the
    // MIDI file's name with ".cvn" (until the score is saved or another is loaded); else empty.
    const std::string& saveSuggestion() const {
        return documentPath_.empty() ? saveSuggestion_ : documentPath_;
    }
    // The document as it stands.
    DocumentState documentState() const;
    // Adds `listener`: it is told at once of the document as it stands, then after every input
    // and command that changed the document (its score, its file, its unsaved changes or its
    // undo history), once per change, on the window's thread.
    void addDocumentListener(DocumentListener listener);

    // Start-up: when the editor has no drawing resources, says so in an "Error" box and returns
    // true; the window then closes before any input reaches the editor.
    bool reportMissingResources() const;

    // Input, as the window hands it over, each to the editor (editor/editor_view.h).
    // The client area changed its size.
    void resize();
    void mouseMove(Point at);
    void mouseLeave();
    void click(Point at, bool rightButton);
    // The wheel turned `notches` notches at `at`, positive towards the user.
    void wheel(int notches, Point at);
    // The scroll bar moved the track area to `trackScroll` pixels.
    void scrollTracksTo(int trackScroll);
    void keyDown(KeyboardKey key);
    void keyUp(KeyboardKey key);
    // A typed character, or one a toolbar button posted: the entry tools; repaints when the
    // editor took it.
    void typed(char32_t c);
    // The sequencer's completion notice, handed to the window's thread: playback stops and the
    // view repaints.
    void playbackEnded();
    // The window's clock while the score plays (EditorView::followPlayback): the page turns with
    // the sound, and the marker the window draws over the score. The replay has no clock.
    std::optional<PlaybackMarker> followPlayback();

    // Save As: asks for a file name and writes the score there. True when the file was written;
    // the score is then clean. A cancelled dialog changes nothing; a failed write is shown in an
    // "Error" box and leaves the score and `dirty` as they were.
    bool save();
    // Save: writes the score over its own file, as Save As writes, without asking; a score
    // without a file (never saved, imported) is Save As. True when the file was written.
    bool quickSave();
    // New: on a dirty score first asks "Save changes?" as Open does, then starts the default
    // score as a window starts it: untitled, clean, with an empty history, playback stopped.
    // Repaints. True when the new score was started.
    bool newScore();
    // Every command that replaces the whole score with another (Open, New, the imports, a
    // restored copy) stops playback of the old one once the new one is there; one that fails
    // leaves the old score playing.
    // Open: on a dirty score first asks "Save changes?" (Yes saves and goes on only if the save
    // happened, No goes on, Cancel stops), then asks for a file and loads it. A file that cannot
    // be loaded is reported in an "Error" box with the reason, and nothing changes: not the
    // score, not `dirty`, not the view. After a load the score is clean and shown from measure 0.
    // Repaints. True when a score was loaded.
    bool open();
    // The loading half of Open, for a file chosen elsewhere (no question, no dialog): a file that
    // cannot be loaded is reported and changes nothing. Repaints. True when a score was loaded.
    bool loadFile(const std::string& path);
    // Open of a file chosen elsewhere (Open Recent): the question of Open, then loadFile().
    bool openChosen(const std::string& path);
    // Write Midi: asks for a file name and exports the whole score there as a Standard MIDI
    // File. `dirty` is unchanged and nothing is repainted; a failure is shown in an "Error" box.
    // True when the file was written.
    bool writeMidi();
    // Export MusicXML: asks for a file name and writes the score there as MusicXML, as Write
    // Midi writes its file: `dirty` is unchanged, a failure is shown in an "Error" box. True
    // when the file was written.
    bool exportMusicXml();
    // Import MIDI: on a dirty score first asks "Save changes?" as Open does, then asks for a MIDI
    // file and builds a score from it. A file that cannot be read or imported is reported in an
    // "Error" box naming it, and nothing changes. Otherwise the score replaces the current one as
    // after Open, but as a new one: dirty, without a documentPath, with the MIDI file's name as
    // the save suggestion; what the import approximated is reported until the user dismisses it
    // or the next import (StatusDisplay::showReport). Repaints. True when a score was imported.
    bool importMidi();
    // Import MusicXML: as Import MIDI, from a MusicXML file, plain or compressed.
    bool importMusicXml();
    // Export PDF: asks for the paper, orientation and tracks (the locale's paper, portrait and
    // the whole score at first), then for a file named after the score, and writes the pages
    // there through `write`, titled with the score's name. `dirty` is unchanged; a failure is
    // shown in an "Error" box naming the file and the cause. True when the file was written.
    bool exportPdf(const PdfWriter& write);
    // A score recovered after a crash replaces the current one as after Open, but with its
    // changes unsaved: dirty, belonging to the file `belongsTo` (empty for an untitled score).
    // Repaints.
    void restore(Score score, const std::string& belongsTo);
    // Edit menu: takes back the last step, or makes the next one again (editor/editor_view.h).
    void undo();
    void redo();
    // The close question: true when the window may close. A clean score closes at once; a dirty
    // one asks "Save changes?": Yes closes only if the save happened, No closes, Cancel keeps it.
    bool mayClose();

  private:
    // Tells the listeners, when it goes, of whatever the operation it guards changed.
    class ChangeNotice;

    // Tells the listeners of the document when it differs from what they were told last.
    void noticeChanges();
    // Asks "Save changes?" for a dirty score; true when the caller may go on.
    bool settleChanges();
    bool load(const std::string& path);
    // The importing half of Import MIDI and Import MusicXML: `read` builds the score from the
    // file at `path`, which then replaces the current one as a new, unsaved score.
    template <class Read>
    bool importWith(const std::string& path, Read read);
    bool importMidiFrom(const std::string& path);
    bool importMusicXmlFrom(const std::string& path);
    // Says what the import of `path` approximated, a line each (none: it was exact), as a report
    // that replaces the last import's.
    void reportImport(const std::string& path, const std::vector<std::string>& lines);
    // Puts `score` in the editor's hands in place of the old one, whose playback stops.
    void adopt(Score score);
    // Open and the imports: the question, the dialog of `kind`, then `take` on the chosen file;
    // repaints.
    bool replaceFromFile(FileDialogKind kind, bool (EditorSession::*take)(const std::string&));
    // The file dialog of `kind`; Save suggests saveSuggestion().
    std::optional<std::string> chooseFile(FileDialogKind kind) const;

    Prompts& prompts_;
    StatusDisplay& status_;
    std::unique_ptr<EditorView> editor_;
    std::unique_ptr<Player> player_;
    std::unique_ptr<ScoreReader> reader_;
    std::string documentPath_;
    std::string saveSuggestion_;
    std::vector<DocumentListener> listeners_;
    DocumentState told_;  // what the listeners were told last
};

}  // namespace corvane
