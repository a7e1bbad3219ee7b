#include "sound/fluidsynth_device.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "sound/synth_settings.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kChannels = 16;
constexpr int kResetAllControllers = 121;
// The synthesizer renders in blocks of this many frames, and its sequencer moves on once a block.
constexpr int kSynthBlock = 64;
// The most audio and effects buffers a driver hands over that are rendered block by block.
constexpr int kMaxBuffers = 16;
// Ticks a song clock remembers: enough to look back over any output's buffering.
constexpr std::size_t kClockSteps = 64;
// A song's tick as the window sees it stays below the next tick the sequencer has not reached.
constexpr double kLastFraction = 0.999;

struct DriverDeleter {
    void operator()(fluid_audio_driver_t* p) const { delete_fluid_audio_driver(p); }
};
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// FluidSynth reports a missing card or server on stderr for every driver it tries, and libasound
// prints its own "ALSA lib ..." lines besides; the program says once, in its own words, what is
// missing instead (statusProblem below).
void quietLogs() {
    quietSynthLibraries();
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&ignoreAlsaError); });
}

// What a MIDI line can carry: 16 channels, and data bytes of 7 bits.
bool isChannel(int channel) {
    return channel >= 0 && channel < kChannels;
}
bool isDataByte(int value) {
    return value >= 0 && value <= 0x7F;
}

std::string noSound(const std::string& what) {
    return "No sound: " + what + ". Editing, saving and export still work.";
}

// The ticks per quarter a Standard MIDI File's header gives; 24, as the program writes, for a
// header in frames per second.
int divisionOf(const std::vector<std::uint8_t>& bytes) {
    const int division = bytes[12] << 8 | bytes[13];
    return division > 0 && (division & 0x8000) == 0 ? division : 24;
}

bool readMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    // The player does not check what it is given.
    return bytes.size() >= 14 && bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' &&
           bytes[3] == 'd';
}

}  // namespace

std::vector<std::string> defaultSoundfonts() {
    return {"/usr/share/sounds/sf2/default-GM.sf2",        "/usr/share/sounds/sf3/default-GM.sf3",
            "/usr/share/sounds/sf2/FluidR3_GM.sf2",        "/usr/share/sounds/sf2/TimGM6mb.sf2",
            "/usr/share/sounds/sf3/MuseScore_General.sf3", "/usr/share/soundfonts/default.sf2",
            "/usr/share/soundfonts/FluidR3_GM.sf2"};
}

std::string findSoundfont(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return {};
}

struct FluidSynthDevice::Impl {
    enum class Status { NotStarted, Loading, Ready, Failed };

    // A song. It is made, played and read under audioMutex, and taken down by the audio thread.
    struct Sequencer {
        Impl* owner = nullptr;
        SequencerId id = 0;
        PlayerPtr player;
        NotifyTarget* target = nullptr;
        bool playing = false;
        bool notified = false;
        // The frame count when the song's last tick was reached.
        std::optional<std::uint64_t> endFrame;
        // The song's length in ticks, 0 until the player has loaded it. Asking for it walks
        // every event, so it is asked only until it is known.
        int totalTicks = 0;
    };

    FluidSynthOptions options;
    std::uint64_t releaseFrames = 0;

    // Set-up state, guarded by setupMutex.
    std::mutex setupMutex;
    std::condition_variable setupDone;
    Status status = Status::NotStarted;
    std::thread setupThread;
    std::string driver;
    std::string problem;
    double latencyMs = 0;

    // Who is told the outcome of the set-up; held while they are told. Lock order: reportMutex
    // before setupMutex.
    std::mutex reportMutex;
    std::vector<StatusTarget*> statusTargets;

    SettingsPtr settings;
    SynthPtr synth;
    DriverPtr audioDriver;

    // Guards the rendering and the sequencers: FluidSynth crashes when a player is made or
    // destroyed while the audio thread renders.
    std::mutex audioMutex;
    std::map<SequencerId, Sequencer> sequencers;
    SequencerId lastSequencer = 0;
    std::atomic<std::uint64_t> frames{0};

    // Where each playing song has got to: the ticks its sequencer reached and the frame each
    // was reached at, written on the audio thread and read by the window's, which must never
    // wait for a block to render. Lock order: audioMutex before clockMutex.
    struct SongClock {
        struct Step {
            int tick = 0;
            std::uint64_t frame = 0;
            int microsecondsPerQuarter = 500000;
        };
        std::array<Step, kClockSteps> steps{};  // a ring, the oldest overwritten first
        std::size_t count = 0;                  // steps recorded so far
        int division = 24;
    };
    std::mutex clockMutex;
    std::map<SequencerId, SongClock> clocks;
    // Frames the output holds before they are heard; set once the output is open.
    std::atomic<std::uint64_t> outputDelay{0};

