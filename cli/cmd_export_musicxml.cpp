// export-musicxml: the MusicXML file that the editor's Export MusicXML command writes.

#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/sound_cli.h"
#include "interchange/musicxml_writer.h"
#include "score/data_file.h"

namespace corvane::cli {

int runExportMusicXml(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {}, 2, 2);
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    const Score score = loadScoreForSound(in);
    if (score.tracks.empty()) {
        // Refused before the output is touched: the score itself cannot be exported.
        try {
            musicXmlText(score);
        } catch (const FileError& error) {
            failInput(in + ": " + error.what());
        }
    }
    try {
        writeMusicXmlFile(out, score);
    } catch (const FileError& error) {
        failInput(describe(error));
    }
    return kExitOk;
}

}  // namespace corvane::cli
