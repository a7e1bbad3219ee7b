// corvane-cli: the headless tool. Dispatches to one command per first argument.

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_util.h"
#include "cli/commands.h"

namespace {

using corvane::cli::CliFailure;

struct Command {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
    std::string_view usage;  // the arguments after the command name
};

// One line per command.
const Command kCommands[] = {
    {"info", corvane::cli::runInfo, "FILE.cvn"},
    {"export-midi", corvane::cli::runExportMidi, "FILE.cvn OUT.mid [--from-measure N]"},
    {"render-audio", corvane::cli::runRenderAudio,
     "FILE.cvn OUT.wav [--from-measure N] [--soundfont SF2]"},
    {"render-image", corvane::cli::runRenderImage,
     "FILE.cvn OUT.png [--size W H] [--first-measure N] [--display-list OUT.txt]"},
    {"play", corvane::cli::runPlay, "FILE.cvn [--from-measure N]"},
    {"export-musicxml", corvane::cli::runExportMusicXml, "FILE.cvn OUT.musicxml"},
    {"import-midi", corvane::cli::runImportMidi, "IN.mid OUT.cvn"},
    {"import-musicxml", corvane::cli::runImportMusicXml, "IN.musicxml|IN.xml|IN.mxl OUT.cvn"},
    {"export-pdf", corvane::cli::runExportPdf,
     "FILE.cvn OUT.pdf [--paper a4|letter] [--landscape] [--track N]"},
    {"replay", corvane::cli::runReplay,
     "SCRIPT [--score IN.cvn] [--save OUT.cvn] [--state OUT.txt] [--display-list OUT.txt] "
     "[--image OUT.png]"},
};

void printUsage(std::ostream& out) {
    out << "usage:\n";
    for (const Command& command : kCommands) {
        out << "  corvane-cli " << command.name << ' ' << command.usage << '\n';
    }
    out << "  corvane-cli --help | --version\n"
           "  corvane-cli COMMAND --help\n"
           "replay reads SCRIPT once, from start to end: a named pipe works too, as in\n"
           "  corvane-cli replay <(printf 'keydown 39\\n') --state state.txt\n";
}

bool asksForHelp(const std::vector<std::string>& args) {
    return std::find_if(args.begin(), args.end(), [](const std::string& arg) {
               return arg == "--help" || arg == "-h";
           }) != args.end();
}

// Runs `command` with `args`: a failure is one line on stderr, followed by the command's usage
// when the command was used wrongly.
int runCommand(const Command& command, const std::vector<std::string>& args) {
    const std::string prefix = "corvane-cli " + std::string(command.name);
    if (asksForHelp(args)) {
        std::cout << "usage: " << prefix << ' ' << command.usage << '\n';
        return corvane::cli::kExitOk;
    }
    try {
        return command.run(args);
    } catch (const CliFailure& failure) {
        std::cerr << prefix << ": " << failure.what() << '\n';
        if (failure.code() == corvane::cli::kExitUsage) {
            std::cerr << "usage: " << prefix << ' ' << command.usage << '\n';
        }
        return failure.code();
    } catch (const std::exception& error) {
        std::cerr << prefix << ": " << error.what() << '\n';
        return corvane::cli::kExitBadInput;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        printUsage(std::cerr);
        return corvane::cli::kExitUsage;
    }
    if (all[0] == "--help" || all[0] == "-h" || all[0] == "help") {
        printUsage(std::cout);
        return corvane::cli::kExitOk;
    }
    if (all[0] == "--version") {
        std::cout << "corvane-cli " << CORVANE_VERSION << '\n';
        return corvane::cli::kExitOk;
    }
    for (const Command& command : kCommands) {
        if (command.name == all[0]) {
            return runCommand(command, std::vector<std::string>(all.begin() + 1, all.end()));
        }
    }
    const bool option = all[0].starts_with('-');
    std::cerr << "corvane-cli: unknown " << (option ? "option " : "command \"") << all[0]
              << (option ? "" : "\"") << " (corvane-cli --help shows the usage)\n";
    return corvane::cli::kExitUsage;
}
