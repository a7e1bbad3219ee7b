#include "editor/editor_session.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "interchange/midi_import.h"
#include "interchange/musicxml_writer.h"
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

}  // namespace

EditorSession::EditorSession(EditorWindow& window, std::shared_ptr<SoundDevice> sound)
    : window_(window),
      editor_(std::make_unique<EditorView>(window)),
      player_(std::make_unique<Player>(std::move(sound))),
      reader_(std::make_unique<ScoreReader>()) {
    editor_->setPlayer(player_.get());
}

EditorSession::~EditorSession() {
    editor_.reset();
    player_.reset();
    reader_.reset();
}

bool EditorSession::reportMissingResources() const {
    if (!editor_->resourcesFailed()) {
        return false;
    }
    window_.showMessage(kResourcesFailedMessage, kErrorCaption, {});
    return true;
}

bool EditorSession::settleChanges() {
    if (!editor_->dirty()) {
        return true;
    }
    switch (window_.askYesNoCancel(kSaveChangesQuestion, kSaveChangesCaption)) {
        case Answer::Yes:
            return save();
        case Answer::No:
            return true;
        case Answer::Cancel:
            break;
    }
    return false;
}

bool EditorSession::save() {
    const std::optional<std::string> path = window_.chooseFile(FileDialogKind::Save);
    if (!path) {
        return false;
    }
    if (!reportFailures(window_, [&] { reader_->save(*path, editor_->score()); })) {
        return false;
    }
    editor_->markSaved();
    documentPath_ = *path;
    saveSuggestion_.clear();
    return true;
}

bool EditorSession::load(const std::string& path) {
    // Load into a score of its own first, so that a file that is not loaded leaves the editor
    // exactly as it was.
    Score incoming;
    LoadResult result;
    if (!reportFailures(window_, [&] { result = reader_->load(path, incoming); })) {
        return false;
    }
    if (!result) {
        // The reason stays the message; the file it concerns goes beneath.
        window_.showMessage(result.reason, kErrorCaption, DataFile(path).path());
        return false;
    }
    editor_->setLoadedScore(std::move(incoming));
    documentPath_ = path;
    saveSuggestion_.clear();
    return true;
}

bool EditorSession::replaceFromFile(FileDialogKind kind,
                                    bool (EditorSession::*take)(const std::string&)) {
    bool taken = false;
    if (settleChanges()) {
        if (const std::optional<std::string> path = window_.chooseFile(kind)) {
            taken = (this->*take)(*path);
        }
    }
    editor_->invalidate();
    return taken;
}

bool EditorSession::open() {
    return replaceFromFile(FileDialogKind::Open, &EditorSession::load);
}

bool EditorSession::loadFile(const std::string& path) {
    const bool loaded = load(path);
    editor_->invalidate();
    return loaded;
}

bool EditorSession::writeMidi() {
    const std::optional<std::string> path = window_.chooseFile(FileDialogKind::WriteMidi);
    if (!path) {
        return false;
    }
    editor_->ensureTimeline();
    return reportFailures(window_,
                          [&] { Player::writeMidiFile(*path, editor_->score(), 0); });
}

bool EditorSession::exportMusicXml() {
    const std::optional<std::string> path = window_.chooseFile(FileDialogKind::ExportMusicXml);
    if (!path) {
        return false;
    }
    editor_->ensureTimeline();
    return reportFailures(window_, [&] { writeMusicXmlFile(*path, editor_->score()); });
}

bool EditorSession::import(const std::string& path) {
    MidiImport imported;
    try {
        imported = importMidiFile(path);
    } catch (const ImportError& error) {
        // As for a score file that does not load: the reason, and beneath it the file.
        window_.showMessage(error.what(), kErrorCaption, DataFile(path).path());
        return false;
    } catch (const std::exception& error) {
        showError(window_, error);
        return false;
    }
    editor_->setLoadedScore(std::move(imported.score));
    editor_->markUnsaved();
    documentPath_.clear();
    saveSuggestion_ = std::filesystem::path(path).replace_extension(".cvn").string();
    std::string report;
    for (const std::string& line : imported.report) {
        report += (report.empty() ? "" : " ") + line;
    }
    if (!report.empty()) {
        window_.showNotice(report);
    }
    return true;
}

bool EditorSession::importMidi() {
    return replaceFromFile(FileDialogKind::ImportMidi, &EditorSession::import);
}

void EditorSession::restore(Score score, const std::string& belongsTo) {
    editor_->setLoadedScore(std::move(score));
    editor_->markUnsaved();
    documentPath_ = belongsTo;
    saveSuggestion_.clear();
    editor_->invalidate();
}

bool EditorSession::mayClose() {
    return settleChanges();
}

}  // namespace corvane
