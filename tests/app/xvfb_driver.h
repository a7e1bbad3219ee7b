#pragma once
// Drives the real desktop program on the X display named by DISPLAY (a private Xvfb in the
// tests) as a person would: starts it, finds its windows, reads what they show, and sends real
// pointer and key events through the XTest extension.

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvane::xvfb {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline constexpr auto kGuard = 60s;

inline int failures = 0;

inline void check(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    if (!condition) {
        ++failures;
    }
}

inline double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls `condition` every few milliseconds until it holds or `limit` has passed. The limits
// below only stop a fault from hanging the run: nothing here depends on how fast it goes.
inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The program under test, started in `folder` on the xcb platform with `arguments` and the
// environment variables `environment` ("NAME=value") added; killed if still running when this
// goes.
class Program {
  public:
    Program(const char* path, const std::string& folder,
            const std::vector<std::string>& arguments = {},
            const std::vector<std::string>& environment = {}) {
        std::vector<char*> argv{const_cast<char*>(path)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) != 0) {
                std::_Exit(126);
            }
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            for (const std::string& variable : environment) {
                ::putenv(const_cast<char*>(variable.c_str()));
            }
            ::execv(path, argv.data());
            std::_Exit(127);
        }
    }
    ~Program() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool running() {
        if (pid_ <= 0 || status_) {
            return false;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return false;
        }
        return true;
    }
    // Ends the program at once, as a crash or a power cut would, and waits until it is gone.
    void kill() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            status_ = status;
        }
    }
    // The exit code once the program has ended by itself, else -1.
    int exitCode() const { return status_ && WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1; }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class Display {
  public:
    Display() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_) != 0) {
            std::fprintf(stderr, "cannot reach the X display in DISPLAY\n");
            std::exit(1);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~Display() { xcb_disconnect(connection_); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    xcb_atom_t atom(const char* name) {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    std::string title(xcb_window_t window) {
        const Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   nullptr));
        if (!reply) {
            return {};
        }
        const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(text,
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    // The shown top-level windows titled `name`.
    std::vector<xcb_window_t> shownWindows(const std::string& name) {
        std::vector<xcb_window_t> found;
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
        if (!tree) {
            return found;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(
                    connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                title(children[i]) == name) {
                found.push_back(children[i]);
            }
        }
        return found;
    }

    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> grey;  // one byte a pixel, rows top to bottom

        int at(int x, int y) const {
            return grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)];
        }
        int darkIn(int left, int top, int right, int bottom) const {
            int dark = 0;
            for (int y = std::max(top, 0); y < std::min(bottom, height); ++y) {
                for (int x = std::max(left, 0); x < std::min(right, width); ++x) {
                    dark += at(x, y) < 96;
                }
            }
            return dark;
        }
        void writePgm(const std::string& path) const {
            std::ofstream out(path, std::ios::binary);
            out << "P5\n" << width << ' ' << height << "\n255\n";
            out.write(reinterpret_cast<const char*>(grey.data()),
                      static_cast<std::streamsize>(grey.size()));
        }
    };

    // What the window shows now, or only its column x when given (cheap enough to poll); empty
    // when it cannot be read.
    Picture grab(xcb_window_t window, std::optional<int> column = std::nullopt) {
        Picture picture;
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
        if (!geometry || (column && *column >= geometry->width)) {
            return picture;
        }
        const int width = column ? 1 : geometry->width;
        const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            connection_,
            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                          static_cast<std::int16_t>(column.value_or(0)), 0,
                          static_cast<std::uint16_t>(width), geometry->height, ~0U),
            nullptr));
        if (!image || geometry->height == 0 ||
            xcb_get_image_data_length(image.get()) < width * geometry->height * 4) {
            return picture;
        }
        picture.width = width;
        picture.height = geometry->height;
        const int stride = xcb_get_image_data_length(image.get()) / picture.height;
        const std::uint8_t* data = xcb_get_image_data(image.get());
        picture.grey.reserve(static_cast<std::size_t>(picture.width * picture.height));
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const std::uint8_t* p = data + y * stride + x * 4;  // B, G, R, unused
                picture.grey.push_back(static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3));
            }
        }
        return picture;
    }

    // The window's top-left corner on the screen.
    std::pair<int, int> origin(xcb_window_t window) {
        const Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
        return reply ? std::pair<int, int>{reply->dst_x, reply->dst_y} : std::pair<int, int>{0, 0};
    }

    // A real pointer move to (x, y) on the screen, then a press and release of `button`. The
    // server delivers them in this order, so the program sees the move before the press.
    void click(int x, int y, std::uint8_t button) {
        xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                            static_cast<std::int16_t>(x - 1), static_cast<std::int16_t>(y), 0);
        xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, root_, 0, 0,
                            0);
        xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, root_, 0, 0,
                            0);
        xcb_flush(connection_);
    }

    // A real press and release of the key that gives `keysym` (an X keysym such as 0xff0d,
    // Return; a printable ASCII character is its own keysym), with Control held when asked.
    void key(std::uint32_t keysym, bool control = false) {
        const std::optional<std::uint8_t> code = keycodeOf(keysym);
        const std::optional<std::uint8_t> controlCode = keycodeOf(0xffe3);  // Control_L
        if (!code || (control && !controlCode)) {
            std::fprintf(stderr, "no key gives keysym 0x%x\n", keysym);
            return;
        }
        if (control) {
            fakeKey(XCB_KEY_PRESS, *controlCode);
        }
        fakeKey(XCB_KEY_PRESS, *code);
        fakeKey(XCB_KEY_RELEASE, *code);
        if (control) {
            fakeKey(XCB_KEY_RELEASE, *controlCode);
        }
        xcb_flush(connection_);
    }
    // Types `text` (lower-case letters, digits, '.', '/', '-') key by key.
    void type(const std::string& text) {
        for (const char c : text) {
            key(static_cast<unsigned char>(c));
        }
    }
    // Gives `window` the keyboard, as a window manager does when the user clicks it (the
    // private server has none).
    void focus(xcb_window_t window) {
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }
    // The window's width times its height.
    int area(xcb_window_t window) {
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
        return geometry ? geometry->width * geometry->height : 0;
    }

    // What a window manager sends when the user presses the close button.
    void requestClose(xcb_window_t window) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection_);
    }

  private:
    void fakeKey(std::uint8_t type, std::uint8_t code) {
        xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, root_, 0, 0, 0);
    }
    // The key whose first (unshifted) symbol is `keysym`.
    std::optional<std::uint8_t> keycodeOf(std::uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        const Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
            connection_,
            xcb_get_keyboard_mapping(connection_, static_cast<xcb_keycode_t>(first),
                                     static_cast<std::uint8_t>(count)),
            nullptr));
        if (!mapping) {
            return std::nullopt;
        }
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int perKey = mapping->keysyms_per_keycode;
        for (int k = 0; k < count; ++k) {
            if (perKey > 0 && symbols[k * perKey] == keysym) {
                return static_cast<std::uint8_t>(first + k);
            }
        }
        return std::nullopt;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
};

