#pragma once
// Importing a Standard MIDI File as a new score, with a report of what had to be approximated.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "interchange/import_error.h"
#include "score/score.h"

namespace corvane {

// Files that would need more measures or tracks than these are refused.
inline constexpr std::size_t kImportMaxMeasures = 10000;
inline constexpr std::size_t kImportMaxTracks = 64;

struct MidiImport {
    Score score;
    // One line per kind of approximation the import made, with its count; empty when it is exact.
    std::vector<std::string> report;
};

// Builds a score from the bytes of a Standard MIDI File (format 0 or 1). Raises ImportError with
// a sentence saying why when they cannot become a score.
MidiImport importMidi(std::span<const std::uint8_t> bytes);

// The same for the file at `path`. Raises FileError when the file cannot be read.
MidiImport importMidiFile(const std::string& path);

}  // namespace corvane
