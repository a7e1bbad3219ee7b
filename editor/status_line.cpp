#include "editor/status_line.h"

#include <array>
#include <charconv>
#include <utility>

#include "editor/note_entry.h"
#include "editor/tool_rules.h"
#include "editor/toolbar.h"
#include "render/layout.h"
#include "score/instruments.h"
#include "score/pitch.h"

namespace corvane {

namespace {

constexpr int kSemitonesPerOctave = 12;
constexpr std::string_view kLetters = "ABCDEFG";

// The text is written piece by piece into one string, which the editor keeps from one hover to
// the next: once its capacity has grown, building the text allocates nothing.
void appendNumber(std::string& out, int value) {
    char digits[12];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, static_cast<std::size_t>(end - digits));
}

constexpr std::array<std::pair<int, std::string_view>, 6> kValueNames{{{1, "whole"},
                                                                       {2, "half"},
                                                                       {4, "quarter"},
                                                                       {8, "eighth"},
                                                                       {16, "sixteenth"},
                                                                       {32, "thirty-second"}}};

std::string_view valueName(int duration) {
    for (const auto& [value, name] : kValueNames) {
        if (value == duration) {
            return name;
        }
    }
    return "note";
}

// "dotted quarter", "triplet eighth". A triplet takes no dots, nor does a rest.
void appendValue(std::string& out, const NoteValue& value, bool rest) {
    if (value.triplet) {
        out += "triplet ";
    } else if (!rest && value.dots == 1) {
        out += "dotted ";
    } else if (!rest && value.dots == 2) {
        out += "double-dotted ";
    }
    out += valueName(value.duration);
}

// The value the tools ask for.
NoteValue requested(const EntryTools& tools) {
    return NoteValue{tools.currentDuration, tools.pendingDots, tools.pendingTriplet};
}

// The value `note` has.
NoteValue valueOf(const Note& note) {
    return NoteValue{note.duration, note.dots, note.triplet != 0};
}

void appendPitch(std::string& out, int position, Accidental accidental, int octave, TrackKind kind,
                 int keySignature) {
    if (kind == Drums) {
        // A drum line takes the typed accidental as it is: it picks a neighbouring drum.
        const int drum = midiKeyNumber(position, accidental, 0, Drums, keySignature);
        const std::string_view name = percussionName(drum);
        if (name.empty()) {
            out += "Drum ";
            appendNumber(out, drum);
        } else {
            out += name;
        }
        return;
    }
    const int letter = letterOfPosition(position, kind);
    Accidental sounding = storedAccidental(position, accidental, keySignature, kind);
    if (sounding == AccidentalNone) {
        sounding = keySignatureAccidentals(keySignature)[static_cast<std::size_t>(letter)];
    }
    out += kLetters[static_cast<std::size_t>(letter)];
    if (sounding == Sharp) {
        out += '#';
    } else if (sounding == Flat) {
        out += 'b';
    }
    // The octave number belongs to the letter: B#3 and Cb4 keep the octave of B3 and C4.
    const int natural = midiKeyNumber(position, Natural, octave, kind, keySignature);
    appendNumber(out, natural / kSemitonesPerOctave - 1);
}

// "Measure 3, Piano": the measure and the track a click in a note area acts on.
void appendWhere(std::string& out, const StatusSubject& s) {
    out += "Measure ";
    appendNumber(out, s.measure + 1);
    out += ", ";
    out += s.kind == Drums ? std::string_view("Drums") : instrumentName(s.program);
}

// What the left button does on a Note: the value it gives the target, as trying it found.
void appendLeftClick(std::string& out, const StatusSubject& s) {
    const EntryTools& tools = s.tools;
    const auto pitch = [&] {
        appendPitch(out, s.position, tools.pendingAccidental, tools.pendingOctave, s.kind,
                    s.keySignature);
    };
    switch (s.left) {
        case ClickOutcome::Refused:
            out += ": a ";
            appendValue(out, requested(tools), false);
            out += " note does not fit here";
            return;
        case ClickOutcome::Unchanged:
            out += ": ";
            pitch();
            out += " is there already";
            return;
        case ClickOutcome::Changes:
            break;
    }
    if (s.onRest) {
        out += ": place a ";
        appendValue(out, s.leftValue, false);
        out += " note, ";
        pitch();
    } else {
        out += ": add ";
        pitch();
        out += " to the chord, a ";
        appendValue(out, s.leftValue, false);
        out += " note";
    }
    if (tools.pendingTie) {
        out += ", tied";
    }
    if (tools.pendingVelocity > 0) {
        out += ", dynamic ";
        appendNumber(out, tools.pendingVelocity);
    }
}

// A right click is named only where it changes something.
void appendNoteEntry(std::string& out, const StatusSubject& s) {
    appendWhere(out, s);
    appendLeftClick(out, s);
    if (s.right == ClickOutcome::Changes) {
        out += "; right click: ";
        appendValue(out, s.rightValue, true);
        out += " rest";
    }
}

// Why a toolbar button that changes nothing does nothing, after its tip.
void appendIdleTool(std::string& out, const StatusSubject& s) {
    if (s.left == ClickOutcome::Changes) {
        return;
    }
    switch (toolbarSlot(s.slot).action) {
        case SlotAction::SingleDot:
            out += ": not for thirty-second notes";
            return;
        case SlotAction::DoubleDot:
            out += ": not for sixteenth or thirty-second notes";
            return;
        case SlotAction::Char:
            // Of the characters, only the triplet can be out of reach: for whole notes.
            out += ": not for whole notes";
            return;
        case SlotAction::Play:
            out += ": playing already";
            return;
        case SlotAction::Stop:
            out += ": nothing is playing";
            return;
        case SlotAction::Gap:
            return;
    }
}

ClickOutcome outcomeOf(const EntryTrial& trial) {
    switch (trial.outcome) {
        case EntryTrial::Changes:
            return ClickOutcome::Changes;
        case EntryTrial::Unchanged:
            return ClickOutcome::Unchanged;
        case EntryTrial::Refused:
            break;
    }
    return ClickOutcome::Refused;
}

// What pressing a toolbar slot would do with `tools` while the score plays or not. A note value
// chosen again, an accidental or octave pressed again, say, change nothing either, yet their tips
// stay as they are: they name the tool.
ClickOutcome pressOutcome(int slot, EntryTools tools, bool playing) {
    const ToolbarSlot& button = toolbarSlot(slot);
    switch (button.action) {
        case SlotAction::SingleDot:
            return pressDotButton(tools) ? ClickOutcome::Changes : ClickOutcome::Refused;
        case SlotAction::DoubleDot:
            return pressDoubleDotButton(tools) ? ClickOutcome::Changes : ClickOutcome::Refused;
        case SlotAction::Char: {
            const EntryTools before = tools;
            const bool triplet = button.character == U't';
            return triplet && applyToolKey(tools, button.character) && tools == before
                       ? ClickOutcome::Refused
                       : ClickOutcome::Changes;
        }
        case SlotAction::Play:
            return playing ? ClickOutcome::Unchanged : ClickOutcome::Changes;
        case SlotAction::Stop:
            return playing ? ClickOutcome::Changes : ClickOutcome::Unchanged;
        case SlotAction::Gap:
            break;
    }
    return ClickOutcome::Unchanged;
}

}  // namespace

