#pragma once
// Printing and PDF export: the pages of engrave/engraving.h drawn with Qt, into a PDF file or
// through a printer. File > Print…, File > Export PDF… and `corvane-cli export-pdf` all draw
// through here, so that paper and file show the same pages. Every function needs a running
// QGuiApplication (the fonts are registered with it).

#include <QByteArray>
#include <QPagedPaintDevice>
#include <optional>
#include <string>

#include "engrave/engraving.h"
#include "engrave/page_settings.h"
#include "engrave/qt/painter_page_canvas.h"
#include "score/score.h"

class QPrinter;

namespace corvane::engrave {

// The sentence of the error raised when the pages' fonts cannot be loaded.
inline constexpr const char* kErrorFonts = "The fonts for printed music could not be loaded.";

// The music font (Bravura, installed with the program) and Nimbus Sans, registered with the
// application. Raises FileError(kErrorFonts) naming the file that is missing or unreadable.
PageFonts loadPageFonts();

// Draws pages [first, last] (0-based) of `engraving` on `device`, whose pages must be the
// engraving's size, starting on its current page.
void paintPages(const Engraving& engraving, QPagedPaintDevice& device, std::size_t first,
                std::size_t last);

// The PDF of `score` with `settings`, titled `title`: a file's worth of bytes. Raises
// std::out_of_range for a track the score does not have, FileError for missing fonts.
QByteArray pdfBytes(const Score& score, const std::string& title, const PageSettings& settings);

// Writes that PDF to `path`, replacing a file there only once the whole file is written. Raises
// FileError naming the file and the cause when it cannot be written, and as pdfBytes does.
void exportPdf(const Score& score, const std::string& title, const PageSettings& settings,
               const std::string& path);

// Sets a printer's paper and orientation to `settings` (before its dialog shows them).
void applyPageSettings(const PageSettings& settings, QPrinter& printer);

// Prints through `printer` as its dialog left it: its paper, orientation and page range, the
// whole score or `track` alone as a part. Raises as pdfBytes does.
void printScore(const Score& score, const std::string& title, std::optional<int> track,
                QPrinter& printer);

}  // namespace corvane::engrave
