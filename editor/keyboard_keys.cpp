#include "editor/keyboard_keys.h"

#include <algorithm>
#include <array>

namespace corvane {

namespace {

constexpr std::array<NamedKey, 24> kNamedKeys{{
    {"Shift", 16, KeyboardKey::Shift},
    {"PageUp", 33, KeyboardKey::PageUp},
    {"PageDown", 34, KeyboardKey::PageDown},
    {"End", 35, KeyboardKey::End},
    {"Home", 36, KeyboardKey::Home},
    {"Left", 37, KeyboardKey::Left},
    {"Up", 38, KeyboardKey::Up},
    {"Right", 39, KeyboardKey::Right},
    {"Down", 40, std::nullopt},
    {"F1", 0, std::nullopt},
    {"F2", 0, std::nullopt},
    {"F3", 0, std::nullopt},
    {"F4", 0, std::nullopt},
    {"F5", 0, std::nullopt},
    {"F6", 0, std::nullopt},
    {"F7", 0, std::nullopt},
    {"F8", 0, std::nullopt},
    {"F9", 0, std::nullopt},
    {"F10", 0, std::nullopt},
    {"F11", 0, std::nullopt},
    {"F12", 0, std::nullopt},
    {"Escape", 0, std::nullopt},
    {"Return", 0, std::nullopt},
    {"Delete", 0, std::nullopt},
}};

}  // namespace

std::span<const NamedKey> namedKeys() {
    return kNamedKeys;
}

const NamedKey* keyNamed(std::string_view name) {
    const auto found = std::find_if(kNamedKeys.begin(), kNamedKeys.end(),
                                    [name](const NamedKey& k) { return k.name == name; });
    return found == kNamedKeys.end() ? nullptr : &*found;
}

std::optional<KeyboardKey> keyNumbered(int number) {
    if (number == 0) {
        return std::nullopt;
    }
    const auto found = std::find_if(kNamedKeys.begin(), kNamedKeys.end(),
                                    [number](const NamedKey& k) { return k.number == number; });
    return found == kNamedKeys.end() ? std::nullopt : found->key;
}

}  // namespace corvane