StatusSubject statusSubject(const Score& score, const HoverState& hover, const EntryTools& tools,
                            const MeasureClipboard& clipboard, int firstTrack, bool playing) {
    StatusSubject s;
    if (hover.over(HoverArea::AddTrackZone)) {
        s.target = StatusSubject::Target::AddTrack;
        return s;
    }
    if (hover.over(HoverArea::None)) {
        if (const std::optional<int> slot = toolbarSlotAt(hover.mouse)) {
            s.target = StatusSubject::Target::Toolbar;
            s.slot = *slot;
            s.tools = tools;
            s.playing = playing;
        }
        return s;
    }
    // A dialog may have removed the track or measure the hover test found: then a click does
    // nothing, and there is nothing to say.
    const bool trackExists =
        hover.track >= 0 && hover.track < static_cast<int>(score.tracks.size());
    const bool measureExists = trackExists && hover.measure >= 0 &&
                               hover.measure < static_cast<int>(score.measures.size());
    if (!trackExists || (!hover.over(HoverArea::TrackHeader) && !measureExists)) {
        return s;
    }
    const Track& track = score.tracks[static_cast<std::size_t>(hover.track)];
    s.track = hover.track;
    s.kind = track.kind;
    s.program = track.program;
    if (hover.over(HoverArea::TrackHeader)) {
        s.target = StatusSubject::Target::TrackHeader;
        return s;
    }
    s.measure = hover.measure;
    if (hover.over(HoverArea::MeasureHeader)) {
        s.target = StatusSubject::Target::MeasureHeader;
        s.pasteFits = clipboard.fits(score, hover.measure, hover.track);
        return s;
    }
    // Whether the Note is a rest comes with the hover test, which runs again after every edit of
    // it; here its index is only checked to be in range, without walking to it.
    const auto measure = static_cast<std::size_t>(hover.measure);
    if (!hover.note || measure >= track.measures.size() || hover.note->note < 0 ||
        static_cast<std::size_t>(hover.note->note) >= track.measures[measure].size()) {
        s.target = StatusSubject::Target::NoNote;
        return s;
    }
    s.target = StatusSubject::Target::Note;
    s.note = hover.note->note;
    s.keySignature = score.measures[static_cast<std::size_t>(hover.measure)].key;
    s.position = staffPosition(hover.track - firstTrack, hover.marker.y);
    s.onRest = !hover.noteSounds;
    s.tools = tools;
    return s;
}

