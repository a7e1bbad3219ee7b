#pragma once
// How the program's modal windows are run. The desktop runs them with exec(); tests pass a
// runner that answers the window directly, so that no modal loop ever waits for a person.

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <string_view>

namespace corvane {

// Runs `dialog` modally and returns its result code (for a QMessageBox, the button pressed).
using ModalRunner = std::function<int(QDialog& dialog)>;

// The runner of the desktop: QDialog::exec().
ModalRunner execModal();

// A question box with Yes and No, no icon, owned by `parent`; true for Yes.
bool askYesNo(QWidget* parent, std::string_view text, std::string_view caption,
              const ModalRunner& run);
// The same with Yes as the default button (Return); Escape answers No.
bool askYesNoDefaultYes(QWidget* parent, std::string_view text, std::string_view caption,
                        const ModalRunner& run);
// A question box with Yes, No and Cancel, no icon; closing the box counts as Cancel.
QMessageBox::StandardButton askYesNoCancel(QWidget* parent, std::string_view text,
                                           std::string_view caption, const ModalRunner& run);
// A box that only informs, with an OK button and the warning icon; a `detail` that is not empty
// is its informative text, beneath the main text.
void showWarning(QWidget* parent, std::string_view text, std::string_view caption,
                 const ModalRunner& run, std::string_view detail = {});
// The same with the information icon, for what the user asked to read.
void showInformation(QWidget* parent, std::string_view text, std::string_view caption,
                     const ModalRunner& run, std::string_view detail = {});

// A std::string_view as a QString (the program's texts are UTF-8).
QString toQString(std::string_view s);

}  // namespace corvane
