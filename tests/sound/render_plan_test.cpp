// What offline rendering decides before any synthesizer runs: the file type a name asks for,
// the song's length and per-channel load read from its MIDI bytes, and how the channels are
// shared out among synthesizers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "score_builders.h"
#include "sound/audio_format.h"
#include "sound/audio_sink.h"
#include "sound/lane_share.h"
#include "sound/midi_summary.h"
#include "sound/midi_writer.h"
#include "sound/player.h"
#include "sound/system_reason.h"

namespace corvane {
namespace {

TEST(AudioFormat, TheExtensionChoosesInAnyCase) {
    EXPECT_EQ(audioFormatForPath("/home/ana/song.wav"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatForPath("song.WAV"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatForPath("song.Flac"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatForPath("a.b/song.ogg"), AudioFormat::OggVorbis);
    // No extension, an unknown one, a dot in a folder's name only, a bare dot file.
    for (const char* path : {"song", "song.mp3", "song.wav.txt", "take.2/song", ".wav", "song."}) {
        EXPECT_EQ(audioFormatForPath(path), std::nullopt) << path;
    }
    EXPECT_EQ(extensionOf("x/song.MP3"), ".MP3");
    EXPECT_EQ(extensionOf("x.y/song"), "");
}

TEST(SystemReason, CommonFailuresInPlainWords) {
    EXPECT_EQ(plainSystemReason(ENOSPC), "the disk is full");
    EXPECT_EQ(plainSystemReason(EACCES), "permission denied");
    EXPECT_EQ(plainSystemReason(EISDIR), "this is a folder, not a file");
    EXPECT_EQ(plainSystemReason(ENOENT), "the folder does not exist");
    // Anything else: the system's words, starting in lower case.
    EXPECT_EQ(plainSystemReason(EBADF), "bad file descriptor");
}

// A bar at 120 beats per minute (2 s), then one at 60 (4 s). The tempo change is written with
// the first track's last event before it, here at the bar line.
Score twoTempoScore() {
    Score score = test::emptyScore(2, {{Treble, 0}, {Bass, 33}, {Drums, 0}});
    score.measures[1].tempo = 60;
    score.tracks[0].measures[0] = {test::rest(2), test::rest(4), test::single(4, 0)};
    score.tracks[0].measures[1] = {test::rest(2), test::chord(4, {0, 2}), test::rest(4)};
    score.tracks[1].measures[0] = {test::single(1, 0)};
    score.tracks[2].measures[0] = {test::single(8, -8), test::rest(8), test::rest(4),
                                   test::rest(2)};
    return score;
}

// The groups of `channel` as "program/key: count, seconds" lines, for comparison.
std::string groupsOf(const MidiSummary& summary, int channel) {
    std::string text;
    for (const NoteGroup& g : summary.channelNotes[static_cast<std::size_t>(channel)]) {
        char line[64];
        std::snprintf(line, sizeof line, "%d/%d: %d, %.3f\n", g.program, g.key, g.count, g.seconds);
        text += line;
    }
    return text;
}

// The notes as "channel/group: start+seconds" lines, in the summary's order.
std::string heldNotesOf(const MidiSummary& summary) {
    std::string text;
    for (const HeldNote& note : summary.heldNotes) {
        char line[64];
        std::snprintf(line, sizeof line, "%d/%zu: %.3f+%.3f\n", note.channel, note.group,
                      note.start, note.seconds);
        text += line;
    }
    return text;
}

TEST(MidiSummary, NotesAreTimedThroughTheTempoChanges) {
    const MidiSummary summary = summarizeMidi(Player::midiFileBytes(twoTempoScore(), 0));
    // The chord ends on the third beat of the second measure: 2 s + 3 s.
    EXPECT_EQ(summary.lastEventTick, 24u * 4 + 24 * 3);
    EXPECT_NEAR(summary.lastEventSeconds, 5.0, 1e-9);
    EXPECT_EQ(summary.busyChannels(), 3);
    EXPECT_EQ(summary.notes(0), 3);
    // B4 for half a second at 120, then with D5 for a second at 60.
    EXPECT_EQ(groupsOf(summary, 0), "0/71: 2, 1.500\n0/74: 1, 1.000\n");
    EXPECT_EQ(groupsOf(summary, 1), "33/50: 1, 2.000\n");
    EXPECT_EQ(groupsOf(summary, 9), "0/39: 1, 0.250\n");
    // In the order they end.
    EXPECT_EQ(heldNotesOf(summary),
              "9/0: 0.000+0.250\n0/0: 1.500+0.500\n1/0: 0.000+2.000\n0/0: 4.000+1.000\n"
              "0/1: 4.000+1.000\n");
    EXPECT_EQ(summary.keysTogether, 1u << 9) << "only the drum channel binds its keys";
    EXPECT_FALSE(summary.pedalled);
}

TEST(MidiSummary, ReadsRunningStatusSysExProgramsAndTimecodeDivision) {
    // Format 0, 25 frames of 40 ticks: 1000 ticks a second.
    std::vector<std::uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0xE7, 40};
    std::vector<std::uint8_t> events = {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,  // SysEx
                                        0x00, 0x92, 60,   100,               // Note On, channel 2
                                        0x00, 64,   100};                    // running status
    writeVarLen(events, 1500);
    events.insert(events.end(), {0x82, 60, 0});  // Note Off
    writeVarLen(events, 500);
    events.insert(events.end(), {64, 0});          // running status again
    events.insert(events.end(), {0x00, 0xC2, 14});  // Program Change
    events.insert(events.end(), {0x00, 0x92, 60, 90});
    writeVarLen(events, 1000);
    events.insert(events.end(), {0x92, 60, 0});  // a Note On of velocity 0 ends the note
    events.insert(events.end(), {0x00, 0xB5, 65, 127});  // portamento on channel 5
    events.insert(events.end(), {0x00, 0xB6, 7, 90});    // a volume change binds nothing
    events.insert(events.end(), {0x00, 0xB3, 64, 127});  // nor does the sustain pedal
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    midi.insert(midi.end(), {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(events.size())});
    midi.insert(midi.end(), events.begin(), events.end());

    const MidiSummary summary = summarizeMidi(midi);
    EXPECT_EQ(summary.busyChannels(), 1);
    EXPECT_EQ(summary.lastEventTick, 3000u);
    EXPECT_NEAR(summary.lastEventSeconds, 3.0, 1e-9);
    EXPECT_EQ(groupsOf(summary, 2), "0/60: 1, 1.500\n0/64: 1, 2.000\n14/60: 1, 1.000\n");
    EXPECT_EQ(summary.keysTogether, 1u << 9 | 1u << 5);
    EXPECT_TRUE(summary.pedalled);
    EXPECT_EQ(heldNotesOf(summary), "2/0: 0.000+1.500\n2/1: 0.000+2.000\n2/2: 2.000+1.000\n");
}

TEST(MidiSummary, RefusesWhatIsNotMidiAndSurvivesDamage) {
    EXPECT_THROW(summarizeMidi(std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}), RenderError);
    std::vector<std::uint8_t> zeroDivision = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 0};
    EXPECT_THROW(summarizeMidi(zeroDivision), RenderError);
    // Every cut of a real file reads without a fault, and never finds more than the whole.
    const std::vector<std::uint8_t> whole = Player::midiFileBytes(twoTempoScore(), 0);
    const MidiSummary full = summarizeMidi(whole);
    for (std::size_t size = 14; size < whole.size(); ++size) {
        const MidiSummary part =
            summarizeMidi(std::vector<std::uint8_t>(whole.begin(), whole.begin() + size));
        EXPECT_LE(part.lastEventTick, full.lastEventTick) << size;
        std::size_t notes = 0;
        for (int c = 0; c < kMidiChannels; ++c) {
            EXPECT_LE(part.notes(c), full.notes(c)) << size;
            notes += static_cast<std::size_t>(part.notes(c));
        }
        // Notes cut off before their Note Off are held to the end.
        EXPECT_EQ(part.heldNotes.size(), notes) << size;
    }
}

std::array<double, kMidiChannels> loads(std::initializer_list<double> perChannel) {
    std::array<double, kMidiChannels> costs{};
    std::copy(perChannel.begin(), perChannel.end(), costs.begin());
    return costs;
}

std::uint16_t unionOf(const std::vector<std::uint16_t>& groups) {
    std::uint16_t all = 0;
    for (const std::uint16_t g : groups) {
        EXPECT_EQ(all & g, 0) << "a channel in two groups";
        all |= g;
    }
    return all;
}

TEST(ChannelGroups, BalancedGroupsThatCoverEveryChannelOnce) {
    const std::vector<std::uint16_t> two = planChannelGroups(loads({5, 4, 3, 3, 2, 1}), 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(unionOf(two), kAllChannels) << "idle channels go somewhere too";
    // 5+3+1 against 4+3+2 (the heaviest first, each to the lighter group).
    EXPECT_EQ(two[0] & 0x3F, 0b101001);
    EXPECT_EQ(two[1], 0b010110);

    const std::vector<std::uint16_t> three = planChannelGroups(loads({1, 1, 1, 1, 1, 1}), 3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(unionOf(three), kAllChannels);
    for (std::size_t i = 1; i < three.size(); ++i) {
        EXPECT_EQ(__builtin_popcount(three[i]), 2);
    }
}

// The largest load of `groups` under `costs`.
double busiest(const std::vector<std::uint16_t>& groups,
               const std::array<double, kMidiChannels>& costs) {
    double most = 0;
    for (const std::uint16_t g : groups) {
        double load = 0;
        for (int c = 0; c < kMidiChannels; ++c) {
            load += (g >> c & 1) != 0 ? costs[static_cast<std::size_t>(c)] : 0.0;
        }
        most = std::max(most, load);
    }
    return most;
}

TEST(ChannelGroups, MovesAndSwapsEvenOutWhatTheHeaviestFirstLeaves) {
    // Heaviest first gives 3+2+2 against 3+2, and 5+3+3, 5+3, 4+4 for three groups.
    const auto two = loads({3, 3, 2, 2, 2});
    EXPECT_EQ(busiest(planChannelGroups(two, 2), two), 6.0);
    const auto three = loads({5, 5, 4, 4, 3, 3, 3});
    const std::vector<std::uint16_t> groups = planChannelGroups(three, 3);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(unionOf(groups), kAllChannels);
    EXPECT_EQ(busiest(groups, three), 9.0);
}

TEST(ChannelGroups, OneSynthesizerWhenSplittingDoesNotPay) {
    const std::vector<std::uint16_t> all = {kAllChannels};
    EXPECT_EQ(planChannelGroups(loads({7}), 2), all) << "one busy channel";
    EXPECT_EQ(planChannelGroups(loads({}), 4), all) << "no notes at all";
    EXPECT_EQ(planChannelGroups(loads({3, 3, 3}), 1), all) << "one core";
    EXPECT_EQ(planChannelGroups(loads({95, 2, 2}), 2), all) << "one channel carries the song";
    EXPECT_EQ(planChannelGroups(loads({0, 0, 4, 0, 4}), 8).size(), 2u)
        << "no more groups than busy channels";
}

// Costs of `perChannel` spread evenly over `keys` keys from middle C up.
KeyCosts keyLoads(std::initializer_list<double> perChannel, int keys) {
    KeyCosts costs{};
    std::size_t channel = 0;
    for (const double load : perChannel) {
        for (int k = 0; k < keys; ++k) {
            costs[channel][static_cast<std::size_t>(60 + k)] = load / keys;
        }
        ++channel;
    }
    return costs;
}

// The load of each share; fails the test where a key is played by no share or by two.
std::vector<double> shareLoads(const std::vector<LaneShare>& shares, const KeyCosts& costs) {
    std::vector<double> result(shares.size(), 0.0);
    for (int c = 0; c < kMidiChannels; ++c) {
        for (int k = 0; k < kMidiKeys; ++k) {
            int players = 0;
            for (std::size_t i = 0; i < shares.size(); ++i) {
                if (shares[i].plays(c, k)) {
                    ++players;
                    result[i] += costs[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
                }
            }
            EXPECT_EQ(players, 1) << "channel " << c << " key " << k;
        }
    }
    return result;
}

// How many shares play some key of `channel`.
int sharesHearing(const std::vector<LaneShare>& shares, int channel) {
    return static_cast<int>(std::count_if(shares.begin(), shares.end(),
                                          [&](const LaneShare& s) { return s.hears(channel); }));
}

TEST(LaneShares, KeysEvenOutWhatWholeChannelsCannot) {
    // Whole channels split no closer than 45 against 55, or 45, 30 and 25 in three.
    const KeyCosts wind = keyLoads({45, 30, 25}, 12);
    for (const int lanes : {2, 3}) {
        const std::vector<LaneShare> shares = planLaneShares(wind, 0, lanes);
        ASSERT_EQ(shares.size(), static_cast<std::size_t>(lanes));
        const std::vector<double> loads = shareLoads(shares, wind);
        const double busiest = *std::max_element(loads.begin(), loads.end());
        EXPECT_LE(busiest, 100.0 / lanes + 4.0) << lanes << " synthesizers";
    }
    // Split channels keep their other events everywhere their keys are played.
    const std::vector<LaneShare> two = planLaneShares(wind, 0, 2);
    int split = 0;
    for (int c = 0; c < 3; ++c) {
        split += sharesHearing(two, c) > 1 ? 1 : 0;
    }
    EXPECT_GE(split, 1);
    EXPECT_EQ(sharesHearing(two, 7), 1) << "an idle channel stays in one place";
}

TEST(LaneShares, ChannelsWhoseKeysActTogetherStayWhole) {
    // Drums and a portamento lead carry most of the work; only the light channel may give keys.
    const KeyCosts costs = keyLoads({10, 45, 45}, 12);
    const std::vector<LaneShare> shares = planLaneShares(costs, 0b110, 2);
    shareLoads(shares, costs);
    EXPECT_EQ(sharesHearing(shares, 1), 1);
    EXPECT_EQ(sharesHearing(shares, 2), 1);
    // Nothing to move: the plan is that of whole channels.
    const KeyCosts bound = keyLoads({40, 60}, 4);
    const std::vector<LaneShare> whole = planLaneShares(bound, 0b11, 2);
    ASSERT_EQ(whole.size(), 2u);
    EXPECT_EQ(sharesHearing(whole, 0), 1);
    EXPECT_EQ(sharesHearing(whole, 1), 1);
}

TEST(LaneShares, EvenChannelsAndSingleSynthesizersAreLeftAsTheyWere) {
    const KeyCosts even = keyLoads({5, 4, 3, 3, 2, 1}, 6);
    std::vector<LaneShare> planned;
    for (const std::uint16_t mask : planChannelGroups(channelCosts(even), 2)) {
        planned.push_back(LaneShare::ofChannels(mask));
    }
    EXPECT_EQ(planLaneShares(even, 0, 2), planned) << "9 against 9 needs no key moved";
    const std::vector<LaneShare> one = {LaneShare::ofChannels(kAllChannels)};
    EXPECT_EQ(planLaneShares(keyLoads({7}, 12), 0, 2), one) << "one busy channel";
    EXPECT_EQ(planLaneShares(keyLoads({3, 3, 3}, 12), 0, 1), one) << "one core";
    // Reverb and chorus, which every synthesizer runs, would cost more than sharing out the keys
    // of a channel that carries nearly the whole song saves.
    EXPECT_EQ(planLaneShares(keyLoads({95, 2, 2}, 12), 0, 2), one);
}

}  // namespace
}  // namespace corvane
