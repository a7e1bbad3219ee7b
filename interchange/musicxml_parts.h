#pragma once
// Reading MusicXML parts into plain data: for every measure of every part, the chords and rests
// of each voice at their exact times, with the pitches they sound, the ties, the dynamics and
// octave marks in force, and the key, meter and tempo marks; what the score has no place for is
// counted into the report as it is read.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "interchange/import_report.h"
#include "interchange/musicxml_report.h"
#include "interchange/xml_stream.h"
#include "score/score.h"

namespace corvane {

// Times inside a measure, in units of which a quarter note holds this many: every divisions
// value a notation program writes (2^10 * 3^3 * 5 * 7 * 11 * 13 has them all as factors)
// converts exactly, and a score tick (24 a quarter) is a whole number of units.
inline constexpr std::int64_t kUnitsPerQuarter = 138378240;
inline constexpr std::int64_t kUnitsPerTick = kUnitsPerQuarter / 24;

// Caps beyond which a file is refused, against files that would exhaust memory.
inline constexpr std::size_t kMusicXmlMaxChords = 2000000;

// One written note of a chord.
struct XmlHead {
    int midiKey = 60;  // the key it sounds (after transposition), or its drum's key
    int diatonic = 0;  // its letter and octave as a step number (C4 = 28): sounding, or shown
    int alter = 0;     // semitones from the natural letter
    std::optional<Accidental> written;  // an <accidental> of sharp, flat or natural
    bool unpitched = false;
    bool drumKnown = false;  // unpitched, with a key from its instrument
    bool tieStart = false;
    bool tieStop = false;
};

// A chord, a single note or a rest of one voice.
struct XmlChord {
    std::int64_t start = 0;  // units from the measure's start
    std::int64_t length = 0;
    int lane = 0;      // the voice within its part
    int duration = 0;  // the written value as a fraction of a whole note; 0 when none or longer
    int dots = 0;
    int actual = 1;  // time modification: `actual` notes in the time of `normal`
    int normal = 1;
    int velocity = -1;  // from the note's own dynamics; -1 when it has none
    int level = 90;     // the dynamic level in force
    int octave = 0;     // the octave mark in force (a drum note: the one written for Corvane)
    bool rest = false;
    std::vector<XmlHead> heads;

    bool tiedOn() const;    // every head is tied to the next chord
    bool tiedBack() const;  // every head is tied from the previous chord
    bool anyTieOn() const;
};

struct XmlTempo {
    std::int64_t at = 0;  // units from the measure's start
    double bpm = 120;
};

struct XmlMeasure {
    std::int64_t length = 0;  // the furthest any voice reaches
    bool implicit = false;
    int fifths = 0;  // the key in force, at concert pitch
    int beats = 4;   // the meter in force; beats 0 for none (senza misura)
    int beatType = 4;
    std::vector<XmlChord> chords;
    std::vector<XmlTempo> tempos;
};

// A voice of a part: it becomes a track.
struct XmlLane {
    int staff = 1;
    std::string voice;
    bool sounds = false;     // it has a note, not only rests
    bool unpitched = false;  // it has an unpitched note
};

struct XmlClef {
    std::string sign;  // "G", "F", "C", "percussion", ...
    int line = 0;
};

struct XmlPart {
    int program = 0;
    std::vector<XmlLane> lanes;
    std::map<int, XmlClef> clefs;  // the first clef of each staff
    std::set<int> clefChanges;     // the staves whose clef changes later
    std::vector<XmlMeasure> measures;
};

// A part's instruments, from the part list.
struct XmlPartInfo {
    int program = 0;                      // of its first instrument
    std::map<std::string, int> drumKeys;  // instrument id -> the key of its midi-unpitched
    std::map<std::string, int> programs;  // instrument id -> its program
};

// The part list: part id -> its instruments.
std::map<std::string, XmlPartInfo> readPartList(const XmlTree& tree);

// Reads the measures of one part one by one, keeping what carries from one to the next.
class PartReader {
  public:
    // `chords` counts the chords read in all parts, against kMusicXmlMaxChords. Repeat signs
    // and voltas, which every part repeats, are counted in the `first` part only.
    PartReader(XmlPartInfo info, bool first, MusicXmlReport& report, ImportReport& counts,
               std::size_t& chords);

    // Appends the measure in `tree` (a <measure> element).
    void measure(const XmlTree& tree);
    XmlPart finish() { return std::move(part_); }

  private:
    struct Change {
        std::int64_t at;
        int staff;  // 0: every staff
        int value;
    };
    struct Cursor;

    void element(const XmlTree& tree, XmlTree::Id node, Cursor& cursor);
    void attributes(const XmlTree& tree, XmlTree::Id node, Cursor& cursor);
    void clef(const XmlTree& tree, XmlTree::Id node);
    void note(const XmlTree& tree, XmlTree::Id node, Cursor& cursor);
    void newChord(const XmlTree& tree, XmlTree::Id node, Cursor& cursor, std::int64_t start,
                  std::int64_t length, int staff);
    std::optional<XmlHead> head(const XmlTree& tree, XmlTree::Id node, int& octaveMark);
    void pitched(const XmlTree& tree, XmlTree::Id pitch, XmlHead& head);
    void drum(const XmlTree& tree, XmlTree::Id node, XmlTree::Id unpitched, XmlHead& head);
    void notations(const XmlTree& tree, XmlTree::Id node, XmlHead& head, Cursor& cursor);
    void direction(const XmlTree& tree, XmlTree::Id node, Cursor& cursor);
    // Which marks of a direction count: not those its own sound overrides.
    struct Marks {
        bool tempo = true;
        bool level = true;
    };
    void directionType(const XmlTree& tree, XmlTree::Id node, int staff, Cursor& cursor,
                       Marks marks);
    void sound(const XmlTree& tree, XmlTree::Id node, std::int64_t at, Cursor& cursor);
    void barline(const XmlTree& tree, XmlTree::Id node);
    void resolveChanges(Cursor& cursor);
    std::int64_t units(std::string_view text) const;

    XmlPartInfo info_;
    MusicXmlReport& report_;
    ImportReport& counts_;
    std::size_t& chords_;
    bool countsBarlines_;
    XmlPart part_;
    std::map<std::pair<int, std::string>, int> laneIndex_;
    std::int64_t divisions_ = 1;
    int fifths_ = 0;  // as written
    int beats_ = 4;
    int beatType_ = 4;
    int chromatic_ = 0;  // transposition from written to sounding pitch
    int diatonic_ = 0;
    std::map<int, XmlClef> clefNow_;
    std::map<int, int> octaves_;  // staff -> octave mark in force
    std::map<int, int> levels_;   // staff (0: all) -> dynamic level in force; marks set all
    bool transposedCounted_ = false;
    // Key and meter changes met inside a measure, which the next measure takes.
    std::optional<int> pendingFifths_;
    std::optional<std::pair<int, int>> pendingMeter_;
};

}  // namespace corvane
