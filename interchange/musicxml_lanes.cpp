#include "interchange/musicxml_lanes.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>

#include "interchange/held_ties.h"
#include "interchange/import_spelling.h"
#include "score/note_values.h"
#include "score/pitch.h"

namespace corvane {

namespace {

constexpr std::int64_t kQuarter = kUnitsPerQuarter;
constexpr std::int64_t kTick = kUnitsPerTick;
constexpr int kReach = 9;                 // staff positions a treble or bass head may take
constexpr int kDrumReach = 20;            // and a drum head
constexpr int kTrebleMiddle = 4 * 7 + 6;  // B4, as a step number
constexpr int kBassMiddle = 3 * 7 + 1;    // D3
constexpr int kDrumMiddle = kTrebleMiddle;

// How a layout places times on the score's grid.
enum Mode { Exact, ByBeat, Straight, ModeCount };

struct Value {
    int duration = 4;
    int dots = 0;
    bool triplet = false;
};

bool tripletRatio(const XmlChord& chord) {
    return chord.actual * 2 == chord.normal * 3;
}

// The value a chord is written as, when the score holds it without rounding its length.
std::optional<Value> modelValue(const XmlChord& chord) {
    const int d = chord.duration;
    const bool plain = chord.actual == chord.normal;
    if (!isNoteValue(d) || chord.dots > 2 || (!plain && !tripletRatio(chord)) ||
        (d == 32 && chord.dots > 0) || (d == 16 && chord.dots == 2) || (!plain && chord.dots > 0)) {
        return std::nullopt;
    }
    return Value{d, chord.dots, !plain};
}

std::int64_t unitsOf(const Value& value) {
    std::int64_t units = 4 * kQuarter / value.duration;
    units = value.dots == 1 ? units * 3 / 2 : (value.dots == 2 ? units * 7 / 4 : units);
    return value.triplet ? units * 2 / 3 : units;
}

int floorMod(int a, int b) {
    return ((a % b) + b) % b;
}

int alterOf(Accidental accidental) {
    return accidental == Sharp ? 1 : (accidental == Flat ? -1 : 0);
}

// The step number of every head and the accidental the editor would store for it.
std::vector<std::pair<int, Accidental>> spellHeads(const XmlChord& chord, int key, bool respelled,
                                                   int& respelledHeads) {
    const std::array<Accidental, 7> signature = keySignatureAccidentals(key);
    std::vector<std::pair<int, Accidental>> out;
    for (const XmlHead& head : chord.heads) {
        if (respelled || head.alter < -1 || head.alter > 1) {
            const WrittenPitch best = spellings(head.midiKey, key).front();
            out.emplace_back(best.diatonic, best.accidental);
            ++respelledHeads;
            continue;
        }
        // Letters of the key signature run A..G; step numbers count from C.
        const int inKey =
            alterOf(signature[static_cast<std::size_t>((floorMod(head.diatonic, 7) + 2) % 7)]);
        Accidental accidental = head.alter == inKey ? AccidentalNone
                                : head.alter == 0   ? Natural
                                : head.alter > 0    ? Sharp
                                                    : Flat;
        if (head.written && alterOf(*head.written) == head.alter) {
            accidental = *head.written;
        }
        out.emplace_back(head.diatonic, accidental);
    }
    return out;
}

// How many of `steps` a staff whose middle line is `middle` holds under octave mark `octave`.
int fitting(const std::vector<std::pair<int, Accidental>>& steps, int middle, int octave) {
    return static_cast<int>(std::count_if(steps.begin(), steps.end(), [&](const auto& s) {
        return std::abs(s.first - middle - 7 * octave) <= kReach;
    }));
}

// The octave mark that fits the most heads, the one written first among equals, then the nearest.
int bestOctave(const std::vector<std::pair<int, Accidental>>& steps, int middle, int written) {
    int best = written;
    int most = fitting(steps, middle, written);
    for (int distance = 1; distance <= 6; ++distance) {
        for (const int octave : {written - distance, written + distance}) {
            if (octave >= -3 && octave <= 3 && fitting(steps, middle, octave) > most) {
                best = octave;
                most = fitting(steps, middle, octave);
            }
        }
    }
    return best;
}

void countMove(ImportReport& report, ImportReport::Kind kind, std::int64_t tick, std::int64_t t) {
    const std::int64_t distance = std::llabs(tick * kTick - t);
    if (distance != 0) {
        report.add(kind, 1, static_cast<double>(distance) / kQuarter);
    }
}

void addHead(Note& note, NoteHead head, ImportReport& counts) {
    if (std::find(note.pitches.begin(), note.pitches.end(), head) != note.pitches.end()) {
        counts.add(ImportReport::RepeatedKey);
        return;
    }
    note.pitches.push_back(head);
}

}  // namespace

// Places times of a segment (units from its first bar line) on the score's ticks: exactly, on
// each beat's straight (thirty-second) or triplet (triplet sixteenth) grid, whichever lies
// nearer to the beat's times, or all on the straight grid.
class TickGrid {
  public:
    TickGrid(int mode, std::span<const std::pair<std::int64_t, std::int64_t>> spans) : mode_(mode) {
        std::map<std::int64_t, std::pair<double, double>> errors;  // beat -> straight, triplet
        for (const auto& [start, length] : spans) {
            for (const std::int64_t t : {start, start + length}) {
                exact_ = exact_ && t % kTick == 0;
                auto& [straight, triplet] = errors[t / kQuarter];
                straight += error(t, 8);
                triplet += error(t, 6);
            }
        }
        for (const auto& [beat, e] : errors) {
            if (e.second < e.first) {
                tripletBeats_.push_back(beat);
            }
        }
    }

