#include "sound/offline_renderer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "score/file_kind.h"
#include "sound/channel_costs.h"
#include "sound/fluidsynth_device.h"
#include "sound/midi_summary.h"
#include "sound/sndfile_sink.h"
#include "sound/synth_lane.h"
#include "sound/system_reason.h"

namespace corvane {

namespace {

// Lanes render this many frames at a time, and hand them over in blocks of that size.
constexpr std::size_t kBlockFrames = 4096;
// FluidSynth's own block: the finest step at which a lane can tell that it has fallen silent.
constexpr std::size_t kStepFrames = 64;
// The sound ends at the latest this long after the song's last event (notes that never end).
constexpr std::uint64_t kLongestTail = 10 * kAudioSampleRate;
// Blocks a lane may render ahead of the mixer.
constexpr std::size_t kBlocksAhead = 8;
constexpr int kMostInstances = 8;
// Voices a synthesizer sets up for a song that sounds few at once (a quarter of these at most,
// by the weigher's estimate): setting up voices is most of what making a synthesizer costs.
constexpr int kFewVoices = 256;
constexpr int kVoiceMargin = 4;

// Processor seconds the calling thread has taken.
double threadCpuSeconds() {
    timespec used{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) != 0) {
        return 0;
    }
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// A lane's rendered frames on their way to the mixer.
struct Block {
    std::vector<float> left = std::vector<float>(kBlockFrames);
    std::vector<float> right = std::vector<float>(kBlockFrames);
    std::size_t frames = 0;
    // From this frame of the song on the lane is silent for good; unknown until it is.
    std::optional<std::uint64_t> quietFrom;
    // The render's last block: the longest tail has been reached.
    bool last = false;
};

// Hands blocks from a lane's thread to the mixer, with a few at most in flight; the blocks go
// round between the two sides.
class BlockQueue {
  public:
    BlockQueue() {
        for (std::size_t i = 0; i < kBlocksAhead; ++i) {
            empty_.push_back(std::make_unique<Block>());
        }
    }

    // The lane's side: a block to fill, waiting for one; null once the queue is closed.
    std::unique_ptr<Block> takeEmpty() {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [this] { return closed_ || !empty_.empty(); });
        if (closed_) {
            return nullptr;
        }
        std::unique_ptr<Block> block = std::move(empty_.back());
        empty_.pop_back();
        return block;
    }
    void pushFilled(std::unique_ptr<Block> block) {
        update([&] { filled_.push_back(std::move(block)); });
    }
    void fail(std::exception_ptr error) {
        update([&] { error_ = std::move(error); });
    }

    // The mixer's side: the next filled block, waiting for it; rethrows the lane's failure.
    std::unique_ptr<Block> takeFilled() {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [this] { return error_ || !filled_.empty(); });
        if (filled_.empty()) {
            std::rethrow_exception(error_);
        }
        std::unique_ptr<Block> block = std::move(filled_.front());
        filled_.pop_front();
        return block;
    }
    void giveBack(std::unique_ptr<Block> block) {
        update([&] { empty_.push_back(std::move(block)); });
    }
    // Ends the lane's work: it stops at its next block.
    void close() {
        update([&] { closed_ = true; });
    }