    // Sequencers closed since the last block, and every completion notice: a notice is sent
    // under this lock and only for a sequencer that has not been closed, so closing never waits
    // for the audio thread. Lock order: audioMutex before closeMutex.
    std::mutex closeMutex;
    std::vector<SequencerId> closed;

    // The output that stands in for a driver when there is no sound card to play to.
    std::thread pump;
    std::atomic<bool> pumpStop{false};

    explicit Impl(FluidSynthOptions opts) : options(std::move(opts)) {
        if (options.soundfonts.empty()) {
            options.soundfonts = defaultSoundfonts();
        }
        if (options.drivers.empty()) {
            options.drivers = {"pulseaudio", "alsa", "jack"};
        }
        releaseFrames = static_cast<std::uint64_t>(
            std::chrono::duration<double>(options.releaseTime).count() * options.sampleRate);
    }

    ~Impl() {
        if (setupThread.joinable()) {
            setupThread.join();
        }
        // The audio output goes first, so nothing renders while the rest is taken down.
        stopOutput();
        sequencers.clear();
        synth.reset();
        settings.reset();
    }

    void stopOutput() {
        audioDriver.reset();
        pumpStop = true;
        if (pump.joinable()) {
            pump.join();
        }
    }

    static int render(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
        auto* self = static_cast<Impl*>(data);
        const std::lock_guard guard(self->audioMutex);
        self->takeDownClosed();
        int result = FLUID_OK;
        if (nfx > kMaxBuffers || nout > kMaxBuffers) {
            result = self->process(len, nfx, fx, nout, out);
            self->frames += static_cast<std::uint64_t>(len);
        } else {
            // Block by block, so that the frame count names the block the sequencer plays into
            // while it moves on (tickReached()).
            std::array<float*, kMaxBuffers> fxPart{};
            std::array<float*, kMaxBuffers> outPart{};
            for (int done = 0; done < len && result == FLUID_OK; done += kSynthBlock) {
                const int part = std::min(kSynthBlock, len - done);
                for (int i = 0; i < nfx; ++i) {
                    fxPart[static_cast<std::size_t>(i)] = fx[i] + done;
                }
                for (int i = 0; i < nout; ++i) {
                    outPart[static_cast<std::size_t>(i)] = out[i] + done;
                }
                result = self->process(part, nfx, fxPart.data(), nout, outPart.data());
                self->frames += static_cast<std::uint64_t>(part);
            }
        }
        self->noticeEndedSongs();
        if (self->options.onBlock && nout >= 2) {
            self->options.onBlock(out[0], out[1], len);
        }
        return result;
    }

    int process(int len, int nfx, float* fx[], int nout, float* out[]) {
        if (nfx == 0) {
            // Drivers other than JACK give no effects buffers: mix reverb and chorus into the
            // dry output.
            std::array<float*, 4> mixed = {out[0], out[1], out[0], out[1]};
            return fluid_synth_process(synth.get(), len, static_cast<int>(mixed.size()),
                                       mixed.data(), nout, out);
        }
        return fluid_synth_process(synth.get(), len, nfx, fx, nout, out);
    }

    // The sequencer of `data` has reached `tick`, on the audio thread, while the synthesizer
    // renders the block that starts at the frame count: the block its events sound in.
    static int tickReached(void* data, int tick) {
        auto* sequencer = static_cast<Sequencer*>(data);
        Impl& self = *sequencer->owner;
        const SongClock::Step step{tick, self.frames.load(),
                                   fluid_player_get_midi_tempo(sequencer->player.get())};
        const std::lock_guard guard(self.clockMutex);
        const auto it = self.clocks.find(sequencer->id);
        if (it != self.clocks.end()) {
            SongClock& clock = it->second;
            clock.steps[clock.count % kClockSteps] = step;
            ++clock.count;
        }
        return FLUID_OK;
    }

