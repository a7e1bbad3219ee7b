#include "app/file_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, FileDialogKind kind,
                                            const std::string& currentFile) {
    const bool save = kind != FileDialogKind::Open;
    const bool midi = kind == FileDialogKind::WriteMidi;
    auto dialog = std::make_unique<QFileDialog>(
        parent, save ? QStringLiteral("Save As") : QStringLiteral("Open"), QDir::currentPath());
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilter(midi ? QStringLiteral("Midi files (*.mid)")
                               : QStringLiteral("Corvane files (*.cvn)"));
    dialog->setDefaultSuffix(midi ? QStringLiteral("mid") : QStringLiteral("cvn"));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!currentFile.empty()) {
        const QFileInfo file(QFile::decodeName(currentFile.c_str()));
        dialog->setDirectory(file.absolutePath());
        dialog->selectFile(file.fileName());
    }
    return dialog;
}

namespace {

// The name filters of the sound file types, each with its extension.
struct AudioFilter {
    const char* filter;
    const char* suffix;
};
constexpr AudioFilter kAudioFilters[] = {{"WAV audio (*.wav)", "wav"},
                                         {"FLAC audio (*.flac)", "flac"},
                                         {"Ogg Vorbis audio (*.ogg)", "ogg"}};

// The file a dialog run through `run` was confirmed with; its folder becomes the current one.
std::optional<std::string> runForFile(QFileDialog& dialog, const ModalRunner& run) {
    if (run(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo chosen(files.front());
    // The next dialog starts where this one ended, and the playback file follows there.
    QDir::setCurrent(chosen.absolutePath());
    return QFile::encodeName(chosen.absoluteFilePath()).toStdString();
}

}  // namespace

std::optional<std::string> chooseFile(QWidget* parent, FileDialogKind kind, const ModalRunner& run,
                                      const std::string& currentFile) {
    return runForFile(*makeFileDialog(parent, kind, currentFile), run);
}

std::unique_ptr<QFileDialog> makeAudioFileDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Export Audio"),
                                                QDir::currentPath());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const AudioFilter& f : kAudioFilters) {
        filters << QString::fromLatin1(f.filter);
    }
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(QString::fromLatin1(kAudioFilters[0].suffix));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    QFileDialog* d = dialog.get();
    QObject::connect(d, &QFileDialog::filterSelected, d, [d](const QString& chosen) {
        for (const AudioFilter& f : kAudioFilters) {
            if (chosen == QLatin1String(f.filter)) {
                d->setDefaultSuffix(QString::fromLatin1(f.suffix));
            }
        }
    });
    return dialog;
}

std::optional<std::string> chooseAudioFile(QWidget* parent, const ModalRunner& run) {
    return runForFile(*makeAudioFileDialog(parent), run);
}

}  // namespace corvane
