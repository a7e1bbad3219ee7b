#include "render/layout.h"

#include <algorithm>
#include <cstdlib>

namespace corvane {

int usableWidth(int clientWidth) {
    return std::max(clientWidth, layout::kMinClientWidth) - layout::kRightMargin;
}

ScreenLayout computeLayout(const Score& score, int firstVisibleMeasure, int clientWidth,
                           int trackScroll) {
    ScreenLayout result;
    result.usableWidth = usableWidth(clientWidth);
    result.firstTrack = firstShownTrack(trackScroll);
    const int remaining = static_cast<int>(score.measures.size()) - firstVisibleMeasure;
    if (remaining <= 0 || firstVisibleMeasure < 0) {
        return result;
    }
    // A window too narrow for one whole measure still shows one.
    const int count = std::max(1, std::min(result.usableWidth / layout::kMeasureWidth, remaining));
    result.measures.reserve(static_cast<std::size_t>(count));

    int previousKey = layout::kNoSignature;
    int previousBeats = layout::kNoSignature;
    int fixed = layout::kLayoutFixed;
    int totalBeats = 0;
    for (int i = 0; i < count; ++i) {
        const MeasureInfo& info = score.measures[static_cast<std::size_t>(firstVisibleMeasure + i)];
        MeasureSlot slot;
        slot.index = firstVisibleMeasure + i;
        slot.beats = info.beats;
        slot.keyWidth = info.key != previousKey ? std::abs(info.key) * layout::kKeySignatureStep +
                                                      layout::kKeySignatureBase
                                                : 0;
        slot.timeWidth = info.beats != previousBeats ? layout::kTimeSignatureWidth : 0;
        fixed += slot.keyWidth + slot.timeWidth + layout::kMeasureGap;
        totalBeats += info.beats;
        previousKey = info.key;
        previousBeats = info.beats;
        result.measures.push_back(slot);
    }
    // A loaded file guarantees positive meters; the guard keeps a damaged model from dividing by 0.
    result.pixelsPerQuarter = totalBeats != 0 ? (result.usableWidth - fixed) / totalBeats : 0;

    int left = layout::kFirstMeasureLeft;
    for (MeasureSlot& slot : result.measures) {
        slot.left = left;
        left = slot.noteAreaEnd(result.pixelsPerQuarter);
    }
    return result;
}

int noteAdvance(const Note& note, int pixelsPerQuarter) {
    const int q = 32 / note.duration;
    int numerator = q;
    int divisor = 8;
    if (note.dots == 1) {
        numerator = 3 * q;
        divisor = 16;
    } else if (note.dots == 2) {
        numerator = 7 * q;
        divisor = 32;
    }
    if (note.triplet != 0) {
        numerator *= 2;
        divisor *= 3;
    }
    return numerator * pixelsPerQuarter / divisor;
}

int clampTrackScroll(long long trackScroll, int trackCount) {
    const long long whole = trackScroll - trackScroll % layout::kTrackSpacing;
    return static_cast<int>(std::clamp<long long>(whole, 0, maxTrackScroll(trackCount)));
}

int rowsInView(int clientHeight) {
    // Row r shows its whole band when its lowest pixel, kBandBottom + 100r, is inside.
    const int below = clientHeight - 1 - layout::kBandBottom;
    return below < 0 ? 1 : below / layout::kTrackSpacing + 1;
}

}  // namespace corvane
