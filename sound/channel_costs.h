#pragma once
// How much rendering work each channel of a song carries. Voices cost time while they sound,
// and how many voices a note starts and how long they ring after its Note Off differ by orders
// of magnitude between instruments (a bell rings for seconds, a plucked string for a moment),
// so the soundfont itself is asked: each kind of note is started once on a silent synthesizer.

#include <array>
#include <string>

#include "sound/midi_summary.h"

namespace corvane {

// Voice-seconds per channel for the song of `summary` with `soundfont` (which must load).
// Raises RenderError.
std::array<double, kMidiChannels> estimateChannelCosts(const MidiSummary& summary,
                                                       const std::string& soundfont);

}  // namespace corvane
