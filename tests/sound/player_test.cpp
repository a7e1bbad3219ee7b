#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "fake_device.h"
#include "score/data_file.h"
#include "score_builders.h"
#include "sound/player.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::DeviceCall;
using test::FakeDevice;
using test::FakeWindow;

// Each test runs in a folder of its own (the user's current folder) with a temporary folder of
// its own, where the playback files go.
class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        const char* tmpdir = std::getenv("TMPDIR");
        previousTmpdir_ = tmpdir != nullptr ? std::optional<std::string>(tmpdir) : std::nullopt;
        folder_ = std::filesystem::temp_directory_path() /
                  ("cvn_player_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "tmp");
        std::filesystem::create_directories(folder_ / "home");
        std::filesystem::current_path(folder_ / "home");
        ::setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
        device_ = std::make_shared<FakeDevice>();
    }
    // Each test's players are gone by now, and their previews with them.
    void TearDown() override {
        std::filesystem::current_path(previous_);
        if (previousTmpdir_) {
            ::setenv("TMPDIR", previousTmpdir_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
        // Playback leaves nothing behind, in the temporary folder or anywhere else.
        EXPECT_TRUE(std::filesystem::is_empty(folder_ / "tmp"));
        std::filesystem::remove_all(folder_);
        EXPECT_FALSE(device_->misused());
    }

    // Whether a playback file is lying about, in the temporary folder or the current one.
    bool playbackFileExists() const {
        return !std::filesystem::is_empty(folder_ / "tmp") ||
               !std::filesystem::is_empty(folder_ / "home");
    }

    // Waits until the device has been sent `n` messages; the limit only stops a hang.
    bool waitForMessages(int n) const {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (device_->messageCount() < n) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    std::filesystem::path previous_;
    std::optional<std::string> previousTmpdir_;
    std::filesystem::path folder_;
    std::shared_ptr<FakeDevice> device_;
    FakeWindow window_;
};

Score melody() {
    Score score = test::emptyScore(3, {{Treble, 0}});
    score.tracks[0].measures[1] = {test::single(1, 2)};
    score.tracks[0].measures[2] = {test::single(2, 0), test::rest(2)};
    return score;
}

TEST_F(PlayerTest, ConstructionProbesTheOutput) {
    Player player(device_);
    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls[1].kind, DeviceCall::CloseOut);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, PlayHandsTheFileToTheSequencerAndDeletesIt) {
    Player player(device_);
    device_->clear();
    const Score score = melody();
    player.play(score, 1, window_);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_FALSE(playbackFileExists());

    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, DeviceCall::OpenSequencer);
    // A private file of its own in the temporary folder, readable by this user only.
    const std::filesystem::path file(calls[0].path);
    EXPECT_TRUE(calls[0].fileExisted);
    EXPECT_EQ(file.parent_path(), folder_ / "tmp");
    EXPECT_EQ(file.filename().string().rfind(kPlaybackFilePrefix, 0), 0u) << file;
    EXPECT_EQ(file.extension(), ".mid");
    EXPECT_EQ(calls[0].permissions, 0600u);
    EXPECT_EQ(calls[0].bytes, Player::midiFileBytes(score, 1));
    EXPECT_EQ(calls[1].kind, DeviceCall::Play);
    EXPECT_EQ(calls[1].sequencer, calls[0].sequencer);

    // The end of the song reaches the window, which stops playback.
    device_->finishSong();
    EXPECT_EQ(window_.notices(), 1);
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
    EXPECT_EQ(device_->calls().back().sequencer, calls[0].sequencer);

    // A second notice after a stop finds no device open.
    player.stop();
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
}

TEST_F(PlayerTest, PlayTwiceDoesNothingTheSecondTime) {
    Player player(device_);
    player.play(melody(), 0, window_);
    player.play(melody(), 0, window_);
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 1);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, TogglePlayStopsAndStartsAnew) {
    Player player(device_);
    player.togglePlay(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.togglePlay(melody(), 0, window_);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
    player.togglePlay(melody(), 2, window_);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 2);
    player.stop();
}

