// Writes the seed files of the MIDI import fuzzer into the folder given as the only argument:
// files the program writes, and files of other programs' habits (running status, meters, keys,
// other divisions, unended and overlapping notes, events a score has no place for).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "score/score.h"
#include "sound/player.h"
#include "tests/interchange/smf_builder.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace {

using corvane::testing::SmfBuilder;

// Format 0 at 480 ticks per quarter: three channels with running status, Note On velocity 0 as
// Note Off, a meter, a key, a tempo, a controller and a system exclusive event.
std::vector<std::uint8_t> formatZero() {
    SmfBuilder file(0, 480);
    file.track().meter(0, 6, 3).key(0, -3).tempo(0, 400000).program(0, 0, 40).program(0, 9, 0);
    file.event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).event(0, {0xB0, 0x07, 100});
    file.on(0, 0, 60, 90).event(0, {62, 80}).on(0, 9, 36, 100).event(240, {0x99, 36, 0});
    file.event(0, {0x90, 60, 0}).event(0, {62, 0}).on(0, 1, 43, 70).on(479, 0, 64, 70);
    file.off(483, 0, 64).off(0, 1, 43).end();
    return file.bytes();
}

// Format 1 at 96 ticks per quarter with a conductor chunk: 7/8 then 2/4, seven sharps, notes that
// overlap, start together with other lengths, never end, are held by the sustain pedal, and
// drums beyond the drum line.
std::vector<std::uint8_t> formatOne() {
    SmfBuilder file(1, 96);
    file.track().meter(0, 7, 3).key(0, 7).tempo(0, 600000).meter(672, 2, 2).tempo(50, 250000).end();
    file.track().program(0, 2, 73).event(0, {0xB2, 64, 127}).on(0, 2, 72, 60).on(0, 2, 76, 64);
    file.off(100, 2, 72).event(20, {0xB2, 64, 0});
    file.on(0, 2, 79, 90).off(20, 2, 76).off(200, 2, 79).on(33, 2, 81, 50).end(10);
    file.track().on(5, 9, 20, 100).on(0, 9, 42, 90).off(30, 9, 42).on(66, 9, 127, 20).end();
    return file.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    namespace samples = corvane::samples;
    using corvane::Player;

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    seeds.emplace_back("default.mid", Player::midiFileBytes(corvane::Score(), 0));
    seeds.emplace_back("rich.mid", Player::midiFileBytes(samples::richScore(), 0));
    seeds.emplace_back("large.mid", Player::midiFileBytes(samples::largeScore(6, 5), 0));
    seeds.emplace_back("format0.mid", formatZero());
    seeds.emplace_back("format1.mid", formatOne());
    std::vector<std::uint8_t> smpte = formatZero();
    smpte[12] = 0xE7;  // 25 frames per second
    seeds.emplace_back("smpte.mid", smpte);
    std::vector<std::uint8_t> patterns = formatOne();
    patterns[9] = 2;  // format 2
    seeds.emplace_back("format2.mid", patterns);

    for (const auto& [name, bytes] : seeds) {
        corvane::testing::writeBytes(folder / name, bytes);
    }
    return 0;
}
