#include "engrave/staff_sketch.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "score/note_values.h"

namespace corvane::engrave {

namespace {

constexpr double kBeamHook = 1.1;
constexpr double kBeamSlopeLimit = 1.0;
constexpr double kShortestBeamedStem = 2.5;
constexpr double kTupletClearance = 1.0;
constexpr double kTupletHook = 0.6;
constexpr double kTupletNumberGap = 0.9;
constexpr double kTupletNumberHeight = 1.5;
constexpr double kOttavaClearance = 0.6;
constexpr double kOttavaDash = 0.5;
constexpr double kOttavaDashGap = 0.4;
constexpr double kOttavaHook = 0.9;
constexpr double kOctaveTextSize = 1.8;
constexpr double kDynamicsBelowStaff = 4.4;
constexpr double kDynamicsClearance = 0.5;
constexpr double kTempoAboveStaff = -4.5;
constexpr double kTempoClearance = 0.8;
constexpr double kTempoNoteScale = 0.75;
constexpr double kMeasureNumberY = -3.9;
constexpr double kShortTie = 1.6;
constexpr double kTieGap = 0.15;

// A note of the system as drawn: its measure's place in the plan, its x, its stem's end, and
// how far above and below it a triplet mark reaches.
struct Placed {
    const EngravedNote* note = nullptr;
    std::size_t slot = 0;
    double x = 0;
    double stemEnd = 0;
    double markTop = 0;
    double markBottom = 0;
};

const Note* lastNoteBefore(const Track& track, std::size_t m) {
    for (std::size_t i = std::min(m, track.measures.size()); i-- > 0;) {
        if (!track.measures[i].empty()) {
            return &track.measures[i].back();
        }
    }
    return nullptr;
}

const Note* firstNoteFrom(const Track& track, std::size_t m) {
    for (std::size_t i = m; i < track.measures.size(); ++i) {
        if (!track.measures[i].empty()) {
            return &track.measures[i].front();
        }
    }
    return nullptr;
}

bool tiesOn(const Note& note) {
    return !note.isRest() && (note.tie == TieStart || note.tie == TieMiddle);
}

bool hasHeadAt(const Note& note, int position) {
    return std::any_of(note.pitches.begin(), note.pitches.end(),
                       [position](const NoteHead& h) { return h.position == position; });
}

// Whether the tie of head `index` (lowest first) of a chord curves above the heads: a single
// head's against its stem, a chord's outer heads away from the chord's middle.
bool tieAbove(const ChordShape& chord, std::size_t index) {
    const std::size_t n = chord.heads.size();
    const bool stemDown = chord.hasStem ? chord.stemDown
                                        : stemDownFor(chord.heads.back().position,
                                                      chord.heads.front().position);
    if (2 * index + 1 == n) {
        return stemDown;
    }
    return 2 * index + 1 > n;
}

class StaffDrawer {
  public:
    StaffDrawer(const Score& score, const Track& track, const SystemPlan& plan, bool top)
        : score_(score), track_(track), plan_(plan), top_(top) {}

    Sketch draw();

  private:
    void staffLines();
    void signatures();
    void placeNotes();
    void beam(std::size_t from, std::size_t to);
    void beamLevels(std::size_t from, std::size_t to, double x0, double y0, double slope);
    void drawNote(const Placed& p);
    void triplets(std::size_t slot);
    void tripletMark(std::size_t from, std::size_t count);
    void ties();
    void tie(double x0, double x1, double y, bool above);
    void ottavas();
    void ottavaRun(std::size_t from, std::size_t to, bool continues);
    void dynamics();
    void tempoAndNumber();
    double stemX(std::size_t i) const { return placed_[i].x + placed_[i].note->chord.stemX; }
    int key(std::size_t m) const { return score_.measures[m].key; }

