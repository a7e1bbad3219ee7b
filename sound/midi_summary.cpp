#include "sound/midi_summary.h"

#include <algorithm>
#include <numeric>

#include "sound/audio_sink.h"

namespace corvane {

namespace {

// A note that never ends is counted as sounding this long after the song's last event.
constexpr double kHangingSeconds = 1.0;
// A split pays only when the busiest group carries clearly less than the whole song: every
// synthesizer adds its own effects and soundfont.
constexpr double kWorthSplitting = 0.9;
constexpr std::uint32_t kDefaultMicrosecondsPerQuarter = 500000;

const char* const kNotMidi = "The MIDI data is not a Standard MIDI File.";

// Reads big-endian numbers and variable-length quantities; past the end every byte is 0.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool atEnd() const { return pos_ >= bytes_.size(); }
    std::size_t position() const { return pos_; }
    std::uint8_t peek() const { return atEnd() ? 0 : bytes_[pos_]; }
    std::uint8_t byte() {
        const std::uint8_t value = peek();
        ++pos_;
        return value;
    }
    std::uint32_t bigEndian(int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = value << 8 | byte();
        }
        return value;
    }
    std::uint32_t varLen() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            value = value << 7 | (b & 0x7Fu);
            if ((b & 0x80) == 0) {
                break;
            }
        }
        return value;
    }
    void skip(std::size_t count) { pos_ += count; }
    // The next `count` bytes (fewer at the end) as a reader of their own.
    ByteReader take(std::size_t count) {
        const std::size_t from = std::min(pos_, bytes_.size());
        const std::size_t size = std::min(count, bytes_.size() - from);
        pos_ += count;
        return ByteReader(bytes_.subspan(from, size));
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// A Note On, Note Off or Program Change.
struct NoteEvent {
    enum Kind { Off, On, Program };
    std::uint32_t tick = 0;
    int channel = 0;
    int value = 0;  // the key, or the program
    Kind kind = Off;
};

struct TempoChange {
    std::uint32_t tick = 0;
    std::uint32_t microsecondsPerQuarter = kDefaultMicrosecondsPerQuarter;
};

struct SongEvents {
    std::vector<NoteEvent> notes;
    std::vector<TempoChange> tempos;
    std::uint32_t lastTick = 0;
    std::uint16_t keysTogether = 0;
    bool pedalled = false;
};

// Bank select (MSB and LSB), portamento, legato, portamento control, mono and poly mode.
bool bindsKeys(int controller) {
    return controller == 0 || controller == 32 || controller == 65 || controller == 68 ||
           controller == 84 || controller == 126 || controller == 127;
}

void readMeta(ByteReader& track, std::uint32_t tick, SongEvents& events, bool& endOfTrack) {
    const std::uint8_t type = track.byte();
    ByteReader data = track.take(track.varLen());
    if (type == 0x51) {
        const std::uint32_t tempo = data.bigEndian(3);
        if (tempo > 0) {
            events.tempos.push_back({tick, tempo});
        }
    }
    endOfTrack = type == 0x2F;
}

void readChannelEvent(ByteReader& track, std::uint8_t status, std::uint32_t tick,
                      SongEvents& events) {
    const int kind = status & 0xF0;
    const std::uint8_t data1 = track.byte();
    const std::uint8_t data2 = (kind == 0xC0 || kind == 0xD0) ? 0 : track.byte();
    events.lastTick = std::max(events.lastTick, tick);
    if (kind == 0x90 || kind == 0x80) {
        events.notes.push_back({tick, status & 0x0F, data1 & 0x7F,
                                kind == 0x90 && data2 > 0 ? NoteEvent::On : NoteEvent::Off});
    } else if (kind == 0xC0) {
        events.notes.push_back({tick, status & 0x0F, data1 & 0x7F, NoteEvent::Program});
    } else if (kind == 0xB0 && bindsKeys(data1 & 0x7F)) {
        events.keysTogether |= static_cast<std::uint16_t>(1u << (status & 0x0F));
    } else if (kind == 0xB0 && ((data1 & 0x7F) == 64 || (data1 & 0x7F) == 66)) {
        events.pedalled = true;
    }
}

// Reads one track chunk; a damaged event ends the track.
void readTrack(ByteReader track, SongEvents& events) {
    std::uint32_t tick = 0;
    std::uint8_t status = 0;
    bool endOfTrack = false;
    while (!track.atEnd() && !endOfTrack) {
        tick += track.varLen();
        if ((track.peek() & 0x80) != 0) {
            status = track.byte();
        } else if (status < 0x80) {
            return;  // data without a status to run on
        }
        if (status == 0xFF) {
            readMeta(track, tick, events, endOfTrack);
            status = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            track.skip(track.varLen());
            status = 0;
        } else if (status >= 0xF0) {
            return;  // system messages other than SysEx have no place in a file
        } else {
            readChannelEvent(track, status, tick, events);
        }
    }
}

// Turns ticks into seconds through the song's tempo changes.
class TempoMap {
  public:
    TempoMap(std::uint16_t division, std::vector<TempoChange> tempos) {
        if ((division & 0x8000) != 0) {
            // Frames per second (as a negative byte) times ticks per frame: tempo plays no part.
            const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
            ticksPerSecond_ = std::max(1, framesPerSecond * (division & 0xFF));
            return;
        }
        ticksPerQuarter_ = std::max<int>(1, division);
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        tempos.insert(tempos.begin(), TempoChange{});
        double seconds = 0;
        for (std::size_t i = 0; i < tempos.size(); ++i) {
            if (i > 0) {
                seconds += span(tempos[i - 1], tempos[i].tick);
            }
            changes_.push_back({tempos[i], seconds});
        }
    }

    double seconds(std::uint32_t tick) const {
        if (ticksPerSecond_ > 0) {
            return static_cast<double>(tick) / ticksPerSecond_;
        }
        auto at = std::upper_bound(changes_.begin(), changes_.end(), tick,
                                   [](std::uint32_t t, const Change& c) { return t < c.tempo.tick; });
        --at;  // the first change is at tick 0
        return at->seconds + span(at->tempo, tick);
    }

  private:
    struct Change {
        TempoChange tempo;
        double seconds = 0;  // time at the change
    };

    double span(const TempoChange& from, std::uint32_t to) const {
        return static_cast<double>(to - from.tick) * from.microsecondsPerQuarter / 1e6 /
               ticksPerQuarter_;
    }

    int ticksPerSecond_ = 0;
    int ticksPerQuarter_ = 1;
    std::vector<Change> changes_;
};

// A note sounding now: where it started, and the group of its channel it belongs to.
struct Sounding {
    double start = 0;
    std::size_t group = 0;
};

std::size_t groupOf(std::vector<NoteGroup>& groups, int program, int key) {
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].program == program && groups[i].key == key) {
            return i;
        }
    }
    groups.push_back(NoteGroup{program, key, 0, 0.0});
    return groups.size() - 1;
}

