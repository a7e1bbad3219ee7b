#include "sound/synth_lane.h"

#include <array>

#include "sound/audio_sink.h"

namespace corvane {

SynthLane::SynthLane(const std::string& soundfont, bool effects, int voices)
    : settings_(newSynthSettings()) {
    if (!settings_) {
        throw RenderError("The synthesizer could not be set up.");
    }
    fluid_settings_setint(settings_.get(), "synth.polyphony", voices);
    // Nothing but this lane's thread touches the synthesizer once it renders.
    fluid_settings_setint(settings_.get(), "synth.threadsafe-api", 0);
    fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
    // A reset at the song's end would cut this lane's reverb while other lanes still sound.
    fluid_settings_setint(settings_.get(), "player.reset-synth", 0);
    if (!effects) {
        fluid_settings_setint(settings_.get(), "synth.reverb.active", 0);
        fluid_settings_setint(settings_.get(), "synth.chorus.active", 0);
    }
    synth_.reset(new_fluid_synth(settings_.get()));
    if (!synth_) {
        throw RenderError("The synthesizer could not be set up.");
    }
    if (!loadSoundfont(synth_.get(), soundfont)) {
        throw RenderError("The soundfont " + soundfont + " could not be loaded: it is damaged.");
    }
}

int SynthLane::forward(void* data, fluid_midi_event_t* event) {
    const auto* lane = static_cast<const SynthLane*>(data);
    const int type = fluid_midi_event_get_type(event);
    // Channel messages are 0x80 to 0xEF; SysEx and the rest reach every lane. Note Off, Note On
    // and key pressure go by key.
    if (type >= 0x80 && type < 0xF0) {
        const int channel = fluid_midi_event_get_channel(event);
        const bool byKey = type < 0xB0;
        if (byKey ? !lane->share_.plays(channel, fluid_midi_event_get_key(event))
                  : !lane->share_.hears(channel)) {
            return FLUID_OK;
        }
    }
    return fluid_synth_handle_midi_event(lane->synth_.get(), event);
}

void SynthLane::play(std::span<const std::uint8_t> midi, const LaneShare& share,
                     std::uint32_t lastEventTick) {
    share_ = share;
    lastEventTick_ = lastEventTick;
    player_.reset(new_fluid_player(synth_.get()));
    if (!player_ || fluid_player_add_mem(player_.get(), midi.data(), midi.size()) != FLUID_OK) {
        throw RenderError("The synthesizer could not be set up.");
    }
    fluid_player_set_playback_callback(player_.get(), &SynthLane::forward, this);
    if (fluid_player_play(player_.get()) != FLUID_OK) {
        throw RenderError("The MIDI data could not be played.");
    }
}

void SynthLane::render(float* left, float* right, std::size_t frames) {
    // Reverb and chorus are mixed into the dry output, as the playback device mixes them.
    std::array<float*, 4> effects = {left, right, left, right};
    std::array<float*, 2> dry = {left, right};
    fluid_synth_process(synth_.get(), static_cast<int>(frames), static_cast<int>(effects.size()),
                        effects.data(), static_cast<int>(dry.size()), dry.data());
}

bool SynthLane::pastLastEvent() const {
    return fluid_player_get_current_tick(player_.get()) >= static_cast<int>(lastEventTick_);
}

int SynthLane::activeVoices() const {
    return fluid_synth_get_active_voice_count(synth_.get());
}

}  // namespace corvane