TEST_F(PlayerTest, PlayWhilePreviewSoundsIsRefused) {
    Player player(device_);
    device_->holdNoteOffs();
    player.previewNote(60, 0, 0);
    ASSERT_TRUE(waitForMessages(2));  // the preview has counted itself
    player.play(melody(), 0, window_);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 0);
    EXPECT_FALSE(playbackFileExists());

    device_->releaseNoteOffs();
    player.waitForPreviews();
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, PreviewWhilePlayingIsSilent) {
    Player player(device_);
    player.play(melody(), 0, window_);
    device_->clear();
    player.previewNote(60, 0, 0);
    player.previewNote(64, 0, 0);
    player.waitForPreviews();
    EXPECT_TRUE(device_->calls().empty());
    EXPECT_TRUE(player.isPlaying());

    player.stop();
    player.previewNote(60, 0, 0);
    player.waitForPreviews();
    EXPECT_EQ(device_->messageCount(), 3);
    // The silent previews were not counted: playback may start again.
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

// A file of the user's named like the playback file of old, in the current folder and in the
// temporary folder, survives play, stop, the end of the song and the end of the player.
TEST_F(PlayerTest, PlaybackNeverTouchesTheUsersFiles) {
    const std::filesystem::path mine = folder_ / "home" / "cvn_playback.mid";
    const std::filesystem::path tmpMine = folder_ / "tmp" / "cvn_playback.mid";
    std::ofstream(mine) << "mine";
    std::ofstream(tmpMine) << "mine too";
    {
        Player player(device_);
        player.stop();
        player.play(melody(), 0, window_);
        EXPECT_TRUE(player.isPlaying());
        device_->finishSong();
        player.stop();
        player.stop();
        player.play(melody(), 1, window_);
        // Two plays, two different private files.
        std::vector<std::string> files;
        for (const DeviceCall& call : device_->calls()) {
            if (call.kind == DeviceCall::OpenSequencer) {
                files.push_back(call.path);
            }
        }
        ASSERT_EQ(files.size(), 2u);
        EXPECT_NE(files[0], files[1]);
    }
    const auto contents = [](const std::filesystem::path& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(contents(mine), "mine");
    EXPECT_EQ(contents(tmpMine), "mine too");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ / "tmp"),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove(tmpMine);
}

// A current folder that nobody can write in (here one that has been deleted) plays as usual.
TEST_F(PlayerTest, PlaysWhenTheCurrentFolderCannotBeWritten) {
    std::filesystem::create_directory(folder_ / "home" / "gone");
    std::filesystem::current_path(folder_ / "home" / "gone");
    std::filesystem::remove(folder_ / "home" / "gone");
    ASSERT_LT(::open("probe.mid", O_WRONLY | O_CREAT | O_EXCL, 0600), 0);
    Player player(device_);
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    ASSERT_EQ(device_->count(DeviceCall::OpenSequencer), 1);
    EXPECT_EQ(device_->calls().back().kind, DeviceCall::Play);
    player.stop();
}

TEST_F(PlayerTest, FailedOpenLeavesPlaybackStopped) {
    Player player(device_);
    device_->sequencerOpens = false;
    player.play(melody(), 0, window_);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(playbackFileExists());
    EXPECT_EQ(device_->count(DeviceCall::Play), 0);

    // Previews and playback still work afterwards.
    player.previewNote(60, 0, 0);
    player.waitForPreviews();
    EXPECT_EQ(device_->messageCount(), 3);
    device_->sequencerOpens = true;
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, UnwritableTemporaryFolderRaisesAndReleasesEverything) {
    Player player(device_);
    const std::filesystem::path missing = folder_ / "tmp" / "missing";
    ::setenv("TMPDIR", missing.c_str(), 1);
    try {
        player.play(melody(), 0, window_);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        // The sentence stays; the file and the cause come with it.
        EXPECT_STREQ(error.what(), "Error opening a file to write.");
        EXPECT_EQ(std::filesystem::path(error.path()).parent_path(), missing);
        EXPECT_EQ(error.reason(), "no such folder");
    }
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 0);

    // The lock is free: a preview sounds and a later play works.
    player.previewNote(60, 0, 0);
    player.waitForPreviews();
    EXPECT_EQ(device_->messageCount(), 3);
    ::setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, DestroyingThePlayerStopsPlayback) {
    {
        Player player(device_);
        player.play(melody(), 0, window_);
    }
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
    Player player(device_);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, ChordSharesOneOpeningOfTheOutput) {
    Player player(device_);
    device_->clear();
    device_->holdNoteOffs();
    player.previewNote(60, 5, 0);
    player.previewNote(64, 5, 0);
    player.previewNote(67, 5, 0);
    ASSERT_TRUE(waitForMessages(6));
    device_->releaseNoteOffs();
    player.waitForPreviews();

    const std::vector<DeviceCall> calls = device_->calls();
    EXPECT_EQ(device_->count(DeviceCall::OpenOut), 1);
    EXPECT_EQ(device_->count(DeviceCall::CloseOut), 1);
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls.front().kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls.back().kind, DeviceCall::CloseOut);

    std::set<int> on;
    int programChanges = 0;
    for (const DeviceCall& call : calls) {
        switch (call.kind) {
            case DeviceCall::ProgramChange:
                EXPECT_EQ(call.channel, 0);
                EXPECT_EQ(call.data, 5);
                ++programChanges;
                break;
            case DeviceCall::NoteOn:
                EXPECT_EQ(call.channel, 0);
                EXPECT_EQ(call.velocity, 127);
                on.insert(call.data);
                break;
            case DeviceCall::NoteOff:
                EXPECT_EQ(call.channel, 0);
                EXPECT_EQ(on.count(call.data), 1u) << "a Note Off before its Note On";
                break;
            case DeviceCall::OpenOut:
            case DeviceCall::CloseOut:
                break;
            default:
                ADD_FAILURE() << "unexpected call " << call.kind;
        }
    }
    EXPECT_EQ(programChanges, 3);
    EXPECT_EQ(on.size(), 3u);
}

