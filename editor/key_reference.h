#pragma once
// What the keys and the mouse do in the editor, for Help > Keyboard Shortcuts: built from the
// tables the editor itself runs on (the toolbar's tools with their keys, the navigation keys),
// so the help says what the program does.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/keyboard_keys.h"

namespace corvane {

struct KeyReferenceRow {
    std::string keys;    // "Z", "Page Up", "Right click on a note"
    std::string action;  // "Whole note", "Show the previous screenful of measures"
};

struct KeyReferenceSection {
    std::string title;
    std::vector<KeyReferenceRow> rows;
};

// A navigation key and what it does.
struct NavigationKeyHelp {
    KeyboardKey key;
    std::string_view action;
};

// Every key that moves the view, as the editor handles it.
std::span<const NavigationKeyHelp> navigationKeyHelp();

// The name a person reads for `key`, from the table of key names: "Page Up", "Left".
std::string keyDisplayName(KeyboardKey key);

// The sections of the reference: the entry tools and their keys (each toolbar tool once), the
// keys that move through the score, and the mouse.
std::vector<KeyReferenceSection> editorKeyReference();

}  // namespace corvane