    // The tick heard at frame `heard` by `clock`; see FluidSynthDevice::sequencerTick().
    double tickAt(const SongClock& clock, std::uint64_t heard) const {
        const std::size_t known = std::min(clock.count, kClockSteps);
        const SongClock::Step* reached = nullptr;
        for (std::size_t back = 1; back <= known; ++back) {
            const SongClock::Step& step = clock.steps[(clock.count - back) % kClockSteps];
            reached = &step;
            if (step.frame <= heard) {
                const double framesPerTick = step.microsecondsPerQuarter / 1e6 *
                                             options.sampleRate / clock.division;
                const double since = static_cast<double>(heard - step.frame);
                return step.tick + std::min(since / framesPerTick, kLastFraction);
            }
        }
        // Nothing of the song heard yet, or heard before the oldest tick remembered.
        return reached != nullptr && clock.count > kClockSteps ? reached->tick : 0.0;
    }

    // Stops and deletes the players of closed sequencers; on the audio thread, or once no
    // output runs any more.
    void takeDownClosed() {
        std::vector<SequencerId> ids;
        {
            const std::lock_guard guard(closeMutex);
            ids.swap(closed);
        }
        for (const SequencerId id : ids) {
            const auto it = sequencers.find(id);
            if (it == sequencers.end()) {
                continue;
            }
            fluid_player_stop(it->second.player.get());
            sequencers.erase(it);
            {
                const std::lock_guard clock(clockMutex);
                clocks.erase(id);
            }
            silence();
        }
    }

    // The player's own DONE comes seconds late, or never while a note is held: a song ends at
    // its last tick, plus the release time for the sound to ring out, counted in rendered frames
    // so that it follows the audio whatever pace the output keeps.
    void noticeEndedSongs() {
        const std::uint64_t now = frames;
        for (auto& [id, sequencer] : sequencers) {
            if (!sequencer.playing || sequencer.notified) {
                continue;
            }
            fluid_player_t* player = sequencer.player.get();
            if (sequencer.totalTicks == 0) {
                sequencer.totalTicks = fluid_player_get_total_ticks(player);
            }
            if (!sequencer.endFrame && sequencer.totalTicks > 0 &&
                fluid_player_get_current_tick(player) >= sequencer.totalTicks) {
                sequencer.endFrame = now;
            }
            const bool done = fluid_player_get_status(player) == FLUID_PLAYER_DONE ||
                              (sequencer.endFrame && now - *sequencer.endFrame >= releaseFrames);
            if (done) {
                sequencer.notified = true;
                const std::lock_guard guard(closeMutex);
                if (std::find(closed.begin(), closed.end(), id) == closed.end()) {
                    sequencer.target->notifyPlaybackDone();
                }
            }
        }
    }

    void start() {
        const std::lock_guard guard(setupMutex);
        if (status != Status::NotStarted) {
            return;
        }
        status = Status::Loading;
        setupThread = std::thread([this] { setUp(); });
    }

    Status currentStatus() {
        const std::lock_guard guard(setupMutex);
        return status;
    }

    bool waitReady() {
        start();
        std::unique_lock guard(setupMutex);
        setupDone.wait(guard,
                       [this] { return status == Status::Ready || status == Status::Failed; });
        return status == Status::Ready;
    }

    // The targets hear the outcome before anyone waiting for it wakes.
    void finishSetUp(Status result, std::string why = {}) {
        const std::lock_guard report(reportMutex);
        for (StatusTarget* target : statusTargets) {
            target->soundStatusKnown(why);
        }
        {
            const std::lock_guard guard(setupMutex);
            status = result;
            problem = std::move(why);
        }
        setupDone.notify_all();
    }

    // An unknown outcome is nullopt.
    std::optional<std::string> knownProblem() {
        const std::lock_guard guard(setupMutex);
        if (status == Status::Ready || status == Status::Failed) {
            return problem;
        }
        return std::nullopt;
    }

    void setUp() {
        settings = newSynthSettings();
        if (settings) {
            configure(settings.get());
        }
        synth.reset(settings ? new_fluid_synth(settings.get()) : nullptr);
        if (!settings || !synth) {
            finishSetUp(Status::Failed, noSound("the synthesizer could not be started"));
            return;
        }
        // The output is tried first, so that a machine without sound fails in milliseconds
        // rather than after the soundfont has loaded; until then it renders silence.
        if (!openOutput()) {
            finishSetUp(Status::Failed,
                        noSound("no audio output could be opened (no sound card or sound server "
                                "was found)"));
            return;
        }
        // Loading while the output renders is safe: the synthesizer's own API lock covers it.
        const std::string soundfont = findSoundfont(options.soundfonts);
        if (soundfont.empty() || !loadSoundfont(synth.get(), soundfont)) {
            stopOutput();
            finishSetUp(Status::Failed,
                        noSound(soundfont.empty()
                                    ? "no General MIDI soundfont was found (such as " +
                                          options.soundfonts.front() + ")"
                                    : "the soundfont " + soundfont + " could not be loaded"));
            return;
        }
        readLatency(settings.get());
        finishSetUp(Status::Ready);
    }

