// render-audio: the score rendered offline through the built-in synthesizer to a sound file,
// WAV, FLAC or Ogg Vorbis by the output's extension (WAV for any other).

#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/sound_cli.h"
#include "sound/offline_renderer.h"
#include "sound/player.h"

namespace corvane::cli {

int runRenderAudio(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {{"--from-measure", 1}, {"--soundfont", 1}}, 2, 2);
    const Score score = loadScoreForSound(parsed.positional[0]);
    const int firstMeasure = firstMeasureOption(parsed, score);
    RenderOptions options;
    options.soundfont = parsed.has("--soundfont") ? parsed.value("--soundfont") : "";
    const std::string& output = parsed.positional[1];
    try {
        renderMidiToFile(Player::midiFileBytes(score, firstMeasure), output,
                         audioFormatForPath(output).value_or(AudioFormat::Wav), options);
    } catch (const RenderError& error) {
        failInput(error.what());
    }
    return kExitOk;
}

}  // namespace corvane::cli
