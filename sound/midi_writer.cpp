// The Standard MIDI File writer: format 1, 24 ticks per quarter note, one track chunk per score
// track, tempo events in the first chunk only, no running status.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "score/pitch.h"
#include "score/data_file.h"
#include "score/instruments.h"
#include "sound/midi_writer.h"
#include "sound/player.h"

namespace corvane {

namespace {

constexpr std::uint32_t kTicksPerQuarter = 24;
constexpr std::int32_t kDefaultTempo = 120;
// The slowest tempo a Set Tempo event can carry (24 bits of microseconds per quarter).
constexpr std::uint32_t kSlowestTempo = 0xFFFFFF;

std::uint32_t microsecondsPerQuarter(std::uint8_t tempo) {
    // Tempo 0 (only an out-of-range model value has it) would divide by zero; tempos 1 to 3 need
    // more than 24 bits. Both get the slowest tempo the event can carry.
    if (tempo == 0) {
        return kSlowestTempo;
    }
    return std::min<std::uint32_t>(60000000u / tempo, kSlowestTempo);
}

void writeTempo(std::vector<std::uint8_t>& out, std::uint8_t tempo) {
    const std::uint32_t us = microsecondsPerQuarter(tempo);
    out.insert(out.end(), {0x00, 0xFF, 0x51, 0x03, static_cast<std::uint8_t>(us >> 16),
                           static_cast<std::uint8_t>(us >> 8), static_cast<std::uint8_t>(us)});
}

// Note length in ticks; a note value the model cannot hold (0 or negative, only possible in a
// score built by hand) lasts no time instead of dividing by zero.
std::uint32_t safeTicks(const Note& note) {
    if (note.duration <= 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::max<std::int32_t>(noteTicks(note), 0));
}

// MIDI key numbers as the file carries them (low 8 bits).
using Keys = std::vector<std::uint8_t>;

void writeNoteGroup(std::vector<std::uint8_t>& out, std::uint8_t status, std::uint32_t delta,
                    const Keys& keys, std::uint8_t velocity) {
    for (const std::uint8_t key : keys) {
        writeVarLen(out, delta);
        delta = 0;
        out.push_back(status);
        out.push_back(key);
        out.push_back(velocity);
    }
}

// The note events of one track. A tie chain sounds as one note from its first chord's Note On to
// its last chord's Note Off. A chord only continues the chain when it sounds exactly the keys
// still held; any other chord, a rest or the end of the track first ends the chain where it
// stands, so that every Note On gets its Note Off and no Note Off is written for a key that is
// not sounding.
class NoteEvents {
  public:
    NoteEvents(std::vector<std::uint8_t>& out, std::uint8_t channel)
        : out_(out), noteOn_(static_cast<std::uint8_t>(0x90 | channel)),
          noteOff_(static_cast<std::uint8_t>(0x80 | channel)) {}

    void rest(std::uint32_t ticks) {
        endHeld();
        restTicks_ += ticks;
    }

    // A chord of `ticks` on a staff of `kind` in a measure of key signature `key`.
    void chord(const Note& note, std::uint32_t ticks, TrackKind kind, std::int32_t key) {
        keys_.clear();
        for (const NoteHead& head : note.pitches) {
            keys_.push_back(static_cast<std::uint8_t>(
                midiKeyNumber(head.position, head.accidental, note.octave, kind, key)));
        }
        const auto velocity = static_cast<std::uint8_t>(note.velocity);
        const bool continues =
            (note.tie == TieEnd || note.tie == TieMiddle) && !held_.empty() && holdsTheseKeys();
        if (!continues) {
            endHeld();
            writeNoteGroup(out_, noteOn_, restTicks_, keys_, velocity);
            heldTicks_ = 0;
        }
        heldTicks_ += ticks;
        // The chain's Note Offs come with its last chord, in that chord's head order.
        held_.swap(keys_);
        heldVelocity_ = velocity;
        if (note.tie == TieNone || note.tie == TieEnd) {
            endHeld();
        }
    }

    // Ends a chain still held: its Note Offs with the time held so far.
    void endHeld() {
        if (held_.empty()) {
            return;
        }
        writeNoteGroup(out_, noteOff_, heldTicks_, held_, heldVelocity_);
        held_.clear();
        restTicks_ = 0;
    }

