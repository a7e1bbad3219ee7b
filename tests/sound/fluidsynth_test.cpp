#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
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

FluidSynthOptions silentOptions() {
    FluidSynthOptions options;
    options.soundfonts = {kSoundfont};
    options.silentOutput = true;
    return options;
}

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

// Waits up to `limit` for the synthesizer to fall silent.
bool fallsSilent(FluidSynthDevice& device, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (device.activeVoices() == 0) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return device.activeVoices() == 0;
}

TEST(FluidSynthDevice, WithoutSoundEveryOpenFailsFast) {
    FluidSynthOptions noCard;
    noCard.soundfonts = {kSoundfont};
    noCard.drivers = {"file"};  // has no callback form: it never opens, like a missing card
    FluidSynthOptions noSoundfont;
    noSoundfont.soundfonts = {"/nonexistent/none.sf2"};
    for (const FluidSynthOptions& options : {noCard, noSoundfont}) {
        const auto start = Clock::now();
        FluidSynthDevice device(options);
        EXPECT_FALSE(device.waitUntilReady());
        EXPECT_EQ(device.openMidiOut(), 0u);
        EXPECT_EQ(device.openSequencer("/nonexistent.mid"), 0u);
        EXPECT_EQ(device.driverName(), "");
        EXPECT_LT(Clock::now() - start, 2s);
    }
}

TEST(FluidSynthDevice, PlayerStaysSilentWithoutSound) {
    TempFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    FluidSynthOptions options;
    options.soundfonts = {kSoundfont};
    options.drivers = {"file"};
    installSoundDevice(std::make_shared<FluidSynthDevice>(options));
    {
        Player player;
        FakeWindow window;
        player.previewNote(60, 0, 0);
        Player::waitForPreviews();
        player.play(test::emptyScore(1, {{Treble, 0}}), 0, window);
        EXPECT_FALSE(player.isPlaying());
        EXPECT_FALSE(std::filesystem::exists(folder.path() / kPlaybackFileName));
    }
    installSoundDevice(nullptr);
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

// Plays `score` on the device and returns how long the completion notice took.
Clock::duration playToTheEnd(FluidSynthDevice& device, const Score& score) {
    TempFolder folder;
    const auto path = folder.path() / "song.mid";
    Player::writeMidiFile(path.string(), score, 0);
    const SequencerId id = device.openSequencer(path.string());
    EXPECT_NE(id, 0u);
    // The device has its own copy.
    std::filesystem::remove(path);
    FakeWindow window;
    const auto start = Clock::now();
    device.playSequencer(id, window);
    EXPECT_TRUE(window.waitFor(1, 5s)) << "no completion notice";
    const auto took = Clock::now() - start;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(window.notices(), 1);
    device.closeSequencer(id);
    EXPECT_TRUE(fallsSilent(device, 500ms));
    return took;
}

TEST(FluidSynthDevice, SongThatEndsSendsTheNotice) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    // Half a second of music at 240 beats per minute.
    Score score = test::emptyScore(1, {{Treble, 0}}, 240);
    score.tracks[0].measures[0] = {test::single(2, 0), test::rest(2)};
    const auto took = playToTheEnd(device, score);
    EXPECT_GE(took, 450ms);
    EXPECT_LT(took, 1500ms);
}

TEST(FluidSynthDevice, SongEndingOnAHeldNoteStillEnds) {
    FluidSynthDevice device(silentOptions());
    ASSERT_TRUE(device.waitUntilReady());
    // An organ tied on into nothing: its Note Off never comes.
    Score score = test::emptyScore(1, {{Treble, 19}}, 240);
    score.tracks[0].measures[0] = {test::rest(2), test::single(2, 0, TieStart)};
    const auto took = playToTheEnd(device, score);
    EXPECT_LT(took, 1500ms);
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
    std::this_thread::sleep_for(300ms);
    EXPECT_GT(device.activeVoices(), 0);
    // Hold the sustain pedal down, as a song could; closing must not leave it down.
    const MidiOutHandle out = device.openMidiOut();
    device.sendShortMessage(out, packShortMessage(0xB0, 64, 127));
    device.closeSequencer(id);
    EXPECT_TRUE(fallsSilent(device, 300ms));
    device.sendShortMessage(out, packShortMessage(0x90, 60, 100));
    device.sendShortMessage(out, packShortMessage(0x80, 60, 0));
    EXPECT_TRUE(device.heldNotes().empty()) << "the sustain pedal stayed down";
    EXPECT_TRUE(fallsSilent(device, 5s));
    device.closeMidiOut(out);
    EXPECT_EQ(window.notices(), 0);
}

TEST(FluidSynthDevice, PreviewSoundsThroughTheSynthesizer) {
    auto device = std::make_shared<FluidSynthDevice>(silentOptions());
    ASSERT_TRUE(device->waitUntilReady());
    installSoundDevice(device);
    {
        Player player;
        player.previewNote(60, 0, 0);
        player.previewNote(64, 0, 0);
        std::this_thread::sleep_for(150ms);
        EXPECT_GE(device->activeVoices(), 2);
        Player::waitForPreviews();
        EXPECT_TRUE(fallsSilent(*device, 3s));
    }
    installSoundDevice(nullptr);
}

// Thousands of playback starts and stops while notes sound, with the synthesizer rendering all
// the time: nothing may crash, hang, or keep sounding at the end.
TEST(FluidSynthStress, PlayAndStopWhilePreviewsSound) {
    TempFolder folder(true);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    auto device = std::make_shared<FluidSynthDevice>(silentOptions());
    ASSERT_TRUE(device->waitUntilReady());
    installSoundDevice(device);

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
            const MidiOutHandle out = device->openMidiOut();
            while (!done) {
                const auto key = static_cast<std::uint8_t>(40 + random() % 40);
                device->sendShortMessage(out, packShortMessage(0xC0 | t, random() % 128, 0));
                device->sendShortMessage(out, packShortMessage(0x90 | t, key, 100));
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
                device->sendShortMessage(out, packShortMessage(0x80 | t, key, 0));
            }
            device->closeMidiOut(out);
        });
    }

    int started = 0;
    {
        Player player;
        FakeWindow window;
        std::mt19937 random(7);
        const auto deadline = Clock::now() + 20s;
        int cycle = 0;
        for (; cycle < 3000 && Clock::now() < deadline; ++cycle) {
            if (cycle % 500 == 0) {
                player.previewNote(static_cast<std::uint8_t>(50 + cycle % 30), 0, 0);
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
        Player::waitForPreviews();
        player.stop();
        EXPECT_GE(cycle, 1000) << "cycles were too slow";
        std::printf("%d cycles, %d playbacks started\n", cycle, started);
    }
    EXPECT_GE(started, 2000);
    // Nothing is held on; what still rings is only released notes fading out.
    std::this_thread::sleep_for(50ms);
    for (const auto& [channel, key] : device->heldNotes()) {
        ADD_FAILURE() << "channel " << channel << " key " << key << " still held";
    }
    installSoundDevice(nullptr);
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
