#pragma once
// The real sound file writer: libsndfile behind the AudioSink interface. The file is written
// under a temporary name in the target's folder and renamed over the target by commit(), as
// every file of the program is, so that an unfinished file is never seen at the target.

#include <memory>
#include <string>

#include "sound/audio_format.h"
#include "sound/audio_sink.h"

namespace corvane {

class SndfileSink final : public AudioSink {
  public:
    // Creates the temporary file for a 44.1 kHz stereo file in `format` (16-bit for WAV and
    // FLAC) that will go to `path`. Raises RenderError naming `path` and the cause.
    SndfileSink(std::string path, AudioFormat format);
    // Without a commit, removes the temporary file; an older file at the target stays.
    ~SndfileSink() override;
    SndfileSink(const SndfileSink&) = delete;
    SndfileSink& operator=(const SndfileSink&) = delete;

    void write(std::span<const float> interleaved) override;
    void commit() override;

    // The temporary file being written (for tests).
    const std::string& temporaryPath() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane
