#pragma once
// The SMuFL symbols the printed page uses, with what the layout needs to know about each: its
// code point in the music font (Bravura), its advance, its bounding box and the anchors where
// stems and flags attach, all in staff spaces with y pointing up as in the font; and the
// font's engraving defaults (line thicknesses and beam spacing).

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane::engrave {

enum class Sym : std::uint8_t {
    NoteheadWhole,
    NoteheadHalf,
    NoteheadBlack,
    NoteheadXWhole,
    NoteheadXHalf,
    NoteheadXBlack,
    GClef,
    FClef,
    PercussionClef,
    TimeSig0,  // TimeSig0 + d is the digit d
    TimeSig1,
    TimeSig2,
    TimeSig3,
    TimeSig4,
    TimeSig5,
    TimeSig6,
    TimeSig7,
    TimeSig8,
    TimeSig9,
    AccidentalFlat,
    AccidentalNatural,
    AccidentalSharp,
    Flag8thUp,
    Flag8thDown,
    Flag16thUp,
    Flag16thDown,
    Flag32ndUp,
    Flag32ndDown,
    RestWhole,
    RestHalf,
    RestQuarter,
    Rest8th,
    Rest16th,
    Rest32nd,
    AugmentationDot,
    Tuplet3,
    OttavaAlta,
    OttavaBassaVb,
    QuindicesimaAlta,
    QuindicesimaBassaMb,
    VentiduesimaAlta,
    VentiduesimaBassaMb,
    DynamicPP,
    DynamicPiano,
    DynamicMP,
    DynamicMF,
    DynamicForte,
    DynamicFF,
    MetNoteQuarterUp,
    BracketTop,
    BracketBottom,
    Count
};

// A point in staff spaces relative to the glyph's origin, y up.
struct SymPoint {
    double x = 0;
    double y = 0;
};

// A glyph's bounding box in staff spaces relative to its origin, y up.
struct SymBox {
    double left = 0;
    double bottom = 0;
    double right = 0;
    double top = 0;
};

// The anchors a glyph has in the font's metadata; absent ones stay empty.
struct SymAnchors {
    std::optional<SymPoint> stemUpSE{};    // noteheads: where an up stem's right edge meets
    std::optional<SymPoint> stemDownNW{};  // noteheads: where a down stem's left edge meets
    std::optional<SymPoint> stemUpNW{};    // flags: the top-left corner of an up stem
    std::optional<SymPoint> stemDownSW{};  // flags: the bottom-left corner of a down stem
    std::optional<SymPoint> opticalCenter{};  // dynamics: the point to centre under a note
};

struct SymInfo {
    std::string_view name;  // the SMuFL glyph name
    char32_t codePoint = 0;
    double advance = 0;
    SymBox box;
    SymAnchors anchors;
};

// What the font's metadata says about `sym`.
const SymInfo& symInfo(Sym sym);

// The digit glyph of a time signature, for d in 0..9.
Sym timeSigDigit(int d);

// The font's engraving defaults, in staff spaces.
struct EngravingDefaults {
    double staffLineThickness;
    double stemThickness;
    double legerLineThickness;
    double legerLineExtension;
    double beamThickness;
    double beamSpacing;
    double thinBarlineThickness;
    double thickBarlineThickness;
    double barlineSeparation;
    double bracketThickness;
    double tieEndpointThickness;
    double tieMidpointThickness;
    double tupletBracketThickness;
    double octaveLineThickness;
};

inline constexpr EngravingDefaults kEngraving{
    .staffLineThickness = 0.13,
    .stemThickness = 0.12,
    .legerLineThickness = 0.16,
    .legerLineExtension = 0.4,
    .beamThickness = 0.5,
    .beamSpacing = 0.25,
    .thinBarlineThickness = 0.16,
    .thickBarlineThickness = 0.5,
    .barlineSeparation = 0.4,
    .bracketThickness = 0.5,
    .tieEndpointThickness = 0.1,
    .tieMidpointThickness = 0.22,
    .tupletBracketThickness = 0.16,
    .octaveLineThickness = 0.16,
};

}  // namespace corvane::engrave
