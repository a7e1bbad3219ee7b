#pragma once
// Standard MIDI Files built in code for the import's tests and the fuzzer's seeds: a header and
// track chunks of events written as given, so that running status, odd events and damage can be
// written too.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sound/midi_writer.h"

namespace corvane::testing {

inline void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

class SmfBuilder {
  public:
    SmfBuilder(int format, int division) : format_(format), division_(division) {}

    // Starts the next track chunk.
    SmfBuilder& track() {
        tracks_.emplace_back();
        return *this;
    }
    // An event `delta` ticks after the previous one of the chunk, as the bytes given.
    SmfBuilder& event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        writeVarLen(tracks_.back(), delta);
        tracks_.back().insert(tracks_.back().end(), bytes);
        return *this;
    }
    SmfBuilder& on(std::uint32_t delta, int channel, int key, int velocity) {
        return event(delta, {static_cast<std::uint8_t>(0x90 | channel),
                             static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)});
    }
    SmfBuilder& off(std::uint32_t delta, int channel, int key) {
        return event(
            delta, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0});
    }
    SmfBuilder& program(std::uint32_t delta, int channel, int program) {
        return event(
            delta, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program)});
    }
    SmfBuilder& tempo(std::uint32_t delta, std::uint32_t microseconds) {
        return event(delta, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microseconds >> 16),
                             static_cast<std::uint8_t>(microseconds >> 8),
                             static_cast<std::uint8_t>(microseconds)});
    }
    // A time signature numerator/2^power.
    SmfBuilder& meter(std::uint32_t delta, int numerator, int power) {
        return event(delta, {0xFF, 0x58, 0x04, static_cast<std::uint8_t>(numerator),
                             static_cast<std::uint8_t>(power), 24, 8});
    }
    SmfBuilder& key(std::uint32_t delta, int sharps) {
        return event(delta, {0xFF, 0x59, 0x02, static_cast<std::uint8_t>(sharps), 0});
    }
    SmfBuilder& end(std::uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
        appendBigEndian(out, 6, 4);
        appendBigEndian(out, static_cast<std::uint32_t>(format_), 2);
        appendBigEndian(out, static_cast<std::uint32_t>(tracks_.size()), 2);
        appendBigEndian(out, static_cast<std::uint32_t>(division_), 2);
        for (const std::vector<std::uint8_t>& events : tracks_) {
            out.insert(out.end(), {'M', 'T', 'r', 'k'});
            appendBigEndian(out, static_cast<std::uint32_t>(events.size()), 4);
            out.insert(out.end(), events.begin(), events.end());
        }
        return out;
    }

  private:
    int format_;
    int division_;
    std::vector<std::vector<std::uint8_t>> tracks_;
};

}  // namespace corvane::testing