// A preview opens the output, sounds its key at full velocity, stops the same key and closes.
TEST_F(PlayerTest, PreviewHoldsItsNote) {
    Player player(device_);
    device_->clear();
    player.previewNote(60, 0, 0);
    player.waitForPreviews();
    EXPECT_EQ(texts(device_->calls()),
              (std::vector<std::string>{"open", "program 0 0", "note on 0 60 127", "note off 0 60",
                                        "close"}));
}

// Every preview sounds on a thread of its own: a dozen notes placed at once all start before
// the first of them ends (their Note Offs are held back until all have started, which previews
// sharing a thread would never reach), also when the threads of an earlier burst are reused.
TEST_F(PlayerTest, ManyPreviewsAtOnceAllSoundTogether) {
    Player player(device_);
    for (int burst = 0; burst < 2; ++burst) {
        device_->clear();
        device_->holdNoteOffs();
        for (std::uint8_t key = 60; key < 72; ++key) {
            player.previewNote(key, 0, 0);
        }
        ASSERT_TRUE(waitForMessages(24)) << "burst " << burst;
        device_->releaseNoteOffs();
        player.waitForPreviews();
        int noteOns = 0;
        bool offSeen = false;
        for (const DeviceCall& message : device_->messages()) {
            if (message.kind == DeviceCall::NoteOff) {
                offSeen = true;
            } else if (message.kind == DeviceCall::NoteOn) {
                EXPECT_FALSE(offSeen) << "burst " << burst << ": a Note On after a Note Off";
                ++noteOns;
            }
        }
        EXPECT_EQ(noteOns, 12) << "burst " << burst;
        EXPECT_EQ(device_->count(DeviceCall::OpenOut), 1) << "burst " << burst;
        EXPECT_EQ(device_->count(DeviceCall::CloseOut), 1) << "burst " << burst;
    }
}

TEST_F(PlayerTest, OverlappingPreviewsKeepTheOutputOpen) {
    Player player(device_);
    device_->clear();
    device_->holdNoteOffs();
    player.previewNote(60, 0, 0);
    ASSERT_TRUE(waitForMessages(2));
    // The first note still sounds when the second starts.
    player.previewNote(62, 0, 0);
    ASSERT_TRUE(waitForMessages(4));
    device_->releaseNoteOffs();
    player.waitForPreviews();
    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls.front().kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls.back().kind, DeviceCall::CloseOut);
    // The output closes only after both Note Offs.
    EXPECT_EQ(calls[5].kind, DeviceCall::NoteOff);
    EXPECT_EQ(calls[6].kind, DeviceCall::NoteOff);
}

TEST_F(PlayerTest, DrumPreview) {
    Player player(device_);
    device_->clear();
    player.previewNote(38, 17, 1);
    player.waitForPreviews();
    // The program goes to channel 0 as for any note; the drum itself sounds on channel 9.
    EXPECT_EQ(texts(device_->messages()),
              (std::vector<std::string>{"program 0 17", "note on 9 38 127", "note off 9 38"}));
}

