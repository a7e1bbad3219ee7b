// Mouse buttons: adding tracks, the properties dialogs, pasting, the toolbar and note entry.

#include <exception>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "editor/file_commands.h"
#include "editor/note_entry.h"
#include "sound/player.h"

namespace corvane {

namespace {

// What each toolbar slot does: a typed character, a special action, or nothing (a gap).
enum class SlotAction { Gap, Char, SingleDot, DoubleDot, Play, Stop };

struct ToolbarSlot {
    SlotAction action = SlotAction::Gap;
    char32_t character = 0;
};

constexpr ToolbarSlot kToolbar[layout::kToolbarSlots] = {
    {SlotAction::Char, U'z'},
    {SlotAction::Char, U'x'},
    {SlotAction::Char, U'c'},
    {SlotAction::Char, U'v'},
    {SlotAction::Char, U'b'},
    {SlotAction::Char, U'n'},
    {},
    {SlotAction::SingleDot},
    {SlotAction::DoubleDot},
    {},
    {SlotAction::Char, U't'},
    {},
    {SlotAction::Char, U's'},
    {SlotAction::Char, U'f'},
    {},
    {SlotAction::Char, U'q'},
    {SlotAction::Char, U'a'},
    {},
    {SlotAction::Char, U'g'},
    {},
    {SlotAction::Play},
    {SlotAction::Stop},
    {},
    {SlotAction::Char, U'r'},
};

}  // namespace

void EditorView::onClick(int x, int y, bool rightButton) {
    ensureTimeline();
    // A dialog may have removed the track or measure the last hover test found; a click without
    // a mouse move in between must not act on it.
    const bool trackExists = hoverTrack >= 0 && hoverTrack < static_cast<int>(score.tracks.size());
    const bool measureExists =
        trackExists && hoverMeasure >= 0 && hoverMeasure < static_cast<int>(score.measures.size());

    if (!rightButton && overAddTrackZone) {
        dirty = true;
        score.addTrack(0, Treble);
        invalidate();
    } else if (!rightButton && overTrackHeader && trackExists) {
        dirty = true;
        openTrackDialog();
        invalidate();
    } else if (!rightButton && overMeasureHeader && measureExists) {
        dirty = true;
        openMeasureDialog();
        invalidate();
    } else if (rightButton && overMeasureHeader && measureExists) {
        dirty = true;
        pasteMeasure(hoverMeasure, hoverTrack);
        invalidate();
    } else if (hoverNote != nullptr) {
        enterFromClick(rightButton);
        updateHover(x, y);
        invalidate();
    } else if (y >= layout::kToolbarTop && y <= layout::kToolbarBottom) {
        clickToolbar(x);
    }
}

void EditorView::enterFromClick(bool rightButton) {
    dirty = true;
    NoteEntry request;
    request.position = staffPosition(hoverTrack, markerY);
    request.accidental = pendingAccidental;
    request.key = score.measures[static_cast<std::size_t>(hoverMeasure)].key;
    request.trackKind = score.tracks[static_cast<std::size_t>(hoverTrack)].kind;
    request.duration = currentDuration;
    request.dots = pendingDots;
    request.triplet = pendingTriplet;
    request.octave = pendingOctave;
    request.tie = pendingTie;
    request.rightButton = rightButton;
    request.track = hoverTrack;
    request.measure = hoverMeasure;
    request.velocity = pendingVelocity;
    enterNote(score, *hoverNote, request, player);

    // Editing the last visible measure moves the view on so the next measures come into sight.
    if (hoverMeasure == lastVisibleMeasure()) {
        if (measuresPerScreen > 1) {
            scrollRight();
        }
        if (measuresPerScreen > 2) {
            scrollRight();
        }
    }
    endOneShotTools();
}

void EditorView::endOneShotTools() {
    if (pendingDots == 1 && dotsLocked) {
        dotsUsed = true;
    }
    if (!dotsLocked) {
        pendingDots = 0;
    }
    if (!accidentalLocked) {
        pendingAccidental = AccidentalNone;
    }
    if (!octaveLocked) {
        pendingOctave = 0;
    }
    if (!tripletLocked) {
        pendingTriplet = false;
    }
    if (!tieLocked) {
        pendingTie = false;
    }
    pendingVelocity = 0;
}

void EditorView::clickToolbar(int x) {
    if (x < layout::kToolbarLeft) {
        return;
    }
    const int slot = (x - layout::kToolbarLeft) / layout::kToolbarSlotWidth;
    if (slot >= layout::kToolbarSlots) {
        return;
    }
    const ToolbarSlot& button = kToolbar[slot];
    switch (button.action) {
        case SlotAction::Gap:
            return;
        case SlotAction::Char:
            window.postChar(button.character);
            return;
        case SlotAction::SingleDot:
            pressDotButton();
            return;
        case SlotAction::DoubleDot:
            pressDoubleDotButton();
            return;
        case SlotAction::Play:
            startPlayback(false);
            invalidate();
            return;
        case SlotAction::Stop:
            if (player != nullptr) {
                player->stop();
            }
            invalidate();
            return;
    }
}

void EditorView::startPlayback(bool toggle) {
    if (player == nullptr) {
        return;
    }
    try {
        if (toggle) {
            player->togglePlay(score, firstVisibleMeasure, window);
        } else {
            player->play(score, firstVisibleMeasure, window);
        }
    } catch (const std::exception& error) {
        // The temporary file could not be written: playback stays stopped; say why.
        showError(window, error);
    }
}

void EditorView::pressDotButton() {
    if (currentDuration == 32) {
        return;
    }
    if (pendingDots == 1) {
        if (dotsLocked) {
            pendingDots = 0;
            dotsUsed = false;
            dotsLocked = false;
        } else {
            dotsLocked = true;
        }
    } else {
        pendingDots = 1;
        pendingTriplet = false;
        tripletLocked = false;
        dotsLocked = false;
    }
    invalidate();
}

void EditorView::pressDoubleDotButton() {
    if (currentDuration == 16 || currentDuration == 32) {
        return;
    }
    if (pendingDots == 2) {
        if (!dotsLocked) {
            dotsLocked = true;
        } else {
            pendingDots = 0;
            dotsLocked = false;
        }
    } else {
        pendingDots = 2;
        dotsUsed = false;
        pendingTriplet = false;
        tripletLocked = false;
        dotsLocked = false;
    }
    invalidate();
}

void EditorView::openTrackDialog() {
    if (score.tracks[static_cast<std::size_t>(hoverTrack)].kind == Drums) {
        DrumTrackDialogModel model(score, hoverTrack);
        window.runDrumTrackDialog(model);
        return;
    }
    TrackDialogModel model(score, hoverTrack);
    if (model.applicable()) {
        window.runTrackDialog(model);
    }
}

void EditorView::openMeasureDialog() {
    const int measure = hoverMeasure;
    const int track = hoverTrack;
    MeasureDialogModel model(score, measure,
                             [this, measure, track] { copyMeasure(measure, track); });
    window.runMeasureDialog(model);
}

}  // namespace corvane
