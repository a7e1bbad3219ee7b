#include "engrave/note_shapes.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "score/note_values.h"
#include "score/pitch.h"

namespace corvane::engrave {

namespace {

constexpr double kStemLength = 3.5;
constexpr double kExtraStemPerFlag = 0.5;  // from the third flag on
constexpr double kDotGap = 0.35;
constexpr double kDotStep = 0.55;
constexpr double kAccidentalGap = 0.2;
constexpr double kAccidentalColumnGap = 0.1;
// Accidentals this many staff positions apart (a sixth) can share a column.
constexpr int kAccidentalClearance = 6;
constexpr int kFirstLedger = 6;
constexpr int kLastLedger = 200;

// General MIDI percussion keys of the cymbals and hi-hats, written with crossed heads.
constexpr std::array<int, 10> kCymbalKeys{42, 44, 46, 49, 51, 52, 53, 55, 57, 59};

int semitones(Accidental accidental) {
    return accidental == Sharp ? 1 : accidental == Flat ? -1 : 0;
}

Sym accidentalGlyph(Accidental accidental) {
    return accidental == Sharp ? Sym::AccidentalSharp
           : accidental == Flat ? Sym::AccidentalFlat
                                : Sym::AccidentalNatural;
}

bool isLine(int position) {
    return position % 2 == 0;
}

// What a reader carries through a measure: the alteration last written on each line or space.
class AccidentalReader {
  public:
    AccidentalReader(TrackKind kind, int key)
        : kind_(kind), signature_(keySignatureAccidentals(kind == Drums ? 0 : key)) {}

    std::vector<Accidental> read(const Note& note) {
        std::vector<Accidental> shown;
        shown.reserve(note.pitches.size());
        for (const NoteHead& head : note.pitches) {
            const int sounding = alteration(head);
            const bool needed = head.accidental != AccidentalNone || sounding != carried(head.position);
            shown.push_back(!needed ? AccidentalNone
                            : sounding > 0 ? Sharp
                            : sounding < 0 ? Flat
                                           : Natural);
        }
        // A chord's heads are read together: what they write holds from the next Note on.
        for (const NoteHead& head : note.pitches) {
            remember(head.position, alteration(head));
        }
        return shown;
    }

  private:
    int signatureAlteration(int position) const {
        return semitones(
            signature_[static_cast<std::size_t>(letterOfPosition(position, kind_))]);
    }
    int alteration(const NoteHead& head) const {
        return head.accidental == AccidentalNone ? signatureAlteration(head.position)
                                                 : semitones(head.accidental);
    }
    int carried(int position) const {
        for (const auto& [p, a] : written_) {
            if (p == position) {
                return a;
            }
        }
        return signatureAlteration(position);
    }
    void remember(int position, int alteration) {
        for (auto& [p, a] : written_) {
            if (p == position) {
                a = alteration;
                return;
            }
        }
        written_.emplace_back(position, alteration);
    }

