#include "score/dynamic_levels.h"

namespace corvane {

std::optional<DynamicLevel> dynamicLevelOf(int velocity) {
    for (const DynamicLevel& level : kDynamicLevels) {
        if (level.velocity == velocity) {
            return level;
        }
    }
    return std::nullopt;
}

}  // namespace corvane