    const Score& score_;
    const Track& track_;
    const SystemPlan& plan_;
    bool top_;
    std::vector<EngravedMeasure> measures_;
    std::vector<std::size_t> slotStart_;
    std::vector<Placed> placed_;
    Sketch sketch_;
};

Sketch StaffDrawer::draw() {
    staffLines();
    signatures();
    placeNotes();
    for (const Placed& p : placed_) {
        drawNote(p);
    }
    for (std::size_t slot = 0; slot < plan_.measures.size(); ++slot) {
        triplets(slot);
    }
    ties();
    ottavas();
    dynamics();
    if (top_) {
        tempoAndNumber();
    }
    return std::move(sketch_);
}

void StaffDrawer::staffLines() {
    for (int line = -2; line <= 2; ++line) {
        sketch_.line(0, line, plan_.width, line, kEngraving.staffLineThickness);
    }
}

void StaffDrawer::signatures() {
    const auto draw = [&](const SignatureGlyphs& glyphs, double x) {
        for (const PlacedSymbol& g : glyphs.glyphs) {
            sketch_.glyph(g.glyph, x + g.x, g.y);
        }
    };
    const PlacedSymbol c = clef(track_.kind);
    sketch_.glyph(c.glyph, plan_.clefX + c.x, c.y);
    draw(systemKeySignature(score_, plan_.first, track_.kind), plan_.keyX);
    if (plan_.headerMeter) {
        draw(timeSignature(score_.measures[plan_.first].beats), plan_.meterX);
    }
    for (const MeasurePlace& m : plan_.measures) {
        if (m.keyChange) {
            draw(keyChange(key(m.index - 1), key(m.index), track_.kind), m.keyX);
        }
        if (m.meterChange) {
            draw(timeSignature(score_.measures[m.index].beats), m.meterX);
        }
    }
}

void StaffDrawer::placeNotes() {
    int velocity = velocityBefore(track_, plan_.first);
    for (std::size_t slot = 0; slot < plan_.measures.size(); ++slot) {
        const MeasurePlace& m = plan_.measures[slot];
        measures_.push_back(engraveMeasure(track_, m.index, key(m.index), velocity));
        velocity = measures_.back().lastVelocity;
    }
    for (std::size_t slot = 0; slot < plan_.measures.size(); ++slot) {
        const MeasurePlace& m = plan_.measures[slot];
        const std::vector<EngravedNote>& notes = measures_[slot].notes;
        slotStart_.push_back(placed_.size());
        for (const EngravedNote& n : notes) {
            double x = m.columnX[std::min(m.spacing.columnOf(n.event.tick), m.columnX.size() - 1)];
            if (notes.size() == 1 && n.isRest() && n.event.note->duration == 1) {
                x = (m.notesStart + m.right - symInfo(n.rest.glyph).advance) / 2;
            }
            placed_.push_back({&n, slot, x, n.chord.stemEnd, 0, 0});
        }
    }
    slotStart_.push_back(placed_.size());
    for (std::size_t i = 0; i < placed_.size();) {
        const int group = placed_[i].note->event.beamGroup;
        std::size_t end = i + 1;
        while (group >= 0 && end < placed_.size() && placed_[end].slot == placed_[i].slot &&
               placed_[end].note->event.beamGroup == group) {
            ++end;
        }
        if (end - i >= 2) {
            beam(i, end);
        }
        i = end;
    }
}

// The beam runs from the first stem's natural end towards the last's, no steeper than a space,
// level where the outer notes are level or an inner note reaches beyond them, and moved away
// from the heads until every stem is long enough.
void StaffDrawer::beam(std::size_t from, std::size_t to) {
    const bool down = placed_[from].note->event.stemDown;
    const double sign = down ? 1.0 : -1.0;
    const auto farY = [&](std::size_t i) {
        const ChordShape& c = placed_[i].note->chord;
        return positionY(down ? c.heads.front().position : c.heads.back().position);
    };
    const std::size_t last = to - 1;
    const double x0 = stemX(from);
    const double span = std::max(stemX(last) - x0, 1e-6);
    double rise = std::clamp(placed_[last].note->chord.stemEnd - placed_[from].note->chord.stemEnd,
                             -kBeamSlopeLimit, kBeamSlopeLimit);
    for (std::size_t i = from + 1; i < last; ++i) {
        if (sign * (farY(i) - farY(from)) > 0 && sign * (farY(i) - farY(last)) > 0) {
            rise = 0;
        }
    }
    if (farY(from) == farY(last)) {
        rise = 0;
    }
    const double slope = rise / span;
    double y0 = placed_[from].note->chord.stemEnd;
    for (std::size_t i = from; i < to; ++i) {
        const int levels = flagCount(placed_[i].note->event.note->duration);
        const double need =
            farY(i) + sign * (kShortestBeamedStem + (levels - 1) * (kEngraving.beamThickness +
                                                                     kEngraving.beamSpacing));
        const double at = y0 + slope * (stemX(i) - x0);
        if (sign * (need - at) > 0) {
            y0 += need - at;
        }
    }
    for (std::size_t i = from; i < to; ++i) {
        placed_[i].stemEnd = y0 + slope * (stemX(i) - x0);
    }
    beamLevels(from, to, x0, y0, slope);
}

void StaffDrawer::beamLevels(std::size_t from, std::size_t to, double x0, double y0,
                             double slope) {
    const bool down = placed_[from].note->event.stemDown;
    const double sign = down ? 1.0 : -1.0;
    const double half = kEngraving.stemThickness / 2;
    const auto segment = [&](double xa, double xb, double offset) {
        const double ya = y0 + slope * (xa - x0) + offset;
        const double yb = y0 + slope * (xb - x0) + offset;
        const double t = -sign * kEngraving.beamThickness;
        sketch_.quad({PagePoint{xa, ya}, PagePoint{xb, yb}, PagePoint{xb, yb + t},
                      PagePoint{xa, ya + t}});
    };
    const auto levelOf = [&](std::size_t i) { return flagCount(placed_[i].note->event.note->duration); };
    for (int level = 1; level <= 3; ++level) {
        const double offset = -sign * (level - 1) * (kEngraving.beamThickness + kEngraving.beamSpacing);
        for (std::size_t i = from; i < to;) {
            if (levelOf(i) < level) {
                ++i;
                continue;
            }
            std::size_t end = i + 1;
            while (end < to && levelOf(end) >= level) {
                ++end;
            }
            if (end - i >= 2) {
                segment(stemX(i) - half, stemX(end - 1) + half, offset);
            } else {
                const bool right = i == from;
                const std::size_t neighbour = right ? i + 1 : i - 1;
                const double length = std::min(kBeamHook, std::abs(stemX(neighbour) - stemX(i)) / 2);
                segment(right ? stemX(i) - half : stemX(i) - length,
                        right ? stemX(i) + length : stemX(i) + half, offset);
            }
            i = end;
        }
    }
}

void StaffDrawer::drawNote(const Placed& p) {
    const EngravedNote& n = *p.note;
    if (n.isRest()) {
        sketch_.glyph(n.rest.glyph, p.x, n.rest.y);
        for (const PlacedSymbol& d : n.rest.dots) {
            sketch_.glyph(d.glyph, p.x + d.x, d.y);
        }
        return;
    }
    const ChordShape& c = n.chord;
    for (const LedgerLine& l : c.ledgers) {
        sketch_.line(p.x + l.left, l.y, p.x + l.right, l.y, kEngraving.legerLineThickness);
    }
    for (const PlacedHead& h : c.heads) {
        sketch_.glyph(h.glyph, p.x + h.x, positionY(h.position));
    }
    for (const PlacedSymbol& s : c.accidentals) {
        sketch_.glyph(s.glyph, p.x + s.x, s.y);
    }
    for (const PlacedSymbol& s : c.dots) {
        sketch_.glyph(s.glyph, p.x + s.x, s.y);
    }
    if (c.hasStem) {
        sketch_.line(p.x + c.stemX, c.stemBase, p.x + c.stemX, p.stemEnd, kEngraving.stemThickness);
    }
    if (c.flag) {
        sketch_.glyph(c.flag->glyph, p.x + c.flag->x, c.flag->y);
    }
}

void StaffDrawer::triplets(std::size_t slot) {
    const std::size_t m = plan_.measures[slot].index;
    if (m >= track_.measures.size()) {
        return;
    }
    const TrackMeasure& notes = track_.measures[m];
    std::size_t i = slotStart_[slot];
    for (auto it = notes.begin(); it != notes.end(); ++it, ++i) {
        if (groupStartsAt(notes, it)) {
            tripletMark(i, 3);
            std::advance(it, 2);
            i += 2;
        } else if (it->triplet != 0) {
            tripletMark(i, 1);
        }
    }
}

// A triplet's 3: over the beam when its three notes share one, else on a bracket beyond the
// notes on their stems' side (above for rests); a lone triplet note gets the 3 alone.
void StaffDrawer::tripletMark(std::size_t from, std::size_t count) {
    const std::size_t last = from + count - 1;
    const int group = placed_[from].note->event.beamGroup;
    bool beamed = count > 1 && group >= 0;
    bool below = false;
    double top = -2.0;
    double bottom = 2.0;
    for (std::size_t i = from; i <= last; ++i) {
        const EngravedNote& n = *placed_[i].note;
        beamed = beamed && n.event.beamGroup == group;
        if (!n.isRest()) {
            below = n.event.stemDown;
            top = std::min({top, n.chord.top, placed_[i].stemEnd});
            bottom = std::max({bottom, n.chord.bottom, placed_[i].stemEnd});
        } else {
            top = std::min(top, n.rest.top);
            bottom = std::max(bottom, n.rest.bottom);
        }
    }
    const double left = placed_[from].x;
    const double right = placed_[last].x + (placed_[last].note->isRest()
                                                 ? placed_[last].note->rest.right
                                                 : placed_[last].note->chord.headsRight);
    const double middle = beamed ? (stemX(from) + stemX(last)) / 2 : (left + right) / 2;
    const SymBox& box = symInfo(Sym::Tuplet3).box;
    const double numberX = middle - (box.left + box.right) / 2;
    // The bracket's line, or the line the number stands on (above) or hangs from (below).
    const double lineY = below ? bottom + kTupletClearance : top - kTupletClearance;
    const bool bracket = !beamed && count > 1;
    const double baseline = bracket ? lineY + kTupletNumberHeight / 2
                            : below ? lineY + kTupletNumberHeight
                                    : lineY;
    sketch_.glyph(Sym::Tuplet3, numberX, baseline);
    for (std::size_t i = from; i <= last; ++i) {
        placed_[i].markTop = std::min(placed_[i].markTop, baseline - kTupletNumberHeight);
        placed_[i].markBottom = std::max(placed_[i].markBottom, std::max(baseline, lineY + kTupletHook));
    }
    if (!bracket) {
        return;
    }
    const double t = kEngraving.tupletBracketThickness;
    const double hook = below ? -kTupletHook : kTupletHook;
    sketch_.line(left, lineY, middle - kTupletNumberGap, lineY, t);
    sketch_.line(middle + kTupletNumberGap, lineY, right, lineY, t);
    sketch_.line(left, lineY - t / 2, left, lineY + hook, t);
    sketch_.line(right, lineY - t / 2, right, lineY + hook, t);
}

void StaffDrawer::ties() {
    const auto headY = [](const PlacedHead& h) { return positionY(h.position); };
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        const Placed& p = placed_[i];
        const Note& note = *p.note->event.note;
        if (!tiesOn(note)) {
            continue;
        }
        const ChordShape& c = p.note->chord;
        const double start = p.x + std::max(c.headsRight, c.dots.empty() ? 0.0 : c.right) + kTieGap;
        const Placed* next = i + 1 < placed_.size() ? &placed_[i + 1] : nullptr;
        const Note* following = next ? next->note->event.note : firstNoteFrom(track_, plan_.end);
        for (std::size_t h = 0; h < c.heads.size(); ++h) {
            const bool joined = following != nullptr && hasHeadAt(*following, c.heads[h].position);
            double end = start + kShortTie;
            if (joined && next != nullptr) {
                end = next->x + next->note->chord.headsLeft - kTieGap;
            } else if (joined) {
                end = plan_.width - kTieGap;
            }
            tie(start, end, headY(c.heads[h]), tieAbove(c, h));
        }
    }
    // Ties coming in from the system before: from just before the first note to its heads.
    const Note* before = lastNoteBefore(track_, plan_.first);
    if (placed_.empty() || before == nullptr || !tiesOn(*before) || placed_[0].note->isRest()) {
        return;
    }
    const Placed& first = placed_[0];
    const ChordShape& c = first.note->chord;
    const double end = first.x + c.headsLeft - kTieGap;
    const double start = std::max(plan_.measures.front().notesStart - 0.5, end - 2.5);
    for (std::size_t h = 0; h < c.heads.size(); ++h) {
        if (hasHeadAt(*before, c.heads[h].position)) {
            tie(start, end, headY(c.heads[h]), tieAbove(c, h));
        }
    }
}

void StaffDrawer::tie(double x0, double x1, double y, bool above) {
    x1 = std::max(x1, x0 + 0.8);
    const double length = x1 - x0;
    const double height = std::clamp(0.3 + 0.1 * length, 0.45, 1.4);
    const double sign = above ? -1.0 : 1.0;
    const double y0 = y + sign * 0.55;
    // A cubic whose two control points stand at c reaches 3/4 of c at its middle.
    const double outerControl = y0 + sign * height / 0.75;
    const double yi = y0 - sign * kEngraving.tieEndpointThickness;
    const double innerControl =
        yi + sign * (height - kEngraving.tieMidpointThickness + kEngraving.tieEndpointThickness) / 0.75;
    const double c1 = x0 + length * 0.25;
    const double c2 = x1 - length * 0.25;
    sketch_.curve({{x0, y0}, {c1, outerControl}, {c2, outerControl}, {x1, y0}},
                  {{x0, yi}, {c1, innerControl}, {c2, innerControl}, {x1, yi}});
}

// Runs of notes under one octave shift get one mark: 8va (15ma, 22ma) above, 8vb (15mb, 22mb)
// below, with a dashed line to the run's last note and a hook where the shift ends.
void StaffDrawer::ottavas() {
    std::size_t i = 0;
    while (i < placed_.size()) {
        const Note& note = *placed_[i].note->event.note;
        if (note.isRest() || note.octave == 0) {
            ++i;
            continue;
        }
        std::size_t last = i;
        std::size_t j = i + 1;
        for (; j < placed_.size(); ++j) {
            const Note& n = *placed_[j].note->event.note;
            if (!n.isRest() && n.octave != note.octave) {
                break;
            }
            if (!n.isRest()) {
                last = j;
            }
        }
        bool continues = false;
        if (j == placed_.size()) {
            for (std::size_t m = plan_.end; m < track_.measures.size() && !continues; ++m) {
                const auto it = std::find_if(track_.measures[m].begin(), track_.measures[m].end(),
                                             [](const Note& n) { return !n.isRest(); });
                if (it != track_.measures[m].end()) {
                    continues = it->octave == note.octave;
                    break;
                }
            }
        }
        ottavaRun(i, last + 1, continues);
        i = j;
    }
}

void StaffDrawer::ottavaRun(std::size_t from, std::size_t to, bool continues) {
    const int octave = placed_[from].note->event.note->octave;
    const bool above = octave > 0;
    double reach = above ? -2.0 : 2.0;
    for (std::size_t i = from; i < to; ++i) {
        const EngravedNote& n = *placed_[i].note;
        if (!n.isRest()) {
            reach = above ? std::min({reach, n.chord.top, placed_[i].stemEnd})
                          : std::max({reach, n.chord.bottom, placed_[i].stemEnd});
        }
        reach = above ? std::min(reach, placed_[i].markTop) : std::max(reach, placed_[i].markBottom);
    }
    static constexpr Sym kAbove[] = {Sym::OttavaAlta, Sym::QuindicesimaAlta, Sym::VentiduesimaAlta};
    static constexpr Sym kBelow[] = {Sym::OttavaBassaVb, Sym::QuindicesimaBassaMb,
                                     Sym::VentiduesimaBassaMb};
    const int steps = std::abs(octave);
    const double height = symInfo(Sym::OttavaAlta).box.top;
    const double baseline = above ? reach - kOttavaClearance : reach + kOttavaClearance + height;
    const double x = placed_[from].x;
    double markEnd = x;
    if (steps <= 3) {
        const Sym glyph = (above ? kAbove : kBelow)[steps - 1];
        sketch_.glyph(glyph, x, baseline);
        markEnd = x + symInfo(glyph).box.right;
    } else {
        // Beyond three octaves (only a loaded file holds such shifts) the interval is written out.
        const std::string text = std::to_string(7 * steps + 1) + (above ? "ma" : "mb");
        sketch_.text(text, x, baseline, kOctaveTextSize, TextFace::Italic, TextAlign::Left);
        markEnd = x + textWidthEm(text, TextFace::Italic) * kOctaveTextSize;
    }
    const double lineY = baseline - height / 2;
    const double end = placed_[to - 1].x + placed_[to - 1].note->chord.right;
    const double t = kEngraving.octaveLineThickness;
    for (double dash = markEnd + 0.3; dash < end; dash += kOttavaDash + kOttavaDashGap) {
        sketch_.line(dash, lineY, std::min(dash + kOttavaDash, end), lineY, t);
    }
    if (!continues && end > markEnd) {
        sketch_.line(end, lineY - t / 2, end, lineY + (above ? kOttavaHook : -kOttavaHook), t);
    }
}

void StaffDrawer::dynamics() {
    const double baseline =
        std::max(kDynamicsBelowStaff,
                 sketch_.bottom() + kDynamicsClearance + symInfo(Sym::DynamicForte).box.top);
    for (const Placed& p : placed_) {
        const std::optional<DynamicMark>& d = p.note->dynamic;
        if (!d) {
            continue;
        }
        if (d->glyph) {
            sketch_.glyph(*d->glyph, p.x + d->left - symInfo(*d->glyph).box.left, baseline);
        } else {
            sketch_.text(d->number, p.x + (d->left + d->right) / 2, baseline, kVelocityTextSize,
                         TextFace::Italic, TextAlign::Center);
        }
    }
}

// Tempo marks (a quarter note = the tempo) where the tempo changes and at the score's start,
// above everything else on the staff; the first measure's number over the clef.
void StaffDrawer::tempoAndNumber() {
    const SymInfo& note = symInfo(Sym::MetNoteQuarterUp);
    const double baseline = std::min(kTempoAboveStaff, sketch_.top() - kTempoClearance +
                                                           note.box.bottom * kTempoNoteScale);
    const double noteWidth = note.advance * kTempoNoteScale;
    for (const MeasurePlace& m : plan_.measures) {
        const int tempo = score_.measures[m.index].tempo;
        if (m.index > 0 && score_.measures[m.index - 1].tempo == tempo) {
            continue;
        }
        const double x = m.columnX.empty() ? m.notesStart : m.columnX.front();
        sketch_.glyph(Sym::MetNoteQuarterUp, x, baseline, kTempoNoteScale);
        sketch_.text("= " + std::to_string(tempo), x + noteWidth + 0.35, baseline, kTempoTextSize,
                     TextFace::Regular, TextAlign::Left);
    }
    sketch_.text(std::to_string(plan_.first + 1), 0, kMeasureNumberY, kMeasureNumberSize,
                 TextFace::Regular, TextAlign::Left);
}

}  // namespace

Sketch sketchStaff(const Score& score, const Track& track, const SystemPlan& plan, bool top) {
    return StaffDrawer(score, track, plan, top).draw();
}

}  // namespace corvane::engrave
