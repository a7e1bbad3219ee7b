#include "sound/channel_costs.h"

#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "sound/audio_sink.h"
#include "sound/synth_settings.h"

namespace corvane {

namespace {

constexpr int kDrumChannel = 9;
constexpr int kProbeVelocity = 100;
// Releases longer than this are cut short by the end of the sound anyway.
constexpr double kLongestRelease = 10.0;

// What one note of a program and key starts in the soundfont.
struct NoteProfile {
    int voices = 0;
    double releaseSeconds = 0;  // the longest release among its voices
};

// A synthesizer that is never heard: notes are started on it only to see their voices.
class NoteProbe {
  public:
    explicit NoteProbe(const std::string& soundfont) : settings_(newSynthSettings()) {
        if (settings_) {
            fluid_settings_setint(settings_.get(), "synth.threadsafe-api", 0);
            fluid_settings_setint(settings_.get(), "synth.reverb.active", 0);
            fluid_settings_setint(settings_.get(), "synth.chorus.active", 0);
            synth_.reset(new_fluid_synth(settings_.get()));
        }
        if (!synth_ || !loadSoundfont(synth_.get(), soundfont)) {
            throw RenderError("The soundfont " + soundfont + " could not be loaded: it is damaged.");
        }
    }

    NoteProfile profile(int channel, int program, int key) {
        // Drums sound on their own channel, every other program on any other.
        const int on = channel == kDrumChannel ? kDrumChannel : 0;
        const auto known = profiles_.find({on, program, key});
        if (known != profiles_.end()) {
            return known->second;
        }
        fluid_synth_program_change(synth_.get(), on, program);
        fluid_synth_noteon(synth_.get(), on, key, kProbeVelocity);
        std::vector<fluid_voice_t*> voices(kSynthPolyphony);
        fluid_synth_get_voicelist(synth_.get(), voices.data(), static_cast<int>(voices.size()), -1);
        NoteProfile profile;
        for (fluid_voice_t* voice : voices) {
            if (voice == nullptr) {
                break;
            }
            ++profile.voices;
            const double release = std::exp2(fluid_voice_gen_get(voice, GEN_VOLENVRELEASE) / 1200.0);
            profile.releaseSeconds = std::max(profile.releaseSeconds, std::min(release, kLongestRelease));
        }
        fluid_synth_all_sounds_off(synth_.get(), on);
        // One block, so that the voices are free again for the next note.
        std::array<float, 64> left{};
        std::array<float, 64> right{};
        fluid_synth_write_float(synth_.get(), static_cast<int>(left.size()), left.data(), 0, 1,
                                right.data(), 0, 1);
        profiles_.emplace(std::tuple{on, program, key}, profile);
        return profile;
    }

  private:
    SettingsPtr settings_;
    SynthPtr synth_;
    std::map<std::tuple<int, int, int>, NoteProfile> profiles_;
};

}  // namespace

std::array<double, kMidiChannels> estimateChannelCosts(const MidiSummary& summary,
                                                       const std::string& soundfont) {
    NoteProbe probe(soundfont);
    std::array<double, kMidiChannels> costs{};
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        for (const NoteGroup& group : summary.channelNotes[static_cast<std::size_t>(channel)]) {
            const NoteProfile profile = probe.profile(channel, group.program, group.key);
            costs[static_cast<std::size_t>(channel)] +=
                profile.voices * (group.seconds + group.count * profile.releaseSeconds);
        }
    }
    return costs;
}

}  // namespace corvane
