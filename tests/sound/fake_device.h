#pragma once
// A sound device that records what the Player asks of it, for tests.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sound/device.h"

namespace corvane::test {

struct DeviceCall {
    enum Kind { OpenOut, Send, CloseOut, OpenSequencer, Play, CloseSequencer } kind = OpenOut;
    std::uint32_t value = 0;  // handle, message or sequencer id
    std::chrono::steady_clock::time_point when;
    std::string path;                 // for OpenSequencer
    bool fileExisted = false;         // for OpenSequencer: the file was there when it was opened
    unsigned permissions = 0;         // for OpenSequencer: its permission bits, when a plain file
    std::vector<std::uint8_t> bytes;  // for OpenSequencer: what the file held
};

class FakeDevice final : public SoundDevice {
  public:
    bool outAvailable = true;
    bool sequencerOpens = true;

    MidiOutHandle openMidiOut() override {
        const std::lock_guard guard(mutex_);
        record(DeviceCall::OpenOut, outAvailable ? 7u : 0u);
        return outAvailable ? 7 : 0;
    }
    void sendShortMessage(MidiOutHandle out, std::uint32_t message) override {
        if ((message & 0xF0) == 0x80) {
            waitAtTheGate();
        }
        const std::lock_guard guard(mutex_);
        if (out != 7) {
            badHandle_ = true;
        }
        record(DeviceCall::Send, message);
    }
    void closeMidiOut(MidiOutHandle out) override {
        const std::lock_guard guard(mutex_);
        if (out != 7) {
            badHandle_ = true;
        }
        record(DeviceCall::CloseOut, out);
    }
    SequencerId openSequencer(const std::string& path) override;
    void playSequencer(SequencerId id, NotifyTarget& target) override {
        const std::lock_guard guard(mutex_);
        record(DeviceCall::Play, id);
        target_ = &target;
    }
    void closeSequencer(SequencerId id) override {
        const std::lock_guard guard(mutex_);
        record(DeviceCall::CloseSequencer, id);
        target_ = nullptr;
    }

    std::vector<DeviceCall> calls() const {
        const std::lock_guard guard(mutex_);
        return calls_;
    }
    std::vector<std::uint32_t> messages() const {
        std::vector<std::uint32_t> result;
        for (const DeviceCall& call : calls()) {
            if (call.kind == DeviceCall::Send) {
                result.push_back(call.value);
            }
        }
        return result;
    }
    int count(DeviceCall::Kind kind) const {
        int n = 0;
        for (const DeviceCall& call : calls()) {
            n += call.kind == kind ? 1 : 0;
        }
        return n;
    }
    bool badHandle() const {
        const std::lock_guard guard(mutex_);
        return badHandle_;
    }
    void clear() {
        const std::lock_guard guard(mutex_);
        calls_.clear();
    }
    // While held, Note Offs wait in sendShortMessage: the previews that sent them stay under
    // way, for as long as a test needs, however slowly its threads run.
    void holdNoteOffs() {
        const std::lock_guard guard(gateMutex_);
        gateClosed_ = true;
    }
    void releaseNoteOffs() {
        {
            const std::lock_guard guard(gateMutex_);
            gateClosed_ = false;
        }
        gateChanged_.notify_all();
    }
    // Delivers the end of the song, as a sequencer would.
    void finishSong() {
        NotifyTarget* target = nullptr;
        {
            const std::lock_guard guard(mutex_);
            target = target_;
        }
        if (target != nullptr) {
            target->notifyPlaybackDone();
        }
    }

  private:
    void waitAtTheGate() {
        std::unique_lock guard(gateMutex_);
        gateChanged_.wait(guard, [this] { return !gateClosed_; });
    }
    void record(DeviceCall::Kind kind, std::uint32_t value) {
        DeviceCall call;
        call.kind = kind;
        call.value = value;
        record(std::move(call));
    }
    void record(DeviceCall call) {
        call.when = std::chrono::steady_clock::now();
        calls_.push_back(std::move(call));
    }

    mutable std::mutex mutex_;
    std::vector<DeviceCall> calls_;
    bool badHandle_ = false;
    NotifyTarget* target_ = nullptr;
    SequencerId next_ = 0;
    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    bool gateClosed_ = false;
};

// A window: counts completion notices; the test thread then plays the window's part.
class FakeWindow final : public NotifyTarget {
  public:
    void notifyPlaybackDone() override {
        const std::lock_guard guard(mutex_);
        ++notices_;
    }
    int notices() const {
        const std::lock_guard guard(mutex_);
        return notices_;
    }

  private:
    mutable std::mutex mutex_;
    int notices_ = 0;
};

}  // namespace corvane::test
