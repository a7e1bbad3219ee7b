// Keyboard: navigation keys and the characters that play, ask for a velocity or change the
// entry tools.

#include <algorithm>

#include "editor/dialog_rules.h"
#include "editor/editor_view.h"
#include "editor/tool_rules.h"

namespace corvane {

void EditorView::scrollRight() {
    if (firstVisibleMeasure_ < static_cast<int>(score_.measures.size()) - 1) {
        ++firstVisibleMeasure_;
    }
    fillView();
    updateHover(hover_.mouse.x, hover_.mouse.y);
    invalidate();
}

bool EditorView::trailingMeasureIsSpare() const {
    for (const Track& track : score_.tracks) {
        for (const Note& note : track.measures.back()) {
            if (!note.isRest()) {
                return false;
            }
        }
    }
    // Settings of its own were given by the user: scrolling right would not bring them back.
    const std::size_t count = score_.measures.size();
    return count < 2 || score_.measures[count - 1] == score_.measures[count - 2];
}

void EditorView::scrollLeft() {
    if (firstVisibleMeasure_ == 0) {
        return;
    }
    const int count = static_cast<int>(score_.measures.size());
    if (firstVisibleMeasure_ + measuresPerScreen_ == count && trailingMeasureIsSpare()) {
        history_.trimLastMeasure(score_);
        ++revision_;
    }
    --firstVisibleMeasure_;
    updateHover(hover_.mouse.x, hover_.mouse.y);
    invalidate();
}

void EditorView::onKeyDown(KeyboardKey key) {
    ensureTimeline();
    switch (key) {
        case KeyboardKey::Right:
            scrollRight();
            break;
        case KeyboardKey::Left:
            scrollLeft();
            break;
        case KeyboardKey::PageDown:
            for (int i = 0; i < measuresPerScreen_; ++i) {
                scrollRight();
            }
            break;
        case KeyboardKey::PageUp:
            for (int i = 0; i < measuresPerScreen_; ++i) {
                scrollLeft();
            }
            break;
        case KeyboardKey::Home:
            while (firstVisibleMeasure_ > 0) {
                scrollLeft();
            }
            invalidate();
            break;
        case KeyboardKey::End:
            firstVisibleMeasure_ =
                std::max(0, static_cast<int>(score_.measures.size()) - measuresPerScreen_);
            invalidate();
            break;
        case KeyboardKey::Shift:
        case KeyboardKey::Up:
            break;
    }
}

bool EditorView::onChar(char32_t c) {
    if (c == U' ') {
        startPlayback(true);
        return true;
    }
    if (c == U'r' || c == U'R') {
        openDynamicDialog();
        return true;
    }
    return applyToolKey(tools_, c);
}

void EditorView::openDynamicDialog() {
    DynamicDialogModel model;
    prompts_.runDynamicDialog(model);
    tools_.pendingVelocity = model.velocity;
    invalidate();
}

void EditorView::onKeyUp(KeyboardKey key) {
    if (key != KeyboardKey::Shift) {
        return;
    }
    const Point cursor = surface_.cursorPos();
    updateHover(cursor.x, cursor.y);
}

}  // namespace corvane
