#pragma once
// A sound device whose songs have a clock the test sets, for following playback without a
// synthesizer: every song opens, plays silently and is heard at `tick`.

#include <atomic>
#include <optional>
#include <string>

#include "sound/device.h"

namespace corvane::test {

class ClockDevice final : public SoundDevice {
  public:
    std::atomic<double> tick{0};  // the tick of the song heard now

    bool openLiveOutput() override { return true; }
    void closeLiveOutput() override {}
    void noteOn(int, int, int) override {}
    void noteOff(int, int) override {}
    void programChange(int, int) override {}
    SequencerId openSequencer(const std::string&) override { return ++last_; }
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}
    std::optional<double> sequencerTick(SequencerId) override { return tick.load(); }

  private:
    std::atomic<SequencerId> last_{0};
};

}  // namespace corvane::test
