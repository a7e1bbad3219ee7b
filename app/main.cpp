// The desktop program: the main window on the real sound device.

#include <QApplication>
#include <QMessageLogContext>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "recovery/recovery_files.h"
#include "sound/fluidsynth_device.h"
#include "sound/offline_renderer.h"

namespace {

constexpr const char* kNoDisplay =
    "corvane: no graphical display is set, so the editor window cannot open.\n"
    "Start it from a desktop session (DISPLAY or WAYLAND_DISPLAY must be set), or use\n"
    "corvane-cli, which does the same work without a window.\n";
constexpr const char* kDisplayUnreachable =
    "corvane: the graphical display could not be reached, so the editor window cannot open.\n"
    "Check that the desktop session named by DISPLAY or WAYLAND_DISPLAY is running, or use\n"
    "corvane-cli, which does the same work without a window.\n";

// Says on the terminal, in one line, what the window's status line says when sound is missing.
class TerminalReport final : public corvane::StatusTarget {
  public:
    void soundStatusKnown(const std::string& problem) override {
        if (!problem.empty()) {
            std::fprintf(stderr, "corvane: %s\n", problem.c_str());
        }
    }
};

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt ends the process with a fatal message when no window system answers; say plainly why
// instead of leaving the user with Qt's plugin diagnostics.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(kDisplayUnreachable, stderr);
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

constexpr const char* kUsage =
    "usage: corvane [FILE.cvn]\n"
    "       corvane --help | --version\n"
    "Opens the Corvane notation editor, with the score FILE.cvn when one is given.\n"
    "corvane-cli does the same work with files without a window (corvane-cli --help).\n";

// Answers --help and --version, and refuses any other option, before a display is needed; the
// exit code when the program should end here. "--" ends the options.
std::optional<int> answerOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("corvane %s\n", CORVANE_VERSION);
            return 0;
        }
        if (arg.size() > 1 && arg.front() == '-') {
            std::fprintf(stderr, "corvane: unknown option %s (corvane --help shows the usage)\n",
                         argv[i]);
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> done = answerOptions(argc, argv)) {
        return *done;
    }
    if (!hasEnv("QT_QPA_PLATFORM") && !hasEnv("DISPLAY") && !hasEnv("WAYLAND_DISPLAY")) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    // The sound device comes first: the Player's probe in the window starts its soundfont load
    // on a thread of its own, so the window never waits for it.
    const auto device = std::make_shared<corvane::FluidSynthDevice>();
    TerminalReport terminal;
    device->reportStatus(terminal);

    const QtMessageHandler previous = qInstallMessageHandler(messageHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));

    corvane::WindowServices services;
    services.sound = device;
    services.renderAudio = [](const std::vector<std::uint8_t>& midi, const std::string& path,
                              corvane::AudioFormat format, corvane::RenderMonitor& monitor) {
        return !corvane::renderMidiToFile(midi, path, format, {}, &monitor).cancelled;
    };
    services.recoveryFolder = corvane::recoveryFolder();
    services.settingsFile = corvane::defaultSettingsFile();
    services.soundInUse = [device] {
        // The device loads the first of the usual soundfonts that exists.
        return corvane::SoundInUse{corvane::findSoundfont(corvane::defaultSoundfonts()),
                                   device->driverName()};
    };
    corvane::MainWindow window(std::move(services));
    window.show();
    // Once the window has been painted: the recovery questions, then a score handed over by the
    // desktop (a double-click on a .cvn file).
    QStringList args = QApplication::arguments();
    args.removeAll(QStringLiteral("--"));
    QTimer::singleShot(0, &window, [&window, file = args.size() > 1 ? args.at(1) : QString()] {
        window.start(file);
    });
    const int result = QApplication::exec();
    device->stopReporting(terminal);
    return result;
}
