// info: a short summary of a score file.

#include <cstddef>
#include <iostream>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "score/instruments.h"
#include "score/score.h"

namespace corvane::cli {

namespace {

std::string kindName(TrackKind kind) {
    switch (kind) {
        case Treble:
            return "treble";
        case Bass:
            return "bass";
        case Drums:
            return "drums";
    }
    return "kind " + std::to_string(static_cast<int>(kind));
}

std::string keyName(std::int32_t key) {
    if (key == 0) {
        return "no key signature";
    }
    const std::int32_t count = key > 0 ? key : -key;
    return "key signature " + std::to_string(count) + (key > 0 ? " sharp" : " flat") +
           (count == 1 ? "" : "s");
}

std::string plural(std::size_t n, const std::string& one, const std::string& many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

struct Counts {
    std::size_t notes = 0;  // Notes with at least one head
    std::size_t rests = 0;
    std::size_t heads = 0;
};

Counts countTrack(const Track& track) {
    Counts counts;
    for (const TrackMeasure& measure : track.measures) {
        for (const Note& note : measure) {
            if (note.isRest()) {
                ++counts.rests;
            } else {
                ++counts.notes;
                counts.heads += note.pitches.size();
            }
        }
    }
    return counts;
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {}, 1, 1);
    const Score score = loadScore(parsed.positional[0]);

    Counts total;
    for (const Track& track : score.tracks) {
        const Counts counts = countTrack(track);
        total.notes += counts.notes;
        total.rests += counts.rests;
        total.heads += counts.heads;
    }

    std::cout << "measures: " << score.measures.size() << '\n'
              << "tracks: " << score.tracks.size() << '\n'
              << "notes: " << total.notes << " (" << plural(total.heads, "pitch", "pitches") << ", "
              << plural(total.rests, "rest", "rests") << ")\n";
    // Tracks numbered from 1, top to bottom.
    for (std::size_t i = 0; i < score.tracks.size(); ++i) {
        const Track& track = score.tracks[i];
        const Counts counts = countTrack(track);
        std::cout << "track " << i + 1 << ": " << kindName(track.kind) << ", "
                  << instrumentName(track.program) << " (program " << track.program << "), "
                  << plural(counts.notes, "note", "notes") << ", "
                  << plural(counts.rests, "rest", "rests") << '\n';
    }
    // Numbered from 1, as the editor labels them. The first measure states everything; later
    // ones only what changes.
    for (std::size_t i = 0; i < score.measures.size(); ++i) {
        const MeasureInfo& info = score.measures[i];
        const MeasureInfo* previous = i == 0 ? nullptr : &score.measures[i - 1];
        std::string changes;
        const auto add = [&changes](const std::string& part) {
            changes += changes.empty() ? part : ", " + part;
        };
        if (previous == nullptr || previous->tempo != info.tempo) {
            add("tempo " + std::to_string(info.tempo));
        }
        if (previous == nullptr || previous->key != info.key) {
            add(keyName(info.key));
        }
        if (previous == nullptr || previous->beats != info.beats) {
            add("meter " + std::to_string(info.beats) + "/4");
        }
        if (!changes.empty()) {
            std::cout << "measure " << i + 1 << ": " << changes << '\n';
        }
    }
    return kExitOk;
}

}  // namespace corvane::cli
