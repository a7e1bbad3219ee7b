#include "cli/gui_application.h"

#include <cstdio>

namespace corvane::cli {

namespace {

// Qt's own notices (such as the one about XDG_RUNTIME_DIR on a machine without a desktop session)
// are not the command's output: only a fatal message gets through, before Qt ends the process.
void keepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(message));
    }
}

}  // namespace

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

}  // namespace corvane::cli
