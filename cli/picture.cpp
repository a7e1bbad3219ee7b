#include "cli/picture.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <utility>

#include "cli/cli_util.h"
#include "editor/editor_view.h"
#include "render/painter.h"
#include "render/qt/raster_canvas.h"
#include "render/recording_canvas.h"
#include "render/tee_canvas.h"

namespace corvane::cli {

namespace {

// Qt's own notices (such as the one about XDG_RUNTIME_DIR on a machine without a desktop session)
// are not the command's output: only a fatal message gets through, before Qt ends the process.
void keepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(message));
    }
}

// Text drawing needs a QGuiApplication; the headless tool makes one on the offscreen platform,
// so it never needs a display. Null when the process has one already.
std::unique_ptr<QGuiApplication> makeGuiApplication() {
    if (QGuiApplication::instance() != nullptr) {
        return nullptr;
    }
    qInstallMessageHandler(keepQtQuiet);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps referring to these for its whole life.
    static int argc = 1;
    static char name[] = "corvane-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

void writePicture(const EditorView& view, const std::optional<std::string>& displayListPath,
                  const std::optional<std::string>& imagePath) {
    // Declared first so that it outlives every canvas below.
    const std::unique_ptr<QGuiApplication> app = imagePath ? makeGuiApplication() : nullptr;
    auto recording = std::make_unique<RecordingCanvas>();
    RecordingCanvas& record = *recording;
    RasterCanvas* raster = nullptr;
    std::unique_ptr<Canvas> target;
    if (imagePath) {
        auto picture =
            std::make_unique<RasterCanvas>(view.drawing().bufferWidth, view.drawing().bufferHeight);
        raster = picture.get();
        target = std::make_unique<TeeCanvas>(std::move(picture), std::move(recording));
    } else {
        target = std::move(recording);
    }
    paintScore(view.score(), view.viewState(), view.tools(), view.playing(), view.drawing().glyphs,
               *target);

    if (displayListPath) {
        writeTextFile(*displayListPath, record.displayList());
    }
    if (raster != nullptr) {
        try {
            writePng(*raster, view.clientRect().right, view.clientRect().bottom, *imagePath);
        } catch (const std::runtime_error& error) {
            failInput(error.what());
        }
    }
}

}  // namespace corvane::cli
