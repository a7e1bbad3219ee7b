#pragma once
// The host a replay gives its editing session in place of a window: a client area that records
// rather than shows, the script's answers for every modal window, and the message loop's two
// deliveries (characters the toolbar posted, the sequencer's completion notice), made between
// the script's lines.

#include <atomic>
#include <deque>

#include "cli/replay/scripted_prompts.h"
#include "editor/editor_host.h"

namespace corvane {
class EditorSession;
}  // namespace corvane

namespace corvane::cli {

class ScriptedHost final : public DrawingSurface, public StatusDisplay {
  public:
    // A client area of width x height.
    ScriptedHost(int width, int height);

    // What the session is given: this host, and its prompts.
    EditorHost host() { return EditorHost{*this, prompts_, *this}; }
    ScriptedPrompts& prompts() { return prompts_; }
    const ScriptedPrompts& prompts() const { return prompts_; }

    void setClientSize(int width, int height) { client_ = Rect{0, 0, width, height}; }
    void setCursor(Point p) { cursor_ = p; }
    // Hands `session` what the message loop would deliver before the next input: the characters
    // posted by toolbar buttons, then a completion notice a sound device sent on its own.
    void deliverPosted(EditorSession& session);

    void invalidate() override {}
    void invalidateRect(const Rect&) override {}
    Rect clientRect() const override { return client_; }
    // A window without a screen has no cursor to show.
    void showCursor() override {}
    Point cursorPos() const override { return cursor_; }
    void postChar(char32_t c) override { posted_.push_back(c); }
    std::unique_ptr<Canvas> createCanvas(int width, int height) override;
    void present(const Canvas&, int, int) override {}
    void notifyPlaybackDone() override { notified_ = true; }

    // The state output does not list the status line nor the scroll bar, nor the notices shown
    // there.
    void showStatus(std::string_view) override {}
    void showNotice(std::string_view) override {}
    void showTrackScroll(int, int) override {}

  private:
    ScriptedPrompts prompts_;
    Rect client_;
    Point cursor_;
    std::deque<char32_t> posted_;
    std::atomic<bool> notified_{false};
};

}  // namespace corvane::cli