  private:
    // Changes the queue under its lock, then wakes the other side.
    template <typename Change>
    void update(Change&& change) {
        {
            const std::lock_guard guard(mutex_);
            change();
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Block>> empty_;
    std::deque<std::unique_ptr<Block>> filled_;
    std::exception_ptr error_;
    bool closed_ = false;
};

// What a lane is to play: the song, and its share of the channels and keys.
struct LaneWork {
    std::span<const std::uint8_t> midi;
    LaneShare share;
    std::uint32_t lastEventTick = 0;
};

// One lane rendering its share of the song on a thread of its own, ahead of the mixer.
class LaneThread {
  public:
    // Starts a lane that sets up a synthesizer with room for `voices` voices at once, loads
    // `soundfont` into it and plays `work`.
    LaneThread(const std::string& soundfont, bool effects, int voices, const LaneWork& work)
        : loaded_(loading_.get_future()),
          thread_([this, soundfont, effects, voices, work] {
              run(soundfont, effects, voices, work);
          }) {}
    LaneThread(const LaneThread&) = delete;
    LaneThread& operator=(const LaneThread&) = delete;
    ~LaneThread() {
        queue_.close();
        thread_.join();
    }

    // Waits until the lane has loaded its soundfont, or failed to.
    void waitLoaded() const { loaded_.wait(); }

    BlockQueue& queue() { return queue_; }

    // Processor seconds the lane's thread had taken when it last handed over a block.
    double cpuSeconds() const { return cpuSeconds_.load(); }

  private:
    void run(const std::string& soundfont, bool effects, int voices, const LaneWork& work) {
        try {
            load(soundfont, effects, voices);
            lane_->play(work.midi, work.share, work.lastEventTick);
            while (std::unique_ptr<Block> block = queue_.takeEmpty()) {
                fill(*block);
                cpuSeconds_.store(threadCpuSeconds());
                const bool last = block->last;
                queue_.pushFilled(std::move(block));
                if (last) {
                    return;
                }
            }
        } catch (...) {
            queue_.fail(std::current_exception());
        }
    }

    void load(const std::string& soundfont, bool effects, int voices) {
        try {
            lane_ = std::make_unique<SynthLane>(soundfont, effects, voices);
        } catch (...) {
            loading_.set_value();
            throw;
        }
        loading_.set_value();
    }

    void fill(Block& block) {
        std::fill(block.left.begin(), block.left.end(), 0.0f);
        std::fill(block.right.begin(), block.right.end(), 0.0f);
        std::size_t frames = kBlockFrames;
        if (endFrame_) {
            frames = static_cast<std::size_t>(
                std::min<std::uint64_t>(frames, *endFrame_ + kLongestTail - frame_));
        }
        for (std::size_t done = 0; done < frames;) {
            // Whole blocks until the song's last event; then FluidSynth's own small blocks until
            // the lane falls silent, so that the sound ends where it ends.
            const std::size_t step =
                endFrame_ && !quietFrom_ ? std::min(kStepFrames, frames - done) : frames - done;
            lane_->render(block.left.data() + done, block.right.data() + done, step);
            done += step;
            frame_ += step;
            if (!endFrame_ && lane_->pastLastEvent()) {
                endFrame_ = frame_;
            }
            // After the last event no voice starts, so a silent lane stays silent.
            if (endFrame_ && !quietFrom_ && lane_->activeVoices() == 0) {
                quietFrom_ = frame_;
            }
        }
        block.frames = frames;
        block.quietFrom = quietFrom_;
        block.last = endFrame_ && frame_ >= *endFrame_ + kLongestTail;
    }

    std::promise<void> loading_;
    std::future<void> loaded_;
    std::atomic<double> cpuSeconds_{0};
    std::unique_ptr<SynthLane> lane_;
    BlockQueue queue_;
    std::uint64_t frame_ = 0;
    std::optional<std::uint64_t> endFrame_;
    std::optional<std::uint64_t> quietFrom_;
    // Last: the thread starts once everything it uses is ready.
    std::thread thread_;
};

using Lanes = std::vector<std::unique_ptr<LaneThread>>;

// Where the song ends, once every lane has fallen silent for good: when the last one did.
std::uint64_t songEnd(const std::vector<std::unique_ptr<Block>>& blocks) {
    std::uint64_t end = 0;
    for (const auto& block : blocks) {
        if (!block->quietFrom) {
            return std::numeric_limits<std::uint64_t>::max();
        }
        end = std::max(end, *block->quietFrom);
    }
    return end;
}

// Adds up the lanes' blocks frame by frame into interleaved stereo.
void mixBlocks(const std::vector<std::unique_ptr<Block>>& blocks, std::size_t frames,
               std::vector<float>& interleaved) {
    std::fill(interleaved.begin(), interleaved.begin() + static_cast<std::ptrdiff_t>(2 * frames),
              0.0f);
    for (const auto& block : blocks) {
        for (std::size_t i = 0; i < frames; ++i) {
            interleaved[2 * i] += block->left[i];
            interleaved[2 * i + 1] += block->right[i];
        }
    }
}

// Takes the lanes' blocks in step, sums them into the sink, and stops at the song's end.
RenderResult mixLanes(Lanes& lanes, AudioSink& sink, double expectedFrames,
                      RenderMonitor* monitor) {
    RenderResult result;
    result.instances = static_cast<int>(lanes.size());
    std::vector<float> interleaved(2 * kBlockFrames);
    std::vector<std::unique_ptr<Block>> blocks(lanes.size());
    for (bool finished = false; !finished;) {
        if (monitor != nullptr && monitor->cancelled()) {
            result.cancelled = true;
            break;
        }
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            blocks[i] = lanes[i]->queue().takeFilled();
        }
        // Every lane renders the same stretch of the song in each block.
        std::size_t frames = blocks.front()->frames;
        finished = blocks.front()->last;
        const std::uint64_t end = songEnd(blocks);
        if (end <= result.frames + frames) {
            frames = static_cast<std::size_t>(end - result.frames);
            finished = true;
        }
        mixBlocks(blocks, frames, interleaved);
        sink.write(std::span<const float>(interleaved.data(), 2 * frames));
        result.frames += frames;
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            lanes[i]->queue().giveBack(std::move(blocks[i]));
        }
        if (monitor != nullptr) {
            monitor->progress(finished ? 1.0
                                       : std::min(0.99, static_cast<double>(result.frames) /
                                                            expectedFrames));
        }
    }
    for (const auto& lane : lanes) {
        result.laneSeconds.push_back(lane->cpuSeconds());
    }
    return result;
}