    bool usable() const { return mode_ != Exact || exact_; }

    std::int64_t place(std::int64_t t) const {
        if (mode_ == Exact) {
            return t / kTick;
        }
        const std::int64_t beat = t / kQuarter;
        const int slots = mode_ == ByBeat && triplet(beat) ? 6 : 8;
        return beat * 24 + nearestSlot(t, slots) * (24 / slots);
    }

    // The shortest length of a chord starting at score tick `tick`.
    int step(std::int64_t tick) const { return mode_ == ByBeat && triplet(tick / 24) ? 4 : 3; }

  private:
    static std::int64_t nearestSlot(std::int64_t t, int slots) {
        const std::int64_t within = t % kQuarter;
        return (2 * within * slots + kQuarter) / (2 * kQuarter);
    }
    static double error(std::int64_t t, int slots) {
        const double d =
            static_cast<double>(t % kQuarter - nearestSlot(t, slots) * kQuarter / slots);
        return d * d;
    }
    bool triplet(std::int64_t beat) const {
        return std::binary_search(tripletBeats_.begin(), tripletBeats_.end(), beat);
    }

    int mode_;
    bool exact_ = true;
    std::vector<std::int64_t> tripletBeats_;
};

TrackKind laneKind(const XmlPart& part, int lane, MusicXmlReport& report) {
    const XmlLane& voice = part.lanes[static_cast<std::size_t>(lane)];
    const auto clef = part.clefs.find(voice.staff);
    const std::string sign = clef == part.clefs.end() ? std::string() : clef->second.sign;
    if (voice.unpitched || sign == "percussion") {
        return Drums;
    }
    const bool changes = part.clefChanges.count(voice.staff) != 0;
    if ((sign == "G" || sign == "F") && !changes) {
        return sign == "G" ? Treble : Bass;
    }
    std::int64_t sum = 0;
    std::int64_t count = 0;
    for (const XmlMeasure& measure : part.measures) {
        for (const XmlChord& chord : measure.chords) {
            if (chord.lane != lane) {
                continue;
            }
            for (const XmlHead& head : chord.heads) {
                sum += head.diatonic;
                ++count;
            }
        }
    }
    report.add(MusicXmlReport::OtherClefs, sign.empty() || sign == "G" || sign == "F" ? 0 : 1);
    const std::int64_t mean = count == 0 ? kTrebleMiddle : sum / count;
    return std::llabs(mean - kTrebleMiddle) <= std::llabs(mean - kBassMiddle) ? Treble : Bass;
}

LaneBuilder::LaneBuilder(const XmlTimeline& timeline, TrackKind kind, ImportReport& counts,
                         MusicXmlReport& report)
    : timeline_(timeline), kind_(kind), counts_(counts), report_(report) {}

std::vector<TrackMeasure> LaneBuilder::build(const XmlPart& part, int lane) {
    // Rests before the first chord take its velocity.
    velocity_ = 0;
    for (auto measure = part.measures.begin(); velocity_ == 0 && measure != part.measures.end();
         ++measure) {
        for (const XmlChord& chord : measure->chords) {
            if (velocity_ == 0 && chord.lane == lane && !chord.rest && !chord.heads.empty()) {
                velocity_ = std::max(chord.velocity >= 0 ? chord.velocity : chord.level, 1);
            }
        }
    }
    velocity_ = velocity_ == 0 ? 90 : velocity_;
    std::vector<std::vector<Piece>> pieces(timeline_.measures.size());
    std::vector<Timed> chords;
    for (const XmlSegment& segment : timeline_.segments) {
        chords.clear();
        for (std::size_t k = 0; k < segment.xmlCount; ++k) {
            const std::size_t i = segment.firstXml + k;
            if (i >= part.measures.size()) {
                break;  // a part shorter than the others rests
            }
            for (const XmlChord& c : part.measures[i].chords) {
                if (c.lane == lane) {
                    chords.push_back({&c, segment.xmlStarts[k] + c.start, c.length});
                }
            }
        }
        std::stable_sort(chords.begin(), chords.end(),
                         [](const Timed& a, const Timed& b) { return a.start < b.start; });
        const std::size_t s = segment.firstScore;
        const std::int64_t end = timeline_.barStarts[s + 1] - timeline_.barStarts[s];
        if (!segment.timed && direct(chords, end, pieces[s])) {
            continue;
        }
        pieces[s].clear();
        timed(chords, segment, pieces);
    }
    std::vector<TrackMeasure> measures = assemble(pieces);
    tie(measures, pieces);
    return measures;
}

// The measure note for note, when every chord is a value the score holds at its exact length.
bool LaneBuilder::direct(std::span<const Timed> chords, std::int64_t end, std::vector<Piece>& out) {
    std::int64_t pos = 0;
    for (const Timed& t : chords) {
        if (t.start < pos || (t.start > pos && !rests(pos, t.start, out))) {
            return false;
        }
        const std::optional<Value> value = modelValue(*t.chord);
        const bool exact = value && unitsOf(*value) == t.length;
        if (exact) {
            out.push_back(Piece{value->duration, value->dots, 0, t.chord, false});
        } else if (!t.chord->rest || !rests(t.start, t.start + t.length, out)) {
            return false;
        }
        pos = t.start + t.length;
    }
    if (pos > end || (pos < end && !rests(pos, end, out))) {
        return false;
    }
    // Triplets as the file writes them: three of one value in a row.
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i].chord == nullptr || out[i].triplet != 0 || !tripletRatio(*out[i].chord)) {
            continue;
        }
        if (i + 2 >= out.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= 2; ++k) {
            const Piece& member = out[i + k];
            if (member.chord == nullptr || !tripletRatio(*member.chord) ||
                member.duration != out[i].duration) {
                return false;
            }
        }
        out[i].triplet = 1;
        out[i + 1].triplet = 3;
        out[i + 2].triplet = 2;
        i += 2;
    }
    return true;
}

