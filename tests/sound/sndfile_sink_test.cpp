// The sound file writer: what it writes is read back by other programs' decoders (flac, oggdec,
// soxi), and a failure names the file and the cause and leaves nothing behind.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "sound/sndfile_sink.h"
#include "tests/score/test_files.h"
#include "wav.h"

namespace corvane {
namespace {

using testing::TempDir;

// One second: 440 Hz on the left and 660 Hz on the right, with ten frames far beyond full
// scale, which must be held at full scale.
std::vector<float> testSignal() {
    std::vector<float> signal;
    for (int i = 0; i < 44100; ++i) {
        const double t = i / 44100.0;
        const bool loud = i >= 100 && i < 110;
        signal.push_back(loud ? 1.5f : static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * t)));
        signal.push_back(loud ? -1.5f : static_cast<float>(0.25 * std::sin(2 * std::numbers::pi * 660 * t)));
    }
    return signal;
}

void writeFile(const std::string& path, AudioFormat format, const std::vector<float>& signal) {
    SndfileSink sink(path, format);
    // In pieces, as the renderer writes.
    for (std::size_t at = 0; at < signal.size(); at += 8192) {
        sink.write(std::span<const float>(signal).subspan(at, std::min<std::size_t>(8192, signal.size() - at)));
    }
    sink.commit();
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        ::pclose(pipe);
    }
    return out;
}

// soxi's view of a file: type, rate, channels, bits (0 for lossy), samples per channel.
std::string soxi(const std::string& path) {
    std::string description;
    for (const char* option : {"-t", "-r", "-c", "-b", "-s"}) {
        std::string value = run(std::string(CORVANE_SOXI) + " " + option + " '" + path + "' 2>&1");
        while (!value.empty() && value.back() == '\n') {
            value.pop_back();
        }
        description += (description.empty() ? "" : " ") + value;
    }
    return description;
}

TEST(SndfileSink, WavAndFlacHoldTheSameSamplesAsOtherProgramsRead) {
    TempDir dir;
    const std::vector<float> signal = testSignal();
    writeFile(dir.file("a.wav"), AudioFormat::Wav, signal);
    writeFile(dir.file("a.flac"), AudioFormat::Flac, signal);
    EXPECT_EQ(soxi(dir.file("a.wav")), "wav 44100 2 16 44100");
    EXPECT_EQ(soxi(dir.file("a.flac")), "flac 44100 2 16 44100");

    const test::Wav wav = test::readWav(dir.file("a.wav"));
    ASSERT_EQ(wav.samples.size(), signal.size());
    // Full scale is 32768 steps each way.
    for (std::size_t i = 0; i < signal.size(); i += 997) {
        if (std::abs(signal[i]) <= 1.0f) {
            EXPECT_EQ(wav.samples[i], std::lrint(signal[i] * 32768.0)) << i;
        }
    }
    EXPECT_EQ(wav.samples[2 * 105], 32767) << "held at full scale, not wrapped round";
    EXPECT_EQ(wav.samples[2 * 105 + 1], -32768);

    const std::string decoded = dir.file("flac.wav");
    ASSERT_EQ(std::system((std::string(CORVANE_FLAC) + " -d -s -f -o '" + decoded + "' '" +
                           dir.file("a.flac") + "'")
                              .c_str()),
              0);
    EXPECT_EQ(test::readWav(decoded).samples, wav.samples) << "FLAC is lossless";
}

TEST(SndfileSink, OggVorbisDecodesToTheSameSound) {
    TempDir dir;
    const std::vector<float> signal = testSignal();
    writeFile(dir.file("a.ogg"), AudioFormat::OggVorbis, signal);
    EXPECT_EQ(soxi(dir.file("a.ogg")), "vorbis 44100 2 0 44100");
    const std::string decoded = dir.file("ogg.wav");
    ASSERT_EQ(std::system((std::string(CORVANE_OGGDEC) + " -Q -o '" + decoded + "' '" +
                           dir.file("a.ogg") + "'")
                              .c_str()),
              0);
    const test::Wav wav = test::readWav(decoded);
    ASSERT_EQ(wav.channels, 2);
    ASSERT_EQ(wav.sampleRate, 44100);
    ASSERT_EQ(wav.mono.size(), 44100u);
    // Away from the loud frames, both tones come through and little else.
    const auto power = [&](double f) { return test::powerAt(wav.mono, 4410, 44100, f, 44100); };
    EXPECT_GT(power(440), 100 * power(550));
    EXPECT_GT(power(660), 100 * power(550));
}

