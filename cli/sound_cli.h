#pragma once
// What the sound commands of corvane-cli share.

#include <string>

#include "cli/cli_util.h"
#include "score/score.h"

namespace corvane::cli {

// Loads a score file as the editor's Open command leaves it: a score without measures gets its
// one default measure, with rests in every track.
Score loadScoreForSound(const std::string& path);

// The --from-measure option: 0 when absent; a usage failure unless it names a measure of `score`.
int firstMeasureOption(const ParsedArgs& parsed, const Score& score);

}  // namespace corvane::cli
