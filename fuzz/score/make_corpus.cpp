// Writes the seed files of the loader fuzzer into the folder given as the only argument.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "score/score.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    using corvane::Score;
    namespace samples = corvane::samples;

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    seeds.emplace_back("default.cvn", samples::encode(Score()));
    seeds.emplace_back("rich.cvn", samples::encode(samples::richScore()));
    seeds.emplace_back("large.cvn", samples::encode(samples::largeScore(6, 5)));

    Score empty;
    empty.clear();
    seeds.emplace_back("empty.cvn", samples::encode(empty));

    Score timelineOnly;
    timelineOnly.addMeasure(-6, 40, 3);
    timelineOnly.addMeasure(6, 255, 5);
    timelineOnly.deleteTrack(0);
    seeds.emplace_back("timeline-only.cvn", samples::encode(timelineOnly));

    Score grown;
    grown.addTrack(33, corvane::Bass);
    grown.addTrack(0, corvane::Drums);
    grown.addMeasure(2, 90, 3);
    grown.tracks[1].measures[1].front().pitches.push_back({-4, corvane::Sharp});
    grown.tracks[2].measures[0].clear();
    seeds.emplace_back("three-tracks.cvn", samples::encode(grown));

    std::vector<std::uint8_t> trailing = samples::encode(Score());
    trailing.insert(trailing.end(), {0xFF, 0xFF, 0xFF, 0x7F});
    seeds.emplace_back("trailing-bytes.cvn", trailing);

    for (const auto& [name, bytes] : seeds) {
        corvane::testing::writeBytes(folder / name, bytes);
    }
    return 0;
}
