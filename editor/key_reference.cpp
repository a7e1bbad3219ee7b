#include "editor/key_reference.h"

#include <algorithm>
#include <array>

#include "editor/toolbar.h"
#include "render/layout.h"

namespace corvane {

namespace {

constexpr std::array<NavigationKeyHelp, 6> kNavigation{{
    {KeyboardKey::Right, "Next measure (adds measures at the end)"},
    {KeyboardKey::Left, "Previous measure"},
    {KeyboardKey::PageDown, "Next screenful of measures"},
    {KeyboardKey::PageUp, "Previous screenful of measures"},
    {KeyboardKey::Home, "First measure"},
    {KeyboardKey::End, "Last measures"},
}};

// Where the mouse acts; the status line says the same over each place.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kMouse{{
    {"Click on a staff", "Place a note with the tools chosen, or add it to the chord"},
    {"Right click on a staff", "Place a rest of the value chosen"},
    {"Click on a track's header", "Track properties"},
    {"Click below the last track", "Add a treble track"},
    {"Click on a measure's number", "Measure properties"},
    {"Right click on a measure's number", "Paste the copied measure"},
    {"Click on a toolbar button", "The tool, as its key does"},
    {"Mouse wheel", "Scroll the tracks, one a notch"},
}};

// A toolbar tip, "Whole note (Z)", as its tool and its keys.
KeyReferenceRow toolRow(std::string_view tip) {
    const std::size_t open = tip.rfind(" (");
    if (open == std::string_view::npos || tip.back() != ')') {
        return {std::string(), std::string(tip)};
    }
    return {std::string(tip.substr(open + 2, tip.size() - open - 3)),
            std::string(tip.substr(0, open))};
}

KeyReferenceSection toolSection() {
    KeyReferenceSection tools{"Entry tools", {}};
    for (int slot = 0; slot < layout::kToolbarSlots; ++slot) {
        const ToolbarSlot& s = toolbarSlot(slot);
        if (s.action == SlotAction::Gap) {
            continue;
        }
        KeyReferenceRow row = toolRow(s.name);
        const bool listed = std::any_of(tools.rows.begin(), tools.rows.end(),
                                        [&](const auto& r) { return r.action == row.action; });
        if (!listed) {
            tools.rows.push_back(std::move(row));
        }
    }
    return tools;
}

}  // namespace

std::span<const NavigationKeyHelp> navigationKeyHelp() {
    return kNavigation;
}

std::string keyDisplayName(KeyboardKey key) {
    for (const NamedKey& named : namedKeys()) {
        if (named.key == key) {
            // "PageUp" is written "Page Up".
            std::string shown;
            for (const char c : named.name) {
                if (c >= 'A' && c <= 'Z' && !shown.empty()) {
                    shown += ' ';
                }
                shown += c;
            }
            return shown;
        }
    }
    return {};
}

std::vector<KeyReferenceSection> editorKeyReference() {
    std::vector<KeyReferenceSection> sections{toolSection()};
    KeyReferenceSection moving{"Moving through the score", {}};
    for (const NavigationKeyHelp& help : kNavigation) {
        moving.rows.push_back({keyDisplayName(help.key), std::string(help.action)});
    }
    sections.push_back(std::move(moving));
    KeyReferenceSection mouse{"Mouse", {}};
    for (const auto& [where, what] : kMouse) {
        mouse.rows.push_back({std::string(where), std::string(what)});
    }
    sections.push_back(std::move(mouse));
    return sections;
}

}  // namespace corvane