// Rests filling [from, to), when both lie on the score's grid.
bool LaneBuilder::rests(std::int64_t from, std::int64_t to, std::vector<Piece>& out) {
    if (from % kTick != 0 || to % kTick != 0) {
        return false;
    }
    std::vector<LaidNote> laid;
    std::size_t cursor = 0;
    if (!layer_.lay({}, cursor, 0, static_cast<int>((to - from) / kTick), laid)) {
        return false;
    }
    for (const LaidNote& note : laid) {
        out.push_back(Piece{note.duration, note.dots, note.triplet, nullptr, false});
    }
    return true;
}

void LaneBuilder::timed(std::span<const Timed> chords, const XmlSegment& segment,
                        std::vector<std::vector<Piece>>& out) {
    std::vector<Timed> sounding;
    for (const Timed& t : chords) {
        if (!t.chord->rest && !t.chord->heads.empty()) {
            sounding.push_back(t);
        }
    }
    for (int mode = Exact; mode < ModeCount; ++mode) {
        if (layMeasures(sounding, segment, mode, out)) {
            return;
        }
    }
}

bool LaneBuilder::layMeasures(std::span<const Timed> sounding, const XmlSegment& segment, int mode,
                              std::vector<std::vector<Piece>>& out) {
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (const Timed& t : sounding) {
        spans.emplace_back(t.start, t.length);
    }
    const TickGrid grid(mode, spans);
    if (!grid.usable()) {
        return false;
    }
    const std::size_t first = segment.firstScore;
    const std::int64_t origin = timeline_.barStarts[first];
    const std::int64_t end = (timeline_.barStarts[first + segment.scoreCount] - origin) / kTick;
    std::vector<PlacedChord> placed;
    std::vector<const XmlChord*> owners;
    ImportReport changes;
    place(sounding, grid, end, placed, owners, changes);
    std::vector<std::vector<Piece>> laid(segment.scoreCount);
    std::size_t cursor = 0;
    std::vector<LaidNote> notes;
    int previous = -1;
    for (std::size_t j = 0; j < segment.scoreCount; ++j) {
        notes.clear();
        const std::int64_t bar = timeline_.barStarts[first + j];
        const auto ticks = static_cast<int>((timeline_.barStarts[first + j + 1] - bar) / kTick);
        if (!layer_.lay(placed, cursor, (bar - origin) / kTick, ticks, notes)) {
            return false;
        }
        for (const LaidNote& n : notes) {
            const XmlChord* chord =
                n.chord < 0 ? nullptr : owners[static_cast<std::size_t>(n.chord)];
            laid[j].push_back(
                Piece{n.duration, n.dots, n.triplet, chord, n.chord >= 0 && n.chord == previous});
            previous = n.chord;
        }
    }
    for (std::size_t j = 0; j < segment.scoreCount; ++j) {
        out[first + j] = std::move(laid[j]);
    }
    counts_.merge(changes);
    return true;
}