    void configure(fluid_settings_t* s) const {
        fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate);
        fluid_settings_setint(s, "audio.periods", options.periods);
        fluid_settings_setint(s, "audio.period-size", options.periodSize);
    }

    bool openOutput() {
        if (options.silentOutput) {
            // Each block is "played" as it is rendered: nothing is held.
            outputDelay = 0;
            driver = "silent";
            pump = std::thread([this] { runSilentOutput(); });
            return true;
        }
        for (const std::string& name : options.drivers) {
            fluid_settings_setstr(settings.get(), "audio.driver", name.c_str());
            audioDriver.reset(new_fluid_audio_driver2(settings.get(), &Impl::render, this));
            if (audioDriver) {
                driver = name;
                return true;
            }
        }
        return false;
    }

    void readLatency(fluid_settings_t* s) {
        int periods = options.periods;
        int periodSize = options.periodSize;
        double rate = options.sampleRate;
        fluid_settings_getint(s, "audio.periods", &periods);
        fluid_settings_getint(s, "audio.period-size", &periodSize);
        fluid_settings_getnum(s, "synth.sample-rate", &rate);
        latencyMs = 1000.0 * periods * periodSize / rate;
        if (!options.silentOutput) {
            // A block rendered now is heard once the periods queued before it have played.
            outputDelay = static_cast<std::uint64_t>(std::max(periods, 0)) *
                          static_cast<std::uint64_t>(std::max(periodSize, 0));
        }
    }

    // Renders in real time like a sound card would ask for it, and throws the audio away.
    void runSilentOutput() {
        const int frames = options.periodSize;
        std::vector<float> left(static_cast<std::size_t>(frames));
        std::vector<float> right(static_cast<std::size_t>(frames));
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(frames / options.sampleRate));
        auto next = Clock::now();
        while (!pumpStop) {
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            std::array<float*, 2> out = {left.data(), right.data()};
            render(this, frames, 0, nullptr, 2, out.data());
            next += period;
            std::this_thread::sleep_until(next);
        }
    }

    // The synthesizer, once it sounds; null before that and when the set-up failed.
    fluid_synth_t* liveSynth() { return currentStatus() == Status::Ready ? synth.get() : nullptr; }

    // Silences whatever a song left sounding and undoes its controller changes.
    void silence() {
        for (int channel = 0; channel < kChannels; ++channel) {
            fluid_synth_cc(synth.get(), channel, kResetAllControllers, 0);
        }
        fluid_synth_all_sounds_off(synth.get(), -1);
    }
};

