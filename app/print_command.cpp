#include "app/print_command.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QVBoxLayout>
#include <exception>

#include "dialogs/page_setup_dialog.h"
#include "editor/error_message.h"
#include "editor/prompts.h"
#include "engrave/engraving.h"
#include "engrave/qt/score_printing.h"
#include "engrave/staff_names.h"

namespace corvane {

namespace {

std::vector<std::string> trackNames(const Score& score) {
    std::vector<std::string> names;
    for (const Track& track : score.tracks) {
        names.push_back(engrave::fullStaffName(track));
    }
    return names;
}

// Where a printer that took no pages sent them, and why it may have failed: "PATH: no such
// folder" for a file, the printer's name otherwise.
std::string failedTarget(const QPrinter& printer) {
    if (printer.outputFileName().isEmpty()) {
        return printer.printerName().toStdString() + ": the printer did not take the pages";
    }
    const QFileInfo file(printer.outputFileName());
    const QFileInfo folder(file.absolutePath());
    std::string reason = "the file could not be written";
    if (!folder.isDir()) {
        reason = "no such folder";
    } else if (!folder.isWritable() || (file.exists() && !file.isWritable())) {
        reason = "permission denied";
    }
    return file.absoluteFilePath().toStdString() + ": " + reason;
}

}  // namespace

std::unique_ptr<QPrintDialog> makePrintDialog(QPrinter& printer, const Score& score,
                                              QWidget* parent) {
    auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
    auto* tab = new QWidget;
    tab->setWindowTitle(QStringLiteral("Score"));
    auto* layout = new QVBoxLayout(tab);
    auto* label = new QLabel(QStringLiteral("P&rint:"));
    QComboBox* tracks = makeTrackChoice(trackNames(score), std::nullopt);
    label->setBuddy(tracks);
    layout->addWidget(label);
    layout->addWidget(tracks);
    layout->addStretch();
    dialog->setOptionTabs({tab});
    return dialog;
}

bool printScore(QWidget* parent, const ModalRunner& run, Prompts& prompts, const Score& score,
                const std::string& title) {
    QPrinter printer(QPrinter::HighResolution);
    engrave::PageSettings settings;
    settings.paper = engrave::localePaper();
    engrave::applyPageSettings(settings, printer);
    printer.setDocName(toQString(title));
    const std::unique_ptr<QPrintDialog> dialog = makePrintDialog(printer, score, parent);
    if (run(*dialog) != QDialog::Accepted) {
        return false;
    }
    const auto* tracks = dialog->findChild<QComboBox*>(QStringLiteral("printTracks"));
    try {
        engrave::printScore(score, title, tracks != nullptr ? chosenTrack(*tracks) : std::nullopt,
                            printer);
    } catch (const std::exception& error) {
        showError(prompts, error);
        return false;
    }
    if (printer.printerState() == QPrinter::Error) {
        prompts.showMessage(kErrorPrint, kErrorCaption, failedTarget(printer));
        return false;
    }
    return true;
}

}  // namespace corvane
