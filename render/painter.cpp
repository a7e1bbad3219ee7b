// The score painter: everything one repaint draws into the back buffer, then the copy to the
// window. It keeps no state between repaints.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "editor/editor_view.h"
#include "editor/layout.h"
#include "score/instruments.h"
#include "sound/player.h"

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

}  // namespace

void EditorView::drawGlyph(const Bitmap& glyph, int x, int y) {
    // A glyph that failed to load has no pixels and draws nothing.
    if (drawing.memoryDC && glyph.width > 0 && glyph.height > 0) {
        drawing.memoryDC->andBlit(glyph, 0, 0, glyph.width, glyph.height, x, y);
    }
}

void EditorView::paint() {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    dc->fill(clientRect);
    drawToolbar();
    for (std::size_t k = 0; k < score.tracks.size(); ++k) {
        drawTrack(score.tracks[k], static_cast<int>(k));
    }
    if (overNoteArea) {
        drawHead(markerX, markerY, hoverTrack, currentDuration > 2);
    }
    window.present(*dc, clientRect.right, clientRect.bottom);
}

void EditorView::drawToolbar() {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    if (drawing.toolbarStrip.width > 0) {
        for (const StripGroup& group : kStripGroups) {
            dc->copy(drawing.toolbarStrip, group.first, 0, group.width, kToolbarIconHeight, group.x,
                     kToolbarIconTop);
        }
    }
    const auto light = [&](int slot, bool locked) {
        const Bitmap& highlight = locked ? drawing.highlightLocked : drawing.highlightPending;
        if (highlight.width > 0) {
            dc->andBlit(highlight, 0, 0, highlight.width, highlight.height, slotX(slot),
                        kHighlightTop);
        }
    };
    light(durationSlot(currentDuration), true);
    if (pendingDots == 1) {
        light(7, dotsLocked);
    } else if (pendingDots != 0) {
        light(8, dotsLocked);
    }
    if (pendingTriplet) {
        light(10, tripletLocked);
    }
    if (pendingAccidental == Sharp) {
        light(12, accidentalLocked);
    } else if (pendingAccidental != AccidentalNone) {
        light(13, accidentalLocked);
    }
    if (pendingOctave == 1) {
        light(15, octaveLocked);
    } else if (pendingOctave != 0) {
        light(16, octaveLocked);
    }
    if (pendingTie) {
        light(18, tieLocked);
    }
    const bool playing = player != nullptr && player->isPlaying();
    light(playing ? 20 : 21, true);
    if (pendingVelocity > 0) {
        light(23, true);
    }
}

void EditorView::drawTrack(const Track& track, int k) {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    const int yk = staffMiddleY(k);
    drawStaff(yk);
    if (track.kind != Drums) {
        dc->text(kNameX, yk - kNameAbove, instrumentName(track.program));
    }
    const Bitmap& clef = track.kind == Treble ? drawing.trebleClefGlyph
                         : track.kind == Bass ? drawing.bassClefGlyph
                                              : drawing.drumClefGlyph;
    drawGlyph(clef, kClefX, yk - kClefAbove);

    const ScreenLayout screen = layout();
    int x = layout::kFirstMeasureLeft;
    int previousKey = layout::kNoSignature;
    int previousBeats = layout::kNoSignature;
    int previousTempo = -1;
    int previousVelocity = -1;
    for (std::size_t n = 0; n < screen.measures.size(); ++n) {
        const MeasureSlot& slot = screen.measures[n];
        const MeasureInfo& info = score.measures[static_cast<std::size_t>(slot.index)];
        drawMeasure(slot.index, track, k, x, yk, previousKey, previousBeats, previousTempo,
                    previousVelocity);
        x += slot.keyWidth + slot.timeWidth + layout::kMeasureGap +
             info.beats * screen.pixelsPerQuarter;
        previousKey = info.key;
        previousBeats = info.beats;
        previousTempo = info.tempo;
        if (n + 1 < screen.measures.size()) {
            dc->line(x, yk - kStaffEndReach, x, yk + kStaffEndReach);
        }
    }
}