// The screen row of the top line of the first staff: five dark rows ten pixels apart with light
// rows between them, read down the column x; nullopt when there is no staff.
inline std::optional<int> topStaffLine(const Display::Picture& picture, int x) {
    for (int y = 0; y + 41 < picture.height; ++y) {
        bool staff = true;
        for (int line = 0; line < 5 && staff; ++line) {
            staff = picture.at(x, y + 10 * line) < 96 && picture.at(x, y + 10 * line + 5) > 160;
        }
        if (staff) {
            return y;
        }
    }
    return std::nullopt;
}

struct Shown {
    xcb_window_t window = 0;
    int staffTop = 0;           // screen row of the staff's top line, window coordinates
    double mappedAfterMs = 0;   // the window first shown
    double paintedAfterMs = 0;  // the staff first seen on it
};

// Waits until the program shows its window, titled `title`, with a painted staff.
inline std::optional<Shown> waitForStaff(Display& display, Program& program, Clock::time_point start,
                                         const std::string& title = "Corvane") {
    Shown shown;
    const bool ok = waitFor(
        [&] {
            if (!program.running()) {
                return true;
            }
            const std::vector<xcb_window_t> windows = display.shownWindows(title);
            if (windows.empty()) {
                return false;
            }
            if (shown.window == 0) {
                shown.mappedAfterMs = millisecondsSince(start);
            }
            shown.window = windows.front();
            const Display::Picture column = display.grab(shown.window, 300);
            if (column.width != 1) {
                return false;
            }
            if (const std::optional<int> top = topStaffLine(column, 0)) {
                shown.staffTop = *top;
                shown.paintedAfterMs = millisecondsSince(start);
                return true;
            }
            return false;
        },
        kGuard);
    if (!ok || !program.running()) {
        return std::nullopt;
    }
    return shown;
}

}  // namespace corvane::xvfb
