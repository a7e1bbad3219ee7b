#pragma once
// Pictures of the headless editor: one more repaint, written as a display list and/or a PNG.

#include <optional>
#include <string>

namespace corvane {
class EditorView;
}

namespace corvane::cli {

// Paints what `view` shows for its client area into a canvas of its own and writes the display
// list of that repaint to `displayListPath` and the picture to `imagePath` (each only when
// given). Raises CliFailure when a file cannot be written.
void writePicture(const EditorView& view, const std::optional<std::string>& displayListPath,
                  const std::optional<std::string>& imagePath);

}  // namespace corvane::cli
