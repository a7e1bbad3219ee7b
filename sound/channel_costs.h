#pragma once
// How much rendering work each channel of a song carries. Voices cost time while they sound,
// and starting one costs about as much as sounding it for a few hundredths of a second. How
// many voices a note starts and how long they sound differ by orders of magnitude between
// instruments (a bell rings for seconds, a drum sample ends by itself however long the key is
// held, a piano fades while held), so the soundfont itself is asked: each kind of note is
// played once, for as long as the song holds it, on a silent synthesizer.

#include <array>
#include <memory>
#include <string>

#include "sound/lane_share.h"
#include "sound/midi_summary.h"

namespace corvane {

class NoteProbe;

// A song's rendering work, key by key, and which channels must stay on one synthesizer.
struct SongWeights {
    KeyCosts keys{};
    // The summary's channels whose keys act on one another, and those with a note whose voices
    // cut off others of their exclusive class (as an open hi-hat is cut off by a closed one).
    std::uint16_t keysTogether = 0;
    // The most voices the song sounds at once, over-estimated; the largest int when a pedal
    // may hold notes for longer than anything can tell before the song is played.
    int mostVoices = 0;
};

// Weighs the channels of songs with one soundfont.
class ChannelWeigher {
  public:
    // Loads `soundfont` into a synthesizer that is never heard. Raises RenderError.
    explicit ChannelWeigher(const std::string& soundfont);
    ~ChannelWeigher();
    ChannelWeigher(const ChannelWeigher&) = delete;
    ChannelWeigher& operator=(const ChannelWeigher&) = delete;

    // The cost of each channel of the song of `summary`, in seconds of one voice sounding.
    std::array<double, kMidiChannels> costs(const MidiSummary& summary);
    // The same key by key, with the channels that may not be split.
    SongWeights weigh(const MidiSummary& summary);

  private:
    std::unique_ptr<NoteProbe> probe_;
};

// The same with a weigher of its own for `soundfont`. Raises RenderError.
std::array<double, kMidiChannels> estimateChannelCosts(const MidiSummary& summary,
                                                       const std::string& soundfont);

}  // namespace corvane