// The error a sink for `path` raises, at creation or while writing and committing.
std::string failureOf(const std::string& path) {
    try {
        writeFile(path, AudioFormat::Wav, testSignal());
    } catch (const RenderError& error) {
        return error.what();
    }
    return "no error";
}

TEST(SndfileSink, ATargetThatCannotBeWrittenIsNamedWithTheCause) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "song.wav");
    EXPECT_EQ(failureOf(dir.file("song.wav")),
              "Cannot write the audio file " + dir.file("song.wav") +
                  ": this is a folder, not a file.");
    EXPECT_EQ(failureOf(dir.file("missing/song.wav")),
              "Cannot write the audio file " + dir.file("missing/song.wav") +
                  ": the folder does not exist.");
    ASSERT_EQ(::mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(failureOf(dir.file("pipe.wav")),
              "Cannot write the audio file " + dir.file("pipe.wav") +
                  ": this is not a regular file.");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"pipe.wav", "song.wav"}));

    // The file and the cause also come apart, for the window's box.
    try {
        writeFile(dir.file("missing/song.wav"), AudioFormat::Wav, testSignal());
        ADD_FAILURE() << "no error";
    } catch (const RenderError& error) {
        EXPECT_EQ(error.file(), dir.file("missing/song.wav"));
        EXPECT_EQ(error.reason(), "the folder does not exist");
    }
}

TEST(SndfileSink, UntilCommittedOnlyATemporaryFileBesideTheTargetExists) {
    TempDir dir;
    const std::string path = dir.file("song.wav");
    testing::writeBytes(path, {'o', 'l', 'd'});
    ::chmod(path.c_str(), 0640);
    std::string temporary;
    {
        SndfileSink sink(path, AudioFormat::Wav);
        temporary = sink.temporaryPath();
        sink.write(testSignal());
        EXPECT_EQ(std::filesystem::path(temporary).parent_path(), dir.path());
        EXPECT_TRUE(std::filesystem::exists(temporary));
        EXPECT_EQ(testing::readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.wav"}) << "dropped unfinished";
    EXPECT_EQ(testing::readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    writeFile(path, AudioFormat::Wav, testSignal());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.wav"});
    EXPECT_EQ(test::readWav(path).mono.size(), 44100u);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "a replaced file keeps its permissions";
}

// Runs `body` in a child process and returns its exit status; `prepare` runs first in the
// child and gives 77 when the test cannot be set up there.
template <typename Prepare, typename Body>
int inChild(Prepare prepare, Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int prepared = prepare();
        ::_exit(prepared != 0 ? prepared : body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

// 0 when writing `path` fails with exactly `message`, 1 when it succeeds, 2 for another error.
int expectFailure(const std::string& path, const std::string& reason) {
    const std::string message = failureOf(path);
    if (message == "no error") {
        return 1;
    }
    if (message != "Cannot write the audio file " + path + ": " + reason + ".") {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 2;
    }
    return std::filesystem::is_empty(std::filesystem::path(path).parent_path()) ? 0 : 3;
}

TEST(SndfileSink, AnUnwritableFolderIsPermissionDenied) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const int status = inChild(
        [] {
            // Root may write anywhere: the child becomes "nobody".
            return ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0) ? 100 : 0;
        },
        [&] { return expectFailure((folder / "song.wav").string(), "permission denied"); });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(status, 0) << "1: written anyway, 2: another message, 3: a file left, 100: no drop";
}

TEST(SndfileSink, AFullDiskSaysSoAndLeavesNothing) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "small";
    std::filesystem::create_directory(folder);
    // A private 64 KiB file system, in a mount namespace of the child's own.
    const int status = inChild(
        [&] {
            if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                return 77;
            }
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
                return 77;
            }
            return 0;
        },
        [&] { return expectFailure((folder / "song.wav").string(), "the disk is full"); });
    if (status == 77) {
        GTEST_SKIP() << "no mount namespace for a small file system here";
    }
    EXPECT_EQ(status, 0) << "1: written anyway, 2: another message, 3: a file left";
}

}  // namespace
}  // namespace corvane
