#pragma once
// A sound device that records what the Player asks of it, for tests.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "sound/device.h"

namespace corvane::test {

struct DeviceCall {
    enum Kind {
        OpenOut,
        ProgramChange,
        NoteOn,
        NoteOff,
        CloseOut,
        OpenSequencer,
        Play,
        CloseSequencer
    } kind = OpenOut;
    int channel = 0;             // messages
    int data = 0;                // Program Change: the program; notes: the key
    int velocity = 0;            // Note On
    SequencerId sequencer = 0;   // OpenSequencer (0 when it failed), Play, CloseSequencer
    std::chrono::steady_clock::time_point when;
    std::string path;                 // for OpenSequencer
    bool fileExisted = false;         // for OpenSequencer: the file was there when it was opened
    unsigned permissions = 0;         // for OpenSequencer: its permission bits, when a plain file
    std::vector<std::uint8_t> bytes;  // for OpenSequencer: what the file held

    // A message on the live output.
    bool isMessage() const { return kind == ProgramChange || kind == NoteOn || kind == NoteOff; }
    // The live output's calls as text: "open", "program CHANNEL PROGRAM", "note on CHANNEL KEY
    // VELOCITY", "note off CHANNEL KEY", "close"; the sequencer's as "sequencer ...".
    std::string text() const {
        const auto numbers = [](std::initializer_list<int> values) {
            std::string out;
            for (const int value : values) {
                out += ' ' + std::to_string(value);
            }
            return out;
        };
        switch (kind) {
            case OpenOut:
                return "open";
            case ProgramChange:
                return "program" + numbers({channel, data});
            case NoteOn:
                return "note on" + numbers({channel, data, velocity});
            case NoteOff:
                return "note off" + numbers({channel, data});
            case CloseOut:
                return "close";
            case OpenSequencer:
                return "sequencer open";
            case Play:
                return "sequencer play";
            case CloseSequencer:
                return "sequencer close";
        }
        return "?";
    }
};

inline std::vector<std::string> texts(const std::vector<DeviceCall>& calls) {
    std::vector<std::string> out;
    for (const DeviceCall& call : calls) {
        out.push_back(call.text());
    }
    return out;
}

class FakeDevice final : public SoundDevice {
  public:
    bool outAvailable = true;
    bool sequencerOpens = true;

    bool openLiveOutput() override {
        const std::lock_guard guard(mutex_);
        record(call(DeviceCall::OpenOut));
        openOutputs_ += outAvailable ? 1 : 0;
        return outAvailable;
    }
    void closeLiveOutput() override {
        const std::lock_guard guard(mutex_);
        if (openOutputs_ == 0) {
            misused_ = true;
        }
        --openOutputs_;
        record(call(DeviceCall::CloseOut));
    }
    void programChange(int channel, int program) override {
        message(call(DeviceCall::ProgramChange, channel, program));
    }
    void noteOn(int channel, int key, int velocity) override {
        message(call(DeviceCall::NoteOn, channel, key, velocity));
    }
    void noteOff(int channel, int key) override {
        waitAtTheGate();
        message(call(DeviceCall::NoteOff, channel, key));
    }
    SequencerId openSequencer(const std::string& path) override;
    void playSequencer(SequencerId id, NotifyTarget& target) override {
        const std::lock_guard guard(mutex_);
        DeviceCall played = call(DeviceCall::Play);
        played.sequencer = id;
        record(played);
        target_ = &target;
    }
    void closeSequencer(SequencerId id) override {
        const std::lock_guard guard(mutex_);
        DeviceCall closed = call(DeviceCall::CloseSequencer);
        closed.sequencer = id;
        record(closed);
        target_ = nullptr;
    }

    std::vector<DeviceCall> calls() const {
        const std::lock_guard guard(mutex_);
        return calls_;
    }
    // The messages sent on the live output, in order.
    std::vector<DeviceCall> messages() const {
        std::vector<DeviceCall> result;
        for (const DeviceCall& call : calls()) {
            if (call.isMessage()) {
                result.push_back(call);
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
    // How many messages were sent on the live output.
    int messageCount() const { return static_cast<int>(messages().size()); }
    // A message was sent while the live output was not open, or it was closed more often than
    // it was opened.
    bool misused() const {
        const std::lock_guard guard(mutex_);
        return misused_;
    }
    void clear() {
        const std::lock_guard guard(mutex_);
        calls_.clear();
    }
    // While held, Note Offs wait in noteOff(): the previews that sent them stay under
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
    static DeviceCall call(DeviceCall::Kind kind, int channel = 0, int data = 0,
                           int velocity = 0) {
        DeviceCall made;
        made.kind = kind;
        made.channel = channel;
        made.data = data;
        made.velocity = velocity;
        return made;
    }
    void waitAtTheGate() {
        std::unique_lock guard(gateMutex_);
        gateChanged_.wait(guard, [this] { return !gateClosed_; });
    }
    void message(DeviceCall call) {
        const std::lock_guard guard(mutex_);
        if (openOutputs_ <= 0) {
            misused_ = true;
        }
        record(std::move(call));
    }
    void record(DeviceCall call) {
        call.when = std::chrono::steady_clock::now();
        calls_.push_back(std::move(call));
    }

    mutable std::mutex mutex_;
    std::vector<DeviceCall> calls_;
    int openOutputs_ = 0;
    bool misused_ = false;
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
