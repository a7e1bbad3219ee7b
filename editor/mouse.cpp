// Mouse buttons: adding tracks, the properties dialogs, pasting, the toolbar and note entry.

#include <exception>
#include <memory>
#include <utility>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "editor/error_message.h"
#include "editor/note_entry.h"
#include "editor/refill_notice.h"
#include "editor/tool_rules.h"
#include "editor/toolbar.h"
#include "sound/player.h"

namespace corvane {

template <class Action>
void EditorView::record(std::unique_ptr<EditStep> step, Action&& action) {
    history_.begin(std::move(step), score_, firstVisibleMeasure_);
    action();
    if (history_.commit(score_, firstVisibleMeasure_)) {
        ++revision_;
    }
}

void EditorView::onClick(int x, int y, bool rightButton) {
    ensureTimeline();
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

    if (!rightButton && hover_.over(HoverArea::AddTrackZone)) {
        record(std::make_unique<AddTrackStep>(), [this] { score_.addTrack(0, Treble); });
        invalidate();
    } else if (!rightButton && hover_.over(HoverArea::TrackHeader) && trackExists) {
        record(std::make_unique<TrackDialogStep>(track), [this] { openTrackDialog(); });
        invalidate();
    } else if (!rightButton && hover_.over(HoverArea::MeasureHeader) && measureExists) {
        auto step = std::make_unique<MeasureDialogStep>(measure);
        MeasureDialogStep& watching = *step;
        record(std::move(step), [&] { openMeasureDialog(watching); });
        invalidate();
    } else if (rightButton && hover_.over(HoverArea::MeasureHeader) && measureExists) {
        record(std::make_unique<PasteStep>(track, measure),
               [&] { clipboard_.paste(score_, measure, track); });
        invalidate();
    } else if (target) {
        record(std::make_unique<NoteEntryStep>(*target, tools_.pendingVelocity != 0), [&] {
            enterFromClick(*target, rightButton);
            updateHover(x, y);
        });
        invalidate();
    } else if (const std::optional<int> slot = toolbarSlotAt(Point{x, y})) {
        clickToolbar(*slot);
    }
}

void EditorView::enterFromClick(const NoteIndex& target, bool rightButton) {
    const int position =
        staffPosition(target.track - firstShownTrack(trackScroll_), hover_.marker.y);
    const EntrySound sound =
        enterNote(score_, target, entryRequest(score_, target, position, tools_, rightButton));
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
    const bool wasPlaying = player_->isPlaying();
    try {
        if (toggle) {
            player_->togglePlay(score_, firstVisibleMeasure_, surface_);
        } else {
            player_->play(score_, firstVisibleMeasure_, surface_);
        }
        if (!wasPlaying && player_->isPlaying()) {
            pageTurner_.start(firstVisibleMeasure_);
        }
    } catch (const std::exception& error) {
        // The temporary file could not be written: playback stays stopped; say why.
        showError(prompts_, error);
    }
}

void EditorView::openTrackDialog() {
    if (score_.tracks[static_cast<std::size_t>(hover_.track)].kind == Drums) {
        DrumTrackDialogModel model(score_, hover_.track);
        prompts_.runDrumTrackDialog(model);
    } else if (TrackDialogModel model(score_, hover_.track); model.applicable()) {
        prompts_.runTrackDialog(model);
    }
}

void EditorView::openMeasureDialog(MeasureDialogStep& step) {
    const int measure = hover_.measure;
    const int track = hover_.track;
    const RefillNotice refill(score_, measure);
    MeasureDialogModel model(
        score_, measure, [this, measure, track] { clipboard_.copy(score_, measure, track); },
        [this, &step](std::size_t changing, bool refilled) {
            step.measureChanging(score_, changing, refilled);
        });
    prompts_.runMeasureDialog(model);
    if (const std::optional<std::string> replaced = refill.after(score_)) {
        status_.showNotice(*replaced);
    }
}

}  // namespace corvane
