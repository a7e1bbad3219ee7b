#pragma once
// An independent reading of the MIDI files the tests compare: per track chunk, its notes (with
// start and end tick and Note On velocity), its program changes and its tempo events. Written
// for the tests only, so that the import is never checked against its own reader.

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace corvane::testing {

struct MidiNote {
    int channel = 0;
    int key = 0;
    long on = 0;
    long off = 0;
    int velocity = 0;

    friend auto operator<=>(const MidiNote&, const MidiNote&) = default;
};

struct ChunkSummary {
    std::vector<MidiNote> notes;                 // sorted
    std::vector<std::pair<long, int>> programs;  // tick, program
    std::vector<std::pair<long, long>> tempos;   // tick, microseconds per quarter
};

struct MidiSummary {
    int format = 0;
    int division = 0;
    std::vector<ChunkSummary> chunks;
};

inline std::string describe(const MidiNote& n) {
    return "ch" + std::to_string(n.channel) + " key " + std::to_string(n.key) + " " +
           std::to_string(n.on) + "-" + std::to_string(n.off) + " v" + std::to_string(n.velocity);
}

// How the tests print a note when it differs.
inline void PrintTo(const MidiNote& note, std::ostream* out) {
    *out << describe(note);
}

inline MidiSummary summarise(const std::vector<std::uint8_t>& bytes) {
    std::size_t pos = 0;
    const auto need = [&](std::size_t n) {
        if (pos + n > bytes.size()) {
            throw std::runtime_error("MIDI bytes end early");
        }
    };
    const auto be = [&](int n) {
        need(static_cast<std::size_t>(n));
        long v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | bytes[pos++];
        }
        return v;
    };
    const auto varLen = [&] {
        long v = 0;
        for (;;) {
            need(1);
            const std::uint8_t b = bytes[pos++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                return v;
            }
        }
    };
    MidiSummary out;
    if (be(4) != 0x4D546864 || be(4) != 6) {
        throw std::runtime_error("no MIDI header");
    }
    out.format = static_cast<int>(be(2));
    const long chunks = be(2);
    out.division = static_cast<int>(be(2));
    for (long c = 0; c < chunks; ++c) {
        if (be(4) != 0x4D54726B) {
            throw std::runtime_error("no track chunk");
        }
        const std::size_t end = pos + static_cast<std::size_t>(be(4));
        ChunkSummary chunk;
        std::map<std::pair<int, int>, std::vector<std::pair<long, int>>> sounding;
        long tick = 0;
        int running = 0;
        while (pos < end) {
            tick += varLen();
            need(1);
            int status = bytes[pos];
            if (status & 0x80) {
                ++pos;
            } else {
                status = running;
            }
            if (status == 0xFF) {
                const int type = bytes[pos++];
                const std::size_t length = static_cast<std::size_t>(varLen());
                if (type == 0x51) {
                    const long us =
                        (long{bytes[pos]} << 16) | (bytes[pos + 1] << 8) | bytes[pos + 2];
                    chunk.tempos.emplace_back(tick, us);
                }
                pos += length;
                continue;
            }
            running = status;
            const int kind = status & 0xF0;
            const int channel = status & 0x0F;
            if (kind == 0xC0 || kind == 0xD0) {
                if (kind == 0xC0) {
                    chunk.programs.emplace_back(tick, bytes[pos]);
                }
                pos += 1;
                continue;
            }
            const int key = bytes[pos];
            const int velocity = bytes[pos + 1];
            pos += 2;
            if (kind == 0x90 && velocity > 0) {
                sounding[{channel, key}].emplace_back(tick, velocity);
            } else if (kind == 0x80 || kind == 0x90) {
                auto& open = sounding[{channel, key}];
                if (!open.empty()) {
                    chunk.notes.push_back(
                        {channel, key, open.front().first, tick, open.front().second});
                    open.erase(open.begin());
                }
            }
        }
        for (auto& [where, open] : sounding) {
            for (const auto& [on, velocity] : open) {
                chunk.notes.push_back({where.first, where.second, on, -1, velocity});
            }
        }
        std::sort(chunk.notes.begin(), chunk.notes.end());
        out.chunks.push_back(std::move(chunk));
    }
    return out;
}

// The tempo in force from each tick on, over all chunks: of several events at one tick the last
// counts, and an event that repeats the tempo in force is no change.
inline std::vector<std::pair<long, long>> tempoChanges(const MidiSummary& midi) {
    std::vector<std::pair<long, long>> events;
    for (const ChunkSummary& chunk : midi.chunks) {
        events.insert(events.end(), chunk.tempos.begin(), chunk.tempos.end());
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<long, long>> changes;
    for (const auto& event : events) {
        if (!changes.empty() && changes.back().first == event.first) {
            changes.pop_back();
        }
        if (changes.empty() || changes.back().second != event.second) {
            changes.push_back(event);
        }
    }
    return changes;
}

}  // namespace corvane::testing
