// render-image FILE.cvn OUT.png: the editor's picture of a score, without a window.

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/picture.h"
#include "cli/replay/scripted_host.h"
#include "editor/editor_view.h"

namespace corvane::cli {

namespace {

constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;
// Large enough for any screen, small enough that the back buffer (4 bytes a pixel) fits.
constexpr int kMaxSide = 8192;
// Scrolling far past the end appends measures, as in the editor; this keeps that bounded.
constexpr int kMaxFirstMeasure = 100000;

}  // namespace

int runRenderImage(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parseArgs(args, {{"--size", 2}, {"--first-measure", 1}, {"--display-list", 1}}, 2, 2);
    const int width = parsed.intValue("--size", kDefaultWidth, 1, kMaxSide, 0);
    const int height = parsed.intValue("--size", kDefaultHeight, 1, kMaxSide, 1);
    const int firstMeasure = parsed.intValue("--first-measure", 0, 0, kMaxFirstMeasure);
    Score score = loadScore(parsed.positional[0]);

    // The editor as the main window builds it, with the score opened and the window sized.
    ScriptedHost host(width, height);
    EditorView view(host.host());
    view.setLoadedScore(std::move(score));
    view.setFirstVisibleMeasure(firstMeasure);
    view.onResize();

    std::optional<std::string> displayList;
    if (parsed.has("--display-list")) {
        displayList = parsed.value("--display-list");
    }
    writePicture(view, displayList, parsed.positional[1]);
    return kExitOk;
}

}  // namespace corvane::cli
