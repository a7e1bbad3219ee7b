#include "engrave/engraved_measure.h"

#include <array>

#include "engrave/text_metrics.h"
#include "score/dynamic_levels.h"

namespace corvane::engrave {

namespace {

Sym levelGlyph(std::string_view mark) {
    static constexpr std::array<std::pair<std::string_view, Sym>, 6> kGlyphs{{
        {"pp", Sym::DynamicPP},
        {"p", Sym::DynamicPiano},
        {"mp", Sym::DynamicMP},
        {"mf", Sym::DynamicMF},
        {"f", Sym::DynamicForte},
        {"ff", Sym::DynamicFF},
    }};
    for (const auto& [name, sym] : kGlyphs) {
        if (name == mark) {
            return sym;
        }
    }
    return Sym::DynamicMF;
}

}  // namespace

DynamicMark dynamicMark(int velocity, double headWidth) {
    DynamicMark mark;
    const double centre = headWidth / 2;
    if (const std::optional<DynamicLevel> level = dynamicLevelOf(velocity)) {
        const Sym glyph = levelGlyph(level->mark);
        const SymInfo& info = symInfo(glyph);
        const double origin = centre - info.anchors.opticalCenter.value_or(SymPoint{}).x;
        mark.glyph = glyph;
        mark.left = origin + info.box.left;
        mark.right = origin + info.box.right;
    } else {
        mark.number = std::to_string(velocity);
        const double half = textWidthEm(mark.number, TextFace::Italic) * kVelocityTextSize / 2;
        mark.left = centre - half;
        mark.right = centre + half;
    }
    return mark;
}

EngravedMeasure engraveMeasure(const Track& track, std::size_t m, int key, int previousVelocity) {
    EngravedMeasure out;
    out.lastVelocity = previousVelocity;
    if (m >= track.measures.size()) {
        return out;
    }
    std::vector<NoteEvent> events = readMeasure(track.measures[m], track.kind, key);
    out.notes.reserve(events.size());
    for (NoteEvent& event : events) {
        EngravedNote engraved;
        const Note& note = *event.note;
        if (note.isRest()) {
            engraved.rest = shapeRest(note);
        } else {
            engraved.chord = shapeChord(note, track.kind, event.shown, event.stemDown,
                                        event.beamGroup >= 0);
            if (note.velocity != out.lastVelocity) {
                const PlacedHead& head = engraved.chord.heads.front();
                engraved.dynamic = dynamicMark(note.velocity, symInfo(head.glyph).advance);
            }
            out.lastVelocity = note.velocity;
        }
        engraved.event = std::move(event);
        out.notes.push_back(std::move(engraved));
    }
    return out;
}

int velocityBefore(const Track& track, std::size_t m) {
    for (std::size_t i = std::min(m, track.measures.size()); i-- > 0;) {
        const TrackMeasure& notes = track.measures[i];
        for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
            if (!it->isRest()) {
                return it->velocity;
            }
        }
    }
    return -1;
}

}  // namespace corvane::engrave
