// Thousands of random entries on random Notes of a multi-track, multi-measure score. After each
// one the score keeps its invariants (every measure exactly full, triplet groups well formed,
// ties paired), a refused entry left the saved bytes identical, an accepted one gave the target
// what was asked for, and Notes held by address stayed in their measures. Every entry runs as a
// step of a checked undo history: each changed the score within the step's scope, and made a
// step exactly when it changed the score.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "editor/edit_history.h"
#include "editor/note_entry.h"
#include "entry_helpers.h"

namespace corvane {
namespace {

using testing::chance;
using testing::rhythm;
using testing::savedBytes;
using testing::violation;

constexpr int kMeasures = 6;

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
        if (entry.duration == 1) {
            entry.triplet = false;
        }
        if (entry.triplet || entry.duration == 32) {
            entry.dots = 0;
        }
        if (entry.duration == 16 && entry.dots == 2) {
            entry.dots = 1;
        }
    }
    return entry;
}

// A rhythm without the difference between rests and notes.
std::string durations(std::string text) {
    std::replace(text.begin(), text.end(), 'n', 'r');
    return text;
}

// The length of `note` in thirty-seconds; a first triplet member stands for its whole group.
int lengthOf(const Note& note) {
    return note.triplet == 1 ? 2 * lengthUnits(note.duration, 0)
                             : lengthUnits(note.duration, note.dots);
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

// The Notes of the target's track that an entry must leave in their measures: every Note of the
// target's measure but the target and the rests after it (which it may absorb), and every Note
// of the measures around it.
std::vector<Held> heldNotes(const Track& track, int m, int index) {
    std::vector<Held> held;
    const TrackMeasure& notes = track.measures[static_cast<std::size_t>(m)];
    int position = 0;
    for (const Note& note : notes) {
        if (position != index && (position < index || !note.isRest())) {
            held.push_back({&note, &notes, !note.isRest()});
        }
        ++position;
    }
    for (const int other : {m - 1, m + 1}) {
        if (other < 0 || other >= kMeasures) {
            continue;
        }
        const TrackMeasure& around = track.measures[static_cast<std::size_t>(other)];
        for (const Note& note : around) {
            held.push_back({&note, &around, !note.isRest()});
        }
    }
    return held;
}

// What an entry that was not refused must have done to its target.
void checkAccepted(const Note& result, const NoteEntry& request, int oldVelocity,
                   const std::string& context) {
    if (request.rightButton) {
        ASSERT_TRUE(result.isRest()) << context;
    } else {
        ASSERT_FALSE(result.isRest()) << context;
        ASSERT_EQ(result.pitches.back().position, request.position) << context;
        ASSERT_EQ(result.octave, request.octave) << context;
    }
    ASSERT_EQ(result.velocity, request.velocity == 0 ? oldVelocity : request.velocity) << context;
}

void runRandomEntries(unsigned seed, int entries, bool editorOnly, Counts& counts) {
    std::mt19937 rng(seed);
    Score score = testing::randomScore(rng, kMeasures);
    EditHistory history(score, true);
    for (int step = 0; step < entries; ++step) {
        const int t = std::uniform_int_distribution<int>(0, 2)(rng);
        const int m = std::uniform_int_distribution<int>(0, kMeasures - 1)(rng);
        Track& track = score.tracks[static_cast<std::size_t>(t)];
        TrackMeasure& notes = track.measures[static_cast<std::size_t>(m)];
        const int index =
            std::uniform_int_distribution<int>(0, static_cast<int>(notes.size()) - 1)(rng);
        const NoteIndex at{t, m, index};
        const Note& target = *findNote(score, at);

        NoteEntry request = randomRequest(rng, editorOnly);
        request.trackKind = track.kind;
        request.keySignature = score.measures[static_cast<std::size_t>(m)].key;
        if (request.tie && !request.rightButton && chance(rng, 50)) {
            // Aim at the previous Note's head now and then, so that ties are made often.
            const Note* previous = previousNote(score, at);
            if (previous != nullptr && !previous->isRest() &&
                previous->pitches.back().accidental == AccidentalNone) {
                request.position = previous->pitches.back().position;
                request.accidental = AccidentalNone;
            }
        }

        const std::vector<Held> held = heldNotes(track, m, index);
        const std::string beforeRhythm = rhythm(notes);
        const Score before = score;
        // Saving is slow in unoptimised builds: every eighth refusal is checked by its bytes.
        const bool compareBytes = !request.rightButton && counts.refused % 8 == 0;
        const auto beforeBytes = compareBytes ? savedBytes(score) : std::vector<std::uint8_t>{};
        const Note* targetAddress = &target;
        const int oldTriplet = target.triplet;
        const int oldVelocity = target.velocity;
        const int oldLength = lengthOf(target);

        history.begin(std::make_unique<NoteEntryStep>(at, request.velocity != 0), score, 0);
        const EntrySound sound = enterNote(score, at, request);
        const bool stepped = history.commit(score, 0);
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
        ASSERT_EQ(findNote(score, at), targetAddress) << "the index still names the target";

        // A left-button entry sounds exactly when it happens; one that did not happen changed
        // nothing at all. A right-button entry that left the score as it was counts the same.
        const bool refused = request.rightButton ? score == before : sound.midiKeys.empty();
        ASSERT_EQ(stepped, score != before) << context;
        if (refused) {
            ASSERT_TRUE(score == before) << "refused entry changed the score; " << context;
            if (compareBytes) {
                ASSERT_EQ(savedBytes(score), beforeBytes) << context;
            }
            counts.refused += request.rightButton ? 0 : 1;
            continue;
        }
        const Note& result = *targetAddress;
        checkAccepted(result, request, oldVelocity, context);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        if (!request.rightButton) {
            ASSERT_EQ(sound.midiKeys.size(), result.pitches.size()) << context;
        }
        if (oldTriplet == 2 || oldTriplet == 3) {
            ASSERT_EQ(durations(rhythm(notes)), durations(beforeRhythm))
                << "a group member changed the rhythm; " << context;
        } else if (oldTriplet == 0 && !request.triplet && !request.rightButton) {
            // A plain entry that happens gives the target exactly the value asked for.
            ASSERT_EQ(lengthOf(result), lengthUnits(request.duration, request.dots)) << context;
        }
        counts.grown += lengthOf(result) > oldLength ? 1 : 0;
        counts.triplets += result.triplet == 1 ? 1 : 0;
        counts.tied += !request.rightButton && result.tie == TieEnd ? 1 : 0;
    }
    ASSERT_EQ(violation(score, editorOnly), "") << "seed " << seed;
}

TEST(NoteEntryProperty, AnyRequestKeepsEveryMeasureFull) {
    Counts counts;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        runRandomEntries(seed, 2000, false, counts);
        if (HasFatalFailure()) {
            return;
        }
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
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_EQ(counts.entries, 8000);
    EXPECT_GT(counts.refused, 500);
    EXPECT_GT(counts.triplets, 300);
    EXPECT_GT(counts.tied, 30);
    EXPECT_GT(counts.grown, 300);
}

}  // namespace
}  // namespace corvane
