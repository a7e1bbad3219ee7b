#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "fake_device.h"
#include "score_builders.h"
#include "sound/fluidsynth_device.h"
#include "sound/offline_renderer.h"
#include "sound/player.h"
#include "wav.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::FakeWindow;

const std::string kSoundfont = CORVANE_TEST_SOUNDFONT;
// Only stops a fault from hanging the run; no test depends on how fast anything is.
constexpr auto kHangGuard = 60s;
constexpr std::uint64_t kRate = 44100;
constexpr std::uint64_t kBlock = 128;

FluidSynthOptions silentOptions() {
    FluidSynthOptions options;
    options.soundfonts = {kSoundfont};
    options.silentOutput = true;
    options.periodSize = static_cast<int>(kBlock);
    return options;
}

// Polls `condition` until it holds; false when the guard runs out.
bool eventually(const std::function<bool()>& condition) {
    const auto end = Clock::now() + kHangGuard;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Lets the device render `count` more frames: its own clock, which songs and closing follow.
bool renderMore(const FluidSynthDevice& device, std::uint64_t count) {
    const std::uint64_t until = device.framesRendered() + count;
    return eventually([&] { return device.framesRendered() >= until; });
}

bool fallsSilent(FluidSynthDevice& device) {
    return eventually([&] { return device.activeVoices() == 0; });
}

// A window that notes the device's frame count when each completion notice comes.
class FrameStampWindow final : public NotifyTarget {
  public:
    explicit FrameStampWindow(const FluidSynthDevice& device) : device_(device) {}
    void notifyPlaybackDone() override {
        {
            const std::lock_guard guard(mutex_);
            stamps_.push_back(device_.framesRendered());
        }
        changed_.notify_all();
    }
    bool waitForNotice() {
        std::unique_lock guard(mutex_);
        return changed_.wait_for(guard, kHangGuard, [this] { return !stamps_.empty(); });
    }
    std::vector<std::uint64_t> stamps() const {
        const std::lock_guard guard(mutex_);
        return stamps_;
    }

  private:
    const FluidSynthDevice& device_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint64_t> stamps_;
};

// Keeps every report of a device's status.
class StatusLog final : public StatusTarget {
  public:
    void soundStatusKnown(const std::string& problem) override {
        const std::lock_guard guard(mutex_);
        reports_.push_back(problem);
    }
    std::vector<std::string> reports() const {
        const std::lock_guard guard(mutex_);
        return reports_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> reports_;
};

class TempFolder {
  public:
    // `inMemory`: on a memory file system where there is one, so that the many small writes of
    // the stress test don't wait for a disk.
    explicit TempFolder(bool inMemory = false) {
        static int counter = 0;
        std::error_code ec;
        const std::filesystem::path base = inMemory && std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path_ = base /
                ("cvn_fluid_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

TEST(FluidSynthDevice, WithoutSoundEveryOpenFailsAndSaysWhatIsMissing) {
    FluidSynthOptions noCard;
    noCard.soundfonts = {kSoundfont};
    noCard.drivers = {"file"};  // has no callback form: it never opens, like a missing card
    FluidSynthOptions noSoundfont = silentOptions();
    noSoundfont.soundfonts = {"/nonexistent/none.sf2"};
    TempFolder folder;
    const std::string damaged = (folder.path() / "damaged.sf2").string();
    std::ofstream(damaged) << "RIFF\x04\0\0\0sfbk";
    FluidSynthOptions damagedSoundfont = silentOptions();
    damagedSoundfont.soundfonts = {damaged};
    const struct {
        FluidSynthOptions options;
        std::string missing;
    } cases[] = {{noCard, "no audio output could be opened"},
                 {noSoundfont, "no General MIDI soundfont was found (such as /nonexistent/none.sf2)"},
                 {damagedSoundfont, "the soundfont " + damaged + " could not be loaded"}};
    for (const auto& c : cases) {
        FluidSynthDevice device(c.options);
        StatusLog log;
        device.reportStatus(log);
        EXPECT_FALSE(device.waitUntilReady());
        EXPECT_FALSE(device.openLiveOutput());
        EXPECT_EQ(device.openSequencer("/nonexistent.mid"), 0u);
        EXPECT_EQ(device.driverName(), "");
        ASSERT_EQ(log.reports().size(), 1u) << c.missing;
        const std::string report = log.reports().front();
        EXPECT_EQ(report.rfind("No sound: ", 0), 0u) << report;
        EXPECT_NE(report.find(c.missing), std::string::npos) << report;
        EXPECT_NE(report.find("Editing, saving and export still work."), std::string::npos);
        device.stopReporting(log);
    }
}

TEST(FluidSynthDevice, StatusIsReportedOnceToEachTargetUntilItStops) {
    FluidSynthDevice device(silentOptions());
    StatusLog early;
    StatusLog dropped;
    device.reportStatus(early);
    device.reportStatus(dropped);
    device.stopReporting(dropped);
    const std::size_t droppedBefore = dropped.reports().size();
    ASSERT_TRUE(device.waitUntilReady());
    EXPECT_EQ(early.reports(), std::vector<std::string>{""});
    EXPECT_EQ(dropped.reports().size(), droppedBefore) << "told after it stopped listening";
    // A target that comes once the outcome is known hears it at once.
    StatusLog late;
    device.reportStatus(late);
    EXPECT_EQ(late.reports(), std::vector<std::string>{""});
    device.stopReporting(early);
    device.stopReporting(late);
}

TEST(FluidSynthDevice, PlayerStaysSilentWithoutSound) {
    TempFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    FluidSynthOptions options;
    options.soundfonts = {kSoundfont};
    options.drivers = {"file"};
    {
        Player player(std::make_shared<FluidSynthDevice>(options));
        FakeWindow window;
        player.previewNote(60, 0, 0);
        player.waitForPreviews();
        player.play(test::emptyScore(1, {{Treble, 0}}), 0, window);
        EXPECT_FALSE(player.isPlaying());
        EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    }
    std::filesystem::current_path(previous);
}

TEST(FluidSynthDevice, RefusesFilesThatAreNotMidi) {
    TempFolder folder;
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    const auto path = folder.path() / "not.mid";
    std::ofstream(path) << "RIFF....WAVEfmt ";
    EXPECT_EQ(device.openSequencer(path.string()), 0u);
    EXPECT_EQ(device.openSequencer((folder.path() / "missing.mid").string()), 0u);
}

TEST(FluidSynthDevice, LatencyIsLow) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    EXPECT_GT(device.outputLatencyMs(), 0.0);
    EXPECT_LE(device.outputLatencyMs(), 10.0);
    EXPECT_EQ(device.driverName(), "silent");
}

// Plays the Standard MIDI File `bytes` on the device; returns the frames rendered from the start
// to the notice.
std::uint64_t playToTheEnd(FluidSynthDevice& device, const std::vector<std::uint8_t>& bytes) {
    TempFolder folder;
    const auto path = folder.path() / "song.mid";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const SequencerId id = device.openSequencer(path.string());
    EXPECT_NE(id, 0u);
    // The device has its own copy.
    std::filesystem::remove(path);
    FrameStampWindow window(device);
    const std::uint64_t start = device.framesRendered();
    device.playSequencer(id, window);
    EXPECT_TRUE(window.waitForNotice()) << "no completion notice";
    // A second notice would come with one of the next blocks.
    EXPECT_TRUE(renderMore(device, kRate / 2));
    EXPECT_EQ(window.stamps().size(), 1u);
    device.closeSequencer(id);
    EXPECT_TRUE(renderMore(device, 2 * kBlock));
    EXPECT_EQ(device.activeVoices(), 0);
    return window.stamps().empty() ? 0 : window.stamps().front() - start;
}

// Both songs end half a second in at 240 beats per minute: the last event is the half note's
// Note Off, or the Note On of a note that never ends. The notice follows after the release time,
// in rendered frames, within a few blocks, whatever pace the output keeps.
constexpr std::uint64_t kSongEnd = kRate / 2 + kRate / 4;

TEST(FluidSynthDevice, SongThatEndsSendsTheNotice) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    Score score = test::emptyScore(1, {{Treble, 0}}, 240);
    score.tracks[0].measures[0] = {test::single(2, 0), test::rest(2)};
    const std::uint64_t frames = playToTheEnd(device, Player::midiFileBytes(score, 0));
    EXPECT_GE(frames, kSongEnd);
    EXPECT_LE(frames, kSongEnd + 4 * kBlock);
}

TEST(FluidSynthDevice, SongEndingOnAHeldNoteStillEnds) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    // An organ whose Note Off never comes (the program never writes such a file, others may):
    // format 0 at 24 ticks per quarter and 240 beats per minute, the Note On at tick 48.
    const std::vector<std::uint8_t> song = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 24,
        'M', 'T', 'r', 'k', 0, 0, 0, 18,
        0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // 250,000 microseconds per quarter
        0x00, 0xC0, 19,                            // church organ
        0x30, 0x90, 60, 90,                        // Note On after 48 ticks
        0x00, 0xFF, 0x2F, 0x00};
    const std::uint64_t frames = playToTheEnd(device, song);
    EXPECT_GE(frames, kSongEnd);
    EXPECT_LE(frames, kSongEnd + 4 * kBlock);
}

// The song's clock follows the frames rendered: sampled while a song of two measures at 240
// beats per minute plays, each tick read lies between the frames rendered just before and just
// after it (at 24 ticks a quarter, 459.4 frames a tick), never goes back, and once the song is
// closed there is none.
TEST(FluidSynthDevice, SongClockFollowsTheRenderedFrames) {
    TempFolder folder;
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    Score score = test::emptyScore(2, {{Treble, 0}}, 240);
    score.tracks[0].measures[1] = {test::single(1, 0)};
    const auto path = folder.path() / "song.mid";
    const std::vector<std::uint8_t> bytes = Player::midiFileBytes(score, 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const SequencerId id = device.openSequencer(path.string());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(device.sequencerTick(id), 0.0) << "not started";
    const double framesPerTick = kRate / 4.0 / 24;
    FrameStampWindow window(device);
    const std::uint64_t start = device.framesRendered();
    device.playSequencer(id, window);
    double last = 0;
    int reads = 0;
    while (window.stamps().empty() && reads < 100000) {
        const auto before = static_cast<double>(device.framesRendered() - start);
        const std::optional<double> tick = device.sequencerTick(id);
        const auto after = static_cast<double>(device.framesRendered() - start);
        ASSERT_TRUE(tick);
        ASSERT_GE(*tick, last);
        // The song starts with the block after playSequencer(): up to a block late. The player
        // reaches a tick half a tick early (it rounds the time to the nearest tick) and sounds
        // its events then, so the clock may run that much ahead of the frames, and lag them by a
        // tick's fraction.
        EXPECT_GE(*tick * framesPerTick, before - 2 * kBlock - framesPerTick) << reads;
        EXPECT_LE(*tick * framesPerTick, after + kBlock + framesPerTick / 2) << reads;
        last = *tick;
        ++reads;
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(window.waitForNotice());
    EXPECT_GT(reads, 20);
    EXPECT_GE(last, 96.0) << "the clock reached the last measure";
    device.closeSequencer(id);
    ASSERT_TRUE(renderMore(device, 2 * kBlock));
    EXPECT_EQ(device.sequencerTick(id), std::nullopt);
}

TEST(FluidSynthDevice, CloseSilencesAndResetsControllers) {
    TempFolder folder;
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    Score score = test::emptyScore(2, {{Treble, 48}, {Bass, 19}}, 60);
    score.tracks[0].measures[0] = {test::single(1, 0)};
    score.tracks[1].measures[0] = {test::chord(1, {0, 2, 4})};
    const auto path = folder.path() / "song.mid";
    Player::writeMidiFile(path.string(), score, 0);
    const SequencerId id = device.openSequencer(path.string());
    ASSERT_NE(id, 0u);
    FakeWindow window;
    device.playSequencer(id, window);
    ASSERT_TRUE(renderMore(device, kRate / 4));
    EXPECT_GT(device.activeVoices(), 0);
    // Hold the sustain pedal down, as a song could; closing must not leave it down.
    ASSERT_TRUE(device.openLiveOutput());
    device.controlChange(0, 64, 127);
    device.closeSequencer(id);
    // The song is taken down before the next block.
    ASSERT_TRUE(renderMore(device, 2 * kBlock));
    EXPECT_EQ(device.activeVoices(), 0);
    device.noteOn(0, 60, 100);
    device.noteOff(0, 60);
    EXPECT_TRUE(device.heldNotes().empty()) << "the sustain pedal stayed down";
    EXPECT_TRUE(fallsSilent(device));
    device.closeLiveOutput();
    EXPECT_EQ(window.notices(), 0);
}

TEST(FluidSynthDevice, LiveOutputPlaysNotesAndDropsWhatAMidiLineCannotCarry) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    ASSERT_TRUE(device.openLiveOutput());
    device.noteOn(16, 60, 100);
    device.noteOn(-1, 60, 100);
    device.noteOn(0, 128, 100);
    device.noteOn(0, 60, 128);
    EXPECT_TRUE(device.heldNotes().empty());
    device.noteOn(0, 60, 100);
    device.noteOn(9, 38, 100);
    std::vector<std::pair<int, int>> held = device.heldNotes();
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    EXPECT_EQ(held, (std::vector<std::pair<int, int>>{{0, 60}, {9, 38}}));
    // A Note Off on another key or channel ends nothing; a Note On of velocity 0 is a Note Off.
    device.noteOff(1, 60);
    device.noteOff(0, 128);
    EXPECT_FALSE(device.heldNotes().empty());
    device.noteOn(0, 60, 0);
    device.noteOff(9, 38);
    EXPECT_TRUE(device.heldNotes().empty());
    device.closeLiveOutput();
}

// Counts the rendered blocks whose peak rises above -60 dBFS.
struct LoudBlocks {
    std::atomic<int> count{0};
    std::function<void(const float*, const float*, int)> observer() {
        return [this](const float* left, const float* right, int frames) {
            float peak = 0;
            for (int i = 0; i < frames; ++i) {
                peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
            }
            count += peak > 0.001f ? 1 : 0;
        };
    }
};

TEST(FluidSynthDevice, PreviewSoundsThroughTheSynthesizer) {
    LoudBlocks loud;
    FluidSynthOptions options = silentOptions();
    options.onBlock = loud.observer();
    auto device = std::make_shared<FluidSynthDevice>(options);
    ASSERT_TRUE(device->waitUntilReady());
    {
        Player player(device);
        ASSERT_TRUE(renderMore(*device, kRate / 10));
        EXPECT_EQ(loud.count, 0) << "sound before any note";
        player.previewNote(60, 0, 0);
        player.previewNote(64, 0, 0);
        player.waitForPreviews();
        // The notes ring on for a moment after their Note Off: they are heard in some block.
        EXPECT_TRUE(eventually([&] { return loud.count > 0; }));
        EXPECT_TRUE(fallsSilent(*device));
        EXPECT_TRUE(device->heldNotes().empty());
    }
}

// Thousands of playback starts and stops while notes sound, with the synthesizer rendering all
// the time: nothing may crash, hang, or keep sounding at the end.
TEST(FluidSynthStress, PlayAndStopWhilePreviewsSound) {
    TempFolder folder(true);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    auto device = std::make_shared<FluidSynthDevice>(silentOptions());
    ASSERT_TRUE(device->waitUntilReady());

    Score score = test::emptyScore(2, {{Treble, 0}, {Bass, 33}, {Drums, 0}}, 200);
    score.tracks[0].measures[0] = {test::chord(8, {0, 2, 4}), test::rest(8), test::single(4, 1),
                                   test::single(2, 3, TieStart)};
    score.tracks[0].measures[1] = {test::single(2, 3, TieEnd), test::single(2, 5)};
    score.tracks[1].measures[0] = {test::single(1, 0)};
    score.tracks[2].measures[0] = {test::single(4, -8), test::single(4, -7), test::rest(2)};

    std::atomic<bool> done{false};
    // Other threads sound notes straight on the synthesizer all the while.
    std::vector<std::thread> noise;
    for (int t = 0; t < 2; ++t) {
        noise.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t));
            ASSERT_TRUE(device->openLiveOutput());
            while (!done) {
                const auto key = static_cast<int>(40 + random() % 40);
                device->programChange(t, static_cast<int>(random() % 128));
                device->noteOn(t, key, 100);
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
                device->noteOff(t, key);
            }
            device->closeLiveOutput();
        });
    }

    constexpr int kCycles = 2000;
    int started = 0;
    {
        Player player(device);
        FakeWindow window;
        std::mt19937 random(7);
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            if (cycle % 400 == 0) {
                // A preview sounds while the synthesizer and the other threads work; playback
                // refuses to start until it has ended, so it ends before the next start.
                player.previewNote(static_cast<std::uint8_t>(50 + cycle % 30), 0, 0);
                player.waitForPreviews();
            }
            player.play(score, static_cast<int>(random() % 2), window);
            started += player.isPlaying() ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
            player.stop();
        }
        done = true;
        for (std::thread& thread : noise) {
            thread.join();
        }
        player.stop();
    }
    EXPECT_EQ(started, kCycles);
    // The last song is taken down before the next block; then nothing is held on, and what still
    // rings is only released notes fading out.
    ASSERT_TRUE(renderMore(*device, 2 * kBlock));
    for (const auto& [channel, key] : device->heldNotes()) {
        ADD_FAILURE() << "channel " << channel << " key " << key << " still held";
    }
    std::filesystem::current_path(previous);
}

