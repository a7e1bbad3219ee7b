// Feeds arbitrary bytes to the score loader. A refused file must leave the score as it was and
// say why; an accepted one must save, load back to the same score and save to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "score/data_file.h"
#include "score/score_reader.h"

namespace {

std::vector<std::uint8_t> save(const corvane::Score& score) {
    corvane::DataFile file = corvane::DataFile::fromBytes({});
    corvane::ScoreReader::write(file, score);
    return file.written();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvane::DataFile;
    using corvane::ScoreReader;

    DataFile input = DataFile::fromBytes(std::vector<std::uint8_t>(data, data + size));
    corvane::Score score;
    const corvane::Score untouched = score;
    const corvane::LoadResult result = ScoreReader::read(input, score);
    if (!result) {
        if (result.reason.empty() || !(score == untouched)) {
            std::abort();
        }
        return 0;
    }

    // Every length must be computable without fault.
    for (const corvane::Track& track : score.tracks) {
        if (track.measures.size() != score.measures.size()) {
            std::abort();
        }
        for (const corvane::TrackMeasure& measure : track.measures) {
            for (const corvane::Note& note : measure) {
                if (corvane::noteTicks(note) <= 0) {
                    std::abort();
                }
            }
        }
    }

    const std::vector<std::uint8_t> first = save(score);
    // Counts at or below zero are written as 0 and trailing bytes are dropped: never longer.
    if (first.size() > size) {
        std::abort();
    }
    DataFile again = DataFile::fromBytes(first);
    corvane::Score reloaded;
    if (!ScoreReader::read(again, reloaded) || !(reloaded == score)) {
        std::abort();
    }
    if (save(reloaded) != first) {
        std::abort();
    }
    return 0;
}
