#pragma once
// Widths of the text the pages print, for the layout: the advance widths of Nimbus Sans (the
// font the pages use for text), so that names and numbers get their room without asking Qt.

#include <cstdint>
#include <string_view>

namespace corvane::engrave {

enum class TextFace : std::uint8_t { Regular, Bold, Italic };

// Height of a capital letter, in ems.
inline constexpr double kCapHeightEm = 0.729;

// The advance width of UTF-8 `text` set in `face`, in ems, without kerning. Characters outside
// ASCII count as wide as a digit.
double textWidthEm(std::string_view text, TextFace face);

}  // namespace corvane::engrave
