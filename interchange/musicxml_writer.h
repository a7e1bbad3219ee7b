#pragma once
// Exporting a score as uncompressed MusicXML 3.0 (score-partwise), which notation programs read:
// one part per track, each Note with the type, dots, triplet, accidentals, octave shift and
// velocity the editor shows, every <duration> exactly what its note value says, and ties where
// Write Midi holds the keys.

#include <string>

#include "score/score.h"

namespace corvane {

// The MusicXML document of `score`, UTF-8. Raises FileError when the score has no tracks or no
// measures: a MusicXML file needs at least one part and one measure.
std::string musicXmlText(const Score& score);

// Writes musicXmlText(score) to `path` atomically. Raises FileError; an old file at `path` then
// stays as it was.
void writeMusicXmlFile(const std::string& path, const Score& score);

}  // namespace corvane
