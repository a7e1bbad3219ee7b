#include "sound/channel_costs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "sound/audio_sink.h"
#include "sound/synth_settings.h"

namespace corvane {

namespace {

constexpr int kDrumChannel = 9;
constexpr int kProbeVelocity = 100;
// How long voices last does not depend on the rate they are rendered at, nor on the
// interpolation: the probe takes the cheapest.
constexpr double kProbeRate = 8000;
// Voices are counted after every step of this many frames (8 ms).
constexpr int kProbeStep = 64;
// A voice still sounding this long after its Note Off is cut short by the end of the sound.
constexpr double kLongestTail = 10.0;
// Starting a voice costs FluidSynth about as much as sounding one for this long: it sets up
// the voice's generators and modulators.
constexpr double kVoiceStartSeconds = 0.04;
// More voices than one note of any soundfont starts.
constexpr int kMostProbedVoices = 64;

struct NoteWeight {
    double cost = 0;
    bool exclusive = false;
    // The voices the note starts, and how long after its start the last of them fell silent.
    int voices = 0;
    double lasting = 0;
};

// How many voices the notes sound at most at once, counting too many rather than too few: each
// note's voices from its start for as long as it is held and then as long as the probe heard
// them from their start.
int mostVoicesAtOnce(const std::vector<HeldNote>& notes,
                     const std::array<std::vector<NoteWeight>, kMidiChannels>& probed) {
    std::vector<std::pair<double, int>> changes;  // when, and how many voices start or end
    changes.reserve(2 * notes.size());
    for (const HeldNote& note : notes) {
        const NoteWeight& weight = probed[static_cast<std::size_t>(note.channel)][note.group];
        changes.emplace_back(note.start, weight.voices);
        changes.emplace_back(note.start + note.seconds + weight.lasting, -weight.voices);
    }
    // Voices that start as others end are counted before those end.
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (a.first == b.first && a.second > b.second);
    });
    int sounding = 0;
    int most = 0;
    for (const auto& [when, voices] : changes) {
        sounding += voices;
        most = std::max(most, sounding);
    }
    return most;
}

}  // namespace

// A synthesizer that is never heard: each kind of note is played on it once, held as long as
// such notes are held in the song, to see how many voices it starts and how long they sound.
// That takes in what a soundfont's zones do: layered voices, samples that end by themselves,
// envelopes that decay to silence while the key is held, and releases that fall below hearing
// before their nominal end.
class NoteProbe {
  public:
    explicit NoteProbe(const std::string& soundfont) : settings_(newSynthSettings()) {
        if (settings_) {
            fluid_settings_setint(settings_.get(), "synth.threadsafe-api", 0);
            fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
            fluid_settings_setint(settings_.get(), "synth.reverb.active", 0);
            fluid_settings_setint(settings_.get(), "synth.chorus.active", 0);
            fluid_settings_setnum(settings_.get(), "synth.sample-rate", kProbeRate);
            // One note sounds at a time: setting up a song's worth of voices would cost more
            // than the whole probe.
            fluid_settings_setint(settings_.get(), "synth.polyphony", kMostProbedVoices);
            synth_.reset(new_fluid_synth(settings_.get()));
        }
        if (!synth_ || !loadSoundfont(synth_.get(), soundfont)) {
            throw RenderError("The soundfont " + soundfont + " could not be loaded: it is damaged.");
        }
        fluid_synth_set_interp_method(synth_.get(), -1, FLUID_INTERP_NONE);
    }

