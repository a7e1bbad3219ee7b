#include "engrave/smufl.h"

#include <array>
#include <cstddef>

namespace corvane::engrave {

namespace {

// Copied from Bravura's metadata.json (third_party/bravura); the code points are SMuFL's. In the
// order of Sym.
// clang-format off
constexpr std::array<SymInfo, static_cast<std::size_t>(Sym::Count)> kSymbols{{
    {"noteheadWhole", 0xE0A2, 1.688, {0.0, -0.5, 1.688, 0.5}, {}},
    {"noteheadHalf", 0xE0A3, 1.18, {0.0, -0.5, 1.18, 0.5}, {.stemUpSE = SymPoint{1.18, 0.168}, .stemDownNW = SymPoint{0.0, -0.168}}},
    {"noteheadBlack", 0xE0A4, 1.18, {0.0, -0.5, 1.18, 0.5}, {.stemUpSE = SymPoint{1.18, 0.168}, .stemDownNW = SymPoint{0.0, -0.168}}},
    {"noteheadXWhole", 0xE0A7, 1.508, {0.0, -0.5, 1.508, 0.5}, {}},
    {"noteheadXHalf", 0xE0A8, 1.336, {0.0, -0.5, 1.336, 0.5}, {.stemUpSE = SymPoint{1.336, 0.412}, .stemDownNW = SymPoint{0.0, -0.412}}},
    {"noteheadXBlack", 0xE0A9, 1.16, {0.0, -0.5, 1.16, 0.5}, {.stemUpSE = SymPoint{1.16, 0.444}, .stemDownNW = SymPoint{0.0, -0.44}}},
    {"gClef", 0xE050, 2.684, {0.0, -2.632, 2.684, 4.392}, {}},
    {"fClef", 0xE062, 2.736, {-0.02, -2.54, 2.736, 1.048}, {}},
    {"unpitchedPercussionClef1", 0xE069, 1.528, {0.0, -1.0, 1.528, 1.0}, {}},
    {"timeSig0", 0xE080, 1.88, {0.08, -1.0, 1.8, 1.004}, {}},
    {"timeSig1", 0xE081, 1.336, {0.08, -1.0, 1.256, 1.004}, {}},
    {"timeSig2", 0xE082, 1.784, {0.08, -1.028, 1.704, 1.016}, {}},
    {"timeSig3", 0xE083, 1.684, {0.08, -1.004, 1.604, 0.996}, {}},
    {"timeSig4", 0xE084, 1.88, {0.08, -1.0, 1.8, 1.004}, {}},
    {"timeSig5", 0xE085, 1.612, {0.08, -1.004, 1.532, 0.984}, {}},
    {"timeSig6", 0xE086, 1.736, {0.08, -0.996, 1.656, 1.004}, {}},
    {"timeSig7", 0xE087, 1.764, {0.08, -1.0, 1.684, 0.996}, {}},
    {"timeSig8", 0xE088, 1.744, {0.08, -1.036, 1.664, 1.036}, {}},
    {"timeSig9", 0xE089, 1.736, {0.08, -0.996, 1.656, 1.004}, {}},
    {"accidentalFlat", 0xE260, 0.904, {0.0, -0.7, 0.904, 1.756}, {}},
    {"accidentalNatural", 0xE261, 0.672, {0.0, -1.34, 0.672, 1.364}, {}},
    {"accidentalSharp", 0xE262, 0.996, {0.0, -1.392, 0.996, 1.4}, {}},
    {"flag8thUp", 0xE240, 1.056, {0.0, -3.240768, 1.056, 0.035212}, {.stemUpNW = SymPoint{0.0, -0.04}}},
    {"flag8thDown", 0xE241, 1.224, {0.0, -0.057567, 1.224, 3.232897}, {.stemDownSW = SymPoint{0.0, 0.132}}},
    {"flag16thUp", 0xE242, 1.116, {0.0, -3.252, 1.116, 0.008}, {.stemUpNW = SymPoint{0.0, -0.088}}},
    {"flag16thDown", 0xE243, 1.168, {-1.9e-05, -0.036011, 1.163581, 3.248026}, {.stemDownSW = SymPoint{0.0, 0.128}}},
    {"flag32ndUp", 0xE244, 1.048, {0.0, -3.248, 1.044, 0.596}, {.stemUpNW = SymPoint{0.0, 0.376}}},
    {"flag32ndDown", 0xE245, 1.096, {0.0, -0.687477, 1.092, 3.248}, {.stemDownSW = SymPoint{0.0, -0.448}}},
    {"restWhole", 0xE4E3, 1.132, {0.0, -0.54, 1.128, 0.036}, {}},
    {"restHalf", 0xE4E4, 1.132, {0.0, -0.008, 1.128, 0.568}, {}},
    {"restQuarter", 0xE4E5, 1.08, {0.004, -1.5, 1.08, 1.492}, {}},
    {"rest8th", 0xE4E6, 1.0, {0.0, -1.004, 0.988, 0.696}, {}},
    {"rest16th", 0xE4E7, 1.28, {0.0, -2.0, 1.28, 0.716}, {}},
    {"rest32nd", 0xE4E8, 1.452, {0.0, -2.0, 1.452, 1.704}, {}},
    {"augmentationDot", 0xE1E7, 0.4, {0.0, -0.2, 0.4, 0.2}, {}},
    {"tuplet3", 0xE883, 1.184, {0.04, -0.032, 1.224, 1.5}, {}},
    {"ottavaAlta", 0xE511, 3.54, {0.0, -0.04, 3.54, 1.852}, {}},
    {"ottavaBassaVb", 0xE51C, 3.184, {0.0, -0.04, 3.184, 1.852}, {}},
    {"quindicesimaAlta", 0xE515, 5.26, {0.0, -0.04, 5.26, 1.844}, {}},
    {"quindicesimaBassaMb", 0xE51D, 4.924, {0.0, -0.04, 4.928, 1.844}, {}},
    {"ventiduesimaAlta", 0xE518, 5.712, {0.016, -0.028, 5.712, 1.852}, {}},
    {"ventiduesimaBassaMb", 0xE51E, 5.34, {0.016, -0.028, 5.34, 1.852}, {}},
    {"dynamicPP", 0xE52B, 2.908, {-0.328, -0.568, 2.912, 1.096}, {.opticalCenter = SymPoint{1.708, 0.0}}},
    {"dynamicPiano", 0xE520, 1.46, {-0.356, -0.568, 1.464, 1.096}, {.opticalCenter = SymPoint{1.22, 0.0}}},
    {"dynamicMP", 0xE52C, 3.304, {-0.08, -0.568, 3.3, 1.096}, {.opticalCenter = SymPoint{1.848, 0.0}}},
    {"dynamicMF", 0xE52D, 3.188, {-0.08, -0.66, 3.272, 1.724}, {.opticalCenter = SymPoint{1.796, 0.0}}},
    {"dynamicForte", 0xE522, 1.456, {-0.564, -0.608, 1.456, 1.776}, {.opticalCenter = SymPoint{1.256, 0.0}}},
    {"dynamicFF", 0xE52F, 2.436, {-0.54, -0.608, 2.44, 1.776}, {.opticalCenter = SymPoint{1.852, 0.0}}},
    {"metNoteQuarterUp", 0xECA5, 1.328, {0.0, -0.564, 1.328, 2.752}, {}},
    {"bracketTop", 0xE003, 1.876, {0.0, 0.0, 1.876, 1.18}, {}},
    {"bracketBottom", 0xE004, 1.876, {0.0, -1.18, 1.876, 0.0}, {}},
}};
// clang-format on

}  // namespace

const SymInfo& symInfo(Sym sym) {
    return kSymbols[static_cast<std::size_t>(sym)];
}

Sym timeSigDigit(int d) {
    return static_cast<Sym>(static_cast<int>(Sym::TimeSig0) + (d < 0 ? 0 : d > 9 ? 9 : d));
}

}  // namespace corvane::engrave
