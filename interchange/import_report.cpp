#include "interchange/import_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace corvane {

namespace {

// A number with at most three decimals and no trailing zeros: 0.5, 0.021, 2.
std::string decimal(double value) {
    char text[32];
    // Small amounts keep two significant digits rather than rounding to 0.
    std::snprintf(text, sizeof text, value > 0 && value < 0.01 ? "%.2g" : "%.3f", value);
    if (value > 0 && value < 0.01) {
        return text;
    }
    std::string out = text;
    while (out.back() == '0') {
        out.pop_back();
    }
    if (out.back() == '.') {
        out.pop_back();
    }
    return out;
}

std::string keyName(int key) {
    if (key == 0) {
        return "no sharps or flats";
    }
    const int n = std::abs(key);
    return std::to_string(n) + (key > 0 ? " sharp" : " flat") + (n == 1 ? "" : "s");
}

struct KindText {
    const char* sentence;  // the line up to the count
    const char* unit;      // what the largest change is measured in, or null
};

constexpr std::array<KindText, ImportReport::KindCount> kTexts = {{
    {"Note starts moved to the nearest note value", "beats"},
    {"Note ends moved to the nearest note value", "beats"},
    {"Notes cut to the shortest note they start with", nullptr},
    {"Notes cut where the next note of their track starts", nullptr},
    {"Notes that never end, closed at the end of their track", nullptr},
    {"Notes without length left out", nullptr},
    {"Notes struck twice at once, kept once", nullptr},
    {"Notes given the velocity of the loudest note they start with", nullptr},
    {"Notes moved by octaves to fit the staff", nullptr},
    {"Drum notes beyond the drum line left out", nullptr},
    {"Program changes after a track's first left out", nullptr},
    {"Controller, pitch-bend and pressure events left out", nullptr},
    {"Tempos rounded to whole beats per minute", "beats per minute"},
    {"Tempos above 255 beats per minute set to 255", nullptr},
    {"Tempo changes moved to a bar line", "beats"},
    {"Measures of another length than the file's meter, to keep notes, tempo changes and meter "
     "changes at their ticks",
     nullptr},
    {"Notes held by the sustain pedal, lengthened to its release", nullptr},
    {"Tracks added for notes of other lengths that overlap on one channel", nullptr},
    {"Overlapping notes of other lengths left on their track, a score holding at most 64 "
     "tracks",
     nullptr},
}};

}  // namespace

void ImportReport::add(Kind kind, std::int64_t count, double amount) {
    counts_[kind] += count;
    largest_[kind] = std::max(largest_[kind], amount);
}

void ImportReport::merge(const ImportReport& other) {
    for (std::size_t kind = 0; kind < counts_.size(); ++kind) {
        counts_[kind] += other.counts_[kind];
        largest_[kind] = std::max(largest_[kind], other.largest_[kind]);
    }
    for (const auto& [meter, byBeats] : other.rebarred_) {
        for (const auto& [beats, count] : byBeats) {
            rebarred_[meter][beats] += count;
        }
    }
    for (const auto& [keys, count] : other.respelled_) {
        respelled_[keys] += count;
    }
}

void ImportReport::addRebarred(int numerator, int denominator, int beats) {
    ++rebarred_[{numerator, denominator}][beats];
}

void ImportReport::addRespelledKey(int from, int to) {
    ++respelled_[{from, to}];
}

std::vector<std::string> ImportReport::lines() const {
    std::vector<std::string> out;
    for (const auto& [meter, byBeats] : rebarred_) {
        std::string line = "Meter " + std::to_string(meter.first) + "/" +
                           std::to_string(meter.second) + " re-barred as";
        int measures = 0;
        std::string separator = " ";
        for (const auto& [beats, count] : byBeats) {
            line += separator + std::to_string(beats) + "/4";
            separator = " and ";
            measures += count;
        }
        out.push_back(line + ": " + std::to_string(measures) +
                      (measures == 1 ? " measure." : " measures."));
    }
    for (const auto& [keys, count] : respelled_) {
        out.push_back("Key of " + keyName(keys.first) + " written as " + keyName(keys.second) +
                      ": " + std::to_string(count) + (count == 1 ? " time." : " times."));
    }
    for (std::size_t kind = 0; kind < counts_.size(); ++kind) {
        if (counts_[kind] == 0) {
            continue;
        }
        std::string line =
            std::string(kTexts[kind].sentence) + ": " + std::to_string(counts_[kind]);
        if (kTexts[kind].unit != nullptr) {
            line += " (by at most " + decimal(largest_[kind]) + " " + kTexts[kind].unit + ")";
        }
        out.push_back(line + ".");
    }
    return out;
}

}  // namespace corvane
