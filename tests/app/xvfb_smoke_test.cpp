// Drives the real desktop program on the X display named by DISPLAY (a private Xvfb in the test)
// as a person would: waits for its window "Corvane", looks at what it painted, clicks a note
// into the staff with real pointer events and closes it with the window manager's close request.
// Usage: xvfb_smoke PATH-TO-CORVANE

#include <cstdio>
#include <filesystem>
#include <string>

#include "xvfb_driver.h"

using namespace corvane::xvfb;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xvfb_smoke PATH-TO-CORVANE\n");
        return 2;
    }
    char folderTemplate[] = "/tmp/corvane-smoke-XXXXXX";
    const char* folder = ::mkdtemp(folderTemplate);
    if (folder == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    // The program's recovery copies and settings stay in the test's own folder.
    const std::string stateHome = "XDG_STATE_HOME=" + std::string(folder) + "/state";
    const std::string configHome = "XDG_CONFIG_HOME=" + std::string(folder) + "/config";
    Display display;

    {
        // Start, look, close a clean score.
        const Clock::time_point start = Clock::now();
        Program program(argv[1], folder, {}, {stateHome, configHome});
        const std::optional<Shown> shown = waitForStaff(display, program, start);
        check(shown.has_value(), "the window \"Corvane\" appears and shows a staff");
        if (shown) {
            std::printf("startup: window shown after %.0f ms, its staff seen after %.0f ms\n",
                        shown->mappedAfterMs, shown->paintedAfterMs);
            const Display::Picture picture = display.grab(shown->window);
            picture.writePgm(std::string(folder) + "/started.pgm");
            const int dark = picture.darkIn(0, 0, picture.width, picture.height);
            const int all = picture.width * picture.height;
            check(dark > 500 && dark < all / 4, "the screenshot is neither blank nor black (" +
                                                    std::to_string(dark) + " dark pixels)");
            display.requestClose(shown->window);
            check(waitFor([&] { return !program.running(); }, kGuard),
                  "a clean score closes without a question");
            check(program.exitCode() == 0,
                  "the program exits with code 0 (got " + std::to_string(program.exitCode()) + ")");
        }
    }
    {
        // A real click places a note; the score is then dirty and closing asks first.
        Program program(argv[1], folder, {}, {stateHome, configHome});
        const std::optional<Shown> shown = waitForStaff(display, program, Clock::now());
        check(shown.has_value(), "the window shows a staff again");
        if (shown) {
            const auto [x0, y0] = display.origin(shown->window);
            // The first note of the first measure, on the staff's second line from the top.
            const int x = 106;
            const int y = shown->staffTop + 10;
            const int before = display.grab(shown->window).darkIn(x - 8, y - 6, x + 8, y + 6);
            display.click(x0 + x, y0 + y, 1);
            int after = before;
            const bool placed = waitFor(
                [&] {
                    after = display.grab(shown->window).darkIn(x - 8, y - 6, x + 8, y + 6);
                    return after >= before + 40;
                },
                kGuard);
            display.grab(shown->window).writePgm(std::string(folder) + "/clicked.pgm");
            check(placed, "the click draws a note head (" + std::to_string(before) + " -> " +
                              std::to_string(after) + " dark pixels)");
            check(waitFor([&] { return display.title(shown->window) == "Untitled* - Corvane"; },
                          kGuard),
                  "the title marks the new score as changed");
            display.requestClose(shown->window);
            // The question box is titled "Corvane".
            check(waitFor([&] { return !display.shownWindows("Corvane").empty(); }, kGuard),
                  "closing the edited score asks a question first");
            check(program.running(), "the program waits for the answer");
        }
    }
    if (failures == 0) {
        std::filesystem::remove_all(folder);
        return 0;
    }
    std::printf("screenshots kept in %s\n", folder);
    return 1;
}