// Voices enough for a song the weigher finds sounding `mostVoices` at once, with room for
// what it may miss (a louder note rings a little longer than the probe's).
int laneVoices(int mostVoices) {
    return mostVoices <= kFewVoices / kVoiceMargin ? kFewVoices : kSynthPolyphony;
}

int instanceLimit(int requested) {
    if (requested > 0) {
        return std::min(requested, kMostInstances);
    }
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostInstances);
}

}  // namespace

std::string checkedSoundfont(const std::string& requested) {
    const std::string font = requested.empty() ? findSoundfont(defaultSoundfonts()) : requested;
    if (font.empty()) {
        throw RenderError("No General MIDI soundfont is installed (such as " +
                          defaultSoundfonts().front() + ").");
    }
    struct stat info {};
    if (::stat(font.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            throw RenderError("The soundfont " + font + " does not exist.");
        }
        throw RenderError("The soundfont " + font + " cannot be read: " +
                          plainSystemReason(errno) + ".");
    }
    if (!S_ISREG(info.st_mode)) {
        throw RenderError("The soundfont " + font + " is " +
                          describeFileKind(fileKindOf(info.st_mode)) + ", not a soundfont file.");
    }
    char header[12] = {};
    const int fd = ::open(font.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw RenderError("The soundfont " + font + " cannot be read: " +
                          plainSystemReason(errno) + ".");
    }
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    // SoundFont 2 and 3 files, and DLS files, which FluidSynth also loads, are RIFF forms.
    const bool riff = got == static_cast<ssize_t>(sizeof header) &&
                      std::memcmp(header, "RIFF", 4) == 0 &&
                      (std::memcmp(header + 8, "sfbk", 4) == 0 ||
                       std::memcmp(header + 8, "DLS ", 4) == 0);
    if (!riff) {
        throw RenderError("The soundfont " + font + " is not a soundfont file.");
    }
    return font;
}

RenderResult renderMidi(const std::vector<std::uint8_t>& midi, AudioSink& sink,
                        const RenderOptions& options, RenderMonitor* monitor) {
    const MidiSummary summary = summarizeMidi(midi);
    const std::string soundfont = checkedSoundfont(options.soundfont);
    quietSynthLibraries();
    const int limit = instanceLimit(options.instances);
    // The progress counts towards the last event and a second of sound after it.
    const double expectedFrames = (summary.lastEventSeconds + 1.0) * kAudioSampleRate;
    std::vector<LaneShare> shares = {LaneShare::ofChannels(kAllChannels)};
    int voices = kSynthPolyphony;
    std::optional<ChannelWeigher> weigher;
    // With one synthesizer to give, or one channel to give out, there is nothing to weigh.
    if (limit > 1 && summary.busyChannels() > 1) {
        weigher.emplace(soundfont);
        const SongWeights weights = weigher->weigh(summary);
        shares = planLaneShares(weights.keys, weights.keysTogether, limit);
        voices = laneVoices(weights.mostVoices);
    }
    Lanes lanes;
    for (const LaneShare& share : shares) {
        lanes.push_back(std::make_unique<LaneThread>(soundfont, options.effects, voices,
                                                     LaneWork{midi, share, summary.lastEventTick}));
    }
    // FluidSynth keeps a soundfont's samples while some synthesizer holds them: were the weigher
    // to let go before every lane has loaded, a lane would read them from the file again.
    for (const auto& lane : lanes) {
        lane->waitLoaded();
    }
    weigher.reset();
    return mixLanes(lanes, sink, expectedFrames, monitor);
}

RenderResult renderMidiToFile(const std::vector<std::uint8_t>& midi, const std::string& path,
                              AudioFormat format, const RenderOptions& options,
                              RenderMonitor* monitor) {
    RenderOptions checked = options;
    checked.soundfont = checkedSoundfont(options.soundfont);
    SndfileSink sink(path, format);
    const RenderResult result = renderMidi(midi, sink, checked, monitor);
    if (!result.cancelled) {
        sink.commit();
    }
    return result;
}

}  // namespace corvane
