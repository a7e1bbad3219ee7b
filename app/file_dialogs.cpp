#include "app/file_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, FileDialogKind kind) {
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
    return dialog;
}

std::optional<std::string> chooseFile(QWidget* parent, FileDialogKind kind,
                                      const ModalRunner& run) {
    const std::unique_ptr<QFileDialog> dialog = makeFileDialog(parent, kind);
    if (run(*dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo chosen(files.front());
    // The next dialog starts where this one ended, and the playback file follows there.
    QDir::setCurrent(chosen.absolutePath());
    return QFile::encodeName(chosen.absoluteFilePath()).toStdString();
}

}  // namespace corvane
