// Writes the seed records of the recovery record fuzzer into the folder given as the only
// argument: records as editors write them, and the damaged and unusual ones the reader copes
// with.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "recovery/recovery_files.h"
#include "tests/score/test_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    using corvane::formatRecord;
    using corvane::RecoveryRecord;
    using corvane::WallTime;
    const WallTime someDay(std::chrono::seconds(1796658240));

    const std::string header = "corvane recovery record 1\n";
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"song.record", formatRecord(RecoveryRecord{"/home/ana/song.cvn", someDay})},
        {"untitled.record", formatRecord(RecoveryRecord{"", someDay})},
        {"escaped.record",
         formatRecord(RecoveryRecord{"/tmp/a\\b\nfile: /etc/passwd\r.cvn", WallTime{}})},
        {"folder.record", formatRecord(RecoveryRecord{"/home/ana/", someDay})},
        {"before-1970.record",
         formatRecord(RecoveryRecord{"/m\xc3\xbasica/\xc3\xa9t\xc3\xa9.cvn",
                                     WallTime(std::chrono::seconds(-86400))})},
        {"bad-time.record", header + "file: /a.cvn\ntime: soon\n"},
        {"huge-time.record", header + "time: 9223372036854775807\nfile: /a.cvn\n"},
        {"header-only.record", header},
        {"no-newline.record", "corvane recovery record 1"},
        {"other-lines.record", header + "owner: someone\nfile: \\\ntime: 12\nfile: /b.cvn"},
        {"not-a-record.record", "CVNhd\x01"},
    };
    for (const auto& [name, text] : seeds) {
        corvane::testing::writeBytes(folder / name,
                                     std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    return 0;
}
