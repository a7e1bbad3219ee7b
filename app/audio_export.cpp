#include "app/audio_export.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "app/file_dialogs.h"
#include "dialogs/modal.h"
#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "sound/player.h"

namespace corvane {

namespace {

constexpr int kSteps = 1000;

}  // namespace

ExportFailure unknownAudioType(const std::string& path) {
    const std::string extension = extensionOf(path);
    return {"Cannot export the audio file.",
            path + ": " +
                (extension.empty()
                     ? std::string("the name has no extension")
                     : "\"" + extension + "\" is not a sound file type Corvane writes") +
                " (use .wav, .flac or .ogg)"};
}

std::unique_ptr<AudioExportRun> startAudioExport(QWidget* window, const AudioRenderer& render,
                                                 const ModalRunner& runModal, EditorView& editor) {
    const std::optional<std::string> path = chooseAudioFile(window, runModal);
    if (!path) {
        return nullptr;
    }
    // The typed extension chooses the format, whatever file type the dialog showed.
    const std::optional<AudioFormat> format = audioFormatForPath(*path);
    if (!format) {
        const ExportFailure failure = unknownAudioType(*path);
        showWarning(window, failure.text, kErrorCaption, runModal, failure.detail);
        return nullptr;
    }
    editor.ensureTimeline();
    return std::make_unique<AudioExportRun>(
        window, render, Player::midiFileBytes(editor.score(), 0), *path, *format);
}

ExportFailure renderFailure(const std::exception& error) {
    const auto* render = dynamic_cast<const RenderError*>(&error);
    if (render == nullptr || render->file().empty()) {
        return {error.what(), {}};
    }
    return {"Cannot write the audio file.", render->file() + ": " + render->reason()};
}

void AudioExportRun::Monitor::progress(double done) {
    const int permille = static_cast<int>(std::lround(std::clamp(done, 0.0, 1.0) * kSteps));
    // Only a change reaches the window, as an event queued to its thread.
    if (run_.permille_.exchange(permille) != permille) {
        QMetaObject::invokeMethod(&run_, &AudioExportRun::showProgress, Qt::QueuedConnection);
    }
}

AudioExportRun::AudioExportRun(QWidget* window, AudioRenderer render,
                               std::vector<std::uint8_t> midi, std::string path,
                               AudioFormat format)
    : dialog_(std::make_unique<QProgressDialog>(
          QStringLiteral("Exporting %1...").arg(QFileInfo(QString::fromStdString(path)).fileName()),
          QStringLiteral("Cancel"), 0, kSteps, window)) {
    dialog_->setWindowTitle(QStringLiteral("Export Audio"));
    // The window stays live, but takes no edits while its score is being rendered.
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    // Cancel, and Escape or the close box, which only close the dialog.
    connect(dialog_.get(), &QProgressDialog::canceled, this, [this] { cancel_ = true; });
    connect(dialog_.get(), &QDialog::rejected, this, [this] { cancel_ = true; });
    dialog_->show();
    thread_ = std::thread([this, render = std::move(render), midi = std::move(midi),
                           path = std::move(path), format] {
        ExportFailure failed;
        bool cancelled = false;
        try {
            cancelled = !render(midi, path, format, monitor_);
        } catch (const std::exception& failure) {
            failed = renderFailure(failure);
        }
        QMetaObject::invokeMethod(
            this,
            [this, error = QString::fromStdString(failed.text),
             detail = QString::fromStdString(failed.detail),
             cancelled] { done(error, detail, cancelled); },
            Qt::QueuedConnection);
    });
}

AudioExportRun::~AudioExportRun() {
    cancel_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void AudioExportRun::showProgress() {
    dialog_->setValue(permille_);
}

void AudioExportRun::done(const QString& error, const QString& detail, bool cancelled) {
    thread_.join();
    dialog_->hide();
    emit finished(error, detail, cancelled);
}

}  // namespace corvane
