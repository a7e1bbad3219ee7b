#pragma once
// The sound device layer: the live output that note previews sound on and the MIDI file
// sequencer used by playback. The program talks only to this interface; whoever builds a Player
// hands it its device (main() the real one, FluidSynth; the headless replay and most tests the
// silent stand-in or a recording double).

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Id of an open sequencer; 0 is "none".
using SequencerId = std::uint32_t;

// Receives the sequencer's completion notice. notifyPlaybackDone() may be called on any thread;
// an implementation hands it to the window's thread (where it runs Player::stop() and then
// repaints) and must not call into the Player or the device from the calling thread.
class NotifyTarget {
  public:
    virtual void notifyPlaybackDone() = 0;

  protected:
    ~NotifyTarget() = default;
};

// Receives a device's verdict on whether it can sound, once it is known.
class StatusTarget {
  public:
    // `problem` is "" when the device sounds, else a sentence for the user saying what is
    // missing. May be called on any thread; it must not call into the device.
    virtual void soundStatusKnown(const std::string& problem) = 0;

  protected:
    ~StatusTarget() = default;
};

class SoundDevice {
  public:
    virtual ~SoundDevice() = default;

    // Opens the live output, on which notes sound as soon as they are sent; false when there is
    // none. Each successful open is matched by one closeLiveOutput().
    virtual bool openLiveOutput() = 0;
    virtual void closeLiveOutput() = 0;
    // Channel messages on the open live output; several threads may send at once. Channels are
    // 0..15, keys, velocities and programs 0..127; a message with a value outside its range is
    // dropped. A Note On of velocity 0 is a Note Off.
    virtual void noteOn(int channel, int key, int velocity) = 0;
    virtual void noteOff(int channel, int key) = 0;
    virtual void programChange(int channel, int program) = 0;

    // Opens a sequencer on the Standard MIDI File at `path`, reading the file at once (the
    // caller deletes it right after). Returns 0 on failure.
    virtual SequencerId openSequencer(const std::string& path) = 0;
    // Starts playing; `target` is notified once when the song has ended. The target must stay
    // alive until the sequencer is closed.
    virtual void playSequencer(SequencerId id, NotifyTarget& target) = 0;
    // Stops and closes; once this returns no notice for `id` is sent any more.
    virtual void closeSequencer(SequencerId id) = 0;
    // The MIDI tick of the song of `id` that is sounding now, with its fraction: as far as the
    // sequencer has gone in the audio rendered so far, less the audio the output still holds.
    // Nullopt when the device keeps no such clock (the silent stand-in) or `id` is not playing.
    // Called on the window's thread; it never waits for the audio thread's rendering.
    virtual std::optional<double> sequencerTick(SequencerId) { return std::nullopt; }

    // Tells `target` once whether the device can sound, as soon as that is known (at once when
    // it already is). A device that never finds out, like the silent stand-in, says nothing.
    virtual void reportStatus(StatusTarget&) {}
    // Forgets `target`; once this returns it is not called any more.
    virtual void stopReporting(StatusTarget&) {}
};

// The silent stand-in: no live output, and a sequencer that opens any file, plays nothing and
// never ends by itself (its owner delivers the completion notice).
class SilentSoundDevice final : public SoundDevice {
  public:
    bool openLiveOutput() override { return false; }
    void closeLiveOutput() override {}
    void noteOn(int, int, int) override {}
    void noteOff(int, int) override {}
    void programChange(int, int) override {}
    SequencerId openSequencer(const std::string& path) override;
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}

  private:
    SequencerId lastId_ = 0;
};

}  // namespace corvane
