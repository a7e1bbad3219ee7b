// Feeds arbitrary text to the reader of recovery records, which the start of every editor reads
// from whatever another editor, a crash or a damaged disk left in the recovery folder. A text
// that is not a record must say so; a record must write back to a text that reads as the same
// record, and that text must write back to itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "recovery/recovery_files.h"
#include "recovery/recovery_offer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<corvane::RecoveryRecord> record = corvane::parseRecord(text);
    if (!record) {
        return 0;
    }
    const std::string written = corvane::formatRecord(*record);
    const std::optional<corvane::RecoveryRecord> again = corvane::parseRecord(written);
    if (!again || !(*again == *record) || corvane::formatRecord(*again) != written) {
        std::abort();
    }
    // The question at start names what the record belongs to, and when it was written.
    if (corvane::copyTitle(*record).empty() || corvane::describeTime(record->time).empty()) {
        std::abort();
    }
    return 0;
}
