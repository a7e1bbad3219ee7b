#include "dialogs/modal.h"

namespace corvane {

ModalRunner execModal() {
    return [](QDialog& dialog) { return dialog.exec(); };
}

QString toQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

namespace {

QMessageBox::StandardButton runBox(QWidget* parent, QMessageBox::Icon icon, std::string_view text,
                                   std::string_view caption, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton escapeAnswer, const ModalRunner& run,
                                   std::string_view detail = {},
                                   QMessageBox::StandardButton defaultAnswer = QMessageBox::NoButton) {
    QMessageBox box(icon, toQString(caption), toQString(text), buttons, parent);
    box.setEscapeButton(escapeAnswer);
    if (defaultAnswer != QMessageBox::NoButton) {
        box.setDefaultButton(defaultAnswer);
    }
    if (!detail.empty()) {
        box.setInformativeText(toQString(detail));
    }
    const int result = run(box);
    // A box closed without one of its buttons gives a result that is none of them.
    const auto answer = static_cast<QMessageBox::StandardButton>(result);
    return buttons.testFlag(answer) ? answer : escapeAnswer;
}

}  // namespace

bool askYesNo(QWidget* parent, std::string_view text, std::string_view caption,
              const ModalRunner& run) {
    return runBox(parent, QMessageBox::NoIcon, text, caption, QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::No, run) == QMessageBox::Yes;
}

bool askYesNoDefaultYes(QWidget* parent, std::string_view text, std::string_view caption,
                        const ModalRunner& run) {
    return runBox(parent, QMessageBox::NoIcon, text, caption, QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::No, run, {}, QMessageBox::Yes) == QMessageBox::Yes;
}

QMessageBox::StandardButton askYesNoCancel(QWidget* parent, std::string_view text,
                                           std::string_view caption, const ModalRunner& run) {
    return runBox(parent, QMessageBox::NoIcon, text, caption,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel,
                  run);
}

void showWarning(QWidget* parent, std::string_view text, std::string_view caption,
                 const ModalRunner& run, std::string_view detail) {
    runBox(parent, QMessageBox::Warning, text, caption, QMessageBox::Ok, QMessageBox::Ok, run,
           detail);
}

void showInformation(QWidget* parent, std::string_view text, std::string_view caption,
                     const ModalRunner& run, std::string_view detail) {
    runBox(parent, QMessageBox::Information, text, caption, QMessageBox::Ok, QMessageBox::Ok, run,
           detail);
}

}  // namespace corvane
