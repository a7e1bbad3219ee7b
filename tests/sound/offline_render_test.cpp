// The offline renderer with the real synthesizer: several synthesizers sound exactly as one, the
// sound ends where the last voice does, progress and Cancel, failures on either side.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "score_builders.h"
#include "sound/channel_costs.h"
#include "sound/offline_renderer.h"
#include "sound/player.h"
#include "sound/synth_lane.h"
#include "tests/score/test_files.h"
#include "unusable_soundfonts.h"

namespace corvane {
namespace {

using testing::TempDir;

const std::string kSoundfont = CORVANE_TEST_SOUNDFONT;

// Keeps what is written in memory; can fail like a full disk after some frames.
class MemorySink final : public AudioSink {
  public:
    explicit MemorySink(std::size_t failAfterFrames = SIZE_MAX) : failAfter_(failAfterFrames) {}
    void write(std::span<const float> interleaved) override {
        if (samples.size() / 2 >= failAfter_) {
            throw RenderError("Cannot write the audio file memory: the disk is full.");
        }
        samples.insert(samples.end(), interleaved.begin(), interleaved.end());
    }
    void commit() override { committed = true; }

    std::size_t frames() const { return samples.size() / 2; }
    // Root mean square of both channels over [from, to) seconds.
    double rms(double from, double to) const {
        const auto a = std::min(samples.size(), 2 * static_cast<std::size_t>(from * 44100));
        const auto b = std::min(samples.size(), 2 * static_cast<std::size_t>(to * 44100));
        double sum = 0;
        for (std::size_t i = a; i < b; ++i) {
            sum += samples[i] * samples[i];
        }
        return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0.0;
    }

    std::vector<float> samples;
    bool committed = false;

  private:
    std::size_t failAfter_;
};

// Records the progress; asks to stop after `cancelAfter` reports.
class RecordingMonitor final : public RenderMonitor {
  public:
    explicit RecordingMonitor(std::size_t cancelAfter = SIZE_MAX) : cancelAfter_(cancelAfter) {}
    void progress(double done) override { reports.push_back(done); }
    bool cancelled() const override { return reports.size() >= cancelAfter_; }

    std::vector<double> reports;

