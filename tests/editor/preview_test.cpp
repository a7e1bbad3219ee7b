// The pitches a left-button entry sounds: what enterNote returns, and what a click then sends
// through the player to a recording sound device.

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
#include "tests/editor/fake_window.h"

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

class ClickPreview : public ::testing::Test {
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

// A chord in the first quarter of track 0 of a default editor: C4 and G#4.
void addChord(test::ViewFixture& f, int program, TrackKind kind) {
    f.edit([=](Score& s) {
        s.tracks[0].program = program;
        s.tracks[0].kind = kind;
        Note& first = s.tracks[0].measures[0].front();
        first.pitches.push_back(NoteHead{-6, AccidentalNone});
        first.pitches.push_back(NoteHead{-2, Sharp});
    });
}

TEST(EntrySound, EveryPitchOfTheChordWithTheTracksProgram) {
    Score score;
    score.measures[0].key = -1;  // B flat
    score.tracks[0].program = 0x100 + 41;
    Note& target = score.tracks[0].measures[0].front();
    target.pitches.push_back(NoteHead{-6, AccidentalNone});  // C4
    target.pitches.push_back(NoteHead{-2, Sharp});           // G#4

    NoteEntry entry;
    entry.keySignature = -1;
    entry.position = 0;  // B4, flattened by the key
    entry.octave = 1;
    const EntrySound sound = enterNote(score, NoteIndex{0, 0, 0}, entry);
    EXPECT_EQ(sound.midiKeys, (std::vector<std::uint8_t>{72, 80, 82}));
    EXPECT_EQ(sound.program, 41);
    EXPECT_FALSE(sound.drums);
}

TEST(EntrySound, KeysFollowThePitchRules) {
    Score score;
    score.measures[0].key = 2;
    score.tracks[0].kind = Bass;
    NoteEntry entry;
    entry.keySignature = 2;
    entry.trackKind = Bass;
    entry.position = -1;  // C3, sharpened by the key
    entry.accidental = Flat;
    entry.octave = -1;
    const int expected = midiKeyNumber(-1, Natural, -1, Bass, 2);
    EXPECT_EQ(expected, 36);
    EXPECT_EQ(enterNote(score, NoteIndex{0, 0, 0}, entry).midiKeys,
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(expected)}));
}

TEST(EntrySound, DrumsSoundWithoutOctave) {
    Score score;
    score.tracks[0].kind = Drums;
    score.tracks[0].program = 5;
    NoteEntry entry;
    entry.trackKind = Drums;
    entry.position = -9;
    entry.accidental = Sharp;
    entry.octave = 1;
    const EntrySound sound = enterNote(score, NoteIndex{0, 0, 0}, entry);
    EXPECT_EQ(sound, (EntrySound{{37}, 5, true}));
}

TEST(EntrySound, OnlyLeftButtonEntriesThatHappenSound) {
    Score score;
    TrackMeasure& notes = score.tracks[0].measures[0];
    notes.front().pitches.push_back(NoteHead{1, AccidentalNone});
    notes.back().pitches.push_back(NoteHead{1, AccidentalNone});

    NoteEntry right;
    right.rightButton = true;
    EXPECT_TRUE(enterNote(score, NoteIndex{0, 0, 0}, right).midiKeys.empty());

    NoteEntry refused;
    refused.duration = 2;  // the last quarter cannot grow
    EXPECT_TRUE(enterNote(score, NoteIndex{0, 0, 3}, refused).midiKeys.empty());
    EXPECT_FALSE(notes.back().isRest()) << "the refused entry changed nothing";

    NoteEntry triplet;
    triplet.duration = 8;
    triplet.triplet = true;
    triplet.position = 3;
    EXPECT_EQ(enterNote(score, NoteIndex{0, 0, 0}, triplet).midiKeys, (std::vector<std::uint8_t>{76}))
        << "the group's rests stay silent";
}

TEST_F(ClickPreview, ALeftClickSoundsTheEnteredChordWithTheTracksProgram) {
    test::ViewFixture f;
    addChord(f, 0x100 + 41, Treble);
    f.view.setPlayer(player_.get());
    f.type("q");
    f.clickAt(106, 90);  // adds B4, an octave up
    const Sent out = sent();
    EXPECT_EQ(out.noteOns, (std::vector<int>{72, 80, 83}));
    EXPECT_EQ(out.noteOffs, out.noteOns);
    EXPECT_EQ(out.programs, (std::vector<int>{41, 41, 41}));
    EXPECT_EQ(out.noteOnChannels, (std::vector<int>{0, 0, 0}));
}

TEST_F(ClickPreview, ADrumTrackSoundsOnChannelTen) {
    test::ViewFixture f;
    addChord(f, 5, Drums);
    f.view.setPlayer(player_.get());
    f.clickAt(106, 90);
    const Sent out = sent();
    EXPECT_EQ(out.noteOns.size(), 3u);
    EXPECT_EQ(out.noteOnChannels, (std::vector<int>{9, 9, 9}));
}

TEST_F(ClickPreview, RightClicksAndRefusedEntriesAreSilent) {
    test::ViewFixture f;
    addChord(f, 0, Treble);
    f.view.setPlayer(player_.get());
    f.clickAt(106, 90, true);
    f.type("z");
    f.clickAt(349, 90);  // the last quarter cannot become a whole note
    EXPECT_TRUE(sent().noteOns.empty());
    EXPECT_TRUE(f.view.dirty());
}

}  // namespace
}  // namespace corvane
