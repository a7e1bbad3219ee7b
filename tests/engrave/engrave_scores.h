#pragma once
// Scores for the tests of the printed page, and what a correct page must show of them.

#include <filesystem>
#include <string>
#include <vector>

#include "score/score.h"

namespace corvane::testing {

// The score a replay script's "#>" lines describe (the dump of tests/cli/replay/replay_test.cpp),
// or nothing when the script has none.
std::vector<std::string> scoreDumpOf(const std::filesystem::path& script);
Score parseScoreDump(const std::vector<std::string>& lines);

// The final score of every replay script in `folder` that states one, by script name.
std::vector<std::pair<std::string, Score>> replayGoldenScores(const std::filesystem::path& folder);

// Note heads of the tracks `tracks` (all when empty).
std::size_t headCount(const Score& score, const std::vector<int>& tracks = {});

// The measures where a tempo mark belongs: the first, and each whose tempo differs from the one
// before.
std::size_t tempoMarkCount(const Score& score);

// A score of `measures` 4/4 measures of one treble track holding `notes` per measure.
Score simpleScore(int measures, const std::vector<Note>& notes, TrackKind kind = Treble);

// A sounding Note of `duration` at the staff positions `positions`.
Note noteAt(int duration, std::vector<int> positions, int velocity = 90);

}  // namespace corvane::testing
