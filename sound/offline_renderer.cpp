#include "sound/offline_renderer.h"

#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "sound/fluidsynth_device.h"

namespace corvane {

namespace {

constexpr double kSampleRate = 44100.0;
// How long the sound rings on after the song's last event.
constexpr std::uint64_t kReleaseFrames = 44100;
// A song that never starts (the player found nothing to play) ends after this much silence.
constexpr std::uint64_t kNothingToPlayFrames = 44100 * 2;

struct SettingsDeleter {
    void operator()(fluid_settings_t* p) const { delete_fluid_settings(p); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* p) const { delete_fluid_synth(p); }
};
struct PlayerDeleter {
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};
struct RendererDeleter {
    void operator()(fluid_file_renderer_t* p) const { delete_fluid_file_renderer(p); }
};

// Removes the half-written file unless the render succeeded.
class PartialFile {
  public:
    explicit PartialFile(std::string path) : path_(std::move(path)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() {
        if (!kept_) {
            std::remove(path_.c_str());
        }
    }
    void keep() { kept_ = true; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool kept_ = false;
};

std::string temporaryBeside(const std::string& target) {
    const std::filesystem::path path(target);
    std::string pattern =
        (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw RenderError("Cannot write the audio file " + target + ".");
    }
    // A finished render is an ordinary file, not a private temporary one.
    ::fchmod(fd, 0644);
    ::close(fd);
    return pattern;
}

}  // namespace

RenderResult renderMidiToWav(const std::vector<std::uint8_t>& midi, const std::string& wavPath,
                             const std::string& soundfont) {
    if (midi.size() < 14 || midi[0] != 'M' || midi[1] != 'T' || midi[2] != 'h' || midi[3] != 'd') {
        throw RenderError("The MIDI data is not a Standard MIDI File.");
    }
    const std::string font = soundfont.empty() ? findSoundfont(defaultSoundfonts()) : soundfont;
    if (font.empty()) {
        throw RenderError("No General MIDI soundfont was found.");
    }
    {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(font, ec)) {
            throw RenderError("The soundfont " + font + " does not exist.");
        }
    }
    for (const int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(level, nullptr, nullptr);
    }

    std::error_code ec;
    if (std::filesystem::is_directory(wavPath, ec)) {
        throw RenderError("Cannot write the audio file " + wavPath + ": it is a folder.");
    }
    PartialFile partial(temporaryBeside(wavPath));

    const std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    if (!settings) {
        throw RenderError("The synthesizer could not be set up.");
    }
    fluid_settings_t* s = settings.get();
    fluid_settings_setnum(s, "synth.sample-rate", kSampleRate);
    fluid_settings_setstr(s, "audio.file.name", partial.path().c_str());
    fluid_settings_setstr(s, "audio.file.type", "wav");
    fluid_settings_setstr(s, "audio.file.format", "s16");
    fluid_settings_setstr(s, "player.timing-source", "sample");
    // Nothing else touches this synthesizer.
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    fluid_settings_setint(s, "synth.lock-memory", 0);

    const std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(s));
    if (!synth) {
        throw RenderError("The synthesizer could not be set up.");
    }
    if (fluid_synth_sfload(synth.get(), font.c_str(), 1) == FLUID_FAILED) {
        throw RenderError("The soundfont " + font + " could not be loaded.");
    }
    const std::unique_ptr<fluid_player_t, PlayerDeleter> player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add_mem(player.get(), midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(player.get()) != FLUID_OK) {
        throw RenderError("The MIDI data could not be played.");
    }
    RenderResult result;
    {
        const std::unique_ptr<fluid_file_renderer_t, RendererDeleter> renderer(
            new_fluid_file_renderer(synth.get()));
        if (!renderer) {
            throw RenderError("Cannot write the audio file " + wavPath + ".");
        }
        int blockFrames = 64;
        fluid_settings_getint(s, "audio.period-size", &blockFrames);
        const auto block = static_cast<std::uint64_t>(blockFrames);

        std::uint64_t endFrame = 0;
        bool endSeen = false;
        int total = 0;
        while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
            if (fluid_file_renderer_process_block(renderer.get()) != FLUID_OK) {
                throw RenderError("Cannot write the audio file " + wavPath + ".");
            }
            result.frames += block;
            // The player's own end comes seconds after the last event, and never while a tied
            // note is left on: stop at the last tick plus a release time. The length walks every
            // event of the song, so it is asked only until the song has loaded (0 before).
            if (total == 0) {
                total = fluid_player_get_total_ticks(player.get());
            }
            if (!endSeen && total > 0 && fluid_player_get_current_tick(player.get()) >= total) {
                endSeen = true;
                endFrame = result.frames + kReleaseFrames;
            }
            if ((endSeen && result.frames >= endFrame) ||
                (total == 0 && result.frames >= kNothingToPlayFrames)) {
                break;
            }
        }
    }
    if (std::rename(partial.path().c_str(), wavPath.c_str()) != 0) {
        throw RenderError("Cannot write the audio file " + wavPath + ".");
    }
    partial.keep();
    return result;
}

}  // namespace corvane