  private:
    std::size_t cancelAfter_;
};

RenderResult render(const Score& score, AudioSink& sink, int instances = 0,
                    RenderMonitor* monitor = nullptr) {
    RenderOptions options;
    options.soundfont = kSoundfont;
    options.instances = instances;
    return renderMidi(Player::midiFileBytes(score, 0), sink, options, monitor);
}

// Nine busy channels at 150 beats per minute, every note starting on an eighth (0.2 s): long
// reverberant sounds, drums, chords, short percussive sounds, and a note tied into nothing on a
// sustaining organ.
Score busySong() {
    Score score = test::emptyScore(3, {{Treble, 48}, {Bass, 32}, {Drums, 0}, {Treble, 0},
                                       {Treble, 19}, {Bass, 42}, {Treble, 115}, {Treble, 24},
                                       {Bass, 89}},
                                   150);
    using test::chord;
    using test::rest;
    using test::single;
    for (std::size_t m = 0; m < 3; ++m) {
        const auto p = static_cast<std::int32_t>(m);
        score.tracks[0].measures[m] = {chord(2, {0, 2, 4}), chord(2, {1, 3, 5})};
        score.tracks[1].measures[m] = {single(4, -4 + p), single(4, -2), single(4, p), rest()};
        score.tracks[2].measures[m] = {single(8, -8), single(8, -6), single(4, -7), single(8, -5),
                                       rest(8), single(4, -8)};
        score.tracks[3].measures[m] = {single(8, 3), single(8, 4), single(8, 5), single(8, 6),
                                       chord(2, {0, 4})};
        score.tracks[5].measures[m] = {single(1, p - 3)};
        score.tracks[6].measures[m] = {rest(4), single(4, 6 + p), single(2, 8)};
        score.tracks[7].measures[m] = {single(4, 1), single(4, 2), single(4, 3), single(4, 4)};
        score.tracks[8].measures[m] = {chord(1, {-2, 2})};
    }
    score.tracks[4].measures[2] = {rest(2), single(2, 2, TieStart)};
    return score;
}

RenderResult render(const Score& score, AudioSink& sink, int instances, bool effects) {
    RenderOptions options;
    options.soundfont = kSoundfont;
    options.instances = instances;
    options.effects = effects;
    return renderMidi(Player::midiFileBytes(score, 0), sink, options, nullptr);
}

// Loudness of the difference between two renders against the loudness of the first.
double relativeDifference(const MemorySink& reference, const MemorySink& other) {
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 0; i < reference.samples.size(); ++i) {
        const double difference = other.samples[i] - reference.samples[i];
        signal += static_cast<double>(reference.samples[i]) * reference.samples[i];
        noise += difference * difference;
    }
    return std::sqrt(noise / signal);
}

// FluidSynth ramps a new voice's output gains over its first 64 frames from the gains its voice
// slot had last, so in one synthesizer a note's first frames depend on what other channels
// played in that slot before. Dry, the sum of several synthesizers is therefore the one
// synthesizer's sound to float rounding everywhere but around each note start (the song's notes
// all start on an eighth, every 8,820 frames; the file player starts them up to a few
// milliseconds early, and FluidSynth works in blocks of 64 frames); with reverb and chorus those
// small differences ring on a little, far below the music. A channel lost or doubled, effects
// mixed twice or a block out of step would be heard throughout.
void expectSplitsSoundAsOne(const Score& song, const std::vector<int>& instanceCounts) {
    constexpr std::size_t kEighth = 8820;
    constexpr std::size_t kEarly = 384;
    for (const bool effects : {false, true}) {
        MemorySink one;
        ASSERT_EQ(render(song, one, 1, effects).instances, 1);
        ASSERT_GT(one.frames(), 44100u * 2);
        EXPECT_GT(*std::max_element(one.samples.begin(), one.samples.end()), 0.05f);
        for (const int instances : instanceCounts) {
            MemorySink split;
            EXPECT_EQ(render(song, split, instances, effects).instances, instances);
            ASSERT_EQ(split.frames(), one.frames()) << instances;
            EXPECT_LT(relativeDifference(one, split), 0.01) << instances << " synthesizers";
            if (effects) {
                continue;
            }
            for (std::size_t frame = 0; frame < one.frames(); ++frame) {
                const float difference =
                    std::max(std::abs(split.samples[2 * frame] - one.samples[2 * frame]),
                             std::abs(split.samples[2 * frame + 1] - one.samples[2 * frame + 1]));
                const std::size_t sinceStart = (frame + kEarly) % kEighth;
                if (difference >= 1e-4f) {
                    EXPECT_LT(sinceStart, kEarly + 128)
                        << instances << " synthesizers differ by " << difference << " at frame "
                        << frame << ", away from every note start";
                }
            }
        }
    }
}

// Piano chords over many keys against a flute, at 150 beats per minute: whole channels cannot
// share this out evenly, so the piano's keys are shared out.
Score lopsidedSong() {
    Score score = test::emptyScore(3, {{Treble, 0}, {Treble, 73}}, 150);
    for (std::size_t m = 0; m < 3; ++m) {
        const auto p = static_cast<std::int32_t>(m);
        score.tracks[0].measures[m] = {test::chord(2, {-4 + p, -2, 0, 2}),
                                       test::chord(2, {1, 3 + p, 5, 7})};
        score.tracks[1].measures[m] = {test::single(4, p), test::single(4, 2), test::single(4, 4),
                                       test::single(4, 3)};
    }
    return score;
}

TEST(OfflineRender, SeveralSynthesizersSoundAsOne) {
    expectSplitsSoundAsOne(busySong(), {2, 3, 4});
}

TEST(OfflineRender, AChannelSharedOutByKeySoundsAsOne) {
    const Score song = lopsidedSong();
    const SongWeights weights =
        ChannelWeigher(kSoundfont).weigh(summarizeMidi(Player::midiFileBytes(song, 0)));
    const std::vector<LaneShare> shares = planLaneShares(weights.keys, weights.keysTogether, 2);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_TRUE(shares[0].hears(0) && shares[1].hears(0)) << "the piano is shared out";
    expectSplitsSoundAsOne(song, {2});
}

// Eleven-note string chords held through two measures on eight channels at 150 beats per
// minute: each note starts five voices, 440 at once and more while the first chords fade, more
// than a synthesizer of a split render sets up at first (and fewer than one sets up in all).
Score crowdedSong() {
    Score score = test::emptyScore(2, std::vector(8, std::pair{Treble, 48}), 150);
    Note strings = test::rest(1);
    for (std::int32_t position = -5; position <= 5; ++position) {
        strings.pitches.push_back(NoteHead{position, AccidentalNone});
    }
    for (Track& track : score.tracks) {
        track.measures.assign(2, {strings});
    }
    return score;
}

TEST(OfflineRender, ASongWithManyVoicesAtOnceLosesNoneWhenSplit) {
    expectSplitsSoundAsOne(crowdedSong(), {2});
}

// The most voices one synthesizer sounds at once playing the whole of `song`.
int voicesSounded(const Score& song) {
    const std::vector<std::uint8_t> midi = Player::midiFileBytes(song, 0);
    const MidiSummary summary = summarizeMidi(midi);
    SynthLane lane(kSoundfont, false);
    lane.play(midi, LaneShare::ofChannels(kAllChannels), summary.lastEventTick);
    std::array<float, 64> left{};
    std::array<float, 64> right{};
    int most = 0;
    for (double frame = 0; frame < (summary.lastEventSeconds + 5) * 44100; frame += 64) {
        lane.render(left.data(), right.data(), left.size());
        most = std::max(most, lane.activeVoices());
    }
    return most;
}

TEST(OfflineRender, TheWeigherCountsAtLeastTheVoicesASongSounds) {
    ChannelWeigher weigher(kSoundfont);
    for (const Score& song : {busySong(), lopsidedSong(), crowdedSong()}) {
        const int sounded = voicesSounded(song);
        const int estimate =
            weigher.weigh(summarizeMidi(Player::midiFileBytes(song, 0))).mostVoices;
        EXPECT_GT(sounded, 0);
        EXPECT_GE(estimate, sounded);
        EXPECT_LE(estimate, 2 * sounded) << "an estimate of no use";
    }
    // A pedal may hold any note for as long as it likes.
    MidiSummary pedalled;
    pedalled.channelNotes[0] = {NoteGroup{0, 60, 1, 1.0}};
    pedalled.heldNotes = {HeldNote{0.0, 1.0, 0, 0}};
    pedalled.pedalled = true;
    EXPECT_EQ(weigher.weigh(pedalled).mostVoices, std::numeric_limits<int>::max());
    pedalled.pedalled = false;
    EXPECT_EQ(weigher.weigh(pedalled).mostVoices, 1);
}

TEST(OfflineRender, ChannelsAreWeighedByWhatTheirNotesStartInTheSoundfont) {
    // The same notes for tubular bells, which ring for seconds after the Note Off, for a
    // clavinet, which stops at once, and for drums.
    Score score = test::emptyScore(2, {{Treble, 14}, {Treble, 7}, {Drums, 0}});
    for (Track& track : score.tracks) {
        track.measures[0] = {test::single(4, -8), test::single(4, -7), test::chord(2, {-8, -5})};
    }
    const std::array<double, kMidiChannels> costs =
        estimateChannelCosts(summarizeMidi(Player::midiFileBytes(score, 0)), kSoundfont);
    EXPECT_GT(costs[1], 0.0);
    EXPECT_GT(costs[0], 5 * costs[1]);
    EXPECT_GT(costs[9], 0.0);
    for (const int idle : {2, 3, 8, 10, 15}) {
        EXPECT_EQ(costs[static_cast<std::size_t>(idle)], 0.0) << idle;
    }
}

TEST(OfflineRender, NotesThatCutOffOthersOfTheirClassKeepTheirChannelWhole) {
    // Summaries made by hand, so that only the soundfont can say which notes bind their keys: a
    // closed and an open hi-hat cut each other off; piano notes do not.
    MidiSummary summary;
    summary.keysTogether = 0;
    summary.channelNotes[9] = {NoteGroup{0, 42, 4, 1.0}, NoteGroup{0, 46, 4, 1.0}};
    summary.channelNotes[0] = {NoteGroup{0, 60, 4, 1.0}, NoteGroup{0, 64, 4, 1.0}};
    summary.channelNotes[1] = {NoteGroup{40, 67, 4, 1.0}};
    const SongWeights weights = ChannelWeigher(kSoundfont).weigh(summary);
    EXPECT_EQ(weights.keysTogether, 1u << 9);
    EXPECT_GT(weights.keys[9][42], 0.0);
    EXPECT_GT(weights.keys[0][64], 0.0);
    EXPECT_EQ(weights.keys[0][62], 0.0);
}

// The estimated cost of one note of `program` (a snare drum on the drum line) at 60 beats per
// minute, held for a whole measure or for a quarter.
double oneNoteCost(TrackKind kind, std::int32_t program, bool whole) {
    Score score = test::emptyScore(1, {{kind, program}}, 60);
    const Note note = test::single(whole ? 1 : 4, kind == Drums ? -8 : 0);
    score.tracks[0].measures[0] =
        whole ? TrackMeasure{note} : TrackMeasure{note, test::rest(4), test::rest(2)};
    const std::array<double, kMidiChannels> costs =
        estimateChannelCosts(summarizeMidi(Player::midiFileBytes(score, 0)), kSoundfont);
    return costs[kind == Drums ? 9 : 0];
}

TEST(OfflineRender, ANotesCostFollowsHowLongItsVoicesSound) {
    // A drum sample ends by itself however long the key is held; an organ sounds as long as it
    // is held, and a little after.
    const double snareQuarter = oneNoteCost(Drums, 0, false);
    const double snareWhole = oneNoteCost(Drums, 0, true);
    EXPECT_GT(snareQuarter, 0.0);
    EXPECT_NEAR(snareWhole, snareQuarter, 0.05 * snareQuarter);
    const double organQuarter = oneNoteCost(Treble, 19, false);
    const double organWhole = oneNoteCost(Treble, 19, true);
    EXPECT_GT(organWhole, 2.5 * organQuarter);
    EXPECT_LT(organWhole, 4.5 * organQuarter);
}

// A piano quarter note at 60 beats per minute: its Note Off comes at one second.
Score pianoNote() {
    Score score = test::emptyScore(1, {{Treble, 0}}, 60);
    score.tracks[0].measures[0] = {test::single(4, 0), test::rest(4), test::rest(2)};
    return score;
}

TEST(OfflineRender, TheSoundEndsWhereTheLastVoiceEnds) {
    MemorySink sink;
    const RenderResult result = render(pianoNote(), sink);
    EXPECT_EQ(result.instances, 1) << "one busy channel, one synthesizer";
    EXPECT_EQ(result.frames, sink.frames());
    // Not cut at the Note Off: the release rings on, and then nothing is left to hear.
    EXPECT_GT(result.seconds(), 1.05);
    EXPECT_GT(sink.rms(1.0, 1.05), 1e-4);
    EXPECT_LT(result.seconds(), 3.0) << "no seconds of silence after the sound";
    EXPECT_LT(sink.rms(result.seconds() - 0.01, result.seconds()), sink.rms(0.1, 0.5) / 100);
}

TEST(OfflineRender, ANoteThatNeverEndsStopsTenSecondsAfterTheLastEvent) {
    // An organ starting at 0.5 s whose Note Off never comes (the program never writes such a
    // file, others may): format 0 at 24 ticks per quarter and 240 beats per minute.
    const std::vector<std::uint8_t> song = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 24,
        'M', 'T', 'r', 'k', 0, 0, 0, 18,
        0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // 250,000 microseconds per quarter
        0x00, 0xC0, 19,                            // church organ
        0x30, 0x90, 60, 90,                        // Note On after 48 ticks
        0x00, 0xFF, 0x2F, 0x00};
    MemorySink sink;
    RenderOptions options;
    options.soundfont = kSoundfont;
    const RenderResult result = renderMidi(song, sink, options);
    EXPECT_GE(result.seconds(), 10.5);
    EXPECT_LT(result.seconds(), 10.5 + 0.1);
    EXPECT_GT(sink.rms(result.seconds() - 0.5, result.seconds()), 1e-3) << "still sounding";
}

