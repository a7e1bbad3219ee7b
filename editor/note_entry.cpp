#include "editor/note_entry.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>

#include "score/pitch.h"

namespace corvane {

namespace {

using NoteIt = TrackMeasure::iterator;

bool isPowerOfTwo(int units) {
    return units > 0 && (units & (units - 1)) == 0;
}

bool sameHeads(const Note& a, const Note& b) {
    const auto within = [](const Note& from, const Note& in) {
        return std::all_of(from.pitches.begin(), from.pitches.end(), [&](const NoteHead& head) {
            return std::find(in.pitches.begin(), in.pitches.end(), head) != in.pitches.end();
        });
    };
    return within(a, b) && within(b, a);
}

// How an entry changes the target's length.
struct Resize {
    bool apply = false;  // the target takes the new value
    int remove = 0;      // Notes after the target that it absorbs
    int fill = 0;        // units of rests to insert after the target
    bool dissolve = false;
};

// Everything an entry does to the measure, decided before anything is touched, so that a
// refused entry leaves the score as it was.
struct EntryPlan {
    int duration = 4;  // the target's new value
    int dots = 0;
    bool makeTriplet = false;  // the target becomes the first of a new triplet group
    int velocity = 0;
    Resize resize;
};

// Walks the Notes after the target that growing to `newLen` would absorb. Returns false when the
// entry must be refused outright (a triplet target whose other members hold pitches).
bool planGrowth(const TrackMeasure& notes, TrackMeasure::const_iterator target, int oldLen,
                int newLen, Resize& plan, int& acc) {
    acc = oldLen;
    auto walk = std::next(target);
    if (target->triplet == 1) {
        if (!groupStartsAt(notes, target)) {
            return false;
        }
        const auto middle = std::next(target);
        const auto last = std::next(middle);
        if (!middle->isRest() || !last->isRest()) {
            return false;
        }
        acc = 2 * oldLen;
        plan.remove = 2;
        plan.dissolve = true;
        walk = std::next(last);
    }
    while (acc < newLen && walk != notes.end() && walk->isRest()) {
        if (walk->triplet != 0) {
            // A group is absorbed whole or not at all.
            if (!groupStartsAt(notes, walk)) {
                break;
            }
            const auto middle = std::next(walk);
            const auto last = std::next(middle);
            if (!middle->isRest() || !last->isRest()) {
                break;
            }
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

// The value the target takes and the velocity it gets; nullopt for a triplet of whole notes.
std::optional<EntryPlan> planValue(const Note& target, const NoteEntry& request) {
    EntryPlan plan;
    plan.duration = request.duration;
    // A triplet group is made of plain notes, so a request for one ignores dots.
    plan.dots = request.rightButton || request.triplet ? 0 : request.dots;
    plan.makeTriplet = request.triplet;
    if (plan.makeTriplet && target.triplet == 0) {
        // The whole group spans one note of twice the requested length.
        plan.duration /= 2;
        if (plan.duration < 1) {
            return std::nullopt;
        }
    }
    if (target.triplet != 0) {
        // Members keep their value, except that the first may widen the group into one note.
        plan.duration =
            target.triplet == 1 ? std::min(plan.duration, target.duration) : target.duration;
        plan.dots = 0;
        plan.makeTriplet = false;
    }
    plan.velocity = request.velocity == 0 ? target.velocity : std::clamp(request.velocity, 1, 127);
    return plan;
}

// The whole plan of an entry into `target`; nullopt when it must be refused.
std::optional<EntryPlan> planEntry(const TrackMeasure& notes, TrackMeasure::const_iterator target,
                                   const NoteEntry& request) {
    std::optional<EntryPlan> plan = planValue(*target, request);
    if (!plan) {
        return std::nullopt;
    }
    const int newLen = lengthUnits(plan->duration, plan->dots);
    const int oldLen = lengthUnits(target->duration, target->dots);
    Resize& resize = plan->resize;
    if (newLen < oldLen) {
        resize.apply = true;
        resize.fill = oldLen - newLen;
        return plan;
    }
    if (newLen == oldLen) {
        return plan;
    }
    int acc = 0;
    if (!planGrowth(notes, target, oldLen, newLen, resize, acc)) {
        return std::nullopt;
    }
    if (acc >= newLen) {
        resize.apply = true;
        resize.fill = acc - newLen;
        return plan;
    }
    if (!request.rightButton || plan->makeTriplet) {
        return std::nullopt;
    }
    // A rest that cannot grow becomes the longest plain value within its own length.
    resize = Resize{};
    if (oldLen > 1 && oldLen < 32 && !isPowerOfTwo(oldLen)) {
        int p = 1;
        while (p * 2 <= oldLen) {
            p *= 2;
        }
        plan->duration = 32 / p;
        resize.apply = true;
        resize.fill = oldLen - p;
    }
    return plan;
}

// The target takes its new value: the Notes it absorbs go, the rests of what it gave up follow.
void applyResize(TrackMeasure& notes, NoteIt target, const EntryPlan& plan) {
    if (plan.resize.apply) {
        target->duration = plan.duration;
        target->dots = plan.dots;
        auto first = std::next(target);
        auto last = first;
        std::advance(last, plan.resize.remove);
        notes.erase(first, last);
        fillRests(notes, target, plan.resize.fill, target->velocity);
    }
    if (plan.resize.dissolve) {
        target->triplet = 0;
    }
}

// The target loses its ties; its neighbours lose their halves of them.
void breakTies(Note& target, Note* previous, Note* next) {
    if (previous != nullptr && (target.tie == TieEnd || target.tie == TieMiddle)) {
        if (previous->tie == TieMiddle) {
            previous->tie = TieEnd;
        } else if (previous->tie == TieStart) {
            previous->tie = TieNone;
        }
    }
    if (next != nullptr && (target.tie == TieStart || target.tie == TieMiddle)) {
        if (next->tie == TieMiddle) {
            next->tie = TieStart;
        } else if (next->tie == TieEnd) {
            next->tie = TieNone;
        }
    }
    target.tie = TieNone;
}

// Sets the target's velocity and carries it over the following Notes of the track that still
// had the old one, across bar lines, up to the first Note with another velocity.
void carryVelocity(Track& track, std::size_t measure, NoteIt target, int velocity) {
    const int old = target->velocity;
    target->velocity = velocity;
    if (old == velocity) {
        return;
    }
    auto& notes = track.measures[measure];
    for (auto it = std::next(target); it != notes.end(); ++it) {
        if (it->velocity != old) {
            return;
        }
        it->velocity = velocity;
    }
    for (std::size_t m = measure + 1; m < track.measures.size(); ++m) {
        for (auto& note : track.measures[m]) {
            if (note.velocity != old) {
                return;
            }
            note.velocity = velocity;
        }
    }
}

// Adds the requested head to the target, replacing one on the same staff position.
void enterHead(Note& target, const NoteEntry& request) {
    const Accidental accidental = request.trackKind == Drums
                                      ? request.accidental
                                      : storedAccidental(request.position, request.accidental,
                                                         request.keySignature, request.trackKind);
    target.pitches.remove_if(
        [&](const NoteHead& head) { return head.position == request.position; });
    target.pitches.push_back(NoteHead{request.position, accidental});
}

// Ties the target at `at` to the Note before it when both hold the same heads.
void tieToPrevious(Score& score, const NoteIndex& at, Note& target) {
    Note* previous = previousNote(score, at);
    if (previous != nullptr && !previous->isRest() && sameHeads(*previous, target)) {
        previous->tie = previous->tie == TieEnd ? TieMiddle : TieStart;
        target.tie = TieEnd;
    }
}

EntrySound soundOf(const Note& target, const Track& track, const NoteEntry& request) {
    EntrySound sound;
    sound.program = static_cast<std::uint8_t>(track.program & 0xFF);
    sound.drums = request.trackKind == Drums;
    for (const NoteHead& head : target.pitches) {
        const std::int32_t midiKey = midiKeyNumber(head.position, head.accidental, request.octave,
                                                   request.trackKind, request.keySignature);
        sound.midiKeys.push_back(static_cast<std::uint8_t>(midiKey));
    }
    return sound;
}

}  // namespace

EntrySound enterNote(Score& score, const NoteIndex& at, const NoteEntry& request) {
    if (findNote(score, at) == nullptr) {
        return {};
    }
    if (!isNoteValue(request.duration) || request.dots < 0 || request.dots > 2) {
        return {};
    }
    Track& track = score.tracks[static_cast<std::size_t>(at.track)];
    TrackMeasure& notes = track.measures[static_cast<std::size_t>(at.measure)];
    const NoteIt target = std::next(notes.begin(), at.note);
    const std::optional<EntryPlan> plan = planEntry(notes, target, request);
    if (!plan) {
        return {};
    }

    // From here on the entry is carried out. The ties are broken with the neighbours the target
    // has now: once it is shorter, the Note after it is a new rest, not its tie partner. Every
    // change happens at or after the target, so `at` keeps naming it.
    breakTies(*target, previousNote(score, at), nextNote(score, at));
    applyResize(notes, target, *plan);
    carryVelocity(track, static_cast<std::size_t>(at.measure), target, plan->velocity);

    if (request.rightButton) {
        target->pitches.clear();
        if (plan->makeTriplet) {
            makeTripletGroup(notes, target, plan->velocity);
        }
        return {};
    }
    enterHead(*target, request);
    if (plan->makeTriplet) {
        makeTripletGroup(notes, target, plan->velocity);
    }
    target->octave = request.octave;
    if (request.tie) {
        tieToPrevious(score, at, *target);
    }
    return soundOf(*target, track, request);
}

NoteEntry entryRequest(const Score& score, const NoteIndex& target, int position,
                       const EntryTools& tools, bool rightButton) {
    NoteEntry request;
    request.position = position;
    request.accidental = tools.pendingAccidental;
    request.keySignature = score.measures[static_cast<std::size_t>(target.measure)].key;
    request.trackKind = score.tracks[static_cast<std::size_t>(target.track)].kind;
    request.duration = tools.currentDuration;
    request.dots = tools.pendingDots;
    request.triplet = tools.pendingTriplet;
    request.octave = tools.pendingOctave;
    request.tie = tools.pendingTie;
    request.rightButton = rightButton;
    request.velocity = tools.pendingVelocity;
    return request;
}

EntryTrial tryEntry(const Score& score, const NoteIndex& target, const NoteEntry& request) {
    const TrackMeasure* notes = findMeasure(score, target.track, target.measure);
    if (findNote(score, target) == nullptr) {
        return {};
    }
    // A score of one track and three measures: the Note before the target's measure, the
    // measure, and the Note after it.
    const Track& track = score.tracks[static_cast<std::size_t>(target.track)];
    const TrackMeasure* before = findMeasure(score, target.track, target.measure - 1);
    const TrackMeasure* after = findMeasure(score, target.track, target.measure + 1);
    const Note* previous = before != nullptr && !before->empty() ? &before->back() : nullptr;
    const Note* next = after != nullptr && !after->empty() ? &after->front() : nullptr;
    Score nearby;
    nearby.clear();
    nearby.measures.assign(3, score.measures[static_cast<std::size_t>(target.measure)]);
    Track& copy = nearby.tracks.emplace_back();
    copy.kind = track.kind;
    copy.program = track.program;
    copy.measures.resize(3);
    if (previous != nullptr) {
        copy.measures[0].push_back(*previous);
    }
    copy.measures[1] = *notes;
    if (next != nullptr) {
        copy.measures[2].push_back(*next);
    }

    const NoteIndex at{0, 1, target.note};
    const EntrySound sound = enterNote(nearby, at, request);
    if (!request.rightButton && sound.midiKeys.empty()) {
        // A pitch entry that happens always sounds.
        return {};
    }
    const bool unchanged = copy.measures[1] == *notes &&
                           (previous == nullptr || copy.measures[0].front() == *previous) &&
                           (next == nullptr || copy.measures[2].front() == *next);
    return EntryTrial{unchanged ? EntryTrial::Unchanged : EntryTrial::Changes,
                      *findNote(nearby, at)};
}

}  // namespace corvane
