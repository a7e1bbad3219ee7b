#include "cli/replay/scripted_host.h"

#include "editor/editor_session.h"
#include "render/recording_canvas.h"

namespace corvane::cli {

ScriptedHost::ScriptedHost(int width, int height) : client_{0, 0, width, height} {}

std::unique_ptr<Canvas> ScriptedHost::createCanvas(int width, int height) {
    auto canvas = std::make_unique<RecordingCanvas>();
    canvas->resize(width, height);
    return canvas;
}

void ScriptedHost::deliverPosted(EditorSession& session) {
    while (!posted_.empty()) {
        const char32_t c = posted_.front();
        posted_.pop_front();
        session.typed(c);
    }
    if (notified_.exchange(false)) {
        session.playbackEnded();
    }
}

}  // namespace corvane::cli
