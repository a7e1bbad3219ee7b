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
    // `effects`) and loads `soundfont` into it. Raises RenderError.
    SynthLane(const std::string& soundfont, bool effects);
    SynthLane(const SynthLane&) = delete;
    SynthLane& operator=(const SynthLane&) = delete;
    // Members go in reverse order: the player before the synthesizer before the settings.
    ~SynthLane() = default;

    // Starts the song of `midi` (which must outlive the lane) through a player that passes on
    // only the channel events of `channels` (a bit mask) and every event of no channel; the last
    // event of the song is at `lastEventTick`. Raises RenderError.
    void play(std::span<const std::uint8_t> midi, std::uint16_t channels,
              std::uint32_t lastEventTick);
    // Adds the next `frames` frames of sound, reverb and chorus included, to `left` and `right`.
    void render(float* left, float* right, std::size_t frames);
    // The song's last event has been played.
    bool pastLastEvent() const;
    // Voices still sounding, released ones included.
    int activeVoices() const;

  private:
    static int forward(void* data, fluid_midi_event_t* event);

    std::uint16_t channels_ = 0;
    std::uint32_t lastEventTick_ = 0;
    SettingsPtr settings_;
    SynthPtr synth_;
    PlayerPtr player_;
};

}  // namespace corvane
