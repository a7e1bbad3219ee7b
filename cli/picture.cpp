#include "cli/picture.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "cli/cli_util.h"
#include "cli/gui_application.h"
#include "editor/editor_view.h"
#include "render/painter.h"
#include "render/qt/raster_canvas.h"
#include "render/recording_canvas.h"
#include "render/tee_canvas.h"

namespace corvane::cli {

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