// The chords on the grid, each at least one grid step long, none overlapping the next, up to
// score tick `end`; `owners` says which chord each one sounds.
void LaneBuilder::place(std::span<const Timed> sounding, const TickGrid& grid, std::int64_t end,
                        std::vector<PlacedChord>& placed, std::vector<const XmlChord*>& owners,
                        ImportReport& changes) {
    for (const Timed& t : sounding) {
        std::int64_t on = std::min(grid.place(t.start), end - 3);
        std::int64_t off = std::min(grid.place(t.start + t.length), end);
        countMove(changes, ImportReport::StartsMoved, on, t.start);
        countMove(changes, ImportReport::EndsMoved, off, t.start + t.length);
        on = std::max<std::int64_t>({on, placed.empty() ? 0 : placed.back().on, 0});
        off = std::min(std::max(off, on + grid.step(on)), end);
        if (!placed.empty() && placed.back().on == on) {
            // Chords that start together once placed become one, as long as the longer: a chord
            // too short for the grid joins the next rather than cut it.
            XmlChord& joined = merged_.emplace_back(*owners.back());
            joined.heads.insert(joined.heads.end(), t.chord->heads.begin(), t.chord->heads.end());
            owners.back() = &joined;
            changes.add(ImportReport::EndsMoved, placed.back().off != off ? 1 : 0);
            placed.back().off = std::max(placed.back().off, off);
            continue;
        }
        if (!placed.empty() && placed.back().off > on) {
            changes.add(ImportReport::OverlapCut,
                        static_cast<std::int64_t>(owners.back()->heads.size()));
            placed.back().off = on;
        }
        placed.push_back(PlacedChord{on, off, {}, 0});
        owners.push_back(t.chord);
    }
}

std::vector<TrackMeasure> LaneBuilder::assemble(const std::vector<std::vector<Piece>>& pieces) {
    std::vector<TrackMeasure> measures(pieces.size());
    for (std::size_t m = 0; m < pieces.size(); ++m) {
        for (const Piece& piece : pieces[m]) {
            measures[m].push_back(makeNote(piece, m));
        }
    }
    return measures;
}

