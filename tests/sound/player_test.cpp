#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
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
        installSoundDevice(device_);
    }
    void TearDown() override {
        Player::waitForPreviews();
        installSoundDevice(nullptr);
        std::filesystem::current_path(previous_);
        if (previousTmpdir_) {
            ::setenv("TMPDIR", previousTmpdir_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
        // Playback leaves nothing behind, in the temporary folder or anywhere else.
        EXPECT_TRUE(std::filesystem::is_empty(folder_ / "tmp"));
        std::filesystem::remove_all(folder_);
        EXPECT_FALSE(device_->badHandle());
    }

    // Whether a playback file is lying about, in the temporary folder or the current one.
    bool playbackFileExists() const {
        return !std::filesystem::is_empty(folder_ / "tmp") ||
               !std::filesystem::is_empty(folder_ / "home");
    }

    // Waits until the device has seen `n` calls of `kind`; the limit only stops a hang.
    bool waitForCalls(DeviceCall::Kind kind, int n) const {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (device_->count(kind) < n) {
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
    Player player;
    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls[1].kind, DeviceCall::CloseOut);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, PlayHandsTheFileToTheSequencerAndDeletesIt) {
    Player player;
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
    EXPECT_EQ(calls[1].value, calls[0].value);

    // The end of the song reaches the window, which stops playback.
    device_->finishSong();
    EXPECT_EQ(window_.notices(), 1);
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
    EXPECT_EQ(device_->calls().back().value, calls[0].value);

    // A second notice after a stop finds no device open.
    player.stop();
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
}

TEST_F(PlayerTest, PlayTwiceDoesNothingTheSecondTime) {
    Player player;
    player.play(melody(), 0, window_);
    player.play(melody(), 0, window_);
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 1);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, TogglePlayStopsAndStartsAnew) {
    Player player;
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
    Player player;
    device_->holdNoteOffs();
    player.previewNote(60, 0, 0);
    ASSERT_TRUE(waitForCalls(DeviceCall::Send, 2));  // the preview has counted itself
    player.play(melody(), 0, window_);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device_->count(DeviceCall::OpenSequencer), 0);
    EXPECT_FALSE(playbackFileExists());

    device_->releaseNoteOffs();
    Player::waitForPreviews();
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, PreviewWhilePlayingIsSilent) {
    Player player;
    player.play(melody(), 0, window_);
    device_->clear();
    player.previewNote(60, 0, 0);
    player.previewNote(64, 0, 0);
    Player::waitForPreviews();
    EXPECT_TRUE(device_->calls().empty());
    EXPECT_TRUE(player.isPlaying());

    player.stop();
    player.previewNote(60, 0, 0);
    Player::waitForPreviews();
    EXPECT_EQ(device_->count(DeviceCall::Send), 3);
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
        Player player;
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
    Player player;
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    ASSERT_EQ(device_->count(DeviceCall::OpenSequencer), 1);
    EXPECT_EQ(device_->calls().back().kind, DeviceCall::Play);
    player.stop();
}

TEST_F(PlayerTest, FailedOpenLeavesPlaybackStopped) {
    Player player;
    device_->sequencerOpens = false;
    player.play(melody(), 0, window_);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(playbackFileExists());
    EXPECT_EQ(device_->count(DeviceCall::Play), 0);

    // Previews and playback still work afterwards.
    player.previewNote(60, 0, 0);
    Player::waitForPreviews();
    EXPECT_EQ(device_->count(DeviceCall::Send), 3);
    device_->sequencerOpens = true;
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, UnwritableTemporaryFolderRaisesAndReleasesEverything) {
    Player player;
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
    Player::waitForPreviews();
    EXPECT_EQ(device_->count(DeviceCall::Send), 3);
    ::setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, DestroyingThePlayerStopsPlayback) {
    {
        Player player;
        player.play(melody(), 0, window_);
    }
    EXPECT_EQ(device_->count(DeviceCall::CloseSequencer), 1);
    Player player;
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, ChordSharesOneOpeningOfTheOutput) {
    Player player;
    device_->clear();
    device_->holdNoteOffs();
    player.previewNote(60, 5, 0);
    player.previewNote(64, 5, 0);
    player.previewNote(67, 5, 0);
    ASSERT_TRUE(waitForCalls(DeviceCall::Send, 6));
    device_->releaseNoteOffs();
    Player::waitForPreviews();

    const std::vector<DeviceCall> calls = device_->calls();
    EXPECT_EQ(device_->count(DeviceCall::OpenOut), 1);
    EXPECT_EQ(device_->count(DeviceCall::CloseOut), 1);
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls.front().kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls.back().kind, DeviceCall::CloseOut);

    std::set<std::uint32_t> on;
    int programChanges = 0;
    for (const DeviceCall& call : calls) {
        if (call.kind != DeviceCall::Send) {
            continue;
        }
        const std::uint32_t key = (call.value >> 8) & 0xFF;
        switch (call.value & 0xFF) {
            case 0xC0:
                EXPECT_EQ(call.value, 0xC0u | 5u << 8);
                ++programChanges;
                break;
            case 0x90:
                EXPECT_EQ(call.value >> 16, 127u);
                on.insert(key);
                break;
            case 0x80:
                EXPECT_EQ(on.count(key), 1u) << "a Note Off before its Note On";
                break;
            default:
                ADD_FAILURE() << "unexpected message " << call.value;
        }
    }
    EXPECT_EQ(programChanges, 3);
    EXPECT_EQ(on.size(), 3u);
}