void EditorView::drawStaff(int yk) {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    const int right = staffRight(clientRect.right);
    for (int offset = -kStaffHalfHeight; offset <= kStaffHalfHeight; offset += 10) {
        dc->line(kStaffLeft, yk + offset, right, yk + offset);
    }
    dc->line(kStaffLeft, yk - kStaffEndReach, kStaffLeft, yk + kStaffEndReach);
    dc->line(right, yk - kStaffEndReach, right, yk + kStaffEndReach);
}

void EditorView::drawMeasure(int i, const Track& track, int k, int x, int yk, int previousKey,
                             int previousBeats, int previousTempo, int& previousVelocity) {
    if (i < 0 || static_cast<std::size_t>(i) >= score.measures.size()) {
        return;
    }
    const MeasureInfo& info = score.measures[static_cast<std::size_t>(i)];
    drawMeasureLabel(i, info.tempo, x, yk, info.tempo != previousTempo);
    if (info.key != previousKey) {
        drawKeySignature(info.key, track.kind, x, yk);
        // The space is kept even where nothing is drawn, so measures line up across tracks.
        x += std::abs(info.key) * layout::kKeySignatureStep + layout::kKeySignatureBase;
    }
    if (info.beats != previousBeats) {
        drawMeter(info.beats, x, yk);
        x += layout::kTimeSignatureWidth;
    }
    if (static_cast<std::size_t>(i) >= track.measures.size()) {
        return;
    }
    const TrackMeasure& notes = track.measures[static_cast<std::size_t>(i)];
    if (notes.empty()) {
        return;
    }
    x += layout::kFirstNotePaint;
    const int ppq = layout().pixelsPerQuarter;
    for (const Note& note : notes) {
        drawNote(note, x, yk, k, previousVelocity);
        previousVelocity = note.velocity;
        if (note.duration != 0) {
            x += noteAdvance(note, ppq);
        }
    }
}

void EditorView::drawMeasureLabel(int i, int tempo, int x, int yk, bool withTempo) {
    if (!drawing.memoryDC) {
        return;
    }
    std::string label = std::to_string(static_cast<long long>(i) + 1);
    if (withTempo) {
        label += " BPM: " + std::to_string(tempo);
    }
    drawing.memoryDC->text(x, yk - kLabelAbove, label);
}

void EditorView::drawKeySignature(int key, TrackKind kind, int x, int yk) {
    if (kind != Treble && kind != Bass) {
        return;
    }
    const int d = kind == Bass ? 10 : 0;
    const bool sharps = key > 0;
    // Keys beyond seven signs (only a damaged model has them) show seven.
    const int count = static_cast<int>(std::min<long long>(std::llabs(key), kMaxKeySignatureSigns));
    for (int n = 0; n < count; ++n) {
        const int top = (sharps ? kSharpTops : kFlatTops)[static_cast<std::size_t>(n)];
        drawGlyph(sharps ? drawing.sharpGlyph : drawing.flatGlyph,
                  x + layout::kKeySignatureStep * n, yk + d + top);
    }
}

void EditorView::drawMeter(int beats, int x, int yk) {
    const Bitmap& upper = beats == 3   ? drawing.meterDigit3Glyph
                          : beats == 4 ? drawing.meterDigit4Glyph
                                       : drawing.meterDigit5Glyph;
    drawGlyph(upper, x, yk - 19);
    drawGlyph(drawing.meterDigit4Glyph, x, yk + 1);
}

