#include "sound/player.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "score/data_file.h"

namespace corvane {

namespace {

constexpr auto kPreviewLength = std::chrono::milliseconds(400);
constexpr std::uint8_t kVelocity = 127;
// Preview threads kept ready: enough for a chord and a note entered right after it.
constexpr int kParkedPreviewThreads = 4;

// What a preview thread is handed, by value: it never reads the score.
struct PreviewRequest {
    std::uint8_t key = 0;
    std::uint8_t program = 0;
    std::uint8_t drums = 0;
};

// The preview threads. Every preview runs on a thread of its own, at once and alongside the
// others; a thread that has finished its preview stays parked for a while and takes the next one,
// because starting a thread costs far more than handing work to a parked one and previewNote()
// must return at once. Threads are joined, never detached, so that the program can wait for
// them (tests, the headless replay, process exit) instead of leaving threads that outlive the
// state they use.
class PreviewThreads {
  public:
    PreviewThreads() = default;
    PreviewThreads(const PreviewThreads&) = delete;
    PreviewThreads& operator=(const PreviewThreads&) = delete;

    // At exit, sleeping previews are woken so that they end now (each still sends its Note Off),
    // and every thread is joined.
    ~PreviewThreads() {
        std::list<std::thread> threads;
        {
            std::unique_lock guard(mutex_);
            shuttingDown_ = true;
            work_.notify_all();
            changed_.notify_all();
            changed_.wait(guard, [this] { return pending_ == 0; });
            threads.swap(threads_);
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }

    // Runs `body` on a parked thread, or on a new one when none is free.
    void start(std::function<void()> body) {
        const std::lock_guard guard(mutex_);
        joinRetiredLocked();
        queue_.push_back(std::move(body));
        ++pending_;
        // Each queued preview needs a parked thread of its own, or it waits behind another.
        if (static_cast<std::size_t>(idle_) >= queue_.size()) {
            work_.notify_one();
            return;
        }
        spawnLocked();
    }

    // Keeps at least `count` threads, parked when idle, so that the first notes of a session
    // (a chord, a quick run) start without creating threads.
    void keepParked(int count) {
        const std::lock_guard guard(mutex_);
        floor_ = std::max(floor_, count);
        while (workers_ < floor_) {
            spawnLocked();
        }
    }

    // Waits `length` unless the process is exiting.
    void sleepFor(std::chrono::milliseconds length) {
        std::unique_lock guard(mutex_);
        changed_.wait_for(guard, length, [this] { return shuttingDown_; });
    }

    // Returns once every preview started so far has ended.
    void waitAll() {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [this] { return pending_ == 0; });
    }

  private:
    // How long a thread stays parked without work before it ends.
    static constexpr auto kParkTime = std::chrono::seconds(30);

    // A new thread starts parked: it is counted in idle_ from here on.
    void spawnLocked() {
        ++idle_;
        ++workers_;
        threads_.emplace_back([this] { serve(); });
    }

    void serve() {
        std::unique_lock guard(mutex_);
        for (;;) {
            const bool woken = work_.wait_for(guard, kParkTime,
                                              [this] { return !queue_.empty() || shuttingDown_; });
            if (!woken) {
                if (workers_ <= floor_) {
                    continue;
                }
                --idle_;
                --workers_;
                retired_.push_back(std::this_thread::get_id());
                return;
            }
            --idle_;
            while (!queue_.empty()) {
                std::function<void()> body = std::move(queue_.front());
                queue_.pop_front();
                guard.unlock();
                body();
                guard.lock();
                --pending_;
                changed_.notify_all();
            }
            if (shuttingDown_) {
                --workers_;
                return;
            }
            ++idle_;
        }
    }

    void joinRetiredLocked() {
        for (const std::thread::id id : retired_) {
            for (auto it = threads_.begin(); it != threads_.end(); ++it) {
                if (it->get_id() == id) {
                    // The thread has left serve(); join only waits for its exit.
                    it->join();
                    threads_.erase(it);
                    break;
                }
            }
        }
        retired_.clear();
    }

    std::mutex mutex_;
    std::condition_variable changed_;  // a preview ended, or the process is exiting
    std::condition_variable work_;     // work for a parked thread, or the process is exiting
    std::list<std::thread> threads_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread::id> retired_;
    int pending_ = 0;  // previews queued or running
    int idle_ = 0;     // parked threads
    int workers_ = 0;  // threads that have not ended
    int floor_ = 0;    // threads kept even when long idle
    bool shuttingDown_ = false;
};

// The process-wide sound state. `lock` guards every field below it.
struct PlayerState {
    std::mutex lock;
    bool playing = false;
    int previewCount = 0;
    MidiOutHandle previewOut = 0;
    SequencerId mciDevice = 0;
    // The installed device, and the devices that the open handles belong to.
    std::shared_ptr<SoundDevice> installed;
    std::shared_ptr<SoundDevice> previewDevice;
    std::shared_ptr<SoundDevice> sequencerDevice;

