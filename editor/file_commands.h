#pragma once
// The File menu's commands and the close query, as plain code over the editor and its window:
// the desktop's menu and shortcuts and the headless replay run exactly these.

#include <exception>
#include <string>
#include <string_view>

namespace corvane {

class EditorView;
class EditorWindow;
class ScoreReader;

inline constexpr std::string_view kSaveChangesQuestion = "Save changes?";
inline constexpr std::string_view kSaveChangesCaption = "Corvane";
inline constexpr std::string_view kErrorCaption = "Error";

// Shows `error` in an "Error" box: its sentence, and beneath it, for a file error, the file and
// the cause ("/home/ana/a.cvn: permission denied").
void showError(EditorWindow& window, const std::exception& error);

// Save: asks for a file name and writes the score there. True when the file was written; the
// score is then clean. A cancelled dialog changes nothing; a failed write is shown in an "Error"
// box and leaves the score and `dirty` as they were.
bool saveScore(EditorView& editor, const ScoreReader& reader);

// Open: on a dirty score first asks "Save changes?" (Yes saves and goes on only if the save
// happened, No goes on, Cancel stops), then asks for a file and loads it. A file that cannot be
// loaded is reported in an "Error" box with the reason, and nothing changes: not the score, not
// `dirty`, not the view. After a load the score is clean and shown from measure 0. Repaints.
// True when a score was loaded.
bool openScore(EditorView& editor, const ScoreReader& reader);

// The loading half of Open, for a file chosen elsewhere (no question, no dialog): a file that
// cannot be loaded is reported and changes nothing. Repaints. True when a score was loaded.
bool loadScoreFile(EditorView& editor, const ScoreReader& reader, const std::string& path);

// Write Midi: asks for a file name and exports the whole score there as a Standard MIDI File.
// `dirty` is unchanged and nothing is repainted; a failure is shown in an "Error" box.
// True when the file was written.
bool writeMidi(EditorView& editor);

// The close query: true when the window may close. A clean score closes at once; a dirty one
// asks "Save changes?": Yes closes only if the save happened, No closes, Cancel keeps it open.
bool closeQuery(EditorView& editor, const ScoreReader& reader);

}  // namespace corvane
