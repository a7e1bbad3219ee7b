// Unsaved work survives a crash of the real desktop program on a private X display: notes are
// placed with real clicks, the recovery copy is awaited, the program is killed with SIGKILL and
// started again. Answering Yes and saving gives the bytes a Save just before the kill would have
// written (taken from a run that saved the same clicks); answering No loads nothing and moves
// the copy to discarded/. Each run has an XDG_STATE_HOME of its own.
// Usage: xvfb_recovery PATH-TO-CORVANE

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xvfb_driver.h"

using namespace corvane::xvfb;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kReturn = 0xff0d;
constexpr std::uint32_t kEscape = 0xff1b;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The score copies (not their records) directly in `folder`.
std::vector<fs::path> copiesIn(const fs::path& folder) {
    std::vector<fs::path> copies;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.is_regular_file() && entry.path().extension() == ".cvn") {
            copies.push_back(entry.path());
        }
    }
    return copies;
}

class Run {
  public:
    Run(const char* program, const fs::path& folder, const fs::path& stateHome)
        : program_(program, folder.string(), {},
                   {"XDG_STATE_HOME=" + stateHome.string(),
                    "XDG_CONFIG_HOME=" + (folder / "config").string()}) {}

    Program& program() { return program_; }

    // Waits for the main window, titled `title`, with its staff; false when it does not come.
    bool shown(Display& display, const std::string& title = "Corvane") {
        const std::optional<Shown> found = waitForStaff(display, program_, Clock::now(), title);
        if (found) {
            shown_ = *found;
        }
        return found.has_value();
    }
    // Three notes, as a person clicks them into the first measure.
    void placeNotes(Display& display) {
        const auto [x0, y0] = display.origin(shown_.window);
        display.click(x0 + 106, y0 + shown_.staffTop + 10, 1);
        display.click(x0 + 187, y0 + shown_.staffTop + 20, 1);
        display.click(x0 + 268, y0 + shown_.staffTop + 5, 1);
    }
    // Ctrl+S, then `name` typed into the Save dialog and confirmed.
    bool saveAs(Display& display, const std::string& name) {
        display.focus(shown_.window);
        display.key('s', true);
        if (!waitFor([&] { return !display.shownWindows("Save As").empty(); }, kGuard)) {
            return false;
        }
        display.focus(display.shownWindows("Save As").front());
        display.type(name);
        display.key(kReturn);
        return true;
    }
    // Waits for a question box beside the main window, then answers it with `keysym`.
    bool answerQuestion(Display& display, std::uint32_t keysym) {
        std::vector<xcb_window_t> windows;
        if (!waitFor(
                [&] {
                    windows = display.shownWindows("Corvane");
                    return windows.size() >= 2;
                },
                kGuard)) {
            return false;
        }
        // The box is the smaller of the two.
        const xcb_window_t box = *std::min_element(
            windows.begin(), windows.end(),
            [&](auto a, auto b) { return display.area(a) < display.area(b); });
        display.focus(box);
        display.key(keysym);
        // The main window may take another title at once (a restored score's), so wait for the
        // box itself to go.
        return waitFor(
            [&] {
                const std::vector<xcb_window_t> left = display.shownWindows("Corvane");
                return std::find(left.begin(), left.end(), box) == left.end();
            },
            kGuard);
    }
    // Closes a clean score, which ends the program without a question; its exit code.
    int close(Display& display) {
        display.requestClose(shown_.window);
        waitFor([&] { return !program_.running(); }, kGuard);
        return program_.exitCode();
    }

  private:
    Program program_;
    Shown shown_;
};

// Places the notes, waits until the recovery copy holds them (as `expected` bytes), and kills
// the program.
void crashWithCopy(const char* corvane, Display& display, const fs::path& folder,
                   const fs::path& state, const std::string& expected) {
    Run run(corvane, folder, state);
    check(run.shown(display), "the program shows its window");
    run.placeNotes(display);
    const fs::path recovery = state / "corvane" / "recovery";
    const bool copied = waitFor(
        [&] {
            for (const fs::path& copy : copiesIn(recovery)) {
                if (readFile(copy) == expected) {
                    return true;
                }
            }
            return false;
        },
        kGuard);
    check(copied, "a recovery copy of the placed notes is written");
    run.program().kill();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xvfb_recovery PATH-TO-CORVANE\n");
        return 2;
    }
    char folderTemplate[] = "/tmp/corvane-recovery-XXXXXX";
    const char* made = ::mkdtemp(folderTemplate);
    if (made == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = made;
    Display display;

    // What Save writes for the three clicked notes.
    std::string expected;
    {
        Run run(argv[1], folder, folder / "state-saved");
        check(run.shown(display), "the window appears");
        run.placeNotes(display);
        check(run.saveAs(display, "saved"), "Ctrl+S opens the Save dialog");
        check(waitFor([&] { return fs::exists(folder / "saved.cvn"); }, kGuard),
              "the score is saved");
        expected = readFile(folder / "saved.cvn");
        check(run.close(display) == 0, "a saved score closes at once");
        check(copiesIn(folder / "state-saved" / "corvane" / "recovery").empty(),
              "a normal exit leaves no recovery copy");
    }
    {
        const fs::path state = folder / "state-yes";
        crashWithCopy(argv[1], display, folder, state, expected);
        Run run(argv[1], folder, state);
        check(run.answerQuestion(display, kReturn), "the restore question is answered Yes");
        check(run.shown(display, "Untitled* - Corvane"),
              "the window shows the restored score, unsaved");
        check(run.saveAs(display, "restored"), "Ctrl+S opens the Save dialog");
        check(waitFor([&] { return fs::exists(folder / "restored.cvn"); }, kGuard),
              "the restored score is saved");
        check(readFile(folder / "restored.cvn") == expected,
              "the saved bytes are those a Save before the kill would have written");
        check(run.close(display) == 0, "once saved, it closes at once");
        check(copiesIn(state / "corvane" / "recovery").empty(), "the saved copy is gone");
    }
    {
        const fs::path state = folder / "state-no";
        crashWithCopy(argv[1], display, folder, state, expected);
        Run run(argv[1], folder, state);
        check(run.answerQuestion(display, kEscape), "the restore question is answered No");
        check(run.shown(display), "the window is still there");
        check(run.close(display) == 0, "nothing was loaded: the clean score closes at once");
        check(copiesIn(state / "corvane" / "recovery").empty(), "no copy is offered any more");
        const std::vector<fs::path> discarded =
            copiesIn(state / "corvane" / "recovery" / "discarded");
        check(discarded.size() == 1 && readFile(discarded.front()) == expected,
              "the copy is kept under discarded/");
    }
    if (failures == 0) {
        fs::remove_all(folder);
        return 0;
    }
    std::printf("files kept in %s\n", folder.c_str());
    return 1;
}
