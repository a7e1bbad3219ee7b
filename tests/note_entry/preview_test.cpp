// The pitches a left-button entry sounds, checked on a recording sound device.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "editor/note_entry.h"
#include "score/pitch.h"
#include "sound/device.h"
#include "sound/player.h"

namespace corvane {
namespace {

struct Sent {
    std::vector<int> programs;  // Program Change programs
    std::vector<int> noteOns;   // keys, sorted: preview threads run side by side
    std::vector<int> noteOffs;
    std::vector<int> noteOnChannels;
};

class RecordingDevice final : public SoundDevice {
  public:
    bool openLiveOutput() override { return true; }
    void closeLiveOutput() override {}
    void noteOn(int channel, int key, int) override {
        const std::lock_guard guard(mutex_);
        sent_.noteOns.push_back(key);
        sent_.noteOnChannels.push_back(channel);
    }
    void noteOff(int, int key) override {
        const std::lock_guard guard(mutex_);
        sent_.noteOffs.push_back(key);
    }
    void programChange(int, int program) override {
        const std::lock_guard guard(mutex_);
        sent_.programs.push_back(program);
    }
    SequencerId openSequencer(const std::string&) override { return 0; }
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}

    Sent take() {
        const std::lock_guard guard(mutex_);
        return std::exchange(sent_, {});
    }

  private:
    std::mutex mutex_;
    Sent sent_;
};

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        player_ = std::make_unique<Player>(device_);
        device_->take();
    }
    void TearDown() override { player_.reset(); }

    Sent sent() {
        player_->waitForPreviews();
        Sent out = device_->take();
        std::sort(out.noteOns.begin(), out.noteOns.end());
        std::sort(out.noteOffs.begin(), out.noteOffs.end());
        return out;
    }

    std::shared_ptr<RecordingDevice> device_ = std::make_shared<RecordingDevice>();
    std::unique_ptr<Player> player_;
};

TEST_F(PreviewTest, EveryPitchOfTheChordSoundsWithTheTracksProgram) {
    Score score;
    score.measures[0].key = -1;  // B flat
    score.tracks[0].program = 0x100 + 41;
    Note& target = score.tracks[0].measures[0].front();
    target.pitches.push_back(NoteHead{-6, AccidentalNone});  // C4
    target.pitches.push_back(NoteHead{-2, Sharp});           // G#4

    NoteEntry entry;
    entry.key = -1;
    entry.position = 0;  // B4, flattened by the key
    entry.octave = 1;
    enterNote(score, target, entry, player_.get());

    const Sent out = sent();
    EXPECT_EQ(out.noteOns, (std::vector<int>{72, 80, 82}));
    EXPECT_EQ(out.noteOffs, out.noteOns);
    EXPECT_EQ(out.programs, (std::vector<int>{41, 41, 41}));
    for (const int channel : out.noteOnChannels)
        EXPECT_EQ(channel, 0);
}

TEST_F(PreviewTest, KeysFollowThePitchRules) {
    Score score;
    score.measures[0].key = 2;
    score.tracks[0].kind = Bass;
    Note& target = score.tracks[0].measures[0].front();
    NoteEntry entry;
    entry.key = 2;
    entry.trackKind = Bass;
    entry.position = -1;  // C3, sharpened by the key
    entry.accidental = Flat;
    entry.octave = -1;
    enterNote(score, target, entry, player_.get());
    const int expected = midiKeyNumber(-1, Natural, -1, Bass, 2);
    EXPECT_EQ(expected, 36);
    EXPECT_EQ(sent().noteOns, (std::vector<int>{expected}));
}

TEST_F(PreviewTest, DrumsSoundOnChannelTenWithoutOctave) {
    Score score;
    score.tracks[0].kind = Drums;
    score.tracks[0].program = 5;
    NoteEntry entry;
    entry.trackKind = Drums;
    entry.position = -9;
    entry.accidental = Sharp;
    entry.octave = 1;
    enterNote(score, score.tracks[0].measures[0].front(), entry, player_.get());
    const Sent out = sent();
    EXPECT_EQ(out.noteOns, (std::vector<int>{37}));
    EXPECT_EQ(out.noteOnChannels, (std::vector<int>{9}));
    EXPECT_EQ(out.programs, (std::vector<int>{5}));
}

TEST_F(PreviewTest, OnlyLeftButtonEntriesThatHappenSound) {
    Score score;
    TrackMeasure& notes = score.tracks[0].measures[0];
    notes.front().pitches.push_back(NoteHead{1, AccidentalNone});
    notes.back().pitches.push_back(NoteHead{1, AccidentalNone});

    NoteEntry right;
    right.rightButton = true;
    enterNote(score, notes.front(), right, player_.get());

    NoteEntry refused;
    refused.duration = 2;  // the last quarter cannot grow
    enterNote(score, notes.back(), refused, player_.get());

    EXPECT_TRUE(sent().noteOns.empty());

    NoteEntry triplet;
    triplet.duration = 8;
    triplet.triplet = true;
    triplet.position = 3;
    enterNote(score, notes.front(), triplet, player_.get());
    EXPECT_EQ(sent().noteOns, (std::vector<int>{76})) << "the group's rests stay silent";
}

}  // namespace
}  // namespace corvane
