#pragma once
// Qt keys as the virtual-key codes the editor's key handlers take.

namespace corvane {

// The virtual-key code of Qt key `qtKey` (a Qt::Key value); 0 for a key without one.
int virtualKeyCode(int qtKey);

// True for keys that only modify others (Shift, Control, Alt, Meta, AltGr, Caps Lock...): they
// never type a character.
bool isModifierKey(int qtKey);

}  // namespace corvane