TEST_F(PlayerTest, NoOutputMeansSilence) {
    device_->outAvailable = false;
    Player player(device_);
    device_->clear();
    player.previewNote(60, 0, 0);
    player.previewNote(64, 0, 0);
    player.waitForPreviews();
    EXPECT_EQ(device_->messageCount(), 0);
    EXPECT_EQ(device_->count(DeviceCall::CloseOut), 0);
    // The count went back to 0: playback may start.
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, ManyPreviewsAndPlaybackFromTwoThreadsKeepTheRules) {
    Player player(device_);
    // The window thread's part runs here; a second thread plays a sequencer that ends by itself.
    std::atomic<bool> done{false};
    std::thread ender([&] {
        while (!done) {
            device_->finishSong();
            std::this_thread::sleep_for(1ms);
        }
    });
    for (int i = 0; i < 200; ++i) {
        player.previewNote(static_cast<std::uint8_t>(40 + i % 40), 0,
                           static_cast<std::uint8_t>(i % 2));
        player.togglePlay(melody(), 0, window_);
        if (i % 50 == 0) {
            player.waitForPreviews();
        }
    }
    done = true;
    ender.join();
    player.stop();
    player.waitForPreviews();
    // Every opening of the output was closed, and no message went out while a sequencer was open.
    EXPECT_EQ(device_->count(DeviceCall::OpenOut), device_->count(DeviceCall::CloseOut));
    bool sequencerOpen = false;
    for (const DeviceCall& call : device_->calls()) {
        if (call.kind == DeviceCall::Play) {
            sequencerOpen = true;
        } else if (call.kind == DeviceCall::CloseSequencer) {
            sequencerOpen = false;
        } else if (call.isMessage()) {
            EXPECT_FALSE(sequencerOpen);
        }
    }
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, EachPlayerSoundsOnTheDeviceItWasGiven) {
    const auto other = std::make_shared<FakeDevice>();
    Player mine(device_);
    Player theirs(other);
    device_->clear();
    other->clear();
    mine.previewNote(60, 0, 0);
    mine.waitForPreviews();
    theirs.play(melody(), 0, window_);
    EXPECT_EQ(device_->messageCount(), 3);
    EXPECT_EQ(other->messageCount(), 0);
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 0);
    EXPECT_EQ(other->count(DeviceCall::OpenSequencer), 1);
    theirs.stop();
}

TEST_F(PlayerTest, WithoutADeviceItPlaysOnTheSilentStandIn) {
    Player player(nullptr);
    player.previewNote(60, 0, 0);
    player.waitForPreviews();
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_FALSE(playbackFileExists());
    player.stop();
    EXPECT_FALSE(player.isPlaying());
}

// What a device was sent, kept apart from the device so that it can be read once the device
// is gone.
struct Counts {
    std::atomic<int> noteOns{0};
    std::atomic<int> noteOffs{0};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    // The counts when the device was destroyed.
    int noteOffsAtEnd = -1;
    int closesAtEnd = -1;
};

class CountingDevice final : public SoundDevice {
  public:
    explicit CountingDevice(std::shared_ptr<Counts> counts) : counts_(std::move(counts)) {}
    ~CountingDevice() override {
        counts_->noteOffsAtEnd = counts_->noteOffs;
        counts_->closesAtEnd = counts_->closes;
    }
    bool openLiveOutput() override {
        ++counts_->opens;
        return true;
    }
    void closeLiveOutput() override { ++counts_->closes; }
    void noteOn(int, int, int) override { ++counts_->noteOns; }
    void noteOff(int, int) override { ++counts_->noteOffs; }
    void programChange(int, int) override {}
    SequencerId openSequencer(const std::string&) override { return 0; }
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}

  private:
    std::shared_ptr<Counts> counts_;
};

// The Player holds the only reference to its device: destroying it while two previews sleep
// ends them at once, and the device goes only after both have sent their Note Off and the
// output has been closed (after the probe's opening, the previews' one).
TEST(PlayerLifetime, DestroyingThePlayerEndsSoundingPreviewsBeforeTheDeviceGoes) {
    const auto counts = std::make_shared<Counts>();
    auto device = std::make_shared<CountingDevice>(counts);
    const std::weak_ptr<CountingDevice> watch = device;
    {
        Player player(std::move(device));
        player.previewNote(60, 0, 0);
        player.previewNote(67, 0, 0);
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (counts->noteOns < 2 && std::chrono::steady_clock::now() < end) {
            std::this_thread::yield();
        }
        ASSERT_EQ(counts->noteOns, 2);
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(counts->noteOffsAtEnd, 2);
    EXPECT_EQ(counts->closesAtEnd, 2);
    EXPECT_EQ(counts->opens, 2);
}

}  // namespace
}  // namespace corvane
