#include "render/painter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>

#include "render/layout.h"
#include "score/instruments.h"

namespace corvane {

namespace {

constexpr int kStaffLeft = 10;
constexpr int kStaffHalfHeight = 20;
constexpr int kStaffEndReach = 21;  // staff ends and bar lines reach one pixel past the lines
constexpr int kNameX = 5;
constexpr int kNameAbove = 62;
constexpr int kClefX = 14;
constexpr int kClefAbove = 34;
constexpr int kLabelAbove = 46;
constexpr int kVelocityBelow = 30;
constexpr int kRestAbove = 20;
constexpr int kToolbarIconTop = 3;
constexpr int kToolbarIconHeight = 19;
constexpr int kHighlightTop = 1;
constexpr int kMaxKeySignatureSigns = 7;

// Key signature glyph tops relative to the middle line (treble; bass is 10 lower), in the order
// the signs are added: sharps F C G D A E B, flats B E A D G C F.
constexpr std::array<int, kMaxKeySignatureSigns> kSharpTops{-30, -15, -35, -20, -5, -25, -10};
constexpr std::array<int, kMaxKeySignatureSigns> kFlatTops{-12, -27, -7, -22, -2, -17, 3};

// The toolbar strip goes to the window in groups, leaving separator slots blank:
// strip columns [first, first + width) go to x.
struct StripGroup {
    int first;
    int width;
    int x;
};
constexpr std::array<StripGroup, 8> kStripGroups{{{0, 96, 3},
                                                  {96, 32, 115},
                                                  {128, 16, 163},
                                                  {144, 32, 195},
                                                  {176, 32, 243},
                                                  {208, 16, 291},
                                                  {224, 32, 323},
                                                  {256, 16, 371}}};

int slotX(int slot) {
    return layout::kToolbarSlotWidth * slot + layout::kToolbarLeft;
}

int durationSlot(int duration) {
    switch (duration) {
        case 2:
            return 1;
        case 4:
            return 2;
        case 8:
            return 3;
        case 16:
            return 4;
        case 32:
            return 5;
        default:
            return 0;
    }
}

// Right end of every staff for a client width.
int staffRight(int clientWidth) {
    return std::max(clientWidth, layout::kMinClientWidth) - kStaffLeft;
}

// Whether `note` has a head one step above or below `position`.
bool hasNeighbour(const Note& note, int position) {
    return std::any_of(note.pitches.begin(), note.pitches.end(), [position](const NoteHead& h) {
        return h.position == position + 1 || h.position == position - 1;
    });
}

// The column of a chord's heads: its outer staff positions and how far it moved left.
struct HeadColumn {
    int highest = 0;
    int lowest = 0;
    int shift = 0;
};

// The ends of a note as drawn: `upper` and `lower` are y values including the stem.
struct NoteEnds {
    int upper = 0;
    int lower = 0;
    bool stemDown = false;
};

// One repaint's drawing of the score, over the layout of its visible measures.
class Painter {
  public:
    Painter(const Score& score, const ViewState& view, const Glyphs& glyphs, Canvas& canvas)
        : score_(score),
          view_(view),
          glyphs_(glyphs),
          canvas_(canvas),
          screen_(computeLayout(score, view.firstVisibleMeasure, view.client.right)) {}

    void toolbar(const EntryTools& tools, bool playing);
    // A track shown in row `row`, its middle line at staffMiddleY(row).
    void track(const Track& track, int row);

  private:
    void glyph(Glyph g, int x, int y);
    void staff(int yk);
    // The measure of `slot`, from its left edge; the previous values carry on to the next one.
    void measure(const MeasureSlot& slot, const Track& track, int row, int yk, int previousTempo,
                 int& previousVelocity);
    void keySignature(int key, TrackKind kind, int x, int yk);
    void meter(int beats, int x, int yk);
    void note(const Note& note, int x, int yk, int row, int previousVelocity);
    void rest(const Note& note, int x, int yk);
    HeadColumn heads(const Note& note, int x, int yk, int row);
    NoteEnds stemAndFlags(const Note& note, int x, int yk, const HeadColumn& column);
    void marks(const Note& note, int x, const NoteEnds& ends);

