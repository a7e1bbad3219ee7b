#pragma once
// The dynamic levels pp to ff and the velocity each stands for. Forte is the score's default
// velocity, 90 (MusicXML's forte too); the others step from it.

#include <array>
#include <optional>
#include <string_view>

namespace corvane {

struct DynamicLevel {
    std::string_view mark;  // "pp", "p", "mp", "mf", "f", "ff"
    int velocity;
};

inline constexpr std::array<DynamicLevel, 6> kDynamicLevels{{
    {"pp", 36},
    {"p", 54},
    {"mp", 68},
    {"mf", 80},
    {"f", 90},
    {"ff", 108},
}};

// The level whose velocity is exactly `velocity`, if one is.
std::optional<DynamicLevel> dynamicLevelOf(int velocity);

}  // namespace corvane
