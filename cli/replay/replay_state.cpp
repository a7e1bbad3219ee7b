#include "cli/replay/replay_state.h"

#include <optional>

#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/window_title.h"
#include "sound/player.h"

namespace corvane::cli {

namespace {

// The hovered Note's index within its measure, or "none".
std::string noteIndex(const EditorView& view) {
    const std::optional<NoteIndex>& note = view.hover().note;
    if (!note || findNote(view.score(), *note) == nullptr) {
        return "none";
    }
    return std::to_string(note->note);
}

// One line per message: a line break inside a message text becomes a blank.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

std::string stateText(const EditorSession& session, bool closed,
                      const std::vector<std::string>& messages) {
    const EditorView& view = session.editor();
    const Player& player = session.player();
    std::string out;
    auto put = [&out](const char* name, const std::string& value) {
        out += name;
        out += '=';
        out += value;
        out += '\n';
    };
    auto num = [&put](const char* name, long value) { put(name, std::to_string(value)); };
    const EntryTools& tools = view.tools();
    const HoverState& hover = view.hover();
    num("firstVisibleMeasure", view.firstVisibleMeasure());
    num("measuresPerScreen", view.measuresPerScreen());
    num("dirty", view.dirty());
    num("currentDuration", tools.currentDuration);
    num("pendingAccidental", tools.pendingAccidental);
    num("accidentalLocked", tools.accidentalLocked);
    num("pendingDots", tools.pendingDots);
    num("dotsLocked", tools.dotsLocked);
    num("dotsUsed", tools.dotsUsed);
    num("pendingTriplet", tools.pendingTriplet);
    num("tripletLocked", tools.tripletLocked);
    num("pendingOctave", tools.pendingOctave);
    num("octaveLocked", tools.octaveLocked);
    num("pendingTie", tools.pendingTie);
    num("tieLocked", tools.tieLocked);
    num("pendingVelocity", tools.pendingVelocity);
    num("hoverTrack", hover.track);
    num("hoverMeasure", hover.measure);
    num("overTrackHeader", hover.over(HoverArea::TrackHeader));
    num("overAddTrackZone", hover.over(HoverArea::AddTrackZone));
    num("overMeasureHeader", hover.over(HoverArea::MeasureHeader));
    num("overNoteArea", hover.over(HoverArea::NoteArea));
    put("hoverNote", noteIndex(view));
    num("markerX", hover.marker.x);
    num("markerY", hover.marker.y);
    num("clipKind", view.clipboard().kind());
    num("clipKey", view.clipboard().key());
    num("clipBeats", view.clipboard().beats());
    num("playing", player.isPlaying());
    num("closed", closed);
    num("trackScroll", view.trackScroll());
    num("canUndo", view.history().canUndo());
    num("canRedo", view.history().canRedo());
    put("title", windowTitle(session.documentPath(), view.dirty()));
    for (const std::string& message : messages) {
        put("message", oneLine(message));
    }
    return out;
}

}  // namespace corvane::cli