TEST(OfflineRender, ProgressRisesToTheEndAndCancelStops) {
    const Score song = busySong();
    MemorySink whole;
    RecordingMonitor monitor;
    render(song, whole, 2, &monitor);
    ASSERT_GT(monitor.reports.size(), 10u);
    EXPECT_TRUE(std::is_sorted(monitor.reports.begin(), monitor.reports.end()));
    EXPECT_GT(monitor.reports.front(), 0.0);
    EXPECT_LT(monitor.reports[monitor.reports.size() / 2], 1.0);
    EXPECT_EQ(monitor.reports.back(), 1.0);

    MemorySink part;
    RecordingMonitor cancelling(3);
    const RenderResult result = render(song, part, 2, &cancelling);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(cancelling.reports.size(), 3u);
    EXPECT_LT(part.frames(), whole.frames() / 4);
    EXPECT_FALSE(part.committed) << "the renderer never commits";
}

TEST(OfflineRender, ASinkThatFailsStopsEverySynthesizer) {
    MemorySink full(44100);
    try {
        render(busySong(), full, 3);
        ADD_FAILURE() << "no error";
    } catch (const RenderError& error) {
        EXPECT_STREQ(error.what(), "Cannot write the audio file memory: the disk is full.");
    }
    EXPECT_LT(full.frames(), 44100u + 4096);
}

