#include "engrave/staff_names.h"

#include <array>
#include <cctype>
#include <sstream>
#include <string_view>
#include <utility>

#include "score/instruments.h"

namespace corvane::engrave {

namespace {

constexpr std::size_t kLongestKept = 4;

// clang-format off
constexpr std::array<std::pair<std::string_view, std::string_view>, 36> kAbbreviations{{
    {"Piano", "Pno."}, {"Electric", "El."}, {"Guitar", "Gtr."}, {"Organ", "Org."},
    {"Violin", "Vln."}, {"Viola", "Vla."}, {"Cello", "Vc."}, {"Contrabass", "Cb."},
    {"Trumpet", "Tpt."}, {"Trombone", "Tbn."}, {"Horn", "Hn."}, {"Flute", "Fl."},
    {"Oboe", "Ob."}, {"Clarinet", "Cl."}, {"Bassoon", "Bsn."}, {"Strings", "Str."},
    {"Ensemble", "Ens."}, {"Synth", "Syn."}, {"Drums", "Dr."}, {"Drum", "Dr."},
    {"Harpsichord", "Hpschd."}, {"Glockenspiel", "Glk."}, {"Xylophone", "Xyl."},
    {"Marimba", "Mrb."}, {"Vibraphone", "Vib."}, {"Timpani", "Timp."}, {"Piccolo", "Picc."},
    {"Orchestral", "Orch."}, {"Soprano", "Sop."}, {"Baritone", "Bar."}, {"Tenor", "Ten."},
    {"English", "Eng."}, {"French", "Fr."}, {"Harp", "Hp."}, {"Choir", "Ch."},
    {"Accordian", "Acc."},
}};
// clang-format on

std::string shortWord(const std::string& word) {
    for (const auto& [full, shortened] : kAbbreviations) {
        if (word == full) {
            return std::string(shortened);
        }
    }
    const bool number = !word.empty() && std::isdigit(static_cast<unsigned char>(word.front()));
    if (number || word.size() <= kLongestKept) {
        return word;
    }
    return word.substr(0, 3) + ".";
}

}  // namespace

std::string fullStaffName(const Track& track) {
    return track.kind == Drums ? std::string("Drums") : std::string(instrumentName(track.program));
}

std::string shortStaffName(const std::string& name) {
    std::istringstream words(name);
    std::string out;
    for (std::string word; words >> word;) {
        out += (out.empty() ? "" : " ") + shortWord(word);
    }
    return out;
}

}  // namespace corvane::engrave
