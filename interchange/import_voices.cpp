#include "interchange/import_voices.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace corvane {

namespace {

// Differences within a thirty-second note are how a player's hands differ, not the music.
std::int64_t tolerance(int division) {
    return division / 8;
}

// Whether `earlier` (starting no later than `later`, and still sounding when it starts) and
// `later` overlap with other lengths: their lengths differ by more than half of the shorter one,
// and they start together or `earlier` sounds through more than half of `later`.
bool clash(const SourceNote& earlier, const SourceNote& later, std::int64_t tolerance) {
    const std::int64_t a = earlier.off - earlier.on;
    const std::int64_t b = later.off - later.on;
    if (std::llabs(a - b) <= std::max(tolerance, std::min(a, b) / 2)) {
        return false;
    }
    const std::int64_t together = std::min(earlier.off, later.off) - later.on;
    return later.on - earlier.on <= tolerance || together > std::max(tolerance, b / 2);
}

}  // namespace

void SustainPedal::change(std::int64_t tick, bool down) {
    const bool wasDown = !changes_.empty() && changes_.back().down;
    if (down != wasDown) {
        changes_.push_back({tick, down});
    }
}

std::int64_t SustainPedal::release(std::int64_t off, std::int64_t end) const {
    // The last change before `off`; the pedal is up before the first.
    const auto after = std::lower_bound(changes_.begin(), changes_.end(), off,
                                        [](const Change& c, std::int64_t t) { return c.tick < t; });
    if (after == changes_.begin() || !std::prev(after)->down) {
        return off;
    }
    // Changes alternate: the next one releases the pedal.
    return after == changes_.end() ? std::max(end, off) : after->tick;
}

std::size_t holdWithPedal(std::vector<SourceNote>& notes, const SustainPedal& pedal,
                          std::int64_t end) {
    if (pedal.empty()) {
        return 0;
    }
    // The starts of each key, in time order: striking a key again ends what the pedal holds.
    std::array<std::vector<std::int64_t>, 128> starts;
    for (const SourceNote& note : notes) {
        starts[note.key].push_back(note.on);
    }
    std::size_t held = 0;
    for (SourceNote& note : notes) {
        if (note.off < note.on) {
            continue;
        }
        std::int64_t off = pedal.release(note.off, end);
        const std::vector<std::int64_t>& key = starts[note.key];
        const auto next = std::lower_bound(key.begin(), key.end(), std::max(note.off, note.on + 1));
        if (next != key.end()) {
            off = std::min(off, *next);
        }
        if (off > note.off) {
            note.off = off;
            ++held;
        }
    }
    return held;
}

std::vector<std::vector<SourceNote>> separateVoices(const std::vector<SourceNote>& notes,
                                                    int division, std::size_t maxVoices,
                                                    std::size_t& crowded) {
    const std::int64_t slack = tolerance(division);
    std::vector<std::vector<SourceNote>> voices(1);
    voices.front().reserve(notes.size());  // where most notes go
    // The notes of each voice that may still sound.
    std::vector<std::vector<SourceNote>> sounding(1);
    for (const SourceNote& note : notes) {
        const auto fits = [&](std::vector<SourceNote>& open) {
            std::erase_if(open, [&](const SourceNote& o) { return o.off <= note.on; });
            return note.off < note.on ||
                   std::none_of(open.begin(), open.end(), [&](const SourceNote& o) {
                       return o.off > o.on && clash(o, note, slack);
                   });
        };
        std::size_t voice = 0;
        while (voice < voices.size() && !fits(sounding[voice])) {
            ++voice;
        }
        if (voice == voices.size()) {
            if (voices.size() < maxVoices) {
                voices.emplace_back();
                sounding.emplace_back();
            } else {
                voice = 0;
                ++crowded;
            }
        }
        voices[voice].push_back(note);
        sounding[voice].push_back(note);
    }
    return voices;
}

}  // namespace corvane