  private:
    // Whether the chord in keys_ sounds exactly the keys held, whatever the head order.
    bool holdsTheseKeys() {
        if (held_ == keys_) {
            return true;
        }
        sortedHeld_.assign(held_.begin(), held_.end());
        sortedKeys_.assign(keys_.begin(), keys_.end());
        std::sort(sortedHeld_.begin(), sortedHeld_.end());
        std::sort(sortedKeys_.begin(), sortedKeys_.end());
        return sortedHeld_ == sortedKeys_;
    }

    std::vector<std::uint8_t>& out_;
    const std::uint8_t noteOn_;
    const std::uint8_t noteOff_;
    std::uint32_t restTicks_ = 0;  // rest time not yet consumed by a delta
    std::uint32_t heldTicks_ = 0;  // time since the last Note On group
    Keys held_;                    // the keys sounding, in the last chord's head order
    std::uint8_t heldVelocity_ = 0;
    // Working buffers, kept from chord to chord so that no chord allocates.
    Keys keys_;
    Keys sortedHeld_;
    Keys sortedKeys_;
};

std::uint8_t tempoOf(const Score& score, std::size_t measure) {
    return static_cast<std::uint8_t>(measure < score.measures.size() ? score.measures[measure].tempo
                                                                     : kDefaultTempo);
}

// Fills `out` with the events of one track chunk.
void trackEvents(std::vector<std::uint8_t>& out, const Score& score, const Track& track, bool first,
                 std::uint8_t channel, std::size_t firstMeasure) {
    out.clear();
    std::uint8_t currentTempo = tempoOf(score, firstMeasure);
    if (first) {
        writeTempo(out, currentTempo);
    }
    out.insert(out.end(), {0x00, static_cast<std::uint8_t>(0xC0 | channel),
                           static_cast<std::uint8_t>(track.program)});

    NoteEvents events(out, channel);
    const std::size_t measureCount = std::min(score.measures.size(), track.measures.size());
    for (std::size_t m = firstMeasure; m < measureCount; ++m) {
        const MeasureInfo& info = score.measures[m];
        const auto tempo = static_cast<std::uint8_t>(info.tempo);
        if (first && tempo != currentTempo) {
            // Takes effect at the last event written so far: neither accumulator is consumed.
            writeTempo(out, tempo);
            currentTempo = tempo;
        }
        for (const Note& note : track.measures[m]) {
            if (note.isRest()) {
                events.rest(safeTicks(note));
            } else {
                events.chord(note, safeTicks(note), track.kind, info.key);
            }
        }
    }
    events.endHeld();
    out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
}

// The most bytes the file can take: 16 per head (two events of at most 8 bytes), 7 per tempo
// change, and each chunk's fixed events. Reserving it once keeps a large export from copying.
std::size_t sizeBound(const Score& score, std::size_t from) {
    std::size_t bytes = 14;
    for (const Track& track : score.tracks) {
        bytes += 8 + 7 + 3 + 4 + 7 * score.measures.size();
        for (std::size_t m = from; m < track.measures.size(); ++m) {
            for (const Note& note : track.measures[m]) {
                bytes += 16 * note.pitches.size();
            }
        }
    }
    return bytes;
}

void writeMidi(DataFile& file, const Score& score, int firstMeasure) {
    const std::size_t from = static_cast<std::size_t>(std::max(firstMeasure, 0));
    file.reserve(sizeBound(score, from));
    file.writeBE32(0x4D546864);  // "MThd"
    file.writeBE32(6);
    file.writeBE16(1);
    file.writeBE16(static_cast<std::uint32_t>(score.tracks.size()));
    file.writeBE16(kTicksPerQuarter);

    const std::vector<std::uint8_t> channels = midiChannels(score);
    bool first = true;
    // One buffer for every chunk: it keeps its capacity from track to track.
    std::vector<std::uint8_t> events;
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        const Track& track = score.tracks[t];
        const std::uint8_t channel = channels[t];
        trackEvents(events, score, track, first, channel, from);
        first = false;
        file.writeBE32(0x4D54726B);  // "MTrk"
        file.writeBE32(static_cast<std::uint32_t>(events.size()));
        file.writeBytes(events.data(), events.size());
    }
}

}  // namespace

void writeVarLen(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void Player::writeMidiFile(std::string path, const Score& score, int firstMeasure) {
    DataFile file(std::move(path));
    writeMidi(file, score, firstMeasure);
    file.commit();
}

std::vector<std::uint8_t> Player::midiFileBytes(const Score& score, int firstMeasure) {
    DataFile file = DataFile::fromBytes({});
    writeMidi(file, score, firstMeasure);
    return file.takeWritten();
}

}  // namespace corvane
