#pragma once
// Qt keys as the keys the editor reacts to.

#include <optional>

#include "editor/keyboard_keys.h"

namespace corvane {

// The editor key of Qt key `qtKey` (a Qt::Key value); none for a key the editor does not use.
std::optional<KeyboardKey> editorKey(int qtKey);

// True for keys that only modify others (Shift, Control, Alt, Meta, AltGr, Caps Lock...): they
// never type a character.
bool isModifierKey(int qtKey);

}  // namespace corvane
