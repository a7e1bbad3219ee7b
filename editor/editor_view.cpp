#include "editor/editor_view.h"

#include <utility>

#include "render/painter.h"
#include "sound/player.h"

namespace corvane {

namespace {
constexpr int kInitialBufferWidth = 800;
constexpr int kInitialBufferHeight = 600;
}  // namespace

EditorView::EditorView(EditorHost host)
    : surface_(host.surface),
      prompts_(host.prompts),
      status_(host.status),
      clientRect_(surface_.clientRect()),
      drawing_(surface_.createCanvas(kInitialBufferWidth, kInitialBufferHeight)) {
    clipboard_.copy(score_, 0, 0);
}

ScreenLayout EditorView::layout() const {
    return computeLayout(score_, firstVisibleMeasure_, clientRect_.right, trackScroll_);
}

bool EditorView::playing() const {
    return player_ != nullptr && player_->isPlaying();
}

ViewState EditorView::viewState() const {
    ViewState view{clientRect_, firstVisibleMeasure_, trackScroll_, std::nullopt};
    if (hover_.over(HoverArea::NoteArea)) {
        view.marker = Marker{hover_.track, hover_.marker.x, hover_.marker.y};
    }
    return view;
}

void EditorView::ensureTimeline() {
    if (score_.measures.empty()) {
        score_.addMeasure(0, 120, 4);
    }
}

void EditorView::setLoadedScore(Score score) {
    hover_.forgetScore();
    score_ = std::move(score);
    ensureTimeline();
    history_.reset(score_, true);
    ++revision_;
    firstVisibleMeasure_ = 0;
    trackScroll_ = 0;
}

void EditorView::replaceScore(Score score) {
    const bool clean = !dirty();
    score_ = std::move(score);
    ensureTimeline();
    history_.reset(score_, clean);
    ++revision_;
    updateHover(hover_.mouse.x, hover_.mouse.y);
    invalidate();
}

void EditorView::undo() {
    if (history_.canUndo()) {
        showHistoryMove(history_.undo(score_));
    }
}

void EditorView::redo() {
    if (history_.canRedo()) {
        showHistoryMove(history_.redo(score_));
    }
}

void EditorView::showHistoryMove(int firstVisibleMeasure) {
    ++revision_;
    firstVisibleMeasure_ = firstVisibleMeasure;
    fillView();
    updateHover(hover_.mouse.x, hover_.mouse.y);
    invalidate();
}

void EditorView::fillView() {
    const int needed = firstVisibleMeasure_ + measuresPerScreen_;
    if (needed > static_cast<int>(score_.measures.size())) {
        growTimeline(score_, static_cast<std::size_t>(needed));
        ++revision_;
    }
}

void EditorView::onResize() {
    ensureTimeline();
    clientRect_ = surface_.clientRect();
    drawing_.growBackBuffer(clientRect_.right, clientRect_.bottom);
    measuresPerScreen_ = usableWidth(clientRect_.right) / layout::kMeasureWidth;
    fillView();
    invalidate();
    // The window sizes its scroll bar's page to the new height.
    status_.showTrackScroll(trackScroll_, maxTrackScroll(static_cast<int>(score_.tracks.size())));
}

void EditorView::updateHover(int x, int y) {
    ensureTimeline();
    const Rect oldMarker = hover_.markerRect;
    const HoverHit hit = hitTest(score_, layout(), Point{x, y});
    hover_.apply(hit, Point{x, y});
    surface_.invalidateRect(oldMarker);
    if (hit.marker) {
        surface_.invalidateRect(hover_.markerRect);
    }
    refreshStatus();
}

void EditorView::onMouseLeave() {
    surface_.invalidateRect(hover_.markerRect);
    surface_.showCursor();
}

void EditorView::invalidate() {
    fitTrackScroll();
    // Whatever asked for the repaint may have changed what a click would do.
    clickOutcomesKnown_ = false;
    refreshStatus();
    surface_.invalidate();
}

void EditorView::onWheel(int notches, int x, int y) {
    const long long wanted = trackScroll_ + static_cast<long long>(notches) * layout::kTrackSpacing;
    scrollTracksTo(clampTrackScroll(wanted, static_cast<int>(score_.tracks.size())), Point{x, y});
}

void EditorView::setTrackScroll(int trackScroll) {
    scrollTracksTo(clampTrackScroll(trackScroll, static_cast<int>(score_.tracks.size())),
                   hover_.mouse);
}

void EditorView::scrollTracksTo(int trackScroll, Point at) {
    if (trackScroll == trackScroll_) {
        return;
    }
    trackScroll_ = trackScroll;
    updateHover(at.x, at.y);
    invalidate();
}

void EditorView::fitTrackScroll() {
    const int maximum = maxTrackScroll(static_cast<int>(score_.tracks.size()));
    if (trackScroll_ > maximum) {
        trackScroll_ = maximum;
        updateHover(hover_.mouse.x, hover_.mouse.y);
    }
    if (trackScroll_ != shownTrackScroll_ || maximum != shownMaxTrackScroll_) {
        shownTrackScroll_ = trackScroll_;
        shownMaxTrackScroll_ = maximum;
        status_.showTrackScroll(trackScroll_, maximum);
    }
}

void EditorView::refreshStatus() {
    StatusSubject subject = statusSubject(score_, hover_, tools_, clipboard_,
                                          firstShownTrack(trackScroll_), playing());
    if (clickOutcomesKnown_ && subject == statusBasis_) {
        return;
    }
    statusBasis_ = subject;
    clickOutcomesKnown_ = true;
    findClickOutcomes(subject, score_, clipboard_);
    if (subject == statusSubject_) {
        return;
    }
    statusSubject_ = subject;
    writeStatusText(statusSubject_, statusText_);
    status_.showStatus(statusText_);
}

void EditorView::paint() {
    Canvas* buffer = drawing_.backBuffer.get();
    if (buffer == nullptr) {
        return;
    }
    paintScore(score_, viewState(), tools_, playing(), drawing_.glyphs, *buffer);
    surface_.present(*buffer, clientRect_.right, clientRect_.bottom);
}

}  // namespace corvane
