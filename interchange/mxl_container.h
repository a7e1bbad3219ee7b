#pragma once
// Compressed MusicXML (.mxl): a zip file holding the score and META-INF/container.xml, which
// names it. Only the named file is unpacked, and never beyond a size limit, so that a small
// hostile file cannot unpack into gigabytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

// Whether `bytes` begin as a zip file does.
bool isZipFile(std::span<const std::uint8_t> bytes);

// The MusicXML document inside a compressed MusicXML file: the first root file that
// META-INF/container.xml names for MusicXML (without a container, the one .musicxml or .xml file
// at the top of the archive). Raises ImportError with a sentence when the zip is damaged, holds
// no score, or the score would unpack to more than `limit` bytes.
std::vector<std::uint8_t> unpackMxl(std::span<const std::uint8_t> bytes, std::size_t limit);

}  // namespace corvane