void addNotes(const SongEvents& events, const TempoMap& tempo, MidiSummary& summary) {
    std::vector<NoteEvent> notes = events.notes;
    std::stable_sort(notes.begin(), notes.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.tick < b.tick; });
    std::array<int, kMidiChannels> programs{};
    // The notes sounding on each channel and key, in the order they started.
    std::vector<std::vector<Sounding>> sounding(kMidiChannels * 128);
    for (const NoteEvent& note : notes) {
        const auto channel = static_cast<std::size_t>(note.channel);
        std::vector<NoteGroup>& groups = summary.channelNotes[channel];
        if (note.kind == NoteEvent::Program) {
            programs[channel] = note.value;
            continue;
        }
        std::vector<Sounding>& started =
            sounding[channel * 128 + static_cast<std::size_t>(note.value)];
        const double at = tempo.seconds(note.tick);
        if (note.kind == NoteEvent::On) {
            const std::size_t group = groupOf(groups, programs[channel], note.value);
            ++groups[group].count;
            started.push_back({at, group});
        } else if (!started.empty()) {
            const Sounding& ended = started.front();
            groups[ended.group].seconds += at - ended.start;
            summary.heldNotes.push_back({ended.start, at - ended.start, note.channel, ended.group});
            started.erase(started.begin());
        }
    }
    for (std::size_t i = 0; i < sounding.size(); ++i) {
        for (const Sounding& note : sounding[i]) {
            const double seconds = summary.lastEventSeconds + kHangingSeconds - note.start;
            summary.channelNotes[i / 128][note.group].seconds += seconds;
            summary.heldNotes.push_back(
                {note.start, seconds, static_cast<int>(i / 128), note.group});
        }
    }
}

