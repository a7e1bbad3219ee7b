#include "interchange/musicxml_parts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "interchange/import_error.h"
#include "interchange/midi_import.h"

namespace corvane {

namespace {

using Id = XmlTree::Id;
constexpr Id kNone = XmlTree::kNone;

// No measure, and no note, is taken to last longer than this.
constexpr std::int64_t kLongest = 1024 * kUnitsPerQuarter;
constexpr std::int64_t kMaxDivisions = 10000000;
constexpr int kDefaultLevel = 90;

constexpr std::string_view kSteps = "CDEFGAB";
constexpr std::array<int, 7> kStepSemitones = {0, 2, 4, 5, 7, 9, 11};

// Children of `node`, in order.
template <typename Visit>
void eachChild(const XmlTree& tree, Id node, Visit visit) {
    for (Id c = tree.firstChild(node); c != kNone; c = tree.nextSibling(c)) {
        visit(c, tree.name(c));
    }
}

double number(std::string_view text, double fallback) {
    while (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end != text.data() && std::isfinite(value) ? value : fallback;
}

int integer(std::string_view text, int fallback, int low, int high) {
    const double value = number(text, fallback);
    return static_cast<int>(std::clamp(std::lround(std::clamp(value, -1e9, 1e9)),
                                       static_cast<long>(low), static_cast<long>(high)));
}

// A <type> as the denominator of a whole note; 0 for none and for values longer than a whole.
int typeDenominator(std::string_view type) {
    static const std::array<std::pair<std::string_view, int>, 11> kTypes = {{{"whole", 1},
                                                                             {"half", 2},
                                                                             {"quarter", 4},
                                                                             {"eighth", 8},
                                                                             {"16th", 16},
                                                                             {"32nd", 32},
                                                                             {"64th", 64},
                                                                             {"128th", 128},
                                                                             {"256th", 256},
                                                                             {"512th", 512},
                                                                             {"1024th", 1024}}};
    for (const auto& [name, denominator] : kTypes) {
        if (name == type) {
            return denominator;
        }
    }
    return 0;
}

// The velocity of a MusicXML dynamics value: a percentage of the forte of velocity 90.
int velocityOf(double percent) {
    return static_cast<int>(std::clamp(std::lround(percent * 0.9), 0L, 127L));
}

// The velocity a dynamic mark sets; 0 for marks that set no level (accents such as sfz).
int markVelocity(std::string_view mark) {
    static const std::array<std::pair<std::string_view, int>, 14> kMarks = {{{"pppppp", 5},
                                                                             {"ppppp", 8},
                                                                             {"pppp", 10},
                                                                             {"ppp", 16},
                                                                             {"pp", 33},
                                                                             {"p", 49},
                                                                             {"mp", 64},
                                                                             {"mf", 80},
                                                                             {"f", 96},
                                                                             {"ff", 112},
                                                                             {"fff", 126},
                                                                             {"ffff", 127},
                                                                             {"fffff", 127},
                                                                             {"ffffff", 127}}};
    for (const auto& [name, velocity] : kMarks) {
        if (name == mark) {
            return velocity;
        }
    }
    return 0;
}

// Quarter notes in a metronome's beat unit.
double beatUnitQuarters(std::string_view unit, int dots) {
    const int denominator = typeDenominator(unit);
    if (denominator == 0) {
        return unit == "breve" ? 8 : 0;
    }
    return 4.0 / denominator * (2.0 - std::pow(0.5, dots));
}

int floorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The key signature at concert pitch of `fifths` written for an instrument that sounds the
// interval of `diatonic` steps and `chromatic` semitones away.
int concertFifths(int fifths, int diatonic, int chromatic) {
    int concert = fifths + 7 * chromatic - 12 * diatonic;
    while (concert > 7) {
        concert -= 12;
    }
    while (concert < -7) {
        concert += 12;
    }
    return concert;
}

}  // namespace

bool XmlChord::tiedOn() const {
    return !heads.empty() &&
           std::all_of(heads.begin(), heads.end(), [](const XmlHead& h) { return h.tieStart; });
}

bool XmlChord::tiedBack() const {
    return !heads.empty() &&
           std::all_of(heads.begin(), heads.end(), [](const XmlHead& h) { return h.tieStop; });
}

bool XmlChord::anyTieOn() const {
    return std::any_of(heads.begin(), heads.end(), [](const XmlHead& h) { return h.tieStart; });
}

std::map<std::string, XmlPartInfo> readPartList(const XmlTree& tree) {
    std::map<std::string, XmlPartInfo> parts;
    eachChild(tree, tree.root(), [&](Id part, std::string_view name) {
        if (name != "score-part") {
            return;
        }
        XmlPartInfo& info = parts[std::string(tree.attribute(part, "id"))];
        bool first = true;
        eachChild(tree, part, [&](Id instrument, std::string_view what) {
            if (what != "midi-instrument") {
                return;
            }
            const std::string id(tree.attribute(instrument, "id"));
            const int program = integer(tree.childText(instrument, "midi-program"), 1, 1, 128) - 1;
            info.programs[id] = program;
            if (first) {
                info.program = program;
                first = false;
            }
            const std::string_view unpitched = tree.childText(instrument, "midi-unpitched");
            if (!unpitched.empty()) {
                info.drumKeys[id] = integer(unpitched, 1, 1, 128) - 1;
            }
        });
    });
    return parts;
}

// Where the reading of one measure stands.
struct PartReader::Cursor {
    XmlMeasure& measure;
    std::int64_t pos = 0;
    int lastChord = -1;  // the chord a <chord/> note joins
    std::vector<int> chordStaff;
    std::vector<Change> octaves;
    std::vector<Change> levels;
};

PartReader::PartReader(XmlPartInfo info, bool first, MusicXmlReport& report, ImportReport& counts,
                       std::size_t& chords)
    : info_(std::move(info)),
      report_(report),
      counts_(counts),
      chords_(chords),
      countsBarlines_(first) {
    part_.program = info_.program;
}

std::int64_t PartReader::units(std::string_view text) const {
    const long double value = std::clamp<long double>(number(text, 0), 0, 1e12);
    const long double scaled = value * kUnitsPerQuarter / static_cast<long double>(divisions_);
    return std::min<std::int64_t>(std::llround(std::min<long double>(scaled, kLongest)), kLongest);
}

void PartReader::measure(const XmlTree& tree) {
    if (part_.measures.size() >= kImportMaxMeasures) {
        throw ImportError("The MusicXML file is too long: a score holds at most 10,000 measures.");
    }
    if (pendingFifths_) {
        fifths_ = *std::exchange(pendingFifths_, std::nullopt);
    }
    if (pendingMeter_) {
        std::tie(beats_, beatType_) = *std::exchange(pendingMeter_, std::nullopt);
    }
    XmlMeasure& measure = part_.measures.emplace_back();
    measure.implicit = tree.attribute(tree.root(), "implicit") == "yes";
    Cursor cursor{measure, 0, -1, {}, {}, {}};
    eachChild(tree, tree.root(), [&](Id child, std::string_view) { element(tree, child, cursor); });
    measure.fifths = concertFifths(fifths_, diatonic_, chromatic_);
    measure.beats = beats_;
    measure.beatType = beatType_;
    resolveChanges(cursor);
}

void PartReader::element(const XmlTree& tree, Id node, Cursor& cursor) {
    const std::string_view name = tree.name(node);
    XmlMeasure& measure = cursor.measure;
    if (name == "note") {
        note(tree, node, cursor);
    } else if (name == "backup" || name == "forward") {
        const std::int64_t length = units(tree.childText(node, "duration"));
        cursor.pos = std::clamp<std::int64_t>(cursor.pos + (name == "backup" ? -length : length), 0,
                                              kLongest);
        cursor.lastChord = -1;
    } else if (name == "attributes") {
        attributes(tree, node, cursor);
    } else if (name == "direction") {
        direction(tree, node, cursor);
    } else if (name == "sound") {
        sound(tree, node, cursor.pos, cursor);
    } else if (name == "barline") {
        barline(tree, node);
    } else if (name == "harmony" || name == "figured-bass") {
        report_.add(MusicXmlReport::ChordSymbols);
    }
    measure.length = std::max(measure.length, cursor.pos);
}

void PartReader::attributes(const XmlTree& tree, Id node, Cursor& cursor) {
    const bool atStart = cursor.pos == 0;
    eachChild(tree, node, [&](Id child, std::string_view name) {
        if (name == "divisions") {
            const double value = number(tree.text(child), 0);
            if (value >= 1) {
                divisions_ = std::min<std::int64_t>(std::llround(value), kMaxDivisions);
            }
        } else if (name == "key" && tree.child(child, "fifths") != kNone) {
            const int fifths = integer(tree.childText(child, "fifths"), 0, -7, 7);
            if (atStart) {
                fifths_ = fifths;
            } else if (fifths != fifths_) {
                pendingFifths_ = fifths;
                report_.add(MusicXmlReport::MovedChanges);
            }
        } else if (name == "time") {
            int beats = 0;
            for (std::string_view part = tree.childText(child, "beats"); !part.empty();) {
                const std::size_t plus = part.find('+');
                beats += integer(part.substr(0, plus), 0, 0, 1000);
                part = plus == std::string_view::npos ? std::string_view() : part.substr(plus + 1);
            }
            const int beatType = integer(tree.childText(child, "beat-type"), 4, 1, 1024);
            const std::pair<int, int> meter{tree.child(child, "senza-misura") != kNone ? 0 : beats,
                                            beatType};
            if (atStart) {
                std::tie(beats_, beatType_) = meter;
            } else if (meter != std::pair{beats_, beatType_}) {
                pendingMeter_ = meter;
                report_.add(MusicXmlReport::MovedChanges);
            }
        } else if (name == "clef") {
            clef(tree, child);
        } else if (name == "transpose" && tree.attribute(child, "number").size() <= 1) {
            const int octaves = integer(tree.childText(child, "octave-change"), 0, -10, 10) -
                                (tree.child(child, "double") != kNone ? 1 : 0);
            chromatic_ = integer(tree.childText(child, "chromatic"), 0, -48, 48) + 12 * octaves;
            diatonic_ = integer(tree.childText(child, "diatonic"), 0, -28, 28) + 7 * octaves;
            if ((chromatic_ != 0 || diatonic_ != 0) && !transposedCounted_) {
                report_.add(MusicXmlReport::Transposed);
                transposedCounted_ = true;
            }
        }
    });
}

void PartReader::clef(const XmlTree& tree, Id node) {
    const int staff = integer(tree.attribute(node, "number"), 1, 1, 64);
    const XmlClef clef{std::string(tree.childText(node, "sign")),
                       integer(tree.childText(node, "line"), 0, 0, 10)};
    if (part_.clefs.find(staff) == part_.clefs.end()) {
        part_.clefs[staff] = clef;
    } else if (clefNow_[staff].sign != clef.sign || clefNow_[staff].line != clef.line) {
        report_.add(MusicXmlReport::ClefChanges);
        part_.clefChanges.insert(staff);
    }
    clefNow_[staff] = clef;
}

void PartReader::note(const XmlTree& tree, Id node, Cursor& cursor) {
    if (tree.child(node, "grace") != kNone) {
        report_.add(MusicXmlReport::GraceNotes);
        return;
    }
    const bool member = tree.child(node, "chord") != kNone;
    if (member && cursor.lastChord < 0) {
        return;  // a further note of a cue chord
    }
    const std::int64_t length = units(tree.childText(node, "duration"));
    const int staff = integer(tree.childText(node, "staff"), 1, 1, 64);
    if (!member) {
        cursor.lastChord = -1;
        const std::int64_t start = cursor.pos;
        cursor.pos = std::min(cursor.pos + length, kLongest);
        if (tree.child(node, "cue") != kNone) {
            report_.add(MusicXmlReport::CueNotes);
            return;
        }
        newChord(tree, node, cursor, start, length, staff);
    }
    XmlChord& chord = cursor.measure.chords[static_cast<std::size_t>(cursor.lastChord)];
    int octaveMark = chord.octave;
    std::optional<XmlHead> h = head(tree, node, octaveMark);
    eachChild(tree, node, [&](Id child, std::string_view name) {
        if (name == "lyric") {
            report_.add(MusicXmlReport::Lyrics);
        } else if (name == "notations" && h) {
            notations(tree, child, *h, cursor);
        }
    });
    if (!h || chord.rest) {
        return;
    }
    if (member && length != chord.length) {
        counts_.add(ImportReport::ChordCut);
        chord.length = std::min(chord.length, length);
    }
    XmlLane& lane = part_.lanes[static_cast<std::size_t>(chord.lane)];
    lane.sounds = true;
    lane.unpitched = lane.unpitched || h->unpitched;
    chord.octave = octaveMark;
    chord.heads.push_back(*h);
}

void PartReader::newChord(const XmlTree& tree, Id node, Cursor& cursor, std::int64_t start,
                          std::int64_t length, int staff) {
    if (++chords_ > kMusicXmlMaxChords) {
        throw ImportError(
            "The MusicXML file holds more than 2,000,000 notes and rests, more than Corvane "
            "imports.");
    }
    XmlChord& chord = cursor.measure.chords.emplace_back();
    chord.start = start;
    chord.length = length;
    chord.rest = tree.child(node, "rest") != kNone;
    const std::string_view voice = tree.childText(node, "voice");
    const auto [found, fresh] = laneIndex_.try_emplace(
        {staff, std::string(voice.empty() ? "1" : voice)}, static_cast<int>(part_.lanes.size()));
    if (fresh) {
        part_.lanes.push_back(XmlLane{staff, found->first.second, false, false});
    }
    chord.lane = found->second;
    cursor.chordStaff.push_back(staff);
    cursor.lastChord = static_cast<int>(cursor.measure.chords.size()) - 1;
    chord.duration = typeDenominator(tree.childText(node, "type"));
    eachChild(tree, node, [&](Id, std::string_view name) { chord.dots += name == "dot" ? 1 : 0; });
    if (const Id modification = tree.child(node, "time-modification"); modification != kNone) {
        chord.actual = integer(tree.childText(modification, "actual-notes"), 1, 1, 1000);
        chord.normal = integer(tree.childText(modification, "normal-notes"), 1, 1, 1000);
    }
    const std::string_view dynamics = tree.attribute(node, "dynamics");
    if (!dynamics.empty()) {
        chord.velocity = velocityOf(number(dynamics, 100));
    }
}

std::optional<XmlHead> PartReader::head(const XmlTree& tree, Id node, int& octaveMark) {
    XmlHead head;
    if (const Id pitch = tree.child(node, "pitch"); pitch != kNone) {
        pitched(tree, pitch, head);
        const Id instrument = tree.child(node, "instrument");
        const auto program =
            instrument == kNone
                ? info_.programs.end()
                : info_.programs.find(std::string(tree.attribute(instrument, "id")));
        if (program != info_.programs.end() && program->second != info_.program) {
            report_.add(MusicXmlReport::OtherPrograms);
        }
    } else if (const Id unpitched = tree.child(node, "unpitched"); unpitched != kNone) {
        drum(tree, node, unpitched, head);
    } else {
        return std::nullopt;
    }
    eachChild(tree, node, [&](Id child, std::string_view name) {
        if (name == "tie") {
            const std::string_view type = tree.attribute(child, "type");
            head.tieStart = head.tieStart || type == "start";
            head.tieStop = head.tieStop || type == "stop";
        } else if (name == "accidental") {
            const std::string_view text = tree.text(child);
            head.written = text == "sharp"     ? std::optional(Sharp)
                           : text == "flat"    ? std::optional(Flat)
                           : text == "natural" ? std::optional(Natural)
                                               : std::nullopt;
        } else if (name == "?corvane") {
            const std::string_view data = tree.text(child);
            const std::size_t quote = data.find('"');
            if (data.rfind("octave=", 0) == 0 && quote != std::string_view::npos) {
                octaveMark = integer(data.substr(quote + 1, data.find('"', quote + 1) - quote - 1),
                                     0, -3, 3);
            }
        }
    });
    return head;
}

// A written pitch, brought to sounding pitch by the part's transposition.
void PartReader::pitched(const XmlTree& tree, Id pitch, XmlHead& head) {
    const std::size_t step = kSteps.find(tree.childText(pitch, "step"));
    const double alter = number(tree.childText(pitch, "alter"), 0);
    if (alter != std::round(alter)) {
        report_.add(MusicXmlReport::Microtones);
    }
    const int octave = integer(tree.childText(pitch, "octave"), 4, 0, 9);
    const int letter = step == std::string_view::npos || step > 6 ? 0 : static_cast<int>(step);
    const int written = 12 * (octave + 1) + kStepSemitones[static_cast<std::size_t>(letter)] +
                        static_cast<int>(std::clamp(std::lround(alter), -3L, 3L));
    head.diatonic = 7 * octave + letter + diatonic_;
    head.midiKey = std::clamp(written + chromatic_, 0, 127);
    const int soundingOctave = floorDiv(head.diatonic, 7);
    head.alter = head.midiKey - 12 * (soundingOctave + 1) -
                 kStepSemitones[static_cast<std::size_t>(head.diatonic - 7 * soundingOctave)];
}

// An unpitched note: where it is shown, and the key of its instrument.
void PartReader::drum(const XmlTree& tree, Id node, Id unpitched, XmlHead& head) {
    const std::size_t step = kSteps.find(tree.childText(unpitched, "display-step"));
    head.diatonic = 7 * integer(tree.childText(unpitched, "display-octave"), 5, 0, 9) +
                    (step == std::string_view::npos || step > 6 ? 6 : static_cast<int>(step));
    head.unpitched = true;
    const Id instrument = tree.child(node, "instrument");
    auto known = info_.drumKeys.end();
    if (instrument != kNone) {
        known = info_.drumKeys.find(std::string(tree.attribute(instrument, "id")));
    } else if (info_.drumKeys.size() == 1) {
        known = info_.drumKeys.begin();
    }
    head.drumKnown = known != info_.drumKeys.end();
    head.midiKey =
        head.drumKnown ? known->second : std::clamp(3 * (head.diatonic - 34) + 63, 0, 127);
    if (!head.drumKnown) {
        report_.add(MusicXmlReport::DrumsByPlace);
    }
}

void PartReader::notations(const XmlTree& tree, Id node, XmlHead& head, Cursor& cursor) {
    const std::int64_t at = cursor.measure.chords[static_cast<std::size_t>(cursor.lastChord)].start;
    eachChild(tree, node, [&](Id child, std::string_view name) {
        const std::string_view type = tree.attribute(child, "type");
        if (name == "tied") {
            head.tieStart = head.tieStart || type == "start";
            head.tieStop = head.tieStop || type == "stop";
        } else if (name == "ornaments") {
            eachChild(tree, child, [&](Id, std::string_view mark) {
                report_.add(MusicXmlReport::Ornaments, mark != "accidental-mark" ? 1 : 0);
            });
        } else if (name == "articulations" || name == "technical") {
            eachChild(tree, child,
                      [&](Id, std::string_view) { report_.add(MusicXmlReport::Articulations); });
        } else if (name == "dynamics") {
            eachChild(tree, child, [&](Id, std::string_view mark) {
                if (const int velocity = markVelocity(mark); velocity > 0) {
                    cursor.levels.push_back({at, 0, velocity});
                }
            });
        } else if (name == "slur" || name == "glissando" || name == "slide") {
            report_.add(MusicXmlReport::NoteMarks, type == "start" ? 1 : 0);
        } else if (name == "fermata" || name == "arpeggiate" || name == "non-arpeggiate" ||
                   name == "accidental-mark" || name == "other-notation") {
            report_.add(MusicXmlReport::NoteMarks);
        }
    });
}

void PartReader::direction(const XmlTree& tree, Id node, Cursor& cursor) {
    const int staff = integer(tree.childText(node, "staff"), 0, 0, 64);
    const Id soundNode = tree.child(node, "sound");
    // A sound's tempo and level are what readers play: a mark beside it gives way to them.
    Marks marks;
    marks.tempo = soundNode == kNone || tree.attribute(soundNode, "tempo").empty();
    marks.level = soundNode == kNone || tree.attribute(soundNode, "dynamics").empty();
    eachChild(tree, node, [&](Id child, std::string_view name) {
        if (name == "direction-type") {
            directionType(tree, child, staff, cursor, marks);
        }
    });
    if (soundNode != kNone) {
        sound(tree, soundNode, cursor.pos, cursor);
    }
}

void PartReader::directionType(const XmlTree& tree, Id node, int staff, Cursor& cursor,
                               Marks marks) {
    const std::int64_t at = cursor.pos;
    eachChild(tree, node, [&](Id child, std::string_view name) {
        const std::string_view type = tree.attribute(child, "type");
        if (name == "dynamics" && marks.level) {
            eachChild(tree, child, [&](Id, std::string_view mark) {
                if (const int velocity = markVelocity(mark); velocity > 0) {
                    cursor.levels.push_back({at, 0, velocity});
                }
            });
        } else if (name == "metronome" && marks.tempo) {
            int dots = 0;
            eachChild(tree, child, [&](Id, std::string_view n) { dots += n == "beat-unit-dot"; });
            const double quarters = beatUnitQuarters(tree.childText(child, "beat-unit"), dots);
            const double perMinute = number(tree.childText(child, "per-minute"), 0);
            if (quarters > 0 && perMinute > 0) {
                cursor.measure.tempos.push_back({at, perMinute * quarters});
            }
        } else if ((name == "words" && !tree.text(child).empty()) || name == "rehearsal") {
            report_.add(MusicXmlReport::Texts);
        } else if (name == "segno" || name == "coda") {
            report_.add(MusicXmlReport::Repeats);
        } else if ((name == "wedge" && (type == "crescendo" || type == "diminuendo")) ||
                   (name == "pedal" && type == "start")) {
            report_.add(MusicXmlReport::Hairpins);
        } else if (name == "octave-shift" && (type == "down" || type == "up" || type == "stop")) {
            // Sizes 8, 15 and 22 are one, two and three octaves.
            const int octaves = (integer(tree.attribute(child, "size"), 8, 8, 22) - 1) / 7;
            const int value = type == "down" ? octaves : (type == "up" ? -octaves : 0);
            cursor.octaves.push_back({at, staff == 0 ? 1 : staff, value});
        }
    });
}

void PartReader::sound(const XmlTree& tree, Id node, std::int64_t at, Cursor& cursor) {
    const std::string_view tempo = tree.attribute(node, "tempo");
    if (!tempo.empty() && number(tempo, 0) > 0) {
        cursor.measure.tempos.push_back({at, number(tempo, 120)});
    }
    const std::string_view dynamics = tree.attribute(node, "dynamics");
    if (!dynamics.empty()) {
        cursor.levels.push_back({at, 0, std::max(velocityOf(number(dynamics, 100)), 1)});
    }
    for (const std::string_view jump : {"dacapo", "dalsegno", "tocoda", "fine"}) {
        report_.add(MusicXmlReport::Repeats, tree.attribute(node, jump).empty() ? 0 : 1);
    }
}

void PartReader::barline(const XmlTree& tree, Id node) {
    if (!countsBarlines_) {
        return;  // every part repeats them
    }
    eachChild(tree, node, [&](Id child, std::string_view name) {
        if (name == "repeat" || name == "segno" || name == "coda") {
            report_.add(MusicXmlReport::Repeats);
        } else if (name == "ending" && tree.attribute(child, "type") == "start") {
            report_.add(MusicXmlReport::Voltas);
        }
    });
}

// Gives every chord of the measure the octave mark and dynamic level in force where it starts,
// and carries both on to the next measure.
void PartReader::resolveChanges(Cursor& cursor) {
    const auto byTime = [](const Change& a, const Change& b) { return a.at < b.at; };
    std::stable_sort(cursor.octaves.begin(), cursor.octaves.end(), byTime);
    std::stable_sort(cursor.levels.begin(), cursor.levels.end(), byTime);
    std::vector<XmlChord>& chords = cursor.measure.chords;
    for (std::size_t i = 0; i < chords.size(); ++i) {
        XmlChord& chord = chords[i];
        const int staff = cursor.chordStaff[i];
        const bool unpitched = !chord.heads.empty() && chord.heads.front().unpitched;
        if (!unpitched) {
            chord.octave = octaves_[staff];
            for (const Change& change : cursor.octaves) {
                if (change.at <= chord.start && change.staff == staff) {
                    chord.octave = change.value;
                }
            }
        }
        const auto carried = levels_.find(staff);
        chord.level = carried != levels_.end()
                          ? carried->second
                          : (levels_.count(0) != 0 ? levels_[0] : kDefaultLevel);
        for (const Change& change : cursor.levels) {
            if (change.at <= chord.start && (change.staff == 0 || change.staff == staff)) {
                chord.level = change.value;
            }
        }
    }
    for (const Change& change : cursor.octaves) {
        octaves_[change.staff] = change.value;
    }
    for (const Change& change : cursor.levels) {
        if (change.staff == 0) {
            levels_.clear();
        }
        levels_[change.staff] = change.value;
    }
}

}  // namespace corvane