void findClickOutcomes(StatusSubject& s, const Score& score, const MeasureClipboard& clipboard) {
    using Target = StatusSubject::Target;
    switch (s.target) {
        case Target::Toolbar:
            s.left = pressOutcome(s.slot, s.tools, s.playing);
            return;
        case Target::MeasureHeader:
            s.right = !s.pasteFits                                         ? ClickOutcome::Refused
                      : clipboard.pasteChanges(score, s.measure, s.track) ? ClickOutcome::Changes
                                                                             : ClickOutcome::Unchanged;
            return;
        case Target::Note: {
            const NoteIndex target{s.track, s.measure, s.note};
            const EntryTrial left =
                tryEntry(score, target, entryRequest(score, target, s.position, s.tools, false));
            const EntryTrial right =
                tryEntry(score, target, entryRequest(score, target, s.position, s.tools, true));
            s.left = outcomeOf(left);
            s.right = outcomeOf(right);
            s.leftValue = valueOf(left.result);
            s.rightValue = valueOf(right.result);
            return;
        }
        default:
            return;
    }
}

void writeStatusText(const StatusSubject& s, std::string& out) {
    using Target = StatusSubject::Target;
    out.clear();
    switch (s.target) {
        case Target::Nothing:
            return;
        case Target::Toolbar:
            out += toolbarTip(s.slot, s.tools);
            appendIdleTool(out, s);
            return;
        case Target::AddTrack:
            out += "Click: add a treble track";
            return;
        case Target::TrackHeader:
            out += s.kind == Drums ? "Click: drum track properties" : "Click: track properties";
            return;
        case Target::MeasureHeader:
            out += "Click: measure properties";
            if (s.right == ClickOutcome::Changes) {
                out += "; right click: paste measure";
            }
            return;
        case Target::NoNote:
            appendWhere(out, s);
            return;
        case Target::Note:
            appendNoteEntry(out, s);
            return;
    }
}

std::string statusText(const StatusSubject& subject) {
    std::string text;
    writeStatusText(subject, text);
    return text;
}

std::string pitchName(int position, Accidental accidental, int octave, TrackKind kind,
                      int keySignature) {
    std::string name;
    appendPitch(name, position, accidental, octave, kind, keySignature);
    return name;
}

}  // namespace corvane
