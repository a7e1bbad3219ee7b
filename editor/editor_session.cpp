#include "editor/editor_session.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "engrave/engraving.h"
#include "engrave/staff_names.h"
#include "interchange/import_error.h"
#include "interchange/midi_import.h"
#include "interchange/musicxml_import.h"
#include "interchange/musicxml_writer.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/player.h"

namespace corvane {

namespace {

// Runs a file operation; a failure is shown to the user and reported as false. The window and
// the score outlive any error of the file layer.
template <class Operation>
bool reportFailures(Prompts& prompts, Operation&& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& error) {
        showError(prompts, error);
    }
    return false;
}

}  // namespace

class EditorSession::ChangeNotice {
  public:
    explicit ChangeNotice(EditorSession& session) : session_(session) {}
    ~ChangeNotice() { session_.noticeChanges(); }
    ChangeNotice(const ChangeNotice&) = delete;
    ChangeNotice& operator=(const ChangeNotice&) = delete;

  private:
    EditorSession& session_;
};

EditorSession::EditorSession(EditorHost host, std::shared_ptr<SoundDevice> sound)
    : prompts_(host.prompts),
      status_(host.status),
      editor_(std::make_unique<EditorView>(host)),
      player_(std::make_unique<Player>(std::move(sound))),
      reader_(std::make_unique<ScoreReader>()) {
    editor_->setPlayer(player_.get());
    told_ = documentState();
}

EditorSession::~EditorSession() {
    editor_.reset();
    player_.reset();
    reader_.reset();
}

DocumentState EditorSession::documentState() const {
    const EditHistory& history = editor_->history();
    return DocumentState{editor_->revision(), documentPath_,     editor_->dirty(),
                         history.canUndo(),   history.canRedo(), history.undoText(),
                         history.redoText()};
}

void EditorSession::addDocumentListener(DocumentListener listener) {
    listener(documentState());
    listeners_.push_back(std::move(listener));
}

void EditorSession::noticeChanges() {
    DocumentState now = documentState();
    if (now == told_) {
        return;
    }
    told_ = std::move(now);
    // By index: a listener may add another.
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
        listeners_[i](told_);
    }
}

bool EditorSession::reportMissingResources() const {
    if (!editor_->resourcesFailed()) {
        return false;
    }
    prompts_.showMessage(kResourcesFailedMessage, kErrorCaption, {});
    return true;
}

void EditorSession::resize() {
    const ChangeNotice notice(*this);
    editor_->onResize();
}

void EditorSession::mouseMove(Point at) {
    const ChangeNotice notice(*this);
    editor_->updateHover(at.x, at.y);
}

void EditorSession::mouseLeave() {
    const ChangeNotice notice(*this);
    editor_->onMouseLeave();
}

void EditorSession::click(Point at, bool rightButton) {
    const ChangeNotice notice(*this);
    editor_->onClick(at.x, at.y, rightButton);
}

void EditorSession::wheel(int notches, Point at) {
    const ChangeNotice notice(*this);
    editor_->onWheel(notches, at.x, at.y);
}

void EditorSession::scrollTracksTo(int trackScroll) {
    const ChangeNotice notice(*this);
    editor_->setTrackScroll(trackScroll);
}

void EditorSession::keyDown(KeyboardKey key) {
    const ChangeNotice notice(*this);
    editor_->onKeyDown(key);
}

void EditorSession::keyUp(KeyboardKey key) {
    const ChangeNotice notice(*this);
    editor_->onKeyUp(key);
}

void EditorSession::typed(char32_t c) {
    const ChangeNotice notice(*this);
    if (editor_->onChar(c)) {
        editor_->invalidate();
    }
}

void EditorSession::playbackEnded() {
    const ChangeNotice notice(*this);
    player_->stop();
    editor_->invalidate();
}

std::optional<PlaybackMarker> EditorSession::followPlayback() {
    const ChangeNotice notice(*this);
    return editor_->followPlayback();
}

bool EditorSession::settleChanges() {
    if (!editor_->dirty()) {
        return true;
    }
    switch (prompts_.askYesNoCancel(kSaveChangesQuestion, kSaveChangesCaption)) {
        case Answer::Yes:
            return save();
        case Answer::No:
            return true;
        case Answer::Cancel:
            break;
    }
    return false;
}

std::optional<std::string> EditorSession::chooseFile(FileDialogKind kind) const {
    // Save offers the file the score came from or went to last, or the name an import suggests.
    return prompts_.chooseFile(kind,
                               kind == FileDialogKind::Save ? saveSuggestion() : std::string());
}

bool EditorSession::save() {
    const ChangeNotice notice(*this);
    const std::optional<std::string> path = chooseFile(FileDialogKind::Save);
    if (!path) {
        return false;
    }
    if (!reportFailures(prompts_, [&] { reader_->save(*path, editor_->score()); })) {
        return false;
    }
    editor_->markSaved();
    documentPath_ = *path;
    saveSuggestion_.clear();
    return true;
}

bool EditorSession::quickSave() {
    if (documentPath_.empty()) {
        return save();
    }
    const ChangeNotice notice(*this);
    if (!reportFailures(prompts_, [&] { reader_->save(documentPath_, editor_->score()); })) {
        return false;
    }
    editor_->markSaved();
    return true;
}

void EditorSession::adopt(Score score) {
    player_->stop();
    editor_->setLoadedScore(std::move(score));
}

