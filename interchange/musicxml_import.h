#pragma once
// Importing a MusicXML score (score-partwise, versions 3.0 to 4.0; plain or compressed .mxl) as a
// new score, with a report of what had to be approximated or left out.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "interchange/import_error.h"
#include "score/score.h"

namespace corvane {

// The largest MusicXML document read, plain or unpacked from a compressed file.
inline constexpr std::size_t kMusicXmlMaxBytes = std::size_t{256} << 20;

struct MusicXmlImport {
    Score score;
    // One line per kind of approximation or omission, with its count; empty when exact.
    std::vector<std::string> report;
};

// Builds a score from the bytes of a MusicXML file, plain or compressed. Parts become tracks
// (one for each staff and voice that plays), measures keep their meters where the score can
// hold them, and the same caps as Import MIDI apply (10,000 measures, 64 tracks). Raises
// ImportError with a sentence saying why when the bytes cannot become a score.
MusicXmlImport importMusicXml(std::span<const std::uint8_t> bytes);

// The same for the file at `path`. Raises FileError when the file cannot be read.
MusicXmlImport importMusicXmlFile(const std::string& path);

}  // namespace corvane