FluidSynthDevice::FluidSynthDevice(FluidSynthOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {
    quietLogs();
    // Trying JACK must never start a JACK server.
    ::setenv("JACK_NO_START_SERVER", "1", 1);
}

FluidSynthDevice::~FluidSynthDevice() = default;

bool FluidSynthDevice::openLiveOutput() {
    impl_->start();
    return impl_->currentStatus() != Impl::Status::Failed;
}

void FluidSynthDevice::closeLiveOutput() {}

void FluidSynthDevice::noteOn(int channel, int key, int velocity) {
    fluid_synth_t* synth = impl_->liveSynth();
    if (synth == nullptr || !isChannel(channel) || !isDataByte(key) || !isDataByte(velocity)) {
        return;
    }
    if (velocity == 0) {
        fluid_synth_noteoff(synth, channel, key);
    } else {
        fluid_synth_noteon(synth, channel, key, velocity);
    }
}

void FluidSynthDevice::noteOff(int channel, int key) {
    fluid_synth_t* synth = impl_->liveSynth();
    if (synth != nullptr && isChannel(channel) && isDataByte(key)) {
        fluid_synth_noteoff(synth, channel, key);
    }
}

void FluidSynthDevice::programChange(int channel, int program) {
    fluid_synth_t* synth = impl_->liveSynth();
    if (synth != nullptr && isChannel(channel) && isDataByte(program)) {
        fluid_synth_program_change(synth, channel, program);
    }
}

void FluidSynthDevice::controlChange(int channel, int controller, int value) {
    fluid_synth_t* synth = impl_->liveSynth();
    if (synth != nullptr && isChannel(channel) && isDataByte(controller) && isDataByte(value)) {
        fluid_synth_cc(synth, channel, controller, value);
    }
}

SequencerId FluidSynthDevice::openSequencer(const std::string& path) {
    if (!impl_->waitReady()) {
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    if (!readMidiFile(path, bytes)) {
        return 0;
    }
    Impl::Sequencer sequencer;
    const std::lock_guard audio(impl_->audioMutex);
    sequencer.player.reset(new_fluid_player(impl_->synth.get()));
    if (!sequencer.player ||
        fluid_player_add_mem(sequencer.player.get(), bytes.data(), bytes.size()) != FLUID_OK) {
        return 0;
    }
    SequencerId id = ++impl_->lastSequencer;
    if (id == 0) {
        id = ++impl_->lastSequencer;
    }
    sequencer.owner = impl_.get();
    sequencer.id = id;
    // The map's nodes stay put: the callback keeps its sequencer until the player goes with it.
    Impl::Sequencer& placed = impl_->sequencers.emplace(id, std::move(sequencer)).first->second;
    fluid_player_set_tick_callback(placed.player.get(), &Impl::tickReached, &placed);
    {
        const std::lock_guard clock(impl_->clockMutex);
        impl_->clocks[id].division = divisionOf(bytes);
    }
    return id;
}

void FluidSynthDevice::playSequencer(SequencerId id, NotifyTarget& target) {
    const std::lock_guard audio(impl_->audioMutex);
    const auto it = impl_->sequencers.find(id);
    if (it == impl_->sequencers.end() || it->second.playing) {
        return;
    }
    it->second.target = &target;
    it->second.playing = true;
    fluid_player_play(it->second.player.get());
}

void FluidSynthDevice::closeSequencer(SequencerId id) {
    if (id == 0) {
        return;
    }
    const std::lock_guard guard(impl_->closeMutex);
    impl_->closed.push_back(id);
}

std::optional<double> FluidSynthDevice::sequencerTick(SequencerId id) {
    const std::uint64_t rendered = impl_->frames;
    const std::uint64_t delay = impl_->outputDelay;
    const std::lock_guard guard(impl_->clockMutex);
    const auto it = impl_->clocks.find(id);
    if (it == impl_->clocks.end()) {
        return std::nullopt;
    }
    return rendered < delay ? 0.0 : impl_->tickAt(it->second, rendered - delay);
}

void FluidSynthDevice::reportStatus(StatusTarget& target) {
    impl_->start();
    const std::lock_guard report(impl_->reportMutex);
    impl_->statusTargets.push_back(&target);
    if (const std::optional<std::string> problem = impl_->knownProblem()) {
        target.soundStatusKnown(*problem);
    }
}

void FluidSynthDevice::stopReporting(StatusTarget& target) {
    const std::lock_guard report(impl_->reportMutex);
    std::erase(impl_->statusTargets, &target);
}

bool FluidSynthDevice::waitUntilReady() {
    return impl_->waitReady();
}

double FluidSynthDevice::outputLatencyMs() {
    const std::lock_guard guard(impl_->setupMutex);
    return impl_->status == Impl::Status::Ready ? impl_->latencyMs : 0.0;
}

std::string FluidSynthDevice::driverName() {
    const std::lock_guard guard(impl_->setupMutex);
    return impl_->status == Impl::Status::Ready ? impl_->driver : std::string();
}

std::uint64_t FluidSynthDevice::framesRendered() const {
    return impl_->frames;
}

int FluidSynthDevice::activeVoices() {
    if (impl_->currentStatus() != Impl::Status::Ready) {
        return 0;
    }
    return fluid_synth_get_active_voice_count(impl_->synth.get());
}

std::vector<std::pair<int, int>> FluidSynthDevice::heldNotes() {
    std::vector<std::pair<int, int>> held;
    if (impl_->currentStatus() != Impl::Status::Ready) {
        return held;
    }
    std::vector<fluid_voice_t*> voices(1024);
    const std::lock_guard audio(impl_->audioMutex);
    fluid_synth_get_voicelist(impl_->synth.get(), voices.data(), static_cast<int>(voices.size()),
                              -1);
    for (const fluid_voice_t* voice : voices) {
        if (voice == nullptr) {
            break;
        }
        if (fluid_voice_is_on(voice) || fluid_voice_is_sustained(voice)) {
            held.emplace_back(fluid_voice_get_channel(voice), fluid_voice_get_key(voice));
        }
    }
    return held;
}

}  // namespace corvane