bool EditorSession::newScore() {
    const ChangeNotice notice(*this);
    if (!settleChanges()) {
        return false;
    }
    adopt(Score());
    documentPath_.clear();
    saveSuggestion_.clear();
    // Filled to the width of the view, as the first size change of a window fills it.
    editor_->onResize();
    return true;
}

bool EditorSession::load(const std::string& path) {
    // Load into a score of its own first, so that a file that is not loaded leaves the editor
    // exactly as it was.
    Score incoming;
    LoadResult result;
    if (!reportFailures(prompts_, [&] { result = reader_->load(path, incoming); })) {
        return false;
    }
    if (!result) {
        // The reason stays the message; the file it concerns goes beneath.
        prompts_.showMessage(result.reason, kErrorCaption, DataFile(path).path());
        return false;
    }
    adopt(std::move(incoming));
    documentPath_ = path;
    saveSuggestion_.clear();
    return true;
}

bool EditorSession::replaceFromFile(FileDialogKind kind,
                                    bool (EditorSession::*take)(const std::string&)) {
    const ChangeNotice notice(*this);
    bool taken = false;
    if (settleChanges()) {
        if (const std::optional<std::string> path = chooseFile(kind)) {
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
    const ChangeNotice notice(*this);
    const bool loaded = load(path);
    editor_->invalidate();
    return loaded;
}

bool EditorSession::openChosen(const std::string& path) {
    const ChangeNotice notice(*this);
    const bool loaded = settleChanges() && load(path);
    editor_->invalidate();
    return loaded;
}

bool EditorSession::writeMidi() {
    const std::optional<std::string> path = chooseFile(FileDialogKind::WriteMidi);
    if (!path) {
        return false;
    }
    const ChangeNotice notice(*this);
    editor_->ensureTimeline();
    return reportFailures(prompts_, [&] { Player::writeMidiFile(*path, editor_->score(), 0); });
}

bool EditorSession::exportMusicXml() {
    const std::optional<std::string> path = chooseFile(FileDialogKind::ExportMusicXml);
    if (!path) {
        return false;
    }
    const ChangeNotice notice(*this);
    editor_->ensureTimeline();
    return reportFailures(prompts_, [&] { writeMusicXmlFile(*path, editor_->score()); });
}

template <class Read>
bool EditorSession::importWith(const std::string& path, Read read) {
    Score score;
    std::vector<std::string> lines;
    try {
        auto imported = read(path);
        score = std::move(imported.score);
        lines = std::move(imported.report);
    } catch (const ImportError& error) {
        // As for a score file that does not load: the reason, and beneath it the file.
        prompts_.showMessage(error.what(), kErrorCaption, DataFile(path).path());
        return false;
    } catch (const std::exception& error) {
        showError(prompts_, error);
        return false;
    }
    adopt(std::move(score));
    editor_->markUnsaved();
    documentPath_.clear();
    saveSuggestion_ = std::filesystem::path(path).replace_extension(".cvn").string();
    reportImport(path, lines);
    return true;
}

void EditorSession::reportImport(const std::string& path, const std::vector<std::string>& lines) {
    std::string details;
    for (const std::string& line : lines) {
        details += (details.empty() ? "" : "\n") + line;
    }
    // An exact import takes away the report of the one before.
    const std::string summary =
        lines.empty() ? std::string()
                      : std::filesystem::path(path).filename().string() +
                            ": imported with approximations";
    status_.showReport(summary, details);
}

bool EditorSession::importMidiFrom(const std::string& path) {
    return importWith(path, &importMidiFile);
}

bool EditorSession::importMusicXmlFrom(const std::string& path) {
    return importWith(path, &importMusicXmlFile);
}

bool EditorSession::importMidi() {
    return replaceFromFile(FileDialogKind::ImportMidi, &EditorSession::importMidiFrom);
}

bool EditorSession::importMusicXml() {
    return replaceFromFile(FileDialogKind::ImportMusicXml, &EditorSession::importMusicXmlFrom);
}

bool EditorSession::exportPdf(const PdfWriter& write) {
    PdfExportChoice choice;
    choice.settings.paper = engrave::localePaper();
    for (const Track& track : editor_->score().tracks) {
        choice.tracks.push_back(engrave::fullStaffName(track));
    }
    const std::string& named = saveSuggestion();
    choice.path = std::filesystem::path(named.empty() ? engrave::titleForPath(named) : named)
                      .replace_extension(".pdf")
                      .string();
    if (!prompts_.choosePdfExport(choice)) {
        return false;
    }
    const ChangeNotice notice(*this);
    editor_->ensureTimeline();
    return reportFailures(prompts_, [&] {
        write(editor_->score(), engrave::titleForPath(named), choice.settings, choice.path);
    });
}

void EditorSession::restore(Score score, const std::string& belongsTo) {
    const ChangeNotice notice(*this);
    adopt(std::move(score));
    editor_->markUnsaved();
    documentPath_ = belongsTo;
    saveSuggestion_.clear();
    editor_->invalidate();
}

void EditorSession::undo() {
    const ChangeNotice notice(*this);
    editor_->undo();
}

void EditorSession::redo() {
    const ChangeNotice notice(*this);
    editor_->redo();
}

bool EditorSession::mayClose() {
    const ChangeNotice notice(*this);
    return settleChanges();
}

}  // namespace corvane
