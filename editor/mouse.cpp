// Mouse buttons: adding tracks, the properties dialogs, pasting, the toolbar and note entry.

#include <exception>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "editor/note_entry.h"
#include "editor/tool_rules.h"
#include "editor/toolbar.h"
#include "sound/player.h"

namespace corvane {

namespace {

// Where a click at measure `measure` of one track (or of every track, without `track`) may have
// changed the score: ties reach one measure back, velocities run on to the end.
ChangeScope fromMeasure(int measure, std::optional<int> track) {
    ChangeScope scope;
    scope.firstMeasure = static_cast<std::size_t>(measure > 0 ? measure - 1 : 0);
    if (track) {
        scope.onlyTrack = static_cast<std::size_t>(*track);
    }
    return scope;
}

}  // namespace

void EditorView::onClick(int x, int y, bool rightButton) {
    ensureTimeline();
    history_.beginStep(score_, firstVisibleMeasure_);
    if (const std::optional<ClickChange> change = handleClick(x, y, rightButton)) {
        if (history_.endStep(score_, change->scope, change->kind, firstVisibleMeasure_)) {
            ++revision_;
        }
    } else {
        history_.cancelStep();
    }
}

std::optional<EditorView::ClickChange> EditorView::handleClick(int x, int y, bool rightButton) {
    // A dialog may have removed the track or measure the last hover test found; a click without
    // a mouse move in between must not act on it.
    const bool trackExists =
        hover_.track >= 0 && hover_.track < static_cast<int>(score_.tracks.size());
    const bool measureExists = trackExists && hover_.measure >= 0 &&
                               hover_.measure < static_cast<int>(score_.measures.size());
    const std::optional<NoteIndex> target =
        hover_.note && findNote(score_, *hover_.note) != nullptr ? hover_.note : std::nullopt;
    const int track = hover_.track;
    const int measure = hover_.measure;

    std::optional<ClickChange> change;
    if (!rightButton && hover_.over(HoverArea::AddTrackZone)) {
        dirty_ = true;
        score_.addTrack(0, Treble);
        invalidate();
        change = ClickChange{ChangeScope{}, StepKind::AddTrack};
    } else if (!rightButton && hover_.over(HoverArea::TrackHeader) && trackExists) {
        dirty_ = true;
        const StepKind kind = openTrackDialog();
        invalidate();
        change = ClickChange{fromMeasure(0, track), kind};
    } else if (!rightButton && hover_.over(HoverArea::MeasureHeader) && measureExists) {
        dirty_ = true;
        const StepKind kind = openMeasureDialog();
        invalidate();
        change = ClickChange{fromMeasure(measure, std::nullopt), kind};
    } else if (rightButton && hover_.over(HoverArea::MeasureHeader) && measureExists) {
        dirty_ = true;
        clipboard_.paste(score_, measure, track);
        invalidate();
        change = ClickChange{fromMeasure(measure, track), StepKind::Paste};
    } else if (target) {
        enterFromClick(*target, rightButton);
        updateHover(x, y);
        invalidate();
        change = ClickChange{fromMeasure(target->measure, target->track), StepKind::NoteEntry};
    } else if (const std::optional<int> slot = toolbarSlotAt(Point{x, y})) {
        clickToolbar(*slot);
    }
    return change;
}

void EditorView::enterFromClick(const NoteIndex& target, bool rightButton) {
    dirty_ = true;
    NoteEntry request;
    request.position = staffPosition(target.track - firstShownTrack(trackScroll_), hover_.marker.y);
    request.accidental = tools_.pendingAccidental;
    request.keySignature = score_.measures[static_cast<std::size_t>(target.measure)].key;
    request.trackKind = score_.tracks[static_cast<std::size_t>(target.track)].kind;
    request.duration = tools_.currentDuration;
    request.dots = tools_.pendingDots;
    request.triplet = tools_.pendingTriplet;
    request.octave = tools_.pendingOctave;
    request.tie = tools_.pendingTie;
    request.rightButton = rightButton;
    request.velocity = tools_.pendingVelocity;
    const EntrySound sound = enterNote(score_, target, request);
    if (player_ != nullptr) {
        for (const std::uint8_t midiKey : sound.midiKeys) {
            player_->previewNote(midiKey, sound.program, sound.drums ? 1 : 0);
        }
    }

    // Editing the last visible measure moves the view on so the next measures come into sight.
    if (target.measure == lastVisibleMeasure()) {
        if (measuresPerScreen_ > 1) {
            scrollRight();
        }
        if (measuresPerScreen_ > 2) {
            scrollRight();
        }
    }
    endOneShotTools(tools_);
}

void EditorView::clickToolbar(int slot) {
    const ToolbarSlot& button = toolbarSlot(slot);
    switch (button.action) {
        case SlotAction::Gap:
            return;
        case SlotAction::Char:
            surface_.postChar(button.character);
            return;
        case SlotAction::SingleDot:
            if (pressDotButton(tools_)) {
                invalidate();
            }
            return;
        case SlotAction::DoubleDot:
            if (pressDoubleDotButton(tools_)) {
                invalidate();
            }
            return;
        case SlotAction::Play:
            startPlayback(false);
            invalidate();
            return;
        case SlotAction::Stop:
            if (player_ != nullptr) {
                player_->stop();
            }
            invalidate();
            return;
    }
}

void EditorView::startPlayback(bool toggle) {
    if (player_ == nullptr) {
        return;
    }
    try {
        if (toggle) {
            player_->togglePlay(score_, firstVisibleMeasure_, surface_);
        } else {
            player_->play(score_, firstVisibleMeasure_, surface_);
        }
    } catch (const std::exception& error) {
        // The temporary file could not be written: playback stays stopped; say why.
        showError(prompts_, error);
    }
}

StepKind EditorView::openTrackDialog() {
    const auto index = static_cast<std::size_t>(hover_.track);
    const std::size_t tracks = score_.tracks.size();
    const TrackKind kind = score_.tracks[index].kind;
    if (kind == Drums) {
        DrumTrackDialogModel model(score_, hover_.track);
        prompts_.runDrumTrackDialog(model);
    } else if (TrackDialogModel model(score_, hover_.track); model.applicable()) {
        prompts_.runTrackDialog(model);
    }
    if (score_.tracks.size() < tracks) {
        return StepKind::DeleteTrack;
    }
    return kind != Drums && score_.tracks[index].kind == Drums ? StepKind::MakeDrums
                                                                : StepKind::TrackProperties;
}

StepKind EditorView::openMeasureDialog() {
    const int measure = hover_.measure;
    const int track = hover_.track;
    const MeasureInfo before = score_.measures[static_cast<std::size_t>(measure)];
    MeasureDialogModel model(score_, measure,
                             [this, measure, track] { clipboard_.copy(score_, measure, track); });
    prompts_.runMeasureDialog(model);
    const MeasureInfo& after = score_.measures[static_cast<std::size_t>(measure)];
    if (after.key != before.key) {
        return StepKind::KeyChange;
    }
    return after.beats != before.beats ? StepKind::MeterChange : StepKind::TempoChange;
}

}  // namespace corvane