TEST(OfflineRender, SoundfontsThatCannotBeUsedAreNamedPlainly) {
    TempDir dir;
    ASSERT_TRUE(test::makeUnusableSoundfonts(dir.path()));
    const struct {
        std::string name;
        std::string message;
    } cases[] = {
        {"folder.sf2", "The soundfont " + dir.file("folder.sf2") +
                           " is a folder, not a soundfont file."},
        {"pipe.sf2", "The soundfont " + dir.file("pipe.sf2") +
                         " is a named pipe, not a soundfont file."},
        {"missing.sf2", "The soundfont " + dir.file("missing.sf2") + " does not exist."},
        {"text.sf2", "The soundfont " + dir.file("text.sf2") + " is not a soundfont file."},
        {"damaged.sf2",
         "The soundfont " + dir.file("damaged.sf2") + " could not be loaded: it is damaged."},
    };
    for (const auto& c : cases) {
        RenderOptions options;
        options.soundfont = dir.file(c.name);
        MemorySink sink;
        ::testing::internal::CaptureStderr();
        try {
            renderMidi(Player::midiFileBytes(pianoNote(), 0), sink, options);
            ADD_FAILURE() << c.name << " was used";
        } catch (const RenderError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "")
            << "the libraries' own diagnostics stay off the terminal";
    }
    EXPECT_EQ(checkedSoundfont(kSoundfont), kSoundfont);
}

TEST(OfflineRender, ACancelledFileRenderLeavesNoFileAndTheOldOneAsItWas) {
    TempDir dir;
    const std::string path = dir.file("song.flac");
    testing::writeBytes(path, {'o', 'l', 'd'});
    RenderOptions options;
    options.soundfont = kSoundfont;
    RecordingMonitor cancelling(2);
    const RenderResult result = renderMidiToFile(Player::midiFileBytes(busySong(), 0), path,
                                                 AudioFormat::Flac, options, &cancelling);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.flac"});
    EXPECT_EQ(testing::readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

}  // namespace
}  // namespace corvane
