#include "app/file_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

namespace {

// What a file dialog of one kind shows and asks for; the extension it adds is its kind's own.
struct DialogLook {
    const char* title;
    bool save;
    const char* filter;
};

DialogLook lookOf(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::Save:
            break;
        case FileDialogKind::Open:
            return {"Open", false, "Corvane files (*.cvn)"};
        case FileDialogKind::WriteMidi:
            return {"Save As", true, "Midi files (*.mid)"};
        case FileDialogKind::ExportMusicXml:
            return {"Export MusicXML", true, "MusicXML files (*.musicxml)"};
        case FileDialogKind::ImportMidi:
            return {"Import MIDI", false, "MIDI files (*.mid *.midi)"};
        case FileDialogKind::ImportMusicXml:
            return {"Import MusicXML", false, "MusicXML files (*.musicxml *.xml *.mxl)"};
        case FileDialogKind::ExportPdf:
            return {"Export PDF", true, "PDF files (*.pdf)"};
    }
    return {"Save As", true, "Corvane files (*.cvn)"};
}

}  // namespace

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, FileDialogKind kind,
                                            const std::string& currentFile) {
    const DialogLook look = lookOf(kind);
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromLatin1(look.title),
                                                QDir::currentPath());
    dialog->setAcceptMode(look.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(look.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilter(QString::fromLatin1(look.filter));
    // Qt takes the suffix without its dot.
    const std::string_view extension = fileDialogExtension(kind).substr(1);
    dialog->setDefaultSuffix(
        QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size())));
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
