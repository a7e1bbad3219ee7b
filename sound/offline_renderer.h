#pragma once
// Offline rendering of a Standard MIDI File through FluidSynth to a sound file, as fast as the
// machine allows: the song's channels are shared out among several synthesizers, each on a
// thread of its own, and their outputs are summed. Reverb and chorus are linear and no song
// reaches the voice limit, so the sum sounds exactly as one synthesizer would.

#include <cstdint>
#include <string>
#include <vector>

#include "sound/audio_format.h"
#include "sound/audio_sink.h"

namespace corvane {

struct RenderOptions {
    // The soundfont; "" for the system's General MIDI soundfont.
    std::string soundfont;
    // How many synthesizers may share the song; 0 for as many as the machine has cores.
    int instances = 0;
    // Reverb and chorus, as playback has them; off gives the dry sound of the voices alone.
    bool effects = true;
};

struct RenderResult {
    std::uint64_t frames = 0;  // stereo frames written
    int instances = 1;         // synthesizers that shared the song
    bool cancelled = false;
    // Processor seconds each synthesizer's thread took, in the order of its channel group.
    std::vector<double> laneSeconds;
    double seconds() const { return static_cast<double>(frames) / kAudioSampleRate; }
};

// The soundfont `requested` names, or the system's General MIDI soundfont for "". Raises
// RenderError saying why when there is none, or the file cannot be a soundfont.
std::string checkedSoundfont(const std::string& requested);

// Renders `midi` (the bytes of a Standard MIDI File) into `sink` from its start until no voice
// sounds any more after its last event, or 10 seconds after that event at the most. Reports
// progress to `monitor` and stops early when it asks (result.cancelled). Does not commit the
// sink. Raises RenderError.
RenderResult renderMidi(const std::vector<std::uint8_t>& midi, AudioSink& sink,
                        const RenderOptions& options = {}, RenderMonitor* monitor = nullptr);

// Renders `midi` to a sound file at `path` in `format` (44.1 kHz stereo), which appears only
// when the render is complete: cancelled or failed, it leaves no file and an older file at
// `path` as it was. Raises RenderError naming the file and the cause.
RenderResult renderMidiToFile(const std::vector<std::uint8_t>& midi, const std::string& path,
                              AudioFormat format, const RenderOptions& options = {},
                              RenderMonitor* monitor = nullptr);

}  // namespace corvane
