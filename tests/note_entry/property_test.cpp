// Thousands of random entries on random Notes of a multi-track, multi-measure score. After each
// one: every measure is exactly full with well-formed triplet groups, ties pair up, a refused
// entry left the saved bytes identical, an accepted one gave the target what was asked for, and
// Notes held by address stayed in their measures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "editor/note_entry.h"
#include "entry_helpers.h"

namespace corvane {
namespace {

using testing::measureUnits;
using testing::rhythm;
using testing::savedBytes;

constexpr int kMeasures = 6;

Score randomScore(std::mt19937& rng) {
    Score score;
    score.clear();
    std::uniform_int_distribution<int> beats(3, 5);
    std::uniform_int_distribution<int> key(-6, 6);
    for (int m = 0; m < kMeasures; ++m)
        score.addMeasure(key(rng), 120, beats(rng));
    score.addTrack(0, Treble);
    score.addTrack(33, Bass);
    score.addTrack(0, Drums);
    return score;
}

bool chance(std::mt19937& rng, int percent) {
    return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

// A random request. With `editorOnly`, only what the editor's tools can produce: no triplet of
// whole notes, no dots with a triplet, no dotted thirty-seconds, no double-dotted sixteenths.
NoteEntry randomRequest(std::mt19937& rng, bool editorOnly) {
    const int values[] = {1, 2, 4, 8, 16, 32};
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    NoteEntry entry;
    entry.duration = values[pick(0, 5)];
    entry.dots = chance(rng, 60) ? 0 : pick(1, 2);
    entry.triplet = chance(rng, 20);
    entry.rightButton = chance(rng, 30);
    entry.tie = chance(rng, 40);
    entry.velocity = chance(rng, 75) ? 0 : pick(1, 127);
    // A few positions often, so that ties between equal heads happen.
    entry.position = chance(rng, 50) ? pick(-9, 9) : pick(0, 1);
    const Accidental accidentals[] = {AccidentalNone, AccidentalNone, Flat, Sharp};
    entry.accidental = accidentals[pick(0, 3)];
    entry.octave = pick(-1, 1);
    if (editorOnly) {
        if (entry.duration == 1)
            entry.triplet = false;
        if (entry.triplet)
            entry.dots = 0;
        if (entry.duration == 32)
            entry.dots = 0;
        if (entry.duration == 16 && entry.dots == 2)
            entry.dots = 1;
    }
    return entry;
}

bool startsTie(const Note& note) {
    return note.tie == TieStart || note.tie == TieMiddle;
}
bool endsTie(const Note& note) {
    return note.tie == TieEnd || note.tie == TieMiddle;
}

// The invariants of one track; returns a description of the first violation, or "".
std::string violation(const Score& score, std::size_t t, bool checkTicks) {
    const Track& track = score.tracks[t];
    const Note* previous = nullptr;
    for (std::size_t m = 0; m < track.measures.size(); ++m) {
        const TrackMeasure& notes = track.measures[m];
        const auto where = [&](const char* what) {
            return "track " + std::to_string(t) + " measure " + std::to_string(m) + ": " + what +
                   ": " + rhythm(notes);
        };
        const int beats = score.measures[m].beats;
        if (measureUnits(notes) != beats * 8)
            return where("not full");
        if (checkTicks) {
            int ticks = 0;
            for (const Note& note : notes)
                ticks += noteTicks(note);
            if (ticks != beats * 24)
                return where("ticks do not add up");
        }
        for (const Note& note : notes) {
            if (note.isRest() && note.tie != TieNone)
                return where("tied rest");
            const bool tiedFromBefore = previous && startsTie(*previous);
            if (tiedFromBefore != endsTie(note))
                return where("tie halves do not pair up");
            previous = &note;
        }
    }
    if (previous && startsTie(*previous))
        return "track " + std::to_string(t) + ": dangling tie";
    return "";
}

std::string violation(const Score& score, bool checkTicks) {
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        std::string found = violation(score, t, checkTicks);
        if (!found.empty())
            return found;
    }
    return "";
}

// Units the target may grow to: its own length (its whole group for a first member) plus the
// rests and rest-only groups that follow it before a Note with pitches or the bar line.
int room(const TrackMeasure& notes, TrackMeasure::const_iterator target) {
    int units = lengthUnits(target->duration, target->dots);
    auto it = std::next(target);
    if (target->triplet == 1) {
        units *= 2;
        it = std::next(target, 3);
    }
    while (it != notes.end() && it->isRest()) {
        if (it->triplet == 0) {
            units += lengthUnits(it->duration, it->dots);
            ++it;
            continue;
        }
        const auto middle = std::next(it);
        const auto last = std::next(middle);
        if (!middle->isRest() || !last->isRest())
            break;
        units += 2 * lengthUnits(it->duration, 0);
        it = std::next(last);
    }
    return units;
}

int floorPowerOfTwo(int units) {
    int p = 1;
    while (p * 2 <= units)
        p *= 2;
    return p;
}

// What the target's length must be after the entry, in units (a group counting as a whole), or
// -1 when the entry must be refused.
int expectedLength(const TrackMeasure& notes, TrackMeasure::const_iterator target,
                   const NoteEntry& request) {
    const int oldLen = lengthUnits(target->duration, target->dots);
    if (target->triplet == 2 || target->triplet == 3)
        return -2;  // checked separately
    if (target->triplet == 1) {
        const int d = std::min(request.duration, target->duration);
        if (d == target->duration)
            return -2;
        if (!std::next(target)->isRest() || !std::next(target, 2)->isRest())
            return -1;
        const int newLen = lengthUnits(d, 0);
        if (newLen <= room(notes, target))
            return newLen;
        return request.rightButton ? -3 : -1;  // the group stays
    }
    int d = request.duration;
    const int dots = request.rightButton || request.triplet ? 0 : request.dots;
    if (request.triplet) {
        d /= 2;
        if (d < 1)
            return -1;
    }
    const int newLen = lengthUnits(d, dots);
    if (newLen <= oldLen || newLen <= room(notes, target))
        return newLen;
    if (!request.rightButton || request.triplet)
        return -1;
    return oldLen > 32 ? oldLen : floorPowerOfTwo(oldLen);
}

// A rhythm without the difference between rests and notes.
std::string durations(std::string text) {
    std::replace(text.begin(), text.end(), 'n', 'r');
    return text;
}

struct Held {
    const Note* note;
    const TrackMeasure* measure;
    bool pitched;
};

bool contains(const TrackMeasure& notes, const Note* note) {
    return std::any_of(notes.begin(), notes.end(), [&](const Note& n) { return &n == note; });
}

struct Counts {
    int entries = 0;
    int refused = 0;
    int grown = 0;
    int triplets = 0;
    int tied = 0;
};

void runRandomEntries(unsigned seed, int entries, bool editorOnly, Counts& counts) {
    std::mt19937 rng(seed);
    Score score = randomScore(rng);
    for (int step = 0; step < entries; ++step) {
        const int t = std::uniform_int_distribution<int>(0, 2)(rng);
        const int m = std::uniform_int_distribution<int>(0, kMeasures - 1)(rng);
        Track& track = score.tracks[static_cast<std::size_t>(t)];
        TrackMeasure& notes = track.measures[static_cast<std::size_t>(m)];
        const int index =
            std::uniform_int_distribution<int>(0, static_cast<int>(notes.size()) - 1)(rng);
        const auto target = std::next(notes.begin(), index);

        NoteEntry request = randomRequest(rng, editorOnly);
        request.track = t;
        request.measure = m;
        request.trackKind = track.kind;
        request.key = score.measures[static_cast<std::size_t>(m)].key;

        std::vector<Held> held;
        for (auto it = notes.begin(); it != notes.end(); ++it) {
            if (it == target || (std::distance(notes.begin(), it) > index && it->isRest())) {
                continue;  // rests after the target may be absorbed
            }
            held.push_back({&*it, &notes, !it->isRest()});
        }
        for (const int other : {m - 1, m + 1}) {
            if (other < 0 || other >= kMeasures)
                continue;
            for (const Note& note : track.measures[static_cast<std::size_t>(other)]) {
                held.push_back(
                    {&note, &track.measures[static_cast<std::size_t>(other)], !note.isRest()});
            }
        }
        if (request.tie && !request.rightButton && chance(rng, 50)) {
            // Aim at the previous Note's head now and then, so that ties are made often.
            const Note* previous = previousNote(score, t, m, *target);
            if (previous && !previous->isRest() &&
                previous->pitches.back().accidental == AccidentalNone) {
                request.position = previous->pitches.back().position;
                request.accidental = AccidentalNone;
            }
        }
        const int expected = expectedLength(notes, target, request);
        const std::string beforeRhythm = rhythm(notes);
        // A refusal must leave the whole score as it was. Saving is slow in unoptimised builds,
        // so every refusal is checked by deep comparison and every eighth by its saved bytes.
        const bool refusal = expected == -1;
        const bool compareBytes = refusal && counts.refused % 8 == 0;
        const std::optional<Score> before = refusal ? std::optional<Score>(score) : std::nullopt;
        const auto beforeBytes = compareBytes ? savedBytes(score) : std::vector<std::uint8_t>{};
        const Note* targetAddress = &*target;
        const int oldVelocity = target->velocity;
        const int oldLength = lengthUnits(target->duration, target->dots);

        enterNote(score, *target, request, nullptr);
        ++counts.entries;
        const std::string context = "seed " + std::to_string(seed) + " step " +
                                    std::to_string(step) + " on " + beforeRhythm + " index " +
                                    std::to_string(index);

        // Entries touch one track; the others are checked now and then.
        ASSERT_EQ(violation(score, static_cast<std::size_t>(t), editorOnly), "") << context;
        if (step % 64 == 0) {
            ASSERT_EQ(violation(score, editorOnly), "") << context;
        }
        for (const Held& h : held) {
            ASSERT_TRUE(contains(*h.measure, h.note)) << context;
            if (h.pitched) {
                ASSERT_FALSE(h.note->isRest()) << context;
            }
        }
        ASSERT_TRUE(contains(notes, targetAddress)) << context;

        if (refusal) {
            ASSERT_TRUE(score == *before) << "refused entry changed the score; " << context;
            if (compareBytes) {
                ASSERT_EQ(savedBytes(score), beforeBytes) << context;
            }
            ++counts.refused;
            continue;
        }
        const Note& result = *targetAddress;
        if (expected == -2) {
            ASSERT_EQ(durations(rhythm(notes)), durations(beforeRhythm))
                << "a group member changed the rhythm; " << context;
        } else if (expected == -3) {
            ASSERT_EQ(result.triplet, 1) << context;
        } else {
            const int length = result.triplet == 1 ? 2 * lengthUnits(result.duration, 0)
                                                   : lengthUnits(result.duration, result.dots);
            ASSERT_EQ(length, expected) << context;
            if (expected > oldLength)
                ++counts.grown;
        }
        if (result.triplet == 1)
            ++counts.triplets;
        if (request.rightButton) {
            ASSERT_TRUE(result.isRest()) << context;
        } else {
            ASSERT_FALSE(result.isRest()) << context;
            ASSERT_EQ(result.pitches.back().position, request.position) << context;
            ASSERT_EQ(result.octave, request.octave) << context;
            if (result.tie == TieEnd)
                ++counts.tied;
        }
        ASSERT_EQ(result.velocity, request.velocity == 0 ? oldVelocity : request.velocity)
            << context;
    }
    ASSERT_EQ(violation(score, editorOnly), "") << "seed " << seed;
}

TEST(NoteEntryProperty, AnyRequestKeepsEveryMeasureFull) {
    Counts counts;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        runRandomEntries(seed, 2000, false, counts);
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(counts.entries, 8000);
    // The random mix must reach every kind of outcome, or the test proves little.
    EXPECT_GT(counts.refused, 500);
    EXPECT_GT(counts.triplets, 300);
    EXPECT_GT(counts.tied, 30);
    EXPECT_GT(counts.grown, 300);
}

TEST(NoteEntryProperty, EditorRequestsAlsoKeepTheTicksRight) {
    Counts counts;
    for (unsigned seed = 101; seed <= 104; ++seed) {
        runRandomEntries(seed, 2000, true, counts);
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(counts.entries, 8000);
    EXPECT_GT(counts.refused, 500);
    EXPECT_GT(counts.triplets, 300);
    EXPECT_GT(counts.tied, 30);
    EXPECT_GT(counts.grown, 300);
}

}  // namespace
}  // namespace corvane