Note LaneBuilder::makeNote(const Piece& piece, std::size_t measure) {
    Note note;
    note.duration = piece.duration;
    note.dots = piece.dots;
    note.triplet = piece.triplet;
    const XmlChord* chord = piece.chord;
    if (chord == nullptr || chord->rest) {
        note.velocity = chord != nullptr && chord->velocity >= 0 ? chord->velocity : velocity_;
        return note;
    }
    velocity_ = std::max(chord->velocity >= 0 ? chord->velocity : chord->level, 1);
    note.velocity = velocity_;
    // What the heads changed is counted once for a chord laid over several Notes.
    ImportReport scratch;
    MusicXmlReport scratchReport;
    ImportReport& counts = piece.continues ? scratch : counts_;
    MusicXmlReport& report = piece.continues ? scratchReport : report_;
    if (kind_ == Drums) {
        drumHeads(*chord, note, counts);
    } else {
        staffHeads(*chord, measure, note, counts, report);
    }
    return note;
}

void LaneBuilder::drumHeads(const XmlChord& chord, Note& note, ImportReport& counts) const {
    note.octave = std::clamp(chord.octave, -3, 3);
    for (const XmlHead& head : chord.heads) {
        // Where it is shown, if that place plays its drum; else the place that plays it.
        const int position = head.diatonic - kDrumMiddle;
        const int offset = head.midiKey - (3 * position + 63);
        if (head.unpitched && std::abs(position) <= kDrumReach &&
            (!head.drumKnown || std::abs(offset) <= 1)) {
            const Accidental accidental = offset < 0                ? Flat
                                          : offset > 0              ? Sharp
                                          : head.written == Natural ? Natural
                                                                    : AccidentalNone;
            addHead(note, NoteHead{position, accidental}, counts);
        } else if (const std::optional<NoteHead> placed = drumHead(head.midiKey)) {
            addHead(note, *placed, counts);
        } else {
            counts.add(ImportReport::DrumOutside);
        }
    }
}

void LaneBuilder::staffHeads(const XmlChord& chord, std::size_t measure, Note& note,
                             ImportReport& counts, MusicXmlReport& report) const {
    int respelled = 0;
    const int key = timeline_.measures[measure].key;
    const auto steps = spellHeads(chord, key, timeline_.respelled[measure], respelled);
    report.add(MusicXmlReport::Respelled, respelled);
    const int middle = kind_ == Bass ? kBassMiddle : kTrebleMiddle;
    const int written = std::clamp(chord.octave, -3, 3);
    note.octave = bestOctave(steps, middle, written);
    report.add(MusicXmlReport::OctaveMarks, note.octave != written ? 1 : 0);
    for (const auto& [step, accidental] : steps) {
        // Heads the staff cannot hold under any octave mark move by octaves onto it.
        int position = step - middle - 7 * note.octave;
        if (std::abs(position) > kReach) {
            counts.add(ImportReport::OctaveMoved);
        }
        while (position > kReach) {
            position -= 7;
        }
        while (position < -kReach) {
            position += 7;
        }
        addHead(note, NoteHead{position, accidental}, counts);
    }
}

// Ties: within a chord laid over several Notes, and between chords the file ties, wherever the
// two Notes sound the same keys, as Write Midi needs to hold them.
void LaneBuilder::tie(std::vector<TrackMeasure>& measures,
                      const std::vector<std::vector<Piece>>& pieces) {
    Note* before = nullptr;
    const Piece* beforePiece = nullptr;
    int beforeKey = 0;
    for (std::size_t m = 0; m < measures.size(); ++m) {
        const int key = timeline_.measures[m].key;
        auto piece = pieces[m].begin();
        for (Note& note : measures[m]) {
            const XmlChord* chord = piece->chord;
            const XmlChord* previous = beforePiece == nullptr ? nullptr : beforePiece->chord;
            const bool chords = before != nullptr && chord != nullptr && previous != nullptr &&
                                !note.isRest() && !before->isRest();
            const bool wanted =
                chords && (piece->continues ||
                           (previous != chord && previous->tiedOn() && chord->tiedBack()));
            if (wanted &&
                soundingKeys(*before, kind_, beforeKey) == soundingKeys(note, kind_, key)) {
                before->tie = before->tie == TieEnd ? TieMiddle : TieStart;
                note.tie = TieEnd;
            } else if (wanted || (previous != nullptr && previous != chord && !previous->rest &&
                                  previous->anyTieOn())) {
                report_.add(MusicXmlReport::TiesLeftOut);
            }
            before = &note;
            beforePiece = &*piece;
            beforeKey = key;
            ++piece;
        }
    }
}

}  // namespace corvane
