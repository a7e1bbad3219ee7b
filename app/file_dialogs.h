#pragma once
// The file dialogs of the File menu.

#include <QFileDialog>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/modal.h"
#include "editor/prompts.h"

namespace corvane {

// A file dialog of `kind`, owned by `parent`: Save, Write Midi and the exports ask for a new or
// existing file (confirming before overwriting), Open and the imports for an existing one;
// each shows only its own files, adds its extension to a name typed without one, and starts in
// the current directory, or, given a `currentFile`, in that file's folder with its name filled in.
std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, FileDialogKind kind,
                                            const std::string& currentFile = {});

// Runs the file dialog of `kind` (see makeFileDialog) through `run`. On a confirmed dialog the
// chosen file's folder becomes the current directory and the file's path is returned; nullopt
// when cancelled.
std::optional<std::string> chooseFile(QWidget* parent, FileDialogKind kind, const ModalRunner& run,
                                      const std::string& currentFile = {});

// The Export Audio dialog, owned by `parent`: a new or existing file (confirming before
// overwriting) among WAV, FLAC and Ogg Vorbis files; a name typed without an extension gets the
// one of the file type chosen in the dialog (WAV at first).
std::unique_ptr<QFileDialog> makeAudioFileDialog(QWidget* parent);

// Runs the Export Audio dialog through `run`, as chooseFile() runs the others.
std::optional<std::string> chooseAudioFile(QWidget* parent, const ModalRunner& run);

}  // namespace corvane
