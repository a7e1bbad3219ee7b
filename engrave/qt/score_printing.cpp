#include "engrave/qt/score_printing.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QStringList>
#include <cerrno>

#include "score/data_file.h"

namespace corvane::engrave {

namespace {

// Device units per inch of the PDF files written.
constexpr int kPdfResolution = 1200;

// Where the music font is: installed beside the program (relocatable), where the build
// installs it, and in the source tree for a program run from its build folder.
QStringList musicFontCandidates() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/../share/corvane/fonts/bravura.otf"),
            QStringLiteral(CORVANE_BRAVURA_INSTALLED), QStringLiteral(CORVANE_BRAVURA_SOURCE)};
}

// The family of the font file at `path`, registered with the application; raises FileError
// naming the file when it is missing or not a font.
QString registerFont(const QString& path) {
    // A later application (tests may make several) has forgotten fonts an earlier one added.
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    if (families.isEmpty()) {
        const QFileInfo info(path);
        throw FileError(kErrorFonts, path.toStdString(),
                        info.exists() ? "not a font Qt can read" : fileErrorReason(ENOENT));
    }
    return families.front();
}

QFont pageFont(const QString& family, bool bold, bool italic) {
    QFont font(family);
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

QPageLayout layoutFor(const PageSettings& settings) {
    const QPageSize size(settings.paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
    return QPageLayout(size, settings.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

}  // namespace

PageFonts loadPageFonts() {
    QString music;
    for (const QString& candidate : musicFontCandidates()) {
        if (QFileInfo::exists(candidate)) {
            music = candidate;
            break;
        }
    }
    if (music.isEmpty()) {
        // Missing everywhere: the error names where an installation puts it.
        music = QStringLiteral(CORVANE_BRAVURA_INSTALLED);
    }
    const QString folder = QStringLiteral(CORVANE_PRINT_TEXT_FONT_DIR) + QLatin1Char('/');
    PageFonts fonts;
    fonts.music = pageFont(registerFont(music), false, false);
    fonts.regular = pageFont(registerFont(folder + "NimbusSans-Regular.otf"), false, false);
    fonts.bold = pageFont(registerFont(folder + "NimbusSans-Bold.otf"), true, false);
    fonts.italic = pageFont(registerFont(folder + "NimbusSans-Italic.otf"), false, true);
    return fonts;
}

void paintPages(const Engraving& engraving, QPagedPaintDevice& device, std::size_t first,
                std::size_t last) {
    const PageFonts fonts = loadPageFonts();
    QPainter painter(&device);
    const double unitsPerPoint = device.logicalDpiX() / 72.0;
    PainterPageCanvas canvas(painter, unitsPerPoint, fonts);
    for (std::size_t i = first; i <= last && i < engraving.pages.size(); ++i) {
        if (i != first) {
            device.newPage();
        }
        drawPage(engraving.pages[i], canvas);
    }
}

QByteArray pdfBytes(const Score& score, const std::string& title, const PageSettings& settings) {
    const Engraving engraving = engraveScore(score, pageRequest(score, title, settings));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(layoutFor(settings));
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator(QStringLiteral("Corvane"));
        paintPages(engraving, writer, 0, engraving.pages.size() - 1);
    }
    return bytes;
}

void exportPdf(const Score& score, const std::string& title, const PageSettings& settings,
               const std::string& path) {
    DataFile file(path);
    if (file.textMode()) {
        // Names ending in .txt are kept for text files; commit() says so with the path.
        file.commit();
    }
    const QByteArray bytes = pdfBytes(score, title, settings);
    file.writeBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                    static_cast<std::size_t>(bytes.size()));
    file.commit();
}

void applyPageSettings(const PageSettings& settings, QPrinter& printer) {
    printer.setPageLayout(layoutFor(settings));
}

void printScore(const Score& score, const std::string& title, std::optional<int> track,
                QPrinter& printer) {
    printer.setFullPage(true);
    const QRectF paper = printer.pageLayout().fullRectPoints();
    EngraveRequest request = pageRequest(score, title, PageSettings{Paper::A4, false, track});
    request.page = PageSize{paper.width(), paper.height()};
    const Engraving engraving = engraveScore(score, request);
    std::size_t first = 0;
    std::size_t last = engraving.pages.size() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = static_cast<std::size_t>(printer.fromPage() - 1);
        last = std::min(last, static_cast<std::size_t>(std::max(printer.toPage(), printer.fromPage()) - 1));
    }
    if (first < engraving.pages.size()) {
        paintPages(engraving, printer, first, last);
    }
}

}  // namespace corvane::engrave
