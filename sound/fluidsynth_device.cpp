#include "sound/fluidsynth_device.h"

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

#include "sound/synth_settings.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kChannels = 16;
constexpr int kResetAllControllers = 121;
constexpr auto kWatchInterval = std::chrono::milliseconds(10);

struct DriverDeleter {
    void operator()(fluid_audio_driver_t* p) const { delete_fluid_audio_driver(p); }
};
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;

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

    struct Sequencer {
        PlayerPtr player;
        NotifyTarget* target = nullptr;
        bool playing = false;
        bool notified = false;
        Clock::time_point endSeen{};
        bool endReached = false;
        // The song's length in ticks, 0 until the player has loaded it. Asking for it walks
        // every event, so it is asked only until it is known.
        int totalTicks = 0;
    };

    FluidSynthOptions options;

    // Set-up state, guarded by setupMutex.
    std::mutex setupMutex;
    std::condition_variable setupDone;
    Status status = Status::NotStarted;
    std::thread setupThread;
    std::string driver;
    double latencyMs = 0;

    SettingsPtr settings;
    SynthPtr synth;
    DriverPtr audioDriver;

    // Guards the rendering and the creation, use and deletion of MIDI file players: FluidSynth
    // crashes when a player is made or destroyed while the audio thread renders.
    std::mutex audioMutex;

    // The output that stands in for a driver when there is no sound card to play to.
    std::thread pump;
    std::atomic<bool> pumpStop{false};

    // Sequencers and the thread that watches for their end, guarded by sequencerMutex.
    // Lock order: sequencerMutex before audioMutex.
    std::mutex sequencerMutex;
    std::condition_variable watcherWake;
    std::map<SequencerId, Sequencer> sequencers;
    SequencerId lastSequencer = 0;
    std::thread watcher;
    bool watcherStop = false;

    std::atomic<MidiOutHandle> lastOut{0};

    explicit Impl(FluidSynthOptions opts) : options(std::move(opts)) {
        if (options.soundfonts.empty()) {
            options.soundfonts = defaultSoundfonts();
        }
        if (options.drivers.empty()) {
            options.drivers = {"pulseaudio", "alsa", "jack"};
        }
    }

    ~Impl() {
        {
            const std::lock_guard guard(sequencerMutex);
            watcherStop = true;
        }
        watcherWake.notify_all();
        if (watcher.joinable()) {
            watcher.join();
        }
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
        if (nfx == 0) {
            // Drivers other than JACK give no effects buffers: mix reverb and chorus into the
            // dry output.
            std::array<float*, 4> mixed = {out[0], out[1], out[0], out[1]};
            return fluid_synth_process(self->synth.get(), len, static_cast<int>(mixed.size()),
                                       mixed.data(), nout, out);
        }
        return fluid_synth_process(self->synth.get(), len, nfx, fx, nout, out);
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

    void finishSetUp(Status result) {
        {
            const std::lock_guard guard(setupMutex);
            status = result;
        }
        setupDone.notify_all();
    }

    void setUp() {
        // The synthesizer is set up as for rendering; its player then advances with the
        // rendered audio, inside our rendering lock.
        settings = newSynthSettings();
        if (!settings) {
            finishSetUp(Status::Failed);
            return;
        }
        fluid_settings_t* s = settings.get();
        fluid_settings_setnum(s, "synth.sample-rate", options.sampleRate);
        fluid_settings_setint(s, "audio.periods", options.periods);
        fluid_settings_setint(s, "audio.period-size", options.periodSize);
        synth.reset(new_fluid_synth(s));
        if (!synth) {
            finishSetUp(Status::Failed);
            return;
        }
        // The output is tried first, so that a machine without sound fails in milliseconds
        // rather than after the soundfont has loaded; until then it renders silence.
        if (options.silentOutput) {
            driver = "silent";
            pump = std::thread([this] { runSilentOutput(); });
        } else {
            for (const std::string& name : options.drivers) {
                fluid_settings_setstr(s, "audio.driver", name.c_str());
                audioDriver.reset(new_fluid_audio_driver2(s, &Impl::render, this));
                if (audioDriver) {
                    driver = name;
                    break;
                }
            }
            if (!audioDriver) {
                finishSetUp(Status::Failed);
                return;
            }
        }
        // Loading while the output renders is safe: the synthesizer's own API lock covers it.
        const std::string soundfont = findSoundfont(options.soundfonts);
        if (soundfont.empty() || !loadSoundfont(synth.get(), soundfont)) {
            stopOutput();
            finishSetUp(Status::Failed);
            return;
        }
        int periods = options.periods;
        int periodSize = options.periodSize;
        double rate = options.sampleRate;
        fluid_settings_getint(s, "audio.periods", &periods);
        fluid_settings_getint(s, "audio.period-size", &periodSize);
        fluid_settings_getnum(s, "synth.sample-rate", &rate);
        latencyMs = 1000.0 * periods * periodSize / rate;
        finishSetUp(Status::Ready);
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

    void send(std::uint32_t message) {
        const int status = static_cast<int>(message & 0xFF);
        const int data1 = static_cast<int>((message >> 8) & 0xFF);
        const int data2 = static_cast<int>((message >> 16) & 0xFF);
        if (status < 0x80 || data1 > 0x7F || data2 > 0x7F) {
            return;  // not a channel message, or a data byte that a MIDI line cannot carry
        }
        const int channel = status & 0x0F;
        fluid_synth_t* sy = synth.get();
        switch (status & 0xF0) {
            case 0x80:
                fluid_synth_noteoff(sy, channel, data1);
                break;
            case 0x90:
                if (data2 == 0) {
                    fluid_synth_noteoff(sy, channel, data1);
                } else {
                    fluid_synth_noteon(sy, channel, data1, data2);
                }
                break;
            case 0xA0:
                fluid_synth_key_pressure(sy, channel, data1, data2);
                break;
            case 0xB0:
                fluid_synth_cc(sy, channel, data1, data2);
                break;
            case 0xC0:
                fluid_synth_program_change(sy, channel, data1);
                break;
            case 0xD0:
                fluid_synth_channel_pressure(sy, channel, data1);
                break;
            case 0xE0:
                fluid_synth_pitch_bend(sy, channel, data1 | data2 << 7);
                break;
            default:
                break;
        }
    }

    // Silences whatever a song left sounding and undoes its controller changes.
    void silenceLocked() {
        for (int channel = 0; channel < kChannels; ++channel) {
            fluid_synth_cc(synth.get(), channel, kResetAllControllers, 0);
        }
        fluid_synth_all_sounds_off(synth.get(), -1);
    }

    void watch() {
        std::unique_lock guard(sequencerMutex);
        while (!watcherStop) {
            watcherWake.wait_for(guard, kWatchInterval);
            if (watcherStop) {
                break;
            }
            const auto now = Clock::now();
            for (auto& [id, sequencer] : sequencers) {
                if (!sequencer.playing || sequencer.notified) {
                    continue;
                }
                int playerStatus = 0;
                int tick = 0;
                {
                    const std::lock_guard audio(audioMutex);
                    playerStatus = fluid_player_get_status(sequencer.player.get());
                    tick = fluid_player_get_current_tick(sequencer.player.get());
                    if (sequencer.totalTicks == 0) {
                        sequencer.totalTicks = fluid_player_get_total_ticks(sequencer.player.get());
                    }
                }
                const int total = sequencer.totalTicks;
                // The player's own DONE comes seconds late, or never while a note is held:
                // the song ends at its last tick, plus a moment for the sound to ring out.
                if (!sequencer.endReached && total > 0 && tick >= total) {
                    sequencer.endReached = true;
                    sequencer.endSeen = now;
                }
                const bool done =
                    playerStatus == FLUID_PLAYER_DONE ||
                    (sequencer.endReached && now - sequencer.endSeen >= options.releaseTime);
                if (done) {
                    sequencer.notified = true;
                    sequencer.target->notifyPlaybackDone();
                }
            }
        }
    }
};

FluidSynthDevice::FluidSynthDevice(FluidSynthOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {
    // FluidSynth reports a missing card or server on stderr for every driver it tries; the
    // program stays silent instead, as it does without a sound device.
    quietSynthLibraries();
    // Trying JACK must never start a JACK server.
    ::setenv("JACK_NO_START_SERVER", "1", 1);
}

FluidSynthDevice::~FluidSynthDevice() = default;

MidiOutHandle FluidSynthDevice::openMidiOut() {
    impl_->start();
    // While the soundfont still loads the output is open but silent, so that the first call
    // (the Player's probe on the window thread) never waits for the load.
    if (impl_->currentStatus() == Impl::Status::Failed) {
        return 0;
    }
    MidiOutHandle handle = ++impl_->lastOut;
    if (handle == 0) {
        handle = ++impl_->lastOut;
    }
    return handle;
}

void FluidSynthDevice::sendShortMessage(MidiOutHandle out, std::uint32_t message) {
    if (out == 0 || impl_->currentStatus() != Impl::Status::Ready) {
        return;
    }
    impl_->send(message);
}

void FluidSynthDevice::closeMidiOut(MidiOutHandle) {}

SequencerId FluidSynthDevice::openSequencer(const std::string& path) {
    if (!impl_->waitReady()) {
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    if (!readMidiFile(path, bytes)) {
        return 0;
    }
    const std::lock_guard guard(impl_->sequencerMutex);
    Impl::Sequencer sequencer;
    {
        const std::lock_guard audio(impl_->audioMutex);
        sequencer.player.reset(new_fluid_player(impl_->synth.get()));
        if (!sequencer.player ||
            fluid_player_add_mem(sequencer.player.get(), bytes.data(), bytes.size()) != FLUID_OK) {
            return 0;
        }
    }
    SequencerId id = ++impl_->lastSequencer;
    if (id == 0) {
        id = ++impl_->lastSequencer;
    }
    impl_->sequencers.emplace(id, std::move(sequencer));
    return id;
}

void FluidSynthDevice::playSequencer(SequencerId id, NotifyTarget& target) {
    const std::lock_guard guard(impl_->sequencerMutex);
    const auto it = impl_->sequencers.find(id);
    if (it == impl_->sequencers.end() || it->second.playing) {
        return;
    }
    it->second.target = &target;
    it->second.playing = true;
    {
        const std::lock_guard audio(impl_->audioMutex);
        fluid_player_play(it->second.player.get());
    }
    if (!impl_->watcher.joinable()) {
        impl_->watcher = std::thread([impl = impl_.get()] { impl->watch(); });
    }
}

void FluidSynthDevice::closeSequencer(SequencerId id) {
    const std::lock_guard guard(impl_->sequencerMutex);
    const auto it = impl_->sequencers.find(id);
    if (it == impl_->sequencers.end()) {
        return;
    }
    const std::lock_guard audio(impl_->audioMutex);
    fluid_player_stop(it->second.player.get());
    impl_->sequencers.erase(it);
    impl_->silenceLocked();
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
