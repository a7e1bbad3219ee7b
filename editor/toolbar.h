#pragma once
// The toolbar's 24 slots: what each does when pressed and what it is called, with the key that
// does the same. The toolbar is painted, so the window asks here what lies under the pointer.

#include <optional>
#include <string>
#include <string_view>

#include "render/canvas.h"
#include "render/entry_tools.h"

namespace corvane {

// What a toolbar slot does: a typed character, a special action, or nothing (a gap).
enum class SlotAction { Gap, Char, SingleDot, DoubleDot, Play, Stop };

struct ToolbarSlot {
    SlotAction action = SlotAction::Gap;
    char32_t character = 0;  // for SlotAction::Char: the character it types
    std::string_view name;   // the tip: the tool's name and its key; empty for a gap
};

// Slot `slot`, 0..23.
const ToolbarSlot& toolbarSlot(int slot);

// The slot under `point` (client pixels), gaps included; none off the toolbar.
std::optional<int> toolbarSlotAt(Point point);

// The area slot `slot` covers.
Rect toolbarSlotArea(int slot);

// The tip of slot `slot` with the tools as they are: its name and key, and whether the tool it
// sets is locked on; empty for a gap.
std::string toolbarTip(int slot, const EntryTools& tools);

}  // namespace corvane