    TrackKind kind_;
    std::array<Accidental, 7> signature_;
    std::vector<std::pair<int, int>> written_;
};

bool beamable(const NoteEvent& e) {
    return !e.note->isRest() && flagCount(e.note->duration) > 0 && e.ticks > 0 &&
           e.tick / kBeatTicks == (e.tick + e.ticks - 1) / kBeatTicks;
}

std::pair<int, int> headRange(const Note& note) {
    int highest = note.pitches.front().position;
    int lowest = highest;
    for (const NoteHead& head : note.pitches) {
        highest = std::max(highest, head.position);
        lowest = std::min(lowest, head.position);
    }
    return {highest, lowest};
}

// Joins runs of beamable notes within one beat, and gives every Note its stem direction.
void assignBeams(std::vector<NoteEvent>& events) {
    int group = 0;
    std::size_t i = 0;
    while (i < events.size()) {
        std::size_t end = i + 1;
        if (beamable(events[i])) {
            const int beat = events[i].tick / kBeatTicks;
            while (end < events.size() && beamable(events[end]) &&
                   events[end].tick / kBeatTicks == beat) {
                ++end;
            }
        }
        if (end - i >= 2) {
            int highest = headRange(*events[i].note).first;
            int lowest = headRange(*events[i].note).second;
            for (std::size_t k = i; k < end; ++k) {
                const auto [h, l] = headRange(*events[k].note);
                highest = std::max(highest, h);
                lowest = std::min(lowest, l);
            }
            for (std::size_t k = i; k < end; ++k) {
                events[k].beamGroup = group;
                events[k].stemDown = stemDownFor(highest, lowest);
            }
            ++group;
        } else if (!events[i].note->isRest()) {
            const auto [h, l] = headRange(*events[i].note);
            events[i].stemDown = stemDownFor(h, l);
        }
        i = end;
    }
}

struct HeadToPlace {
    int position;
    Accidental stored;
    Accidental shown;
};

double width(Sym glyph) {
    return symInfo(glyph).advance;
}

// Heads a second apart (or on one line) cannot share a column: every other one of such a
// cluster goes to the far side of the stem, counted from the stem's base.
void placeHeads(const Note& note, TrackKind kind, std::vector<HeadToPlace>& heads,
                ChordShape& shape) {
    const double t = kEngraving.stemThickness;
    std::vector<std::size_t> order(heads.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = shape.stemDown ? heads.size() - 1 - i : i;
    }
    bool previousNormal = false;
    int previousPosition = 0;
    shape.heads.resize(heads.size());
    for (std::size_t n = 0; n < order.size(); ++n) {
        const HeadToPlace& h = heads[order[n]];
        PlacedHead& placed = shape.heads[order[n]];
        placed.position = h.position;
        placed.glyph = headGlyph(note.duration, kind, h.position, h.stored);
        const double w = width(placed.glyph);
        const bool flip = n > 0 && previousNormal && std::abs(h.position - previousPosition) <= 1;
        placed.x = !flip ? 0.0 : !shape.hasStem ? w : shape.stemDown ? t - w : w - t;
        previousNormal = !flip;
        previousPosition = h.position;
    }
}

void placeStem(const Note& note, bool beamed, ChordShape& shape) {
    const double t = kEngraving.stemThickness;
    const PlacedHead& base = shape.stemDown ? shape.heads.back() : shape.heads.front();
    const PlacedHead& far = shape.stemDown ? shape.heads.front() : shape.heads.back();
    const SymAnchors& anchors = symInfo(base.glyph).anchors;
    const int flags = flagCount(note.duration);
    const double length = kStemLength + kExtraStemPerFlag * std::max(0, flags - 2);
    if (shape.stemDown) {
        const SymPoint a = anchors.stemDownNW.value_or(SymPoint{0, 0});
        shape.stemX = a.x + t / 2;
        shape.stemBase = positionY(base.position) - a.y;
        shape.stemEnd = std::max(positionY(far.position) + length, 0.0);
    } else {
        const SymPoint a = anchors.stemUpSE.value_or(SymPoint{width(base.glyph), 0});
        shape.stemX = a.x - t / 2;
        shape.stemBase = positionY(base.position) - a.y;
        shape.stemEnd = std::min(positionY(far.position) - length, 0.0);
    }
    if (beamed || flags == 0) {
        return;
    }
    static constexpr std::array<Sym, 3> kUp{Sym::Flag8thUp, Sym::Flag16thUp, Sym::Flag32ndUp};
    static constexpr std::array<Sym, 3> kDown{Sym::Flag8thDown, Sym::Flag16thDown,
                                              Sym::Flag32ndDown};
    const Sym glyph = (shape.stemDown ? kDown : kUp)[static_cast<std::size_t>(flags - 1)];
    const SymAnchors& flagAnchors = symInfo(glyph).anchors;
    const SymPoint a = (shape.stemDown ? flagAnchors.stemDownSW : flagAnchors.stemUpNW)
                           .value_or(SymPoint{0, 0});
    shape.flag = PlacedSymbol{glyph, shape.stemX - t / 2 - a.x, shape.stemEnd + a.y};
}

void placeDots(const Note& note, ChordShape& shape) {
    if (note.dots <= 0) {
        return;
    }
    double x = shape.headsRight + kDotGap;
    if (shape.flag && !shape.stemDown) {
        x = std::max(x, shape.flag->x + symInfo(shape.flag->glyph).box.right + kDotGap);
    }
    std::vector<int> rows;
    for (const PlacedHead& head : shape.heads) {
        const int row = isLine(head.position) ? head.position + 1 : head.position;
        if (std::find(rows.begin(), rows.end(), row) == rows.end()) {
            rows.push_back(row);
        }
    }
    for (const int row : rows) {
        for (int d = 0; d < note.dots; ++d) {
            shape.dots.push_back({Sym::AugmentationDot, x + kDotStep * d, positionY(row)});
        }
    }
}

// Accidentals from the top down, each in the first column (from the heads leftwards) where it
// clears the others by a sixth.
void placeAccidentals(const std::vector<HeadToPlace>& heads, ChordShape& shape) {
    struct Column {
        std::vector<int> positions;
        std::vector<std::size_t> members;  // indexes into shape.accidentals
    };
    std::vector<Column> columns;
    std::vector<const HeadToPlace*> marked;
    for (const HeadToPlace& h : heads) {
        if (h.shown != AccidentalNone) {
            marked.push_back(&h);
        }
    }
    std::stable_sort(marked.begin(), marked.end(), [](const HeadToPlace* a, const HeadToPlace* b) {
        return a->position > b->position;
    });
    for (const HeadToPlace* h : marked) {
        std::size_t c = 0;
        while (c < columns.size() &&
               std::any_of(columns[c].positions.begin(), columns[c].positions.end(),
                           [h](int p) { return std::abs(p - h->position) < kAccidentalClearance; })) {
            ++c;
        }
        if (c == columns.size()) {
            columns.emplace_back();
        }
        columns[c].positions.push_back(h->position);
        columns[c].members.push_back(shape.accidentals.size());
        shape.accidentals.push_back({accidentalGlyph(h->shown), 0, positionY(h->position)});
    }
    double right = shape.headsLeft - kAccidentalGap;
    for (const Column& column : columns) {
        double columnWidth = 0;
        for (const std::size_t m : column.members) {
            columnWidth = std::max(columnWidth, width(shape.accidentals[m].glyph));
        }
        for (const std::size_t m : column.members) {
            shape.accidentals[m].x = right - width(shape.accidentals[m].glyph);
        }
        right -= columnWidth + kAccidentalColumnGap;
    }
}

void placeLedgers(ChordShape& shape) {
    const double extension = kEngraving.legerLineExtension;
    const auto ledgersFor = [&](int level, bool above) {
        double left = 0;
        double right = 0;
        bool any = false;
        for (const PlacedHead& head : shape.heads) {
            if (above ? head.position >= level : head.position <= level) {
                const double l = head.x;
                const double r = head.x + width(head.glyph);
                left = any ? std::min(left, l) : l;
                right = any ? std::max(right, r) : r;
                any = true;
            }
        }
        if (any) {
            shape.ledgers.push_back({left - extension, right + extension, positionY(level)});
        }
        return any;
    };
    // Score files hold positions up to 20 steps from the middle line; the bound keeps a score
    // made otherwise from asking for endless lines.
    for (int level = kFirstLedger; level <= kLastLedger && ledgersFor(level, true); level += 2) {
    }
    for (int level = -kFirstLedger; level >= -kLastLedger && ledgersFor(level, false); level -= 2) {
    }
}

void measureReach(ChordShape& shape) {
    shape.headsLeft = 0;
    shape.headsRight = 0;
    for (const PlacedHead& head : shape.heads) {
        shape.headsLeft = std::min(shape.headsLeft, head.x);
        shape.headsRight = std::max(shape.headsRight, head.x + width(head.glyph));
    }
}

void measureExtent(ChordShape& shape) {
    shape.left = shape.headsLeft;
    shape.right = shape.headsRight;
    for (const PlacedSymbol& a : shape.accidentals) {
        shape.left = std::min(shape.left, a.x);
    }
    for (const PlacedSymbol& d : shape.dots) {
        shape.right = std::max(shape.right, d.x + width(d.glyph));
    }
    for (const LedgerLine& l : shape.ledgers) {
        shape.left = std::min(shape.left, l.left);
        shape.right = std::max(shape.right, l.right);
    }
    shape.top = positionY(shape.heads.back().position) - 0.5;
    shape.bottom = positionY(shape.heads.front().position) + 0.5;
    if (shape.hasStem) {
        shape.top = std::min(shape.top, shape.stemEnd);
        shape.bottom = std::max(shape.bottom, shape.stemEnd);
    }
    if (shape.flag) {
        const SymBox& box = symInfo(shape.flag->glyph).box;
        shape.right = std::max(shape.right, shape.flag->x + box.right);
        shape.top = std::min(shape.top, shape.flag->y - box.top);
        shape.bottom = std::max(shape.bottom, shape.flag->y - box.bottom);
    }
}

}  // namespace

bool stemDownFor(int highest, int lowest) {
    return highest + lowest >= 0;
}

int flagCount(int duration) {
    return duration == 8 ? 1 : duration == 16 ? 2 : duration == 32 ? 3 : 0;
}

Sym headGlyph(int duration, TrackKind kind, int position, Accidental accidental) {
    const bool crossed =
        kind == Drums && std::find(kCymbalKeys.begin(), kCymbalKeys.end(),
                                   midiKeyNumber(position, accidental, 0, Drums, 0)) !=
                             kCymbalKeys.end();
    if (duration == 1) {
        return crossed ? Sym::NoteheadXWhole : Sym::NoteheadWhole;
    }
    if (duration == 2) {
        return crossed ? Sym::NoteheadXHalf : Sym::NoteheadHalf;
    }
    return crossed ? Sym::NoteheadXBlack : Sym::NoteheadBlack;
}

std::vector<NoteEvent> readMeasure(const TrackMeasure& notes, TrackKind kind, int key) {
    std::vector<NoteEvent> events;
    events.reserve(notes.size());
    AccidentalReader reader(kind, key);
    int tick = 0;
    for (const Note& note : notes) {
        NoteEvent event;
        event.note = &note;
        event.tick = tick;
        event.ticks = noteTicks(note);
        event.shown = reader.read(note);
        tick += event.ticks;
        events.push_back(std::move(event));
    }
    assignBeams(events);
    return events;
}

ChordShape shapeChord(const Note& note, TrackKind kind, const std::vector<Accidental>& shown,
                      bool stemDown, bool beamed) {
    std::vector<HeadToPlace> heads;
    heads.reserve(note.pitches.size());
    std::size_t i = 0;
    for (const NoteHead& head : note.pitches) {
        heads.push_back({head.position, head.accidental,
                         i < shown.size() ? shown[i] : AccidentalNone});
        ++i;
    }
    std::stable_sort(heads.begin(), heads.end(), [](const HeadToPlace& a, const HeadToPlace& b) {
        return a.position < b.position;
    });
    ChordShape shape;
    if (heads.empty()) {
        return shape;
    }
    shape.hasStem = note.duration != 1;
    shape.stemDown = shape.hasStem && stemDown;
    placeHeads(note, kind, heads, shape);
    measureReach(shape);
    if (shape.hasStem) {
        placeStem(note, beamed, shape);
    }
    placeDots(note, shape);
    placeAccidentals(heads, shape);
    placeLedgers(shape);
    measureExtent(shape);
    return shape;
}

RestShape shapeRest(const Note& note) {
    RestShape shape;
    switch (note.duration) {
        case 1:
            shape.glyph = Sym::RestWhole;
            shape.y = -1.0;  // hangs from the fourth line
            break;
        case 2:
            shape.glyph = Sym::RestHalf;
            break;
        case 8:
            shape.glyph = Sym::Rest8th;
            break;
        case 16:
            shape.glyph = Sym::Rest16th;
            break;
        case 32:
            shape.glyph = Sym::Rest32nd;
            break;
        default:
            shape.glyph = Sym::RestQuarter;
            break;
    }
    const SymBox& box = symInfo(shape.glyph).box;
    shape.right = box.right;
    shape.top = shape.y - box.top;
    shape.bottom = shape.y - box.bottom;
    for (int d = 0; d < note.dots; ++d) {
        shape.dots.push_back({Sym::AugmentationDot, box.right + kDotGap + kDotStep * d, -0.5});
        shape.right = box.right + kDotGap + kDotStep * d + width(Sym::AugmentationDot);
    }
    return shape;
}

}  // namespace corvane::engrave