    // Declared last so that it is destroyed first: the threads use the fields above.
    PreviewThreads previews;

    std::shared_ptr<SoundDevice> device() {
        if (!installed) {
            installed = std::make_shared<SilentSoundDevice>();
        }
        return installed;
    }
};

PlayerState& state() {
    static PlayerState instance;
    return instance;
}

void previewThread(PreviewRequest request) {
    PlayerState& s = state();
    std::shared_ptr<SoundDevice> device;
    MidiOutHandle out = 0;
    {
        const std::lock_guard guard(s.lock);
        if (s.playing) {
            return;
        }
        if (++s.previewCount == 1) {
            s.previewDevice = s.device();
            s.previewOut = s.previewDevice->openMidiOut();
        }
        // Read under the lock; the handle stays open while this thread is counted.
        device = s.previewDevice;
        out = s.previewOut;
    }

    if (out != 0) {
        const std::uint8_t channel = request.drums != 0 ? 9 : 0;
        device->sendShortMessage(out, packShortMessage(0xC0, request.program, 0));
        device->sendShortMessage(out, packShortMessage(static_cast<std::uint8_t>(0x90 | channel),
                                                       request.key, kVelocity));
        s.previews.sleepFor(kPreviewLength);
        device->sendShortMessage(out, packShortMessage(static_cast<std::uint8_t>(0x80 | channel),
                                                       request.key, kVelocity));
    }

    const std::lock_guard guard(s.lock);
    if (--s.previewCount == 0) {
        if (s.previewOut != 0) {
            s.previewDevice->closeMidiOut(s.previewOut);
            s.previewOut = 0;
        }
        s.previewDevice.reset();
    }
}

}  // namespace

SequencerId SilentSoundDevice::openSequencer(const std::string&) {
    // Ids only need to be non-zero; wrap past 0.
    if (++lastId_ == 0) {
        ++lastId_;
    }
    return lastId_;
}

void installSoundDevice(std::shared_ptr<SoundDevice> device) {
    PlayerState& s = state();
    const std::lock_guard guard(s.lock);
    s.installed = std::move(device);
}

std::shared_ptr<SoundDevice> soundDevice() {
    PlayerState& s = state();
    const std::lock_guard guard(s.lock);
    return s.device();
}

Player::Player() {
    PlayerState& s = state();
    std::shared_ptr<SoundDevice> device;
    {
        const std::lock_guard guard(s.lock);
        device = s.device();
    }
    s.previews.keepParked(kParkedPreviewThreads);
    // The probe's outcome is not kept: it only wakes the device up.
    const MidiOutHandle probe = device->openMidiOut();
    if (probe != 0) {
        device->closeMidiOut(probe);
    }
}

Player::~Player() {
    stop();
}

void Player::previewNote(std::uint8_t key, std::uint8_t program, std::uint8_t drums) {
    state().previews.start(
        [request = PreviewRequest{key, program, drums}] { previewThread(request); });
}

void Player::play(const Score& score, int firstMeasure, NotifyTarget& window) {
    PlayerState& s = state();
    std::unique_lock guard(s.lock);
    if (s.playing || s.previewCount > 0) {
        return;
    }
    s.playing = true;
    std::optional<PrivateTempFile> file;
    try {
        file.emplace(midiFileBytes(score, firstMeasure), temporaryFolder(), kPlaybackFilePrefix,
                     ".mid");
    } catch (...) {
        s.playing = false;
        throw;
    }
    const std::shared_ptr<SoundDevice> device = s.device();
    s.mciDevice = device->openSequencer(file->path());
    // The sequencer has read the file by now: it goes at once.
    file.reset();
    if (s.mciDevice == 0) {
        // Nothing to play on: playback must not stay "on" without a device.
        s.playing = false;
        return;
    }
    s.sequencerDevice = device;
    const SequencerId id = s.mciDevice;
    guard.unlock();
    device->playSequencer(id, window);
}

void Player::stop() {
    PlayerState& s = state();
    const std::lock_guard guard(s.lock);
    if (s.mciDevice != 0) {
        s.sequencerDevice->closeSequencer(s.mciDevice);
        s.sequencerDevice.reset();
        s.playing = false;
        s.mciDevice = 0;
    }
}

void Player::togglePlay(const Score& score, int firstMeasure, NotifyTarget& window) {
    if (isPlaying()) {
        stop();
    } else {
        play(score, firstMeasure, window);
    }
}

bool Player::isPlaying() const {
    PlayerState& s = state();
    const std::lock_guard guard(s.lock);
    return s.playing;
}

void Player::waitForPreviews() {
    state().previews.waitAll();
}

}  // namespace corvane
