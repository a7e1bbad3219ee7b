#include "sound/player.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "score/data_file.h"

namespace corvane {

namespace {

constexpr auto kPreviewLength = std::chrono::milliseconds(400);
constexpr int kVelocity = 127;
// General MIDI's percussion channel.
constexpr int kDrumChannel = 9;
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
// them (tests, the headless replay, the end of the Player) instead of leaving threads that
// outlive the state they use.
class PreviewThreads {
  public:
    PreviewThreads() = default;
    PreviewThreads(const PreviewThreads&) = delete;
    PreviewThreads& operator=(const PreviewThreads&) = delete;

    // Sleeping previews are woken so that they end now (each still sends its Note Off), and
    // every thread is joined.
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

    // Waits `length` unless the threads are shutting down.
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
    std::condition_variable changed_;  // a preview ended, or the threads are shutting down
    std::condition_variable work_;     // work for a parked thread, or the threads are shutting down
    std::list<std::thread> threads_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread::id> retired_;
    int pending_ = 0;  // previews queued or running
    int idle_ = 0;     // parked threads
    int workers_ = 0;  // threads that have not ended
    int floor_ = 0;    // threads kept even when long idle
    bool shuttingDown_ = false;
};

}  // namespace

// What the Player and its preview threads share. `lock` guards every field below it.
struct Player::State {
    explicit State(std::shared_ptr<SoundDevice> sound) : device(std::move(sound)) {}

    // Fixed for the Player's life; the device is safe to call from several threads.
    const std::shared_ptr<SoundDevice> device;

    std::mutex lock;
    bool playing = false;
    int previewCount = 0;
    // The live output is open: opened by the first of overlapping previews, closed by the last.
    bool outputOpen = false;
    SequencerId sequencer = 0;
    // The measures of the song that plays, taken when it started.
    SongMeasures measures;

    // Declared last so that it is destroyed first: its threads use the fields above.
    PreviewThreads previews;

    // One preview, on a thread of the pool.
    void preview(PreviewRequest request);
};

void Player::State::preview(PreviewRequest request) {
    bool open = false;
    {
        const std::lock_guard guard(lock);
        if (playing) {
            return;
        }
        if (++previewCount == 1) {
            outputOpen = device->openLiveOutput();
        }
        // Read under the lock; the output stays open while this thread is counted.
        open = outputOpen;
    }

    if (open) {
        const int channel = request.drums != 0 ? kDrumChannel : 0;
        device->programChange(0, request.program);
        device->noteOn(channel, request.key, kVelocity);
        previews.sleepFor(kPreviewLength);
        device->noteOff(channel, request.key);
    }

    const std::lock_guard guard(lock);
    if (--previewCount == 0 && outputOpen) {
        device->closeLiveOutput();
        outputOpen = false;
    }
}

Player::Player(std::shared_ptr<SoundDevice> device)
    : state_(std::make_unique<State>(device ? std::move(device)
                                            : std::make_shared<SilentSoundDevice>())) {
    state_->previews.keepParked(kParkedPreviewThreads);
    // The probe's outcome is not kept: it only wakes the device up.
    if (state_->device->openLiveOutput()) {
        state_->device->closeLiveOutput();
    }
}

Player::~Player() {
    stop();
}

void Player::previewNote(std::uint8_t key, std::uint8_t program, std::uint8_t drums) {
    State& s = *state_;
    s.previews.start([&s, request = PreviewRequest{key, program, drums}] { s.preview(request); });
}

void Player::play(const Score& score, int firstMeasure, NotifyTarget& window) {
    State& s = *state_;
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
    s.sequencer = s.device->openSequencer(file->path());
    s.measures = SongMeasures(score, firstMeasure);
    // The sequencer has read the file by now: it goes at once.
    file.reset();
    if (s.sequencer == 0) {
        // Nothing to play on: playback must not stay "on" without a sequencer.
        s.playing = false;
        return;
    }
    const SequencerId id = s.sequencer;
    guard.unlock();
    s.device->playSequencer(id, window);
}

void Player::stop() {
    State& s = *state_;
    const std::lock_guard guard(s.lock);
    if (s.sequencer != 0) {
        s.device->closeSequencer(s.sequencer);
        s.playing = false;
        s.sequencer = 0;
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
    State& s = *state_;
    const std::lock_guard guard(s.lock);
    return s.playing;
}

std::optional<SongPosition> Player::position() const {
    State& s = *state_;
    const std::lock_guard guard(s.lock);
    if (!s.playing || s.sequencer == 0) {
        return std::nullopt;
    }
    const std::optional<double> tick = s.device->sequencerTick(s.sequencer);
    if (!tick) {
        return std::nullopt;
    }
    return s.measures.at(*tick);
}

void Player::waitForPreviews() {
    state_->previews.waitAll();
}

}  // namespace corvane
