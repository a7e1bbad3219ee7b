#pragma once
// The sound device layer: the default MIDI output used by the note preview and the MIDI file
// sequencer used by playback. The program talks only to this interface; main() installs the real
// device (FluidSynth) and everything else runs on a silent stand-in.

#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

// Handle of an open MIDI output; 0 is "none".
using MidiOutHandle = std::uint32_t;
// Id of an open sequencer; 0 is "none".
using SequencerId = std::uint32_t;

// A MIDI short message: status | first data byte << 8 | second data byte << 16.
constexpr std::uint32_t packShortMessage(std::uint8_t status, std::uint8_t data1,
                                         std::uint8_t data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

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

    // Opens the default MIDI output; 0 when there is none. Several threads may use one handle.
    virtual MidiOutHandle openMidiOut() = 0;
    // Sends one packed short message; safe to call from several threads at once.
    virtual void sendShortMessage(MidiOutHandle out, std::uint32_t message) = 0;
    virtual void closeMidiOut(MidiOutHandle out) = 0;

    // Opens a sequencer on the Standard MIDI File at `path`, reading the file at once (the
    // caller deletes it right after). Returns 0 on failure.
    virtual SequencerId openSequencer(const std::string& path) = 0;
    // Starts playing; `target` is notified once when the song has ended. The target must stay
    // alive until the sequencer is closed.
    virtual void playSequencer(SequencerId id, NotifyTarget& target) = 0;
    // Stops and closes; once this returns no notice for `id` is sent any more.
    virtual void closeSequencer(SequencerId id) = 0;

    // Tells `target` once whether the device can sound, as soon as that is known (at once when
    // it already is). A device that never finds out, like the silent stand-in, says nothing.
    virtual void reportStatus(StatusTarget&) {}
    // Forgets `target`; once this returns it is not called any more.
    virtual void stopReporting(StatusTarget&) {}
};

// The silent stand-in: no MIDI output, and a sequencer that opens any file, plays nothing and
// never ends by itself (its owner delivers the completion notice).
class SilentSoundDevice final : public SoundDevice {
  public:
    MidiOutHandle openMidiOut() override { return 0; }
    void sendShortMessage(MidiOutHandle, std::uint32_t) override {}
    void closeMidiOut(MidiOutHandle) override {}
    SequencerId openSequencer(const std::string& path) override;
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}

  private:
    SequencerId lastId_ = 0;
};

// Makes `device` the process's sound device; call before the Player is built (main() does).
// nullptr restores the silent stand-in.
void installSoundDevice(std::shared_ptr<SoundDevice> device);
// The installed device (the silent stand-in when none was installed).
std::shared_ptr<SoundDevice> soundDevice();

}  // namespace corvane
