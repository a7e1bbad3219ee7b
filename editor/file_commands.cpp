#include "editor/file_commands.h"

#include <exception>
#include <optional>
#include <string>

#include "editor/editor_view.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/player.h"

namespace corvane {

namespace {

// Runs a file operation; a failure is shown to the user and reported as false. The window and
// the score outlive any error of the file layer.
template <class Operation>
bool reportFailures(EditorWindow& window, Operation&& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& error) {
        showError(window, error);
    }
    return false;
}

// Asks "Save changes?" for a dirty score; true when the caller may go on.
bool settleChanges(EditorView& editor, const ScoreReader& reader) {
    if (!editor.dirty()) {
        return true;
    }
    switch (editor.window().askYesNoCancel(kSaveChangesQuestion, kSaveChangesCaption)) {
        case Answer::Yes:
            return saveScore(editor, reader);
        case Answer::No:
            return true;
        case Answer::Cancel:
            break;
    }
    return false;
}

}  // namespace

void showError(EditorWindow& window, const std::exception& error) {
    const auto* fileError = dynamic_cast<const FileError*>(&error);
    window.showMessage(error.what(), kErrorCaption, fileError != nullptr ? fileError->detail() : "");
}

bool saveScore(EditorView& editor, const ScoreReader& reader) {
    const std::optional<std::string> path = editor.window().chooseFile(FileDialogKind::Save);
    if (!path) {
        return false;
    }
    if (!reportFailures(editor.window(), [&] { reader.save(*path, editor.score()); })) {
        return false;
    }
    editor.markSaved();
    return true;
}

namespace {

bool load(EditorView& editor, const ScoreReader& reader, const std::string& path) {
    // Load into a score of its own first, so that a file that is not loaded leaves the editor
    // exactly as it was.
    Score incoming;
    LoadResult result;
    if (!reportFailures(editor.window(), [&] { result = reader.load(path, incoming); })) {
        return false;
    }
    if (!result) {
        // The reason stays the message; the file it concerns goes beneath.
        editor.window().showMessage(result.reason, kErrorCaption, DataFile(path).path());
        return false;
    }
    editor.setLoadedScore(std::move(incoming));
    return true;
}

}  // namespace

bool openScore(EditorView& editor, const ScoreReader& reader) {
    bool loaded = false;
    if (settleChanges(editor, reader)) {
        if (const std::optional<std::string> path =
                editor.window().chooseFile(FileDialogKind::Open)) {
            loaded = load(editor, reader, *path);
        }
    }
    editor.invalidate();
    return loaded;
}

bool loadScoreFile(EditorView& editor, const ScoreReader& reader, const std::string& path) {
    const bool loaded = load(editor, reader, path);
    editor.invalidate();
    return loaded;
}

bool writeMidi(EditorView& editor) {
    const std::optional<std::string> path = editor.window().chooseFile(FileDialogKind::WriteMidi);
    if (!path) {
        return false;
    }
    editor.ensureTimeline();
    return reportFailures(editor.window(),
                          [&] { Player::writeMidiFile(*path, editor.score(), 0); });
}

bool closeQuery(EditorView& editor, const ScoreReader& reader) {
    return settleChanges(editor, reader);
}

}  // namespace corvane
