#pragma once
// One editing session: the editor, the player that sounds it and the score reader, built in that
// order when a window opens and destroyed in the same order when it closes, with the File
// commands and the close question. Plain code over the editor's window: the desktop window and
// the headless replay both run exactly this.

#include <memory>
#include <string>
#include <string_view>

#include "sound/device.h"

namespace corvane {

class EditorView;
class Score;
enum class FileDialogKind;
class EditorWindow;
class Player;
class ScoreReader;

inline constexpr std::string_view kResourcesFailedMessage = "Couldn't load graphical objects.";
inline constexpr std::string_view kSaveChangesQuestion = "Save changes?";
inline constexpr std::string_view kSaveChangesCaption = "Corvane";

class EditorSession {
  public:
    // Builds the editor in `window`, then the player on `sound` (silent when null), which sounds
    // the editor's entries, then the score reader.
    EditorSession(EditorWindow& window, std::shared_ptr<SoundDevice> sound);
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

    // Start-up: when the editor has no drawing resources, says so in an "Error" box and returns
    // true; the window then closes before any input reaches the editor.
    bool reportMissingResources() const;

    // Save: asks for a file name and writes the score there. True when the file was written; the
    // score is then clean. A cancelled dialog changes nothing; a failed write is shown in an
    // "Error" box and leaves the score and `dirty` as they were.
    bool save();
    // Open: on a dirty score first asks "Save changes?" (Yes saves and goes on only if the save
    // happened, No goes on, Cancel stops), then asks for a file and loads it. A file that cannot
    // be loaded is reported in an "Error" box with the reason, and nothing changes: not the
    // score, not `dirty`, not the view. After a load the score is clean and shown from measure 0.
    // Repaints. True when a score was loaded.
    bool open();
    // The loading half of Open, for a file chosen elsewhere (no question, no dialog): a file that
    // cannot be loaded is reported and changes nothing. Repaints. True when a score was loaded.
    bool loadFile(const std::string& path);
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
    // the save suggestion; what the import approximated is said once as a notice. Repaints.
    // True when a score was imported.
    bool importMidi();
    // A score recovered after a crash replaces the current one as after Open, but with its
    // changes unsaved: dirty, belonging to the file `belongsTo` (empty for an untitled score).
    // Repaints.
    void restore(Score score, const std::string& belongsTo);
    // The close question: true when the window may close. A clean score closes at once; a dirty
    // one asks "Save changes?": Yes closes only if the save happened, No closes, Cancel keeps it.
    bool mayClose();

  private:
    // Asks "Save changes?" for a dirty score; true when the caller may go on.
    bool settleChanges();
    bool load(const std::string& path);
    bool import(const std::string& path);
    // Open and Import MIDI: the question, the dialog of `kind`, then `take` on the chosen file;
    // repaints.
    bool replaceFromFile(FileDialogKind kind, bool (EditorSession::*take)(const std::string&));

    EditorWindow& window_;
    std::unique_ptr<EditorView> editor_;
    std::unique_ptr<Player> player_;
    std::unique_ptr<ScoreReader> reader_;
    std::string documentPath_;
    std::string saveSuggestion_;
};

}  // namespace corvane