// Moves one channel out of the busiest group, or swaps one of its channels with a lighter one
// of another group, where that leaves both groups below the busiest one's load: the first such
// change found. False when there is none.
bool improveBalance(const std::array<double, kMidiChannels>& costs, const std::vector<int>& busy,
                    std::vector<int>& groupOf, std::vector<double>& loads) {
    const auto heaviest =
        static_cast<int>(std::max_element(loads.begin(), loads.end()) - loads.begin());
    const double top = loads[static_cast<std::size_t>(heaviest)];
    const auto cost = [&](int channel) { return costs[static_cast<std::size_t>(channel)]; };
    const auto move = [&](int channel, int to, double delta) {
        loads[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(channel)])] -= delta;
        loads[static_cast<std::size_t>(to)] += delta;
        groupOf[static_cast<std::size_t>(channel)] = to;
    };
    for (const int a : busy) {
        if (groupOf[static_cast<std::size_t>(a)] != heaviest) {
            continue;
        }
        for (int g = 0; g < static_cast<int>(loads.size()); ++g) {
            if (g != heaviest && loads[static_cast<std::size_t>(g)] + cost(a) < top) {
                move(a, g, cost(a));
                return true;
            }
        }
        for (const int b : busy) {
            const int g = groupOf[static_cast<std::size_t>(b)];
            const double delta = cost(a) - cost(b);
            if (g != heaviest && delta > 0 && loads[static_cast<std::size_t>(g)] + delta < top) {
                move(a, g, cost(a));
                move(b, heaviest, cost(b));
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int MidiSummary::notes(int channel) const {
    int count = 0;
    for (const NoteGroup& group : channelNotes[static_cast<std::size_t>(channel)]) {
        count += group.count;
    }
    return count;
}

int MidiSummary::busyChannels() const {
    int busy = 0;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        busy += notes(channel) > 0 ? 1 : 0;
    }
    return busy;
}

MidiSummary summarizeMidi(std::span<const std::uint8_t> midi) {
    ByteReader file(midi);
    if (midi.size() < 14 || file.bigEndian(4) != 0x4D546864) {  // "MThd"
        throw RenderError(kNotMidi);
    }
    ByteReader header = file.take(file.bigEndian(4));
    header.skip(2);  // the format: every track is read, whatever it says
    const std::uint32_t tracks = header.bigEndian(2);
    const auto division = static_cast<std::uint16_t>(header.bigEndian(2));
    if (division == 0) {
        throw RenderError(kNotMidi);
    }
    SongEvents events;
    for (std::uint32_t t = 0; t < tracks && !file.atEnd(); ++t) {
        const std::uint32_t id = file.bigEndian(4);
        ByteReader chunk = file.take(file.bigEndian(4));
        if (id == 0x4D54726B) {  // "MTrk"; other chunks are skipped
            readTrack(chunk, events);
        }
    }
    const TempoMap tempo(division, std::move(events.tempos));
    MidiSummary summary;
    summary.lastEventTick = events.lastTick;
    summary.lastEventSeconds = tempo.seconds(events.lastTick);
    summary.keysTogether |= events.keysTogether;
    summary.pedalled = events.pedalled;
    addNotes(events, tempo, summary);
    return summary;
}

std::vector<std::uint16_t> planChannelGroups(const std::array<double, kMidiChannels>& costs,
                                             int maxGroups) {
    std::vector<int> busy;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        if (costs[static_cast<std::size_t>(channel)] > 0) {
            busy.push_back(channel);
        }
    }
    const int count = std::min(maxGroups, static_cast<int>(busy.size()));
    if (count <= 1) {
        return {kAllChannels};
    }
    // The heaviest channel first, each to the group with the least load so far; then single
    // moves and swaps while they lighten the busiest group.
    std::stable_sort(busy.begin(), busy.end(), [&](int a, int b) {
        return costs[static_cast<std::size_t>(a)] > costs[static_cast<std::size_t>(b)];
    });
    std::vector<int> groupOf(kMidiChannels, -1);
    std::vector<double> loads(static_cast<std::size_t>(count), 0.0);
    for (const int channel : busy) {
        const auto lightest = static_cast<std::size_t>(
            std::min_element(loads.begin(), loads.end()) - loads.begin());
        groupOf[static_cast<std::size_t>(channel)] = static_cast<int>(lightest);
        loads[lightest] += costs[static_cast<std::size_t>(channel)];
    }
    while (improveBalance(costs, busy, groupOf, loads)) {
    }
    const double total = std::accumulate(loads.begin(), loads.end(), 0.0);
    if (*std::max_element(loads.begin(), loads.end()) > kWorthSplitting * total) {
        return {kAllChannels};
    }
    std::vector<std::uint16_t> groups(static_cast<std::size_t>(count), 0);
    for (const int channel : busy) {
        groups[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(channel)])] |=
            static_cast<std::uint16_t>(1u << channel);
    }
    std::uint16_t used = 0;
    for (const std::uint16_t group : groups) {
        used |= group;
    }
    groups.front() |= static_cast<std::uint16_t>(~used);
    return groups;
}

}  // namespace corvane
