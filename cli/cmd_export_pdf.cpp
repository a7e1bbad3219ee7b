// export-pdf: the PDF file that the editor's Export PDF command writes.

#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/gui_application.h"
#include "cli/sound_cli.h"
#include "engrave/engraving.h"
#include "engrave/qt/score_printing.h"
#include "score/data_file.h"

namespace corvane::cli {

namespace {

engrave::PageSettings pageSettings(const ParsedArgs& parsed) {
    engrave::PageSettings settings;
    settings.paper = engrave::localePaper();
    if (parsed.has("--paper")) {
        const std::optional<engrave::Paper> paper = engrave::paperNamed(parsed.value("--paper"));
        if (!paper) {
            failUsage("--paper must be a4 or letter, not \"" + parsed.value("--paper") + "\"");
        }
        settings.paper = *paper;
    }
    settings.landscape = parsed.has("--landscape");
    return settings;
}

}  // namespace

int runExportPdf(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parseArgs(args, {{"--paper", 1}, {"--landscape", 0}, {"--track", 1}}, 2, 2);
    engrave::PageSettings settings = pageSettings(parsed);
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    const Score score = loadScoreForSound(in);
    if (parsed.has("--track")) {
        const std::int32_t track = parseInt(parsed.value("--track"), "--track", 0);
        if (static_cast<std::size_t>(track) >= score.tracks.size()) {
            failUsage("--track " + parsed.value("--track") + " is not a track of the score, " +
                      (score.tracks.empty() ? std::string("which has no tracks.")
                                            : "which has tracks 0 to " +
                                                  std::to_string(score.tracks.size() - 1) + "."));
        }
        settings.track = track;
    }
    // Declared before any drawing, so that it outlives the fonts and the painter.
    const std::unique_ptr<QGuiApplication> app = makeGuiApplication();
    try {
        engrave::exportPdf(score, engrave::titleForPath(in), settings, out);
    } catch (const FileError& error) {
        failInput(describe(error));
    }
    return kExitOk;
}

}  // namespace corvane::cli
