#include "editor/status_line.h"

#include <array>
#include <charconv>
#include <utility>

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

// "dotted quarter", "triplet eighth": the value a click enters. A triplet takes no dots, nor
// does a rest.
void appendValue(std::string& out, const EntryTools& tools, bool rest) {
    if (tools.pendingTriplet) {
        out += "triplet ";
    } else if (!rest && tools.pendingDots == 1) {
        out += "dotted ";
    } else if (!rest && tools.pendingDots == 2) {
        out += "double-dotted ";
    }
    out += valueName(tools.currentDuration);
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

void appendNoteEntry(std::string& out, const StatusSubject& s) {
    const EntryTools& tools = s.tools;
    appendWhere(out, s);
    const auto pitch = [&] {
        appendPitch(out, s.position, tools.pendingAccidental, tools.pendingOctave, s.kind,
                    s.keySignature);
    };
    if (s.onRest) {
        out += ": place a ";
        appendValue(out, tools, false);
        out += " note, ";
        pitch();
    } else {
        out += ": add ";
        pitch();
        out += " to the chord, a ";
        appendValue(out, tools, false);
        out += " note";
    }
    if (tools.pendingTie) {
        out += ", tied";
    }
    if (tools.pendingVelocity > 0) {
        out += ", dynamic ";
        appendNumber(out, tools.pendingVelocity);
    }
    out += "; right click: ";
    appendValue(out, tools, true);
    out += " rest";
}

}  // namespace

StatusSubject statusSubject(const Score& score, const HoverState& hover, const EntryTools& tools,
                            const MeasureClipboard& clipboard, int firstTrack) {
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
    s.keySignature = score.measures[static_cast<std::size_t>(hover.measure)].key;
    s.position = staffPosition(hover.track - firstTrack, hover.marker.y);
    s.onRest = !hover.noteSounds;
    s.tools = tools;
    return s;
}

void writeStatusText(const StatusSubject& s, std::string& out) {
    using Target = StatusSubject::Target;
    out.clear();
    switch (s.target) {
        case Target::Nothing:
            return;
        case Target::Toolbar:
            out += toolbarTip(s.slot, s.tools);
            return;
        case Target::AddTrack:
            out += "Click: add a treble track";
            return;
        case Target::TrackHeader:
            out += s.kind == Drums ? "Click: drum track properties" : "Click: track properties";
            return;
        case Target::MeasureHeader:
            out += "Click: measure properties";
            if (s.pasteFits) {
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
