#pragma once
// One synthesizer of an offline render. It plays the whole song through a MIDI file player of
// its own but sounds only its share of the channels and keys; the render sums the lanes.

#include <cstdint>
#include <span>
#include <string>

#include "sound/lane_share.h"
#include "sound/synth_settings.h"

namespace corvane {

class SynthLane {
  public:
    // Sets up a synthesizer with the program's settings (without reverb and chorus unless
    // `effects`) and room for `voices` voices at once, and loads `soundfont` into it. Raises
    // RenderError.
    SynthLane(const std::string& soundfont, bool effects, int voices = kSynthPolyphony);
    SynthLane(const SynthLane&) = delete;
    SynthLane& operator=(const SynthLane&) = delete;
    // Members go in reverse order: the player before the synthesizer before the settings.
    ~SynthLane() = default;

    // Starts the song of `midi` (which must outlive the lane) through a player that passes on
    // only the notes of `share`, the other events of the channels it plays keys of, and every
    // event of no channel; the last event of the song is at `lastEventTick`. Raises RenderError.
    void play(std::span<const std::uint8_t> midi, const LaneShare& share,
              std::uint32_t lastEventTick);
    // Adds the next `frames` frames of sound, reverb and chorus included, to `left` and `right`.
    void render(float* left, float* right, std::size_t frames);
    // The song's last event has been played.
    bool pastLastEvent() const;
    // Voices still sounding, released ones included.
    int activeVoices() const;

  private:
    static int forward(void* data, fluid_midi_event_t* event);

    LaneShare share_;
    std::uint32_t lastEventTick_ = 0;
    SettingsPtr settings_;
    SynthPtr synth_;
    PlayerPtr player_;
};

}  // namespace corvane