RenderResult renderWav(const std::vector<std::uint8_t>& midi, const std::string& path,
                       const std::string& soundfont = kSoundfont) {
    RenderOptions options;
    options.soundfont = soundfont;
    return renderMidiToFile(midi, path, AudioFormat::Wav, options);
}

// The loudest fundamental among the keys of the piano over [from, to) seconds.
int loudestKey(const test::Wav& wav, double from, double to) {
    const auto a = static_cast<std::size_t>(from * wav.sampleRate);
    const auto b = static_cast<std::size_t>(to * wav.sampleRate);
    int best = 0;
    double bestPower = -1;
    for (int key = 28; key <= 108; ++key) {
        const double p = test::powerAt(wav.mono, a, b, test::keyFrequency(key), wav.sampleRate);
        if (p > bestPower) {
            bestPower = p;
            best = key;
        }
    }
    return best;
}

TEST(FluidSynthRender, NotesSoundAtTheirPitch) {
    // At 60 beats per minute a quarter note lasts one second.
    Score score = test::emptyScore(3, {{Treble, 0}, {Bass, 0}, {Drums, 0}}, 60);
    score.measures[1].key = 1;
    using test::rest;
    using test::single;
    // 0 s: A4.  2 s: bass D3.  3 s: snare.  4 s: C-E-G chord.  6 s: F in G major (F sharp).
    // 9-10.5 s: nothing.  11 s: B4.
    score.tracks[0].measures[0] = {single(4, -1), rest(), rest(2)};
    score.tracks[0].measures[1] = {test::chord(4, {1, 3, 5}), rest(), single(4, -3), rest()};
    score.tracks[0].measures[2] = {rest(2), rest(), single(4, 0)};
    score.tracks[1].measures[0] = {rest(2), single(4, 0), rest()};
    Note snare = single(4, -8);
    snare.pitches.front().accidental = Flat;  // key 38, acoustic snare
    score.tracks[2].measures[0] = {rest(2), rest(), snare};

    TempFolder folder;
    const auto wavPath = (folder.path() / "render.wav").string();
    const RenderResult result = renderWav(Player::midiFileBytes(score, 0), wavPath);
    const test::Wav wav = test::readWav(wavPath);
    ASSERT_EQ(wav.channels, 2);
    ASSERT_EQ(wav.sampleRate, 44100);
    ASSERT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.mono.size(), result.frames);
    // The song's last event is at 12 s; a short release follows, not the player's idle seconds.
    EXPECT_GE(result.seconds(), 12.0);
    EXPECT_LT(result.seconds(), 14.0);

    EXPECT_EQ(loudestKey(wav, 0.1, 0.6), 69);
    EXPECT_EQ(loudestKey(wav, 2.1, 2.6), 50);
    EXPECT_EQ(loudestKey(wav, 6.1, 6.6), 66);
    EXPECT_EQ(loudestKey(wav, 11.1, 11.6), 71);

    // Each chord member stands well above the semitones around it.
    const auto from = static_cast<std::size_t>(4.1 * 44100);
    const auto to = static_cast<std::size_t>(4.6 * 44100);
    const auto power = [&](int key) {
        return test::powerAt(wav.mono, from, to, test::keyFrequency(key), 44100);
    };
    EXPECT_TRUE(loudestKey(wav, 4.1, 4.6) == 72 || loudestKey(wav, 4.1, 4.6) == 76 ||
                loudestKey(wav, 4.1, 4.6) == 79);
    for (const int member : {72, 76, 79}) {
        EXPECT_GT(power(member), 10 * power(member - 1)) << member;
        EXPECT_GT(power(member), 10 * power(member + 1)) << member;
    }

    const double drum = test::rms(wav.mono, static_cast<std::size_t>(3.0 * 44100),
                                  static_cast<std::size_t>(3.3 * 44100));
    const double silence = test::rms(wav.mono, static_cast<std::size_t>(9.0 * 44100),
                                     static_cast<std::size_t>(10.5 * 44100));
    EXPECT_GT(drum, 0.002);
    EXPECT_GT(drum, 30 * silence);
}

TEST(FluidSynthRender, ReportsWhatItCannotDo) {
    TempFolder folder;
    const auto wavPath = (folder.path() / "out.wav").string();
    const std::vector<std::uint8_t> midi = Player::midiFileBytes(Score(), 0);
    EXPECT_THROW(renderWav({'R', 'I', 'F', 'F'}, wavPath), RenderError);
    EXPECT_THROW(renderWav(midi, wavPath, "/nonexistent/none.sf2"), RenderError);
    EXPECT_THROW(renderWav(midi, (folder.path() / "no" / "out.wav").string()), RenderError);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    // A score without tracks renders a moment of silence.
    const RenderResult empty = renderWav(Player::midiFileBytes(test::emptyScore(1, {}), 0), wavPath);
    EXPECT_LE(empty.seconds(), 3.0);
    EXPECT_EQ(test::readWav(wavPath).mono.size(), empty.frames);
}

}  // namespace
}  // namespace corvane
