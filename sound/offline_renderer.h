#pragma once
// Offline rendering of a Standard MIDI File through FluidSynth to a WAV file, as fast as the
// synthesizer allows.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {

class RenderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RenderResult {
    std::uint64_t frames = 0;  // stereo frames written
    double seconds() const { return static_cast<double>(frames) / 44100.0; }
};

// Renders `midi` (the bytes of a Standard MIDI File) with `soundfont` ("" for the system's) to a
// 44.1 kHz 16-bit stereo WAV at `wavPath`. Stops shortly after the song's last event. Raises
// RenderError with a readable message.
RenderResult renderMidiToWav(const std::vector<std::uint8_t>& midi, const std::string& wavPath,
                             const std::string& soundfont = "");

}  // namespace corvane
