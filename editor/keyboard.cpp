// Keyboard: navigation by virtual-key code and the entry tools by typed character.

#include <algorithm>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"

namespace corvane {

namespace {

// The value cycle of sharp, flat, octave up and octave down: off -> one-shot -> locked -> off;
// a different value replaces the pending one as one-shot.
template <typename T>
void cycleValue(T& pending, bool& locked, T value, T neutral) {
    if (pending != value) {
        pending = value;
        locked = false;
    } else if (!locked) {
        locked = true;
    } else {
        pending = neutral;
        locked = false;
    }
}

char32_t lowerAscii(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

}  // namespace

void EditorView::scrollRight() {
    if (firstVisibleMeasure < static_cast<int>(score.measures.size()) - 1) {
        ++firstVisibleMeasure;
    }
    fillView();
    updateHover(lastMouseX, lastMouseY);
    invalidate();
}

bool EditorView::trailingMeasureIsSpare() const {
    for (const Track& track : score.tracks) {
        for (const Note& note : track.measures.back()) {
            if (!note.isRest()) {
                return false;
            }
        }
    }
    // Settings of its own were given by the user: scrolling right would not bring them back.
    const std::size_t count = score.measures.size();
    return count < 2 || score.measures[count - 1] == score.measures[count - 2];
}

void EditorView::scrollLeft() {
    if (firstVisibleMeasure == 0) {
        return;
    }
    const int count = static_cast<int>(score.measures.size());
    if (firstVisibleMeasure + measuresPerScreen == count && trailingMeasureIsSpare()) {
        score.removeLastMeasure();
    }
    --firstVisibleMeasure;
    updateHover(lastMouseX, lastMouseY);
    invalidate();
}

void EditorView::onKeyDown(int key) {
    ensureTimeline();
    switch (key) {
        case keys::kRight:
            scrollRight();
            break;
        case keys::kLeft:
            scrollLeft();
            break;
        case keys::kPageDown:
            for (int i = 0; i < measuresPerScreen; ++i) {
                scrollRight();
            }
            break;
        case keys::kPageUp:
            for (int i = 0; i < measuresPerScreen; ++i) {
                scrollLeft();
            }
            break;
        case keys::kHome:
            while (firstVisibleMeasure > 0) {
                scrollLeft();
            }
            invalidate();
            break;
        case keys::kEnd:
            firstVisibleMeasure =
                std::max(0, static_cast<int>(score.measures.size()) - measuresPerScreen);
            invalidate();
            break;
        default:
            break;
    }
}

bool EditorView::onChar(char32_t c) {
    switch (lowerAscii(c)) {
        case U' ':
            startPlayback(true);
            return true;
        case U'z':
            currentDuration = 1;
            pendingDots = 0;
            dotsLocked = false;
            dotsUsed = false;
            pendingTriplet = false;
            tripletLocked = false;
            return true;
        case U'x':
        case U'c':
        case U'v':
        case U'b':
        case U'n': {
            const char32_t lower = lowerAscii(c);
            currentDuration = lower == U'x'   ? 2
                              : lower == U'c' ? 4
                              : lower == U'v' ? 8
                              : lower == U'b' ? 16
                                              : 32;
            pendingDots = 0;
            dotsLocked = false;
            dotsUsed = false;
            return true;
        }
        case U's':
            cycleValue(pendingAccidental, accidentalLocked, Sharp, AccidentalNone);
            return true;
        case U'f':
            cycleValue(pendingAccidental, accidentalLocked, Flat, AccidentalNone);
            return true;
        case U'q':
            cycleValue(pendingOctave, octaveLocked, 1, 0);
            return true;
        case U'a':
            cycleValue(pendingOctave, octaveLocked, -1, 0);
            return true;
        case U'g':
            cycleValue(pendingTie, tieLocked, true, false);
            return true;
        case U't':
            if (currentDuration > 1) {
                if (!pendingTriplet) {
                    pendingTriplet = true;
                    tripletLocked = false;
                    pendingDots = 0;
                    dotsLocked = false;
                } else if (!tripletLocked) {
                    tripletLocked = true;
                } else {
                    pendingTriplet = false;
                    tripletLocked = false;
                }
            }
            return true;
        case U'd':
            cycleDots();
            return true;
        case U'r': {
            DynamicDialogModel model;
            window.runDynamicDialog(model);
            pendingVelocity = model.velocity;
            invalidate();
            return true;
        }
        default:
            return false;
    }
}

void EditorView::cycleDots() {
    if (pendingDots == 0) {
        pendingTriplet = false;
        tripletLocked = false;
        if (currentDuration < 32) {
            pendingDots = 1;
            dotsLocked = false;
        }
    } else if (pendingDots == 1 && !dotsLocked) {
        dotsLocked = true;
    } else if (pendingDots == 1) {
        if (currentDuration >= 16) {
            pendingDots = 0;
            dotsLocked = false;
        } else if (dotsUsed) {
            pendingDots = 0;
            dotsLocked = false;
            dotsUsed = false;
        } else {
            pendingDots = 2;
            dotsLocked = false;
        }
    } else if (!dotsLocked) {
        dotsLocked = true;
    } else {
        pendingDots = 0;
        dotsLocked = false;
    }
}

void EditorView::onKeyUp(int key) {
    if (key != keys::kShift) {
        return;
    }
    const Point cursor = window.cursorPos();
    updateHover(cursor.x, cursor.y);
}

}  // namespace corvane