    const Score& score_;
    const ViewState& view_;
    const Glyphs& glyphs_;
    Canvas& canvas_;
    const ScreenLayout screen_;
};

void Painter::glyph(Glyph g, int x, int y) {
    // A glyph that failed to load has no pixels and draws nothing.
    const Bitmap& bitmap = glyphs_[g];
    if (bitmap.width > 0 && bitmap.height > 0) {
        canvas_.multiplyBitmap(bitmap, 0, 0, bitmap.width, bitmap.height, x, y);
    }
}

void Painter::toolbar(const EntryTools& tools, bool playing) {
    const Bitmap& strip = glyphs_[Glyph::Toolbar];
    if (strip.width > 0) {
        for (const StripGroup& group : kStripGroups) {
            canvas_.copy(strip, group.first, 0, group.width, kToolbarIconHeight, group.x,
                         kToolbarIconTop);
        }
    }
    const auto light = [&](int slot, bool locked) {
        glyph(locked ? Glyph::HighlightLocked : Glyph::HighlightPending, slotX(slot),
              kHighlightTop);
    };
    light(durationSlot(tools.currentDuration), true);
    if (tools.pendingDots == 1) {
        light(7, tools.dotsLocked);
    } else if (tools.pendingDots != 0) {
        light(8, tools.dotsLocked);
    }
    if (tools.pendingTriplet) {
        light(10, tools.tripletLocked);
    }
    if (tools.pendingAccidental == Sharp) {
        light(12, tools.accidentalLocked);
    } else if (tools.pendingAccidental != AccidentalNone) {
        light(13, tools.accidentalLocked);
    }
    if (tools.pendingOctave == 1) {
        light(15, tools.octaveLocked);
    } else if (tools.pendingOctave != 0) {
        light(16, tools.octaveLocked);
    }
    if (tools.pendingTie) {
        light(18, tools.tieLocked);
    }
    light(playing ? 20 : 21, true);
    if (tools.pendingVelocity > 0) {
        light(23, true);
    }
}

void Painter::track(const Track& track, int row) {
    const int yk = staffMiddleY(row);
    staff(yk);
    if (track.kind != Drums) {
        canvas_.text(kNameX, yk - kNameAbove, instrumentName(track.program));
    }
    const Glyph clef = track.kind == Treble ? Glyph::TrebleClef
                       : track.kind == Bass ? Glyph::BassClef
                                            : Glyph::DrumClef;
    glyph(clef, kClefX, yk - kClefAbove);

    int previousTempo = -1;
    int previousVelocity = -1;
    for (std::size_t n = 0; n < screen_.measures.size(); ++n) {
        const MeasureSlot& slot = screen_.measures[n];
        measure(slot, track, row, yk, previousTempo, previousVelocity);
        previousTempo = score_.measures[static_cast<std::size_t>(slot.index)].tempo;
        if (n + 1 < screen_.measures.size()) {
            const int barX = slot.noteAreaEnd(screen_.pixelsPerQuarter);
            canvas_.line(barX, yk - kStaffEndReach, barX, yk + kStaffEndReach);
        }
    }
}

void Painter::staff(int yk) {
    const int right = staffRight(view_.client.right);
    for (int offset = -kStaffHalfHeight; offset <= kStaffHalfHeight; offset += 10) {
        canvas_.line(kStaffLeft, yk + offset, right, yk + offset);
    }
    canvas_.line(kStaffLeft, yk - kStaffEndReach, kStaffLeft, yk + kStaffEndReach);
    canvas_.line(right, yk - kStaffEndReach, right, yk + kStaffEndReach);
}

void Painter::measure(const MeasureSlot& slot, const Track& track, int row, int yk,
                      int previousTempo, int& previousVelocity) {
    const MeasureInfo& info = score_.measures[static_cast<std::size_t>(slot.index)];
    int x = slot.left;
    std::string label = std::to_string(static_cast<long long>(slot.index) + 1);
    if (info.tempo != previousTempo) {
        label += " BPM: " + std::to_string(info.tempo);
    }
    canvas_.text(x, yk - kLabelAbove, label);
    // The layout reserves a signature's width exactly where the key or meter changes.
    if (slot.keyWidth != 0) {
        keySignature(info.key, track.kind, x, yk);
        // The space is kept even where nothing is drawn, so measures line up across tracks.
        x += slot.keyWidth;
    }
    if (slot.timeWidth != 0) {
        meter(info.beats, x, yk);
        x += slot.timeWidth;
    }
    if (static_cast<std::size_t>(slot.index) >= track.measures.size()) {
        return;
    }
    x += layout::kFirstNotePaint;
    for (const Note& n : track.measures[static_cast<std::size_t>(slot.index)]) {
        note(n, x, yk, row, previousVelocity);
        previousVelocity = n.velocity;
        if (n.duration != 0) {
            x += noteAdvance(n, screen_.pixelsPerQuarter);
        }
    }
}

void Painter::keySignature(int key, TrackKind kind, int x, int yk) {
    if (kind != Treble && kind != Bass) {
        return;
    }
    const int d = kind == Bass ? 10 : 0;
    const bool sharps = key > 0;
    // Keys beyond seven signs (only a damaged model has them) show seven.
    const int count = static_cast<int>(std::min<long long>(std::llabs(key), kMaxKeySignatureSigns));
    for (int n = 0; n < count; ++n) {
        const int top = (sharps ? kSharpTops : kFlatTops)[static_cast<std::size_t>(n)];
        glyph(sharps ? Glyph::Sharp : Glyph::Flat, x + layout::kKeySignatureStep * n, yk + d + top);
    }
}

// The count of beats over a 4. Counts of 3, 4 and 5 keep their own wide digits; any other count
// is drawn with the narrow ones, two of them 10 pixels apart around x for a count of 10 or more.
// (Counts beyond two digits, which no loaded file holds, keep the 5 they always showed.)
void Painter::meter(int beats, int x, int yk) {
    if (beats < 0 || beats > 99 || (beats >= 3 && beats <= 5)) {
        const Glyph upper = beats == 3   ? Glyph::MeterDigit3
                            : beats == 4 ? Glyph::MeterDigit4
                                         : Glyph::MeterDigit5;
        glyph(upper, x, yk - 19);
    } else if (beats <= 9) {
        glyph(meterFigure(beats), x, yk - 19);
    } else {
        glyph(meterFigure(beats / 10), x - 5, yk - 19);
        glyph(meterFigure(beats % 10), x + 5, yk - 19);
    }
    glyph(Glyph::MeterDigit4, x, yk + 1);
}

void Painter::note(const Note& note, int x, int yk, int row, int previousVelocity) {
    if (note.velocity != previousVelocity) {
        canvas_.text(x - 10, yk + kVelocityBelow, std::to_string(note.velocity));
    }
    if (note.isRest()) {
        rest(note, x, yk);
        return;
    }
    if (note.tie == TieStart || note.tie == TieMiddle) {
        glyph(Glyph::Tie, x + 9, yk - 29);
    }
    const HeadColumn column = heads(note, x, yk, row);
    marks(note, x, stemAndFlags(note, x, yk, column));
}

void Painter::rest(const Note& note, int x, int yk) {
    const auto restGlyph = [](int duration) -> std::optional<Glyph> {
        switch (duration) {
            case 1:
                return Glyph::WholeRest;
            case 2:
                return Glyph::HalfRest;
            case 4:
                return Glyph::QuarterRest;
            case 8:
                return Glyph::EighthRest;
            case 16:
                return Glyph::SixteenthRest;
            case 32:
                return Glyph::ThirtySecondRest;
            default:
                return std::nullopt;
        }
    };
    if (const std::optional<Glyph> g = restGlyph(note.duration)) {
        glyph(*g, x - 5, yk - kRestAbove);
    }
    if (note.triplet != 0) {
        glyph(Glyph::Triplet, x - 5, yk - 33);
    }
}

HeadColumn Painter::heads(const Note& note, int x, int yk, int row) {
    // Heads one step apart (a second) cannot share a column: the chord moves 5 pixels left and
    // heads on even positions that touch a neighbour move to the right of the stem.
    const bool seconds =
        std::any_of(note.pitches.begin(), note.pitches.end(),
                    [&note](const NoteHead& h) { return hasNeighbour(note, h.position); });
    HeadColumn column;
    column.shift = seconds ? -5 : 0;
    column.highest = note.pitches.front().position;
    column.lowest = column.highest;
    const bool filled = note.duration > 2;
    for (const NoteHead& head : note.pitches) {
        column.highest = std::max(column.highest, head.position);
        column.lowest = std::min(column.lowest, head.position);
        const int yh = yk - 5 * head.position;
        int headOffset = 0;
        int accidentalOffset = 0;
        if (seconds && hasNeighbour(note, head.position)) {
            if (head.position % 2 == 0) {
                headOffset = 10;
            } else {
                accidentalOffset = -10;
            }
        }
        paintNoteHead(canvas_, x + column.shift + headOffset, yh, row, filled);
        const int u = x - column.shift;
        if (note.dots >= 1) {
            canvas_.ellipse(u + 9, yh - 2, u + 14, yh + 3);
        }
        if (note.dots == 2) {
            canvas_.ellipse(u + 17, yh - 2, u + 22, yh + 3);
        }
        const int ax = x + column.shift + accidentalOffset - 20;
        switch (head.accidental) {
            case Sharp:
                glyph(Glyph::Sharp, ax, yh - 10);
                break;
            case Flat:
                glyph(Glyph::Flat, ax, yh - 12);
                break;
            case Natural:
                glyph(Glyph::Natural, ax, yh - 10);
                break;
            default:
                break;
        }
    }
    return column;
}

NoteEnds Painter::stemAndFlags(const Note& note, int x, int yk, const HeadColumn& column) {
    const int top = yk - 5 * column.highest;
    const int bottom = yk - 5 * column.lowest;
    NoteEnds ends{top, bottom, false};
    if (note.duration == 1) {
        return ends;
    }
    if (column.highest + column.lowest >= 0) {
        ends.stemDown = true;
        const int stemX = x - column.shift - 5;
        const int stemEnd = std::max(bottom + 25, top + 35);
        canvas_.line(stemX, stemEnd, stemX, top);
        for (int flag = 0; flag < 3; ++flag) {
            if (note.duration >= (8 << flag)) {
                glyph(Glyph::FlagDown, stemX + 1, stemEnd - 7 - 6 * flag);
            }
        }
        ends.lower = stemEnd;
    } else {
        const int stemX = x + column.shift + 5;
        const int stemEnd = std::min(top - 25, bottom - 35);
        canvas_.line(stemX, bottom, stemX, stemEnd);
        for (int flag = 0; flag < 3; ++flag) {
            if (note.duration >= (8 << flag)) {
                glyph(Glyph::FlagUp, stemX + 1, stemEnd + 6 * flag);
            }
        }
        ends.upper = stemEnd;
    }
    return ends;
}

void Painter::marks(const Note& note, int x, const NoteEnds& ends) {
    int w = 0;
    if (note.triplet != 0) {
        glyph(Glyph::Triplet, x - 3, ends.stemDown ? ends.upper - 18 : ends.lower + 7);
        w = 12;
    }
    if (note.octave == 1) {
        glyph(Glyph::OttavaUp, x - 7, ends.stemDown ? ends.upper - w - 17 : ends.upper - 8);
    } else if (note.octave == -1) {
        glyph(Glyph::OttavaDown, x - 7, ends.stemDown ? ends.lower + 3 : ends.lower + w + 7);
    }
}

}  // namespace

void paintScore(const Score& score, const ViewState& view, const EntryTools& tools, bool playing,
                const Glyphs& glyphs, Canvas& canvas) {
    canvas.fill(view.client);
    Painter painter(score, view, glyphs, canvas);
    painter.toolbar(tools, playing);
    // Scrolled down, the tracks above the top row are left out whole (render/layout.h).
    const int first = firstShownTrack(view.trackScroll);
    for (std::size_t k = static_cast<std::size_t>(std::max(first, 0)); k < score.tracks.size();
         ++k) {
        painter.track(score.tracks[k], static_cast<int>(k) - first);
    }
    if (view.marker) {
        paintNoteHead(canvas, view.marker->x, view.marker->y, view.marker->track - first,
                      tools.currentDuration > 2);
    }
}

void paintNoteHead(Canvas& canvas, int x, int y, int row, bool filled) {
    const int yk = staffMiddleY(row);
    const int r = y - yk;
    const auto ledger = [&](int offset) { canvas.line(x - 8, yk + offset, x + 9, yk + offset); };
    if (r <= -40) {
        ledger(-30);
        ledger(-40);
    } else if (r <= -30) {
        ledger(-30);
    } else if (r >= 40) {
        ledger(30);
        ledger(40);
    } else if (r >= 30) {
        ledger(30);
    }
    if (filled) {
        canvas.ellipse(x - 6, y - 4, x + 6, y + 5);
    } else {
        canvas.arc(x - 6, y - 4, x + 6, y + 5);
    }
}

}  // namespace corvane