// A preview opens the output, sounds its key at full velocity, stops the same key and closes.
TEST_F(PlayerTest, PreviewHoldsItsNote) {
    Player player;
    device_->clear();
    player.previewNote(60, 0, 0);
    Player::waitForPreviews();
    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[2].value, 0x90u | 60u << 8 | 127u << 16);
    EXPECT_EQ(calls[3].value, 0x80u | 60u << 8 | 127u << 16);
}

// Every preview sounds on a thread of its own: a dozen notes placed at once all start before
// the first of them ends (their Note Offs are held back until all have started, which previews
// sharing a thread would never reach), also when the threads of an earlier burst are reused.
TEST_F(PlayerTest, ManyPreviewsAtOnceAllSoundTogether) {
    Player player;
    for (int burst = 0; burst < 2; ++burst) {
        device_->clear();
        device_->holdNoteOffs();
        for (std::uint8_t key = 60; key < 72; ++key) {
            player.previewNote(key, 0, 0);
        }
        ASSERT_TRUE(waitForCalls(DeviceCall::Send, 24)) << "burst " << burst;
        device_->releaseNoteOffs();
        Player::waitForPreviews();
        int noteOns = 0;
        bool offSeen = false;
        for (const std::uint32_t message : device_->messages()) {
            if ((message & 0xF0) == 0x80) {
                offSeen = true;
            } else if ((message & 0xF0) == 0x90) {
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
    Player player;
    device_->clear();
    device_->holdNoteOffs();
    player.previewNote(60, 0, 0);
    ASSERT_TRUE(waitForCalls(DeviceCall::Send, 2));
    // The first note still sounds when the second starts.
    player.previewNote(62, 0, 0);
    ASSERT_TRUE(waitForCalls(DeviceCall::Send, 4));
    device_->releaseNoteOffs();
    Player::waitForPreviews();
    const std::vector<DeviceCall> calls = device_->calls();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls.front().kind, DeviceCall::OpenOut);
    EXPECT_EQ(calls.back().kind, DeviceCall::CloseOut);
    // The output closes only after both Note Offs.
    EXPECT_EQ((calls[5].value & 0xF0) | (calls[6].value & 0xF0), 0x80u);
}

TEST_F(PlayerTest, DrumPreview) {
    Player player;
    device_->clear();
    player.previewNote(38, 17, 1);
    Player::waitForPreviews();
    EXPECT_EQ(device_->messages(),
              (std::vector<std::uint32_t>{0xC0u | 17u << 8, 0x99u | 38u << 8 | 127u << 16,
                                          0x89u | 38u << 8 | 127u << 16}));
}

TEST_F(PlayerTest, NoOutputMeansSilence) {
    device_->outAvailable = false;
    Player player;
    device_->clear();
    player.previewNote(60, 0, 0);
    player.previewNote(64, 0, 0);
    Player::waitForPreviews();
    EXPECT_EQ(device_->count(DeviceCall::Send), 0);
    EXPECT_EQ(device_->count(DeviceCall::CloseOut), 0);
    // The count went back to 0: playback may start.
    player.play(melody(), 0, window_);
    EXPECT_TRUE(player.isPlaying());
    player.stop();
}

TEST_F(PlayerTest, ManyPreviewsAndPlaybackFromTwoThreadsKeepTheRules) {
    Player player;
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
            Player::waitForPreviews();
        }
    }
    done = true;
    ender.join();
    player.stop();
    Player::waitForPreviews();
    // Every opening of the output was closed, and no message went out while a sequencer was open.
    EXPECT_EQ(device_->count(DeviceCall::OpenOut), device_->count(DeviceCall::CloseOut));
    bool sequencerOpen = false;
    for (const DeviceCall& call : device_->calls()) {
        if (call.kind == DeviceCall::Play) {
            sequencerOpen = true;
        } else if (call.kind == DeviceCall::CloseSequencer) {
            sequencerOpen = false;
        } else if (call.kind == DeviceCall::Send) {
            EXPECT_FALSE(sequencerOpen);
        }
    }
    EXPECT_FALSE(player.isPlaying());
}

// Counts Note Offs and closings and reports them when it is destroyed, which at exit happens
// only after the last preview has finished with it.
class CountingDevice final : public SoundDevice {
  public:
    ~CountingDevice() override {
        std::cerr << "note offs " << noteOffs_ << ", closes " << closes_ << std::endl;
    }
    MidiOutHandle openMidiOut() override { return 1; }
    void sendShortMessage(MidiOutHandle, std::uint32_t message) override {
        if ((message & 0xF0) == 0x80) {
            ++noteOffs_;
        } else if ((message & 0xF0) == 0x90) {
            ++noteOns_;
        }
    }
    void closeMidiOut(MidiOutHandle) override { ++closes_; }
    SequencerId openSequencer(const std::string&) override { return 0; }
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}

    int noteOns() const { return noteOns_; }

  private:
    std::atomic<int> noteOns_{0};
    std::atomic<int> noteOffs_{0};
    std::atomic<int> closes_{0};
};

TEST(PlayerExit, ExitWhilePreviewsSoundIsClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto device = std::make_shared<CountingDevice>();
            // The process's sound state holds the only reference, and reports at exit.
            const CountingDevice& counts = *device;
            installSoundDevice(std::move(device));
            Player player;
            player.previewNote(60, 0, 0);
            player.previewNote(67, 0, 0);
            // Both notes sound, and their previews sleep, when the process exits.
            while (counts.noteOns() < 2) {
                std::this_thread::yield();
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "note offs 2, closes 2");
}

}  // namespace
}  // namespace corvane