void EditorView::drawNote(const Note& note, int x, int yk, int k, int previousVelocity) {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    if (note.velocity != previousVelocity) {
        dc->text(x - 10, yk + kVelocityBelow, std::to_string(note.velocity));
    }

    if (note.pitches.empty()) {
        const Bitmap* rest = nullptr;
        switch (note.duration) {
            case 1:
                rest = &drawing.wholeRestGlyph;
                break;
            case 2:
                rest = &drawing.halfRestGlyph;
                break;
            case 4:
                rest = &drawing.quarterRestGlyph;
                break;
            case 8:
                rest = &drawing.eighthRestGlyph;
                break;
            case 16:
                rest = &drawing.sixteenthRestGlyph;
                break;
            case 32:
                rest = &drawing.thirtySecondRestGlyph;
                break;
            default:
                break;
        }
        if (rest != nullptr) {
            drawGlyph(*rest, x - 5, yk - kRestAbove);
        }
        if (note.triplet != 0) {
            drawGlyph(drawing.tripletGlyph, x - 5, yk - 33);
        }
        return;
    }

    if (note.tie == TieStart || note.tie == TieMiddle) {
        drawGlyph(drawing.tieGlyph, x + 9, yk - 29);
    }

    // Heads one step apart (a second) cannot share a column: the chord moves 5 pixels left and
    // heads on even positions that touch a neighbour move to the right of the stem.
    const auto hasNeighbour = [&note](int position) {
        return std::any_of(note.pitches.begin(), note.pitches.end(), [position](const NoteHead& h) {
            return h.position == position + 1 || h.position == position - 1;
        });
    };
    bool seconds = false;
    for (const NoteHead& head : note.pitches) {
        seconds = seconds || hasNeighbour(head.position);
    }
    const int shift = seconds ? -5 : 0;

    int highest = note.pitches.front().position;
    int lowest = highest;
    const bool filled = note.duration > 2;
    for (const NoteHead& head : note.pitches) {
        highest = std::max(highest, head.position);
        lowest = std::min(lowest, head.position);
        const int yh = yk - 5 * head.position;
        int headOffset = 0;
        int accidentalOffset = 0;
        if (seconds && hasNeighbour(head.position)) {
            if (head.position % 2 == 0) {
                headOffset = 10;
            } else {
                accidentalOffset = -10;
            }
        }
        drawHead(x + shift + headOffset, yh, k, filled);
        const int u = x - shift;
        if (note.dots >= 1) {
            dc->ellipse(u + 9, yh - 2, u + 14, yh + 3);
        }
        if (note.dots == 2) {
            dc->ellipse(u + 17, yh - 2, u + 22, yh + 3);
        }
        const int ax = x + shift + accidentalOffset - 20;
        switch (head.accidental) {
            case Sharp:
                drawGlyph(drawing.sharpGlyph, ax, yh - 10);
                break;
            case Flat:
                drawGlyph(drawing.flatGlyph, ax, yh - 12);
                break;
            case Natural:
                drawGlyph(drawing.naturalGlyph, ax, yh - 10);
                break;
            default:
                break;
        }
    }

    const int top = yk - 5 * highest;
    const int bottom = yk - 5 * lowest;
    int upper = top;  // upper end of the note: the stem end of an up-stem
    int lower = bottom;
    bool stemDown = false;
    if (note.duration != 1) {
        if (highest + lowest >= 0) {
            stemDown = true;
            const int stemX = x - shift - 5;
            const int stemEnd = std::max(bottom + 25, top + 35);
            dc->line(stemX, stemEnd, stemX, top);
            for (int flag = 0; flag < 3; ++flag) {
                if (note.duration >= (8 << flag)) {
                    drawGlyph(drawing.flagDownGlyph, stemX + 1, stemEnd - 7 - 6 * flag);
                }
            }
            lower = stemEnd;
        } else {
            const int stemX = x + shift + 5;
            const int stemEnd = std::min(top - 25, bottom - 35);
            dc->line(stemX, bottom, stemX, stemEnd);
            for (int flag = 0; flag < 3; ++flag) {
                if (note.duration >= (8 << flag)) {
                    drawGlyph(drawing.flagUpGlyph, stemX + 1, stemEnd + 6 * flag);
                }
            }
            upper = stemEnd;
        }
    }

    int w = 0;
    if (note.triplet != 0) {
        drawGlyph(drawing.tripletGlyph, x - 3, stemDown ? upper - 18 : lower + 7);
        w = 12;
    }
    if (note.octave == 1) {
        drawGlyph(drawing.ottavaUpGlyph, x - 7, stemDown ? upper - w - 17 : upper - 8);
    } else if (note.octave == -1) {
        drawGlyph(drawing.ottavaDownGlyph, x - 7, stemDown ? lower + 3 : lower + w + 7);
    }
}

void EditorView::drawHead(int x, int y, int k, bool filled) {
    Canvas* dc = drawing.memoryDC.get();
    if (dc == nullptr) {
        return;
    }
    const int yk = staffMiddleY(k);
    const int r = y - yk;
    const auto ledger = [&](int offset) { dc->line(x - 8, yk + offset, x + 9, yk + offset); };
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
        dc->ellipse(x - 6, y - 4, x + 6, y + 5);
    } else {
        dc->arc(x - 6, y - 4, x + 6, y + 5);
    }
}

}  // namespace corvane
