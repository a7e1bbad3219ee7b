#include "editor/toolbar.h"

#include <array>

#include "render/layout.h"

namespace corvane {

namespace {

// The keys are those the keyboard handling gives each tool; the dot key cycles from one dot on
// to two.
constexpr std::array<ToolbarSlot, layout::kToolbarSlots> kSlots{{
    {SlotAction::Char, U'z', "Whole note (Z)"},
    {SlotAction::Char, U'x', "Half note (X)"},
    {SlotAction::Char, U'c', "Quarter note (C)"},
    {SlotAction::Char, U'v', "Eighth note (V)"},
    {SlotAction::Char, U'b', "Sixteenth note (B)"},
    {SlotAction::Char, U'n', "Thirty-second note (N)"},
    {},
    {SlotAction::SingleDot, 0, "Dot (D)"},
    {SlotAction::DoubleDot, 0, "Double dot (D three times)"},
    {},
    {SlotAction::Char, U't', "Triplet (T)"},
    {},
    {SlotAction::Char, U's', "Sharp (S)"},
    {SlotAction::Char, U'f', "Flat (F)"},
    {},
    {SlotAction::Char, U'q', "Octave up / down (Q / A)"},
    {SlotAction::Char, U'a', "Octave up / down (Q / A)"},
    {},
    {SlotAction::Char, U'g', "Tie (G)"},
    {},
    {SlotAction::Play, 0, "Play / Stop (Space)"},
    {SlotAction::Stop, 0, "Play / Stop (Space)"},
    {},
    {SlotAction::Char, U'r', "Dynamic\u2026 (R)"},
}};

// Whether the tool of slot `slot` is lit as the toolbar shows it, and locked (it stays for
// every entry).
bool toolbarLocked(int slot, const EntryTools& tools) {
    switch (slot) {
        case 7:
            return tools.pendingDots == 1 && tools.dotsLocked;
        case 8:
            return tools.pendingDots != 0 && tools.pendingDots != 1 && tools.dotsLocked;
        case 10:
            return tools.pendingTriplet && tools.tripletLocked;
        case 12:
            return tools.pendingAccidental == Sharp && tools.accidentalLocked;
        case 13:
            return tools.pendingAccidental != AccidentalNone && tools.pendingAccidental != Sharp &&
                   tools.accidentalLocked;
        case 15:
            return tools.pendingOctave == 1 && tools.octaveLocked;
        case 16:
            return tools.pendingOctave != 0 && tools.pendingOctave != 1 && tools.octaveLocked;
        case 18:
            return tools.pendingTie && tools.tieLocked;
        default:
            return false;
    }
}

}  // namespace

const ToolbarSlot& toolbarSlot(int slot) {
    return kSlots.at(static_cast<std::size_t>(slot));
}

std::optional<int> toolbarSlotAt(Point point) {
    if (point.y < layout::kToolbarTop || point.y > layout::kToolbarBottom ||
        point.x < layout::kToolbarLeft) {
        return std::nullopt;
    }
    const int slot = (point.x - layout::kToolbarLeft) / layout::kToolbarSlotWidth;
    if (slot >= layout::kToolbarSlots) {
        return std::nullopt;
    }
    return slot;
}

Rect toolbarSlotArea(int slot) {
    const int left = layout::kToolbarLeft + layout::kToolbarSlotWidth * slot;
    return Rect{left, layout::kToolbarTop, left + layout::kToolbarSlotWidth,
                layout::kToolbarBottom + 1};
}

std::string toolbarTip(int slot, const EntryTools& tools) {
    std::string tip(toolbarSlot(slot).name);
    if (toolbarLocked(slot, tools)) {
        tip += ", locked";
    }
    return tip;
}

}  // namespace corvane
