#pragma once
// File > Print: the system's print dialog, with a tab that chooses the whole score or one track
// as a part, and the pages drawn through the printer it leaves set up.

#include <QPrinter>
#include <memory>
#include <string>

#include "dialogs/modal.h"
#include "score/score.h"

class QPrintDialog;
class QWidget;

namespace corvane {

class Prompts;

inline constexpr const char* kErrorPrint = "The score could not be printed.";

// The print dialog for `printer`, owned by `parent`, with the tab "Score" listing `score`'s
// tracks (its list is the child "printTracks").
std::unique_ptr<QPrintDialog> makePrintDialog(QPrinter& printer, const Score& score,
                                              QWidget* parent);

// Prints `score`, titled `title`: the print dialog (the locale's paper, portrait, the whole
// score at first), run through `run`, then the pages as the dialog left the printer. A failure
// (no fonts, a printer or file that takes no pages) is shown through `prompts` in an "Error"
// box naming the printer or file and the cause. True when the pages were printed.
bool printScore(QWidget* parent, const ModalRunner& run, Prompts& prompts, const Score& score,
                const std::string& title);

}  // namespace corvane
