#pragma once
// The real sound device: a FluidSynth synthesizer with the system's General MIDI
// soundfont, played through the first audio driver that works.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sound/audio_format.h"
#include "sound/device.h"

namespace corvane {

struct FluidSynthOptions {
    // Soundfonts to try in order; empty means the system's usual General MIDI soundfonts.
    std::vector<std::string> soundfonts;
    // Audio drivers to try in order; empty means pulseaudio, alsa, jack.
    std::vector<std::string> drivers;
    // Audio buffering: periods x period size frames at the sample rate.
    int periods = 3;
    int periodSize = 128;
    double sampleRate = kAudioSampleRate;
    // How long the sound rings after the song's last tick before the completion notice, in
    // rendered audio (so a song ends with its audio, whatever pace the output keeps).
    std::chrono::milliseconds releaseTime{250};
    // Render in real time into nothing instead of a sound card (for tests of the synthesizer
    // under load on machines without sound).
    bool silentOutput = false;
    // Called on the audio thread with every block once it is rendered (the dry stereo mix), for
    // tests and benchmarks that look at what is sounding. It must not call into the device.
    std::function<void(const float* left, const float* right, int frames)> onBlock;
};

// The soundfonts a General MIDI system normally has, most preferred first.
std::vector<std::string> defaultSoundfonts();
// The first of `candidates` that exists, or "" when none does.
std::string findSoundfont(const std::vector<std::string>& candidates);

class FluidSynthDevice final : public SoundDevice {
  public:
    // Cheap: the synthesizer, soundfont and audio driver are set up on a thread of their own
    // started by the first use of the device.
    explicit FluidSynthDevice(FluidSynthOptions options = {});
    ~FluidSynthDevice() override;
    FluidSynthDevice(const FluidSynthDevice&) = delete;
    FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

    // Starts the set-up; false only once it has failed. While the soundfont still loads the
    // output is open but silent, so that the Player's probe never waits for the load.
    bool openLiveOutput() override;
    void closeLiveOutput() override;
    void noteOn(int channel, int key, int velocity) override;
    void noteOff(int channel, int key) override;
    void programChange(int channel, int program) override;
    // Sets a controller on the live output (such as the sustain pedal, or all sound off); for
    // tests and benchmarks. Values outside 0..127 are dropped.
    void controlChange(int channel, int controller, int value);
    SequencerId openSequencer(const std::string& path) override;
    void playSequencer(SequencerId id, NotifyTarget& target) override;
    // Returns at once: the audio thread takes the sequencer down before its next block.
    void closeSequencer(SequencerId id) override;
    // The tick the sequencer has reached, as it last said on the audio thread, advanced by the
    // frames rendered since at its tempo (never a whole tick ahead of what it said), for the
    // audio the output has played: the frames it still buffers are not yet heard.
    std::optional<double> sequencerTick(SequencerId id) override;
    void reportStatus(StatusTarget& target) override;
    void stopReporting(StatusTarget& target) override;

    // Starts the set-up if it has not started yet; waits for it to finish. True when sound works.
    bool waitUntilReady();
    // The audio buffering actually configured, in milliseconds (0 before the device is ready).
    double outputLatencyMs();
    // Name of the audio driver in use, "" when none.
    std::string driverName();
    // Frames rendered since the output opened: the device's own clock, which songs follow.
    std::uint64_t framesRendered() const;
    // Number of voices sounding now, released ones included; for tests.
    int activeVoices();
    // Channel and key of every voice still held on (not yet released); for tests.
    std::vector<std::pair<int, int>> heldNotes();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane
