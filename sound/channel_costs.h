#pragma once
// How much rendering work each channel of a song carries. Voices cost time while they sound,
// and starting one costs about as much as sounding it for a few hundredths of a second. How
// many voices a note starts and how long they sound differ by orders of magnitude between
// instruments (a bell rings for seconds, a drum sample ends by itself however long the key is
// held, a piano fades while held), so the soundfont itself is asked: each kind of note is
// played once, for as long as the song holds it, on a silent synthesizer.

#include <array>
#include <string>

#include "sound/midi_summary.h"

namespace corvane {

// The cost of each channel of the song of `summary` with `soundfont` (which must load), in
// seconds of one voice sounding. Raises RenderError.
std::array<double, kMidiChannels> estimateChannelCosts(const MidiSummary& summary,
                                                       const std::string& soundfont);

}  // namespace corvane
