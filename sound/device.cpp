#include "sound/device.h"

namespace corvane {

SequencerId SilentSoundDevice::openSequencer(const std::string&) {
    // Ids only need to be non-zero; wrap past 0.
    if (++lastId_ == 0) {
        ++lastId_;
    }
    return lastId_;
}

}  // namespace corvane
