// play: the score through the sound device, until it ends.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/sound_cli.h"
#include "score/data_file.h"
#include "sound/fluidsynth_device.h"
#include "sound/player.h"

namespace corvane::cli {

namespace {

// Stands in for the window: the end of the song wakes the waiting command.
class EndOfSong final : public NotifyTarget {
  public:
    void notifyPlaybackDone() override {
        {
            const std::lock_guard guard(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [this] { return ended_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

}  // namespace

int runPlay(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {{"--from-measure", 1}}, 1, 1);
    const Score score = loadScoreForSound(parsed.positional[0]);
    const int firstMeasure = firstMeasureOption(parsed, score);

    EndOfSong end;
    {
        Player player(std::make_shared<FluidSynthDevice>());
        try {
            player.play(score, firstMeasure, end);
        } catch (const FileError& error) {
            failInput("cannot write the temporary playback file " + describe(error));
        }
        if (!player.isPlaying()) {
            failInput("no sound output is available (no sound card or server, or no soundfont).");
        }
        end.wait();
        player.stop();
    }
    return kExitOk;
}

}  // namespace corvane::cli
