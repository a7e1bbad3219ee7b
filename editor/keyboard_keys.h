#pragma once
// The keyboard keys the editor reacts to besides typed characters, and the one table of keys by
// name and number that replay scripts use. The window translates its toolkit's key codes into
// these keys.

#include <optional>
#include <span>
#include <string_view>

namespace corvane {

enum class KeyboardKey { Shift, PageUp, PageDown, End, Home, Left, Up, Right };

// A key as scripts give it: its name, the number older scripts use for it (its virtual-key
// code; 0 for a key that has none), and the editor key it is (none for a key the editor does
// not react to).
struct NamedKey {
    std::string_view name;
    int number = 0;
    std::optional<KeyboardKey> key;
};

// Every key a script may name.
std::span<const NamedKey> namedKeys();

// The key called `name` (as written: "PageUp", "F1"); null for no such name.
const NamedKey* keyNamed(std::string_view name);

// The editor key whose number is `number` (33 is PageUp); none for a number that names no key
// the editor reacts to.
std::optional<KeyboardKey> keyNumbered(int number);

}  // namespace corvane
