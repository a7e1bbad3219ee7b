// Feeds arbitrary bytes to the MIDI import. A refused file must say why; an imported score must
// keep the editor's rules (every measure exactly full, ties that pair up, values in range) and
// save and reload to the same bytes. Anything else thrown, or a crash, is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "interchange/midi_import.h"
#include "tests/interchange/score_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvane::MidiImport imported;
    try {
        imported = corvane::importMidi(std::span<const std::uint8_t>(data, size));
    } catch (const corvane::ImportError& error) {
        if (std::string(error.what()).empty()) {
            std::abort();
        }
        return 0;
    }
    if (imported.score.measures.size() > corvane::kImportMaxMeasures ||
        imported.score.tracks.size() > corvane::kImportMaxTracks ||
        !corvane::testing::brokenRule(imported.score).empty()) {
        std::abort();
    }
    for (const std::string& line : imported.report) {
        if (line.empty()) {
            std::abort();
        }
    }
    return 0;
}
