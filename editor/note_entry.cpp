#include "editor/note_entry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "score/note_values.h"
#include "score/pitch.h"
#include "sound/player.h"

namespace corvane {

namespace {

using NoteIt = TrackMeasure::iterator;

bool isPowerOfTwo(int units) {
    return units > 0 && (units & (units - 1)) == 0;
}

// The measure `measure` of track `track`, or null when either index is out of range.
TrackMeasure* measureAt(Score& score, int track, int measure) {
    if (track < 0 || static_cast<std::size_t>(track) >= score.tracks.size())
        return nullptr;
    auto& measures = score.tracks[static_cast<std::size_t>(track)].measures;
    if (measure < 0 || static_cast<std::size_t>(measure) >= measures.size())
        return nullptr;
    return &measures[static_cast<std::size_t>(measure)];
}

NoteIt find(TrackMeasure& notes, const Note& note) {
    for (auto it = notes.begin(); it != notes.end(); ++it) {
        if (&*it == &note)
            return it;
    }
    return notes.end();
}

bool sameHeads(const Note& a, const Note& b) {
    const auto within = [](const Note& from, const Note& in) {
        return std::all_of(from.pitches.begin(), from.pitches.end(), [&](const NoteHead& head) {
            return std::find(in.pitches.begin(), in.pitches.end(), head) != in.pitches.end();
        });
    };
    return within(a, b) && within(b, a);
}

// How a planned entry changes the target's length; decided before anything is touched, so that
// a refused entry leaves the score as it was.
struct Resize {
    bool apply = false;  // the target takes the new value
    int remove = 0;      // Notes after the target that it absorbs
    int fill = 0;        // units of rests to insert after the target
    bool dissolve = false;
};

// Walks the Notes after the target that growing to `newLen` would absorb. Returns false when the
// entry must be refused outright (a triplet target whose other members hold pitches).
bool planGrowth(const TrackMeasure& notes, TrackMeasure::const_iterator target, int oldLen,
                int newLen, Resize& plan, int& acc) {
    acc = oldLen;
    auto walk = std::next(target);
    if (target->triplet == 1) {
        if (!groupStartsAt(notes, target))
            return false;
        const auto middle = std::next(target);
        const auto last = std::next(middle);
        if (!middle->isRest() || !last->isRest())
            return false;
        acc = 2 * oldLen;
        plan.remove = 2;
        plan.dissolve = true;
        walk = std::next(last);
    }
    while (acc < newLen && walk != notes.end() && walk->isRest()) {
        if (walk->triplet != 0) {
            // A group is absorbed whole or not at all.
            if (!groupStartsAt(notes, walk))
                break;
            const auto middle = std::next(walk);
            const auto last = std::next(middle);
            if (!middle->isRest() || !last->isRest())
                break;
            acc += 2 * lengthUnits(walk->duration, walk->dots);
            plan.remove += 3;
            walk = std::next(last);
        } else {
            acc += lengthUnits(walk->duration, walk->dots);
            plan.remove += 1;
            ++walk;
        }
    }
    return true;
}

// The target loses its ties; its neighbours lose their halves of them.
void breakTies(Note& target, Note* previous, Note* next) {
    if (previous && (target.tie == TieEnd || target.tie == TieMiddle)) {
        if (previous->tie == TieMiddle)
            previous->tie = TieEnd;
        else if (previous->tie == TieStart)
            previous->tie = TieNone;
    }
    if (next && (target.tie == TieStart || target.tie == TieMiddle)) {
        if (next->tie == TieMiddle)
            next->tie = TieStart;
        else if (next->tie == TieEnd)
            next->tie = TieNone;
    }
    target.tie = TieNone;
}

// Sets the target's velocity and carries it over the following Notes of the track that still
// had the old one, across bar lines, up to the first Note with another velocity.
void carryVelocity(Track& track, std::size_t measure, NoteIt target, int velocity) {
    const int old = target->velocity;
    target->velocity = velocity;
    if (old == velocity)
        return;
    auto& notes = track.measures[measure];
    for (auto it = std::next(target); it != notes.end(); ++it) {
        if (it->velocity != old)
            return;
        it->velocity = velocity;
    }
    for (std::size_t m = measure + 1; m < track.measures.size(); ++m) {
        for (auto& note : track.measures[m]) {
            if (note.velocity != old)
                return;
            note.velocity = velocity;
        }
    }
}

}  // namespace

Note* previousNote(Score& score, int track, int measure, const Note& note) {
    TrackMeasure* notes = measureAt(score, track, measure);
    if (!notes)
        return nullptr;
    const auto it = find(*notes, note);
    if (it == notes->end())
        return nullptr;
    if (it != notes->begin())
        return &*std::prev(it);
    TrackMeasure* before = measureAt(score, track, measure - 1);
    if (!before || before->empty())
        return nullptr;
    return &before->back();
}

Note* nextNote(Score& score, int track, int measure, const Note& note) {
    TrackMeasure* notes = measureAt(score, track, measure);
    if (!notes)
        return nullptr;
    const auto it = find(*notes, note);
    if (it == notes->end())
        return nullptr;
    if (std::next(it) != notes->end())
        return &*std::next(it);
    TrackMeasure* after = measureAt(score, track, measure + 1);
    if (!after || after->empty())
        return nullptr;
    return &after->front();
}

void enterNote(Score& score, Note& target, const NoteEntry& request, Player* player) {
    TrackMeasure* notesPtr = measureAt(score, request.track, request.measure);
    if (!notesPtr)
        return;
    TrackMeasure& notes = *notesPtr;
    const NoteIt it = find(notes, target);
    if (it == notes.end())
        return;
    if (!isNoteValue(request.duration) || request.dots < 0 || request.dots > 2)
        return;
    Track& track = score.tracks[static_cast<std::size_t>(request.track)];

    int d = request.duration;
    // A triplet group is made of plain notes, so a request for one ignores dots.
    int dots = request.rightButton || request.triplet ? 0 : request.dots;
    bool makeTriplet = request.triplet;
    if (makeTriplet && target.triplet == 0) {
        // The whole group spans one note of twice the requested length.
        d /= 2;
        if (d < 1)
            return;
    }
    if (target.triplet != 0) {
        // Members keep their value, except that the first may widen the group into one note.
        d = target.triplet == 1 ? std::min(d, target.duration) : target.duration;
        dots = 0;
        makeTriplet = false;
    }
    int newLen = lengthUnits(d, dots);
    const int oldLen = lengthUnits(target.duration, target.dots);
    const int velocity =
        request.velocity == 0 ? target.velocity : std::clamp(request.velocity, 1, 127);

    Resize plan;
    if (newLen > oldLen) {
        int acc = 0;
        if (!planGrowth(notes, it, oldLen, newLen, plan, acc))
            return;
        if (acc >= newLen) {
            plan.apply = true;
            plan.fill = acc - newLen;
        } else {
            if (!request.rightButton || makeTriplet)
                return;
            // A target that cannot grow becomes the longest plain value within its own length.
            plan = Resize{};
            if (oldLen > 1 && oldLen < 32 && !isPowerOfTwo(oldLen)) {
                int p = 1;
                while (p * 2 <= oldLen)
                    p *= 2;
                d = 32 / p;
                newLen = p;
                plan.apply = true;
                plan.fill = oldLen - newLen;
            }
        }
    } else if (newLen < oldLen) {
        plan.apply = true;
        plan.fill = oldLen - newLen;
    }

    // From here on the entry is carried out. The ties are broken with the neighbours the target
    // has now: once it is shorter, the Note after it is a new rest, not its tie partner.
    breakTies(target, previousNote(score, request.track, request.measure, target),
              nextNote(score, request.track, request.measure, target));

    if (plan.apply) {
        target.duration = d;
        target.dots = dots;
        auto first = std::next(it);
        auto last = first;
        std::advance(last, plan.remove);
        notes.erase(first, last);
        fillRests(notes, it, plan.fill, target.velocity);
    }
    if (plan.dissolve)
        target.triplet = 0;

    carryVelocity(track, static_cast<std::size_t>(request.measure), it, velocity);

    if (request.rightButton) {
        target.pitches.clear();
        if (makeTriplet)
            makeTripletGroup(notes, it, velocity);
        return;
    }

    const Accidental accidental = request.trackKind == Drums
                                      ? request.accidental
                                      : storedAccidental(request.position, request.accidental,
                                                         request.key, request.trackKind);
    target.pitches.remove_if(
        [&](const NoteHead& head) { return head.position == request.position; });
    target.pitches.push_back(NoteHead{request.position, accidental});
    if (makeTriplet)
        makeTripletGroup(notes, it, velocity);
    target.octave = request.octave;

    if (request.tie) {
        Note* previous = previousNote(score, request.track, request.measure, target);
        if (previous && !previous->isRest() && sameHeads(*previous, target)) {
            previous->tie = previous->tie == TieEnd ? TieMiddle : TieStart;
            target.tie = TieEnd;
        }
    }

    if (player) {
        const auto program = static_cast<std::uint8_t>(track.program & 0xFF);
        const std::uint8_t drums = request.trackKind == Drums ? 1 : 0;
        for (const NoteHead& head : target.pitches) {
            const std::int32_t key = midiKeyNumber(head.position, head.accidental, request.octave,
                                                   request.trackKind, request.key);
            player->previewNote(static_cast<std::uint8_t>(key), program, drums);
        }
    }
}

}  // namespace corvane
