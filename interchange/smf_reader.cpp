#include "interchange/smf_reader.h"

#include <string>

namespace corvane {

namespace {

constexpr std::uint32_t kHeaderId = 0x4D546864;  // "MThd"
constexpr std::uint32_t kTrackId = 0x4D54726B;   // "MTrk"
constexpr std::uint8_t kSustainController = 64;

[[noreturn]] void damaged(const std::string& problem) {
    throw ImportError("The MIDI file is damaged: " + problem + ".");
}

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// Walks the events of one track chunk, keeping what a score can use.
class ChunkParser {
  public:
    ChunkParser(std::span<const std::uint8_t> chunk, std::size_t number)
        : data_(chunk), number_(number) {}

    SmfTrack parse() {
        // Most events kept take three bytes (a delta and two data bytes under running status).
        track_.events.reserve(data_.size() / 3);
        while (pos_ < data_.size()) {
            tick_ += varLen();
            if (!event()) {
                break;
            }
        }
        track_.endTick = tick_;
        return std::move(track_);
    }

  private:
    [[noreturn]] void fail(const std::string& problem) const {
        damaged("track " + std::to_string(number_) + " " + problem);
    }

    std::uint8_t byte() {
        if (pos_ >= data_.size()) {
            fail("ends in the middle of an event");
        }
        return data_[pos_++];
    }

    std::uint8_t dataByte() {
        const std::uint8_t value = byte();
        if (value & 0x80) {
            fail("has an event with too few data bytes");
        }
        return value;
    }

    // A variable-length number: at most four bytes of seven bits each.
    std::uint32_t varLen() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                return value;
            }
        }
        fail("has a number longer than four bytes");
    }

    std::span<const std::uint8_t> block() {
        const std::uint32_t length = varLen();
        if (length > data_.size() - pos_) {
            fail("ends in the middle of an event");
        }
        const auto start = pos_;
        pos_ += length;
        return data_.subspan(start, length);
    }

    void add(SmfEventKind kind, std::uint8_t channel, std::uint8_t a, std::uint8_t b,
             std::uint32_t tempo = 0) {
        track_.events.push_back(SmfEvent{tick_, kind, channel, a, b, tempo});
    }

    // Reads one event after its delta time; false at End of Track.
    bool event() {
        std::uint8_t status = byte();
        if (status & 0x80) {
            // System exclusive and meta events cancel running status.
            running_ = status < 0xF0 ? status : 0;
        } else if (running_ == 0) {
            fail("has a data byte where an event should start");
        } else {
            --pos_;  // the byte was the first data byte of a running-status event
            status = running_;
        }
        if (status < 0xF0) {
            channelEvent(status);
            return true;
        }
        if (status == 0xFF) {
            return metaEvent();
        }
        if (status == 0xF0 || status == 0xF7) {
            block();
            return true;
        }
        fail("holds a byte (" + std::to_string(status) + ") that cannot start an event in a file");
    }

    void channelEvent(std::uint8_t status) {
        const std::uint8_t type = status & 0xF0;
        const std::uint8_t channel = status & 0x0F;
        const std::uint8_t first = dataByte();
        if (type == 0xC0) {
            add(SmfEventKind::Program, channel, first, 0);
            return;
        }
        if (type == 0xD0) {
            ++track_.skippedChannelEvents;
            return;
        }
        const std::uint8_t second = dataByte();
        if (type == 0x90 && second > 0) {
            add(SmfEventKind::NoteOn, channel, first, second);
        } else if (type == 0x80 || type == 0x90) {
            add(SmfEventKind::NoteOff, channel, first, 0);
        } else if (type == 0xB0 && first == kSustainController) {
            add(SmfEventKind::Sustain, channel, second, 0);
        } else {
            ++track_.skippedChannelEvents;
        }
    }

    bool metaEvent() {
        const std::uint8_t type = byte();
        const std::span<const std::uint8_t> body = block();
        switch (type) {
            case 0x2F:
                return false;
            case 0x51:
                if (body.size() >= 3 && bigEndian(body, 0, 3) != 0) {
                    add(SmfEventKind::Tempo, 0, 0, 0, bigEndian(body, 0, 3));
                }
                break;
            case 0x58:
                if (body.size() >= 2) {
                    add(SmfEventKind::TimeSignature, 0, body[0], body[1]);
                }
                break;
            case 0x59:
                if (body.size() >= 2) {
                    add(SmfEventKind::KeySignature, 0, body[0], body[1]);
                }
                break;
            default:
                break;
        }
        return true;
    }

    std::span<const std::uint8_t> data_;
    std::size_t number_;
    std::size_t pos_ = 0;
    std::uint64_t tick_ = 0;
    std::uint8_t running_ = 0;
    SmfTrack track_;
};

// Checks the header chunk; returns where the chunks after it start.
std::size_t readHeader(std::span<const std::uint8_t> bytes, SmfFile& file, std::uint32_t& count) {
    if (bytes.size() < 8 || bigEndian(bytes, 0, 4) != kHeaderId) {
        throw ImportError("This is not a MIDI file.");
    }
    const std::uint32_t length = bigEndian(bytes, 4, 4);
    if (length < 6 || length > bytes.size() - 8) {
        damaged("its header is cut short");
    }
    file.format = static_cast<int>(bigEndian(bytes, 8, 2));
    count = bigEndian(bytes, 10, 2);
    const std::uint32_t division = bigEndian(bytes, 12, 2);
    if (file.format == 2) {
        throw ImportError(
            "This MIDI file holds independent patterns (format 2); only files of format 0 or 1 "
            "can be imported.");
    }
    if (file.format > 2) {
        throw ImportError("This MIDI file is of an unknown format (" + std::to_string(file.format) +
                          ").");
    }
    if (division & 0x8000) {
        throw ImportError(
            "This MIDI file is timed in SMPTE frames, not in beats; only files timed in beats can "
            "be imported.");
    }
    if (division == 0) {
        damaged("it gives no ticks per quarter note");
    }
    file.division = static_cast<int>(division);
    return 8 + static_cast<std::size_t>(length);
}

}  // namespace

SmfFile parseSmf(std::span<const std::uint8_t> bytes) {
    SmfFile file;
    std::uint32_t count = 0;
    std::size_t pos = readHeader(bytes, file, count);
    std::size_t number = 0;
    // Chunks of unknown types are skipped; a file that ends before its header's count of track
    // chunks keeps the tracks it has, as long as none is cut short.
    while (number < count && bytes.size() - pos >= 8) {
        const std::uint32_t id = bigEndian(bytes, pos, 4);
        const std::uint32_t length = bigEndian(bytes, pos + 4, 4);
        pos += 8;
        if (length > bytes.size() - pos) {
            const std::string what =
                id == kTrackId ? "track " + std::to_string(number + 1) : std::string("a chunk");
            damaged(what + " claims " + std::to_string(length) + " bytes but only " +
                    std::to_string(bytes.size() - pos) + " follow");
        }
        if (id == kTrackId) {
            ++number;
            file.tracks.push_back(ChunkParser(bytes.subspan(pos, length), number).parse());
        }
        pos += length;
    }
    return file;
}

}  // namespace corvane
