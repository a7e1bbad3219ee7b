// export-midi: the bytes that the editor's Write Midi command writes for a score file.

#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/sound_cli.h"
#include "score/data_file.h"
#include "sound/player.h"

namespace corvane::cli {

int runExportMidi(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {{"--from-measure", 1}}, 2, 2);
    const Score score = loadScoreForSound(parsed.positional[0]);
    const int firstMeasure = firstMeasureOption(parsed, score);
    const std::string& out = parsed.positional[1];
    try {
        Player::writeMidiFile(out, score, firstMeasure);
    } catch (const FileError& error) {
        failInput(describe(error));
    }
    return kExitOk;
}

}  // namespace corvane::cli
