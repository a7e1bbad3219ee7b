#include "cli/sound_cli.h"

namespace corvane::cli {

Score loadScoreForSound(const std::string& path) {
    Score score = loadScore(path);
    if (score.measures.empty()) {
        score.addMeasure(0, 120, 4);
    }
    return score;
}

int firstMeasureOption(const ParsedArgs& parsed, const Score& score) {
    const auto last = static_cast<std::int32_t>(score.measures.size()) - 1;
    if (parsed.has("--from-measure")) {
        const std::int32_t n = parseInt(parsed.value("--from-measure"), "--from-measure");
        if (n < 0 || n > last) {
            failUsage("--from-measure " + parsed.value("--from-measure") +
                      " is not a measure of the score, which has measures 0 to " +
                      std::to_string(last) + ".");
        }
        return n;
    }
    return 0;
}

}  // namespace corvane::cli
