#include "interchange/musicxml_report.h"

namespace corvane {

namespace {

constexpr std::array<const char*, MusicXmlReport::KindCount> kTexts = {{
    "Grace notes left out",
    "Cue notes left out",
    "Ornaments left out",
    "Articulations and fingerings left out",
    "Slurs, fermatas, arpeggios and glissandos left out",
    "Lyrics left out (syllables)",
    "Texts, titles and credits left out",
    "Chord symbols and figured bass left out",
    "Repeat signs left out: the music is imported once through",
    "Volta brackets left out",
    "Hairpins and pedal marks left out",
    "Clef changes left out: each track keeps one clef, the nearer to its notes",
    "C clefs and other clefs written as treble or bass",
    "Transposing parts brought to sounding pitch",
    "Notes respelled as the editor spells them",
    "Alterations between semitones rounded to the nearest semitone",
    "Notes given an octave mark to fit the staff",
    "Pickup measures filled to whole beats with rests before their notes",
    "Drum notes without an instrument played by their staff position",
    "Ties between notes the score cannot tie left out",
    "Key and meter changes inside a measure moved to the next bar line",
    "Instrument changes inside a part left out",
}};

}  // namespace

std::vector<std::string> MusicXmlReport::lines() const {
    std::vector<std::string> out;
    for (std::size_t kind = 0; kind < counts_.size(); ++kind) {
        if (counts_[kind] != 0) {
            out.push_back(std::string(kTexts[kind]) + ": " + std::to_string(counts_[kind]) + ".");
        }
    }
    return out;
}

}  // namespace corvane