    // One note of `program` and `key` on `channel` held for `holdSeconds`: its cost in seconds
    // of one voice sounding, whether its voices belong to an exclusive class, how many it
    // starts and how long they last.
    NoteWeight noteCost(int channel, int program, int key, double holdSeconds) {
        // Drums sound on their own channel, every other program on any other.
        const int on = channel == kDrumChannel ? kDrumChannel : 0;
        const long holdSteps = std::lround(holdSeconds * kProbeRate / kProbeStep);
        const auto known = costs_.find({on, program, key, holdSteps});
        if (known != costs_.end()) {
            return known->second;
        }
        fluid_synth_program_change(synth_.get(), on, program);
        fluid_synth_noteon(synth_.get(), on, key, kProbeVelocity);
        const int started = fluid_synth_get_active_voice_count(synth_.get());
        const bool exclusive = startedExclusive();
        const long lastStep = holdSteps + std::lround(kLongestTail * kProbeRate / kProbeStep);
        long sounding = 0;  // voice-steps
        long step = 0;
        while (step < lastStep) {
            if (step == holdSteps) {
                fluid_synth_noteoff(synth_.get(), on, key);
            }
            renderStep();
            ++step;
            const int voices = fluid_synth_get_active_voice_count(synth_.get());
            sounding += voices;
            if (voices == 0) {
                break;
            }
        }
        fluid_synth_all_sounds_off(synth_.get(), on);
        renderStep();  // frees the voices for the next note
        const NoteWeight weight{static_cast<double>(sounding) * kProbeStep / kProbeRate +
                                    started * kVoiceStartSeconds,
                                exclusive, started,
                                static_cast<double>(step) * kProbeStep / kProbeRate};
        costs_.emplace(std::tuple{on, program, key, holdSteps}, weight);
        return weight;
    }

  private:
    // Some voice of the note just started cuts off the others of its class.
    bool startedExclusive() {
        std::array<fluid_voice_t*, kMostProbedVoices> voices{};
        fluid_synth_get_voicelist(synth_.get(), voices.data(), static_cast<int>(voices.size()), -1);
        return std::any_of(voices.begin(), voices.end(), [](fluid_voice_t* voice) {
            return voice != nullptr && fluid_voice_gen_get(voice, GEN_EXCLUSIVECLASS) != 0;
        });
    }

    void renderStep() {
        fluid_synth_write_float(synth_.get(), kProbeStep, left_.data(), 0, 1, right_.data(), 0, 1);
    }

    SettingsPtr settings_;
    SynthPtr synth_;
    std::array<float, kProbeStep> left_{};
    std::array<float, kProbeStep> right_{};
    std::map<std::tuple<int, int, int, long>, NoteWeight> costs_;
};

ChannelWeigher::ChannelWeigher(const std::string& soundfont)
    : probe_(std::make_unique<NoteProbe>(soundfont)) {}

ChannelWeigher::~ChannelWeigher() = default;

std::array<double, kMidiChannels> ChannelWeigher::costs(const MidiSummary& summary) {
    return channelCosts(weigh(summary).keys);
}

SongWeights ChannelWeigher::weigh(const MidiSummary& summary) {
    NoteProbe& probe = *probe_;
    SongWeights weights;
    weights.keysTogether = summary.keysTogether;
    std::array<std::vector<NoteWeight>, kMidiChannels> probed;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        const auto c = static_cast<std::size_t>(channel);
        for (const NoteGroup& group : summary.channelNotes[c]) {
            if (group.count == 0) {
                probed[c].emplace_back();
                continue;
            }
            const NoteWeight note =
                probe.noteCost(channel, group.program, group.key, group.seconds / group.count);
            probed[c].push_back(note);
            weights.keys[c][static_cast<std::size_t>(group.key)] += group.count * note.cost;
            if (note.exclusive) {
                weights.keysTogether |= static_cast<std::uint16_t>(1u << channel);
            }
        }
    }
    weights.mostVoices = summary.pedalled ? std::numeric_limits<int>::max()
                                          : mostVoicesAtOnce(summary.heldNotes, probed);
    return weights;
}

std::array<double, kMidiChannels> estimateChannelCosts(const MidiSummary& summary,
                                                       const std::string& soundfont) {
    return ChannelWeigher(soundfont).costs(summary);
}

}  // namespace corvane
