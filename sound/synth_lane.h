#pragma once
// One synthesizer of an offline render. It plays the whole song through a MIDI file player of
// its own but sounds only the channels of its group; the render sums the lanes.

#include <cstdint>
#include <span>
#include <string>

#include "sound/synth_settings.h"

namespace corvane {

class SynthLane {
  public:
    // Sets up a synthesizer with the program's settings (without reverb and chorus unless
    // `effects`) and a player of `midi` that passes on only the channel events of `channels` (a
    // bit mask) and every event of no channel. Raises RenderError.
    SynthLane(std::span<const std::uint8_t> midi, std::uint16_t channels,
              std::uint32_t lastEventTick, bool effects);
    SynthLane(const SynthLane&) = delete;
    SynthLane& operator=(const SynthLane&) = delete;
    // Members go in reverse order: the player before the synthesizer before the settings.
    ~SynthLane() = default;

    // Loads the soundfont and starts the song; raises RenderError naming `soundfont`.
    void start(const std::string& soundfont);
    // Adds the next `frames` frames of sound, reverb and chorus included, to `left` and `right`.
    void render(float* left, float* right, std::size_t frames);
    // The song's last event has been played.
    bool pastLastEvent() const;
    // Voices still sounding, released ones included.
    int activeVoices() const;

  private:
    static int forward(void* data, fluid_midi_event_t* event);

    std::uint16_t channels_;
    std::uint32_t lastEventTick_;
    SettingsPtr settings_;
    SynthPtr synth_;
    PlayerPtr player_;
};

}  // namespace corvane
