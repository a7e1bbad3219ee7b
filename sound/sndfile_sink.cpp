#include "sound/sndfile_sink.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "sound/system_reason.h"

namespace corvane {

namespace {

int sndfileFormat(AudioFormat format) {
    switch (format) {
        case AudioFormat::Flac:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioFormat::OggVorbis:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFormat::Wav:
            break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

// The file a write to `path` replaces: through a symbolic link, the file it points to.
std::filesystem::path writeTarget(const std::string& path) {
    std::filesystem::path target = std::filesystem::absolute(path);
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }
    return target;
}

}  // namespace

struct SndfileSink::Impl {
    std::string path;  // as the user named it, for messages
    std::filesystem::path target;
    std::string temporary;
    int fd = -1;
    SNDFILE* file = nullptr;
    bool committed = false;
    // WAV and FLAC get the same 16-bit samples, converted here: libsndfile's own conversion
    // rounds differently for the two.
    bool sixteenBit = false;
    std::vector<short> converted;

    [[noreturn]] void fail(const std::string& reason) const {
        throw RenderError("Cannot write the audio file " + path + ": " + reason + ".", path,
                          reason);
    }

    // Refuses a target that a file cannot replace, and returns the permissions to give the
    // new file: a replaced file keeps its own.
    mode_t checkTarget() const {
        struct stat existing {};
        if (::stat(target.c_str(), &existing) != 0) {
            return 0666;
        }
        if (S_ISDIR(existing.st_mode)) {
            fail(plainSystemReason(EISDIR));
        }
        if (!S_ISREG(existing.st_mode)) {
            fail("this is not a regular file");
        }
        if (::access(target.c_str(), W_OK) != 0) {
            fail(plainSystemReason(errno));
        }
        return existing.st_mode & 07777;
    }

    void createTemporary(mode_t mode, bool replacing) {
        const std::string stem = "." + target.filename().string().substr(0, 200) + ".";
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = (target.parent_path() / (stem + std::to_string(::getpid()) +
                                                              "-" + std::to_string(random()) +
                                                              ".tmp"))
                                         .string();
            // The mode is filtered by the umask, as for any new file.
            fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd >= 0) {
                temporary = name;
                if (replacing) {
                    ::fchmod(fd, mode);
                }
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        fail(plainSystemReason(errno));
    }

    void open(AudioFormat format) {
        SF_INFO info{};
        info.samplerate = kAudioSampleRate;
        info.channels = kAudioChannels;
        info.format = sndfileFormat(format);
        errno = 0;
        file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
        if (file == nullptr) {
            fail(errno != 0 ? plainSystemReason(errno) : sf_strerror(nullptr));
        }
        // Louder samples are held at full scale rather than wrapping round.
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        sixteenBit = format != AudioFormat::OggVorbis;
    }

    // The samples as 16-bit integers: full scale is 32768 steps each way, louder is clipped.
    const std::vector<short>& toSixteenBit(std::span<const float> samples) {
        converted.resize(samples.size());
        std::transform(samples.begin(), samples.end(), converted.begin(), [](float sample) {
            const long value = std::lrint(static_cast<double>(sample) * 32768.0);
            return static_cast<short>(std::clamp(value, -32768L, 32767L));
        });
        return converted;
    }

    void closeFile() {
        if (file != nullptr) {
            sf_close(file);
            file = nullptr;
        }
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

SndfileSink::SndfileSink(std::string path, AudioFormat format) : impl_(std::make_unique<Impl>()) {
    impl_->path = std::move(path);
    impl_->target = writeTarget(impl_->path);
    struct stat existing {};
    const bool replacing = ::stat(impl_->target.c_str(), &existing) == 0;
    const mode_t mode = impl_->checkTarget();
    impl_->createTemporary(mode, replacing);
    try {
        impl_->open(format);
    } catch (...) {
        impl_->closeFile();
        ::unlink(impl_->temporary.c_str());
        throw;
    }
}

SndfileSink::~SndfileSink() {
    impl_->closeFile();
    if (!impl_->committed && !impl_->temporary.empty()) {
        ::unlink(impl_->temporary.c_str());
    }
}

void SndfileSink::write(std::span<const float> interleaved) {
    const auto frames = static_cast<sf_count_t>(interleaved.size() / kAudioChannels);
    if (impl_->file == nullptr) {
        impl_->fail("the file is already closed");
    }
    errno = 0;
    const sf_count_t written =
        impl_->sixteenBit
            ? sf_writef_short(impl_->file, impl_->toSixteenBit(interleaved).data(), frames)
            : sf_writef_float(impl_->file, interleaved.data(), frames);
    if (written != frames) {
        impl_->fail(errno != 0 ? plainSystemReason(errno) : sf_strerror(impl_->file));
    }
}

void SndfileSink::commit() {
    Impl& d = *impl_;
    if (d.file == nullptr) {
        d.fail("the file is already closed");
    }
    // Closing writes what the encoder still holds and the header's sizes.
    errno = 0;
    const int closed = sf_close(d.file);
    d.file = nullptr;
    if (closed != 0) {
        d.fail(errno != 0 ? plainSystemReason(errno) : sf_error_number(closed));
    }
    // fsync is not supported everywhere (some pseudo file systems); that is no failure.
    if (::fsync(d.fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
        d.fail(plainSystemReason(errno));
    }
    const int fd = d.fd;
    d.fd = -1;
    if (::close(fd) != 0) {
        d.fail(plainSystemReason(errno));
    }
    if (::rename(d.temporary.c_str(), d.target.c_str()) != 0) {
        d.fail(plainSystemReason(errno));
    }
    d.committed = true;
    // Makes the rename durable; failing that only weakens durability.
    const int folder = ::open(d.target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

const std::string& SndfileSink::temporaryPath() const {
    return impl_->temporary;
}

}  // namespace corvane
