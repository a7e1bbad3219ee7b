#pragma once
// Where rendered sound goes: a small interface in front of the sound file writer, so that the
// renderer is tested without files and the file writer without a synthesizer.

#include <span>
#include <stdexcept>
#include <string>
#include <utility>

namespace corvane {

// A sound file or a synthesizer that cannot do its work; what() is a sentence a person
// understands, naming the file and the cause.
class RenderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    // The sound file at `path` cannot be written because of `reason`: what() says both, and
    // file() and reason() keep them apart for a window that shows them beneath a sentence.
    RenderError(std::string sentence, std::string path, std::string reason)
        : std::runtime_error(std::move(sentence)), path_(std::move(path)),
          reason_(std::move(reason)) {}

    // The sound file the error concerns; empty when it concerns none.
    const std::string& file() const { return path_; }
    const std::string& reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

class AudioSink {
  public:
    // A sink dropped before commit() leaves nothing behind.
    virtual ~AudioSink() = default;
    // Appends frames of interleaved stereo samples in -1..1 (louder samples are clipped).
    // Raises RenderError.
    virtual void write(std::span<const float> interleaved) = 0;
    // Finishes the sound file and puts it in place. Raises RenderError and then leaves nothing
    // behind.
    virtual void commit() = 0;
};

// Follows a render from another thread: progress reports, and the request to stop.
class RenderMonitor {
  public:
    virtual ~RenderMonitor() = default;
    // `done` grows from 0 to 1 over the render; called on the rendering thread.
    virtual void progress(double done) = 0;
    // True once the render should stop; asked on the rendering thread, often.
    virtual bool cancelled() const = 0;
};

}  // namespace corvane
