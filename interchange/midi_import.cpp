#include "interchange/midi_import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "interchange/import_barring.h"
#include "interchange/import_layout.h"
#include "interchange/import_quantise.h"
#include "interchange/import_report.h"
#include "interchange/import_spelling.h"
#include "interchange/import_voices.h"
#include "interchange/smf_reader.h"
#include "score/data_file.h"
#include "score/instruments.h"

namespace corvane {

namespace {

constexpr int kChannels = 16;
constexpr int kKeys = 128;
// No measures of at most five quarters make more than this many measures' worth of time.
constexpr std::int64_t kMaxQuarters = 5 * static_cast<std::int64_t>(kImportMaxMeasures);
constexpr std::int64_t kNeverEnded = -1;

const char* const kTooLong = "The MIDI file is too long: a score holds at most 10,000 measures.";

// The notes and instrument of one channel of one track chunk.
struct ImportTrack {
    std::uint8_t channel = 0;
    bool hasProgram = false;
    std::uint8_t program = 0;
    std::vector<SourceNote> notes;  // sorted by start; off is kNeverEnded until closed
    std::size_t chunk = 0;          // the chunk's place among the file's track chunks
    std::int64_t end = 0;           // where the chunk ends
};

// Pairs the note ons and offs of one chunk, channel by channel and key by key, first in first
// out; keeps the first program change of each channel.
class ChunkCollector {
  public:
    ChunkCollector(std::uint64_t limit, ImportReport& report) : limit_(limit), report_(report) {}

    void collect(const SmfTrack& chunk, std::size_t index, std::vector<ImportTrack>& out) {
        std::array<std::optional<ImportTrack>, kChannels> tracks;
        for (const SmfEvent& event : chunk.events) {
            if (event.kind == SmfEventKind::Program) {
                program(track(tracks, event.channel), event.a);
            } else if (event.kind == SmfEventKind::NoteOn) {
                noteOn(track(tracks, event.channel), event);
            } else if (event.kind == SmfEventKind::NoteOff && tracks[event.channel]) {
                noteOff(*tracks[event.channel], event);
            }
        }
        for (const std::size_t slot : used_) {
            for (std::int32_t at = head_[slot]; at != kNone; at = open(at).next) {
                close(*tracks[slot / kKeys], open(at).note, chunk.endTick);
            }
            head_[slot] = kNone;
            tail_[slot] = kNone;
        }
        used_.clear();
        open_.clear();
        for (std::optional<ImportTrack>& track : tracks) {
            if (track) {
                track->chunk = index;
                track->end = static_cast<std::int64_t>(chunk.endTick);
                out.push_back(std::move(*track));
            }
        }
        report_.add(ImportReport::ChannelEvents, chunk.skippedChannelEvents);
    }

  private:
    ImportTrack& track(std::array<std::optional<ImportTrack>, kChannels>& tracks,
                       std::uint8_t channel) {
        if (!tracks[channel]) {
            tracks[channel].emplace();
            tracks[channel]->channel = channel;
        }
        return *tracks[channel];
    }

    void program(ImportTrack& track, std::uint8_t value) {
        if (!track.hasProgram) {
            track.hasProgram = true;
            track.program = value;
        } else if (value != track.program) {
            report_.add(ImportReport::LaterPrograms);
        }
    }

    void noteOn(ImportTrack& track, const SmfEvent& event) {
        if (track.channel == kDrumChannel && !drumHead(event.a)) {
            // No position of the drum line plays it; its Note Off then finds nothing to end.
            report_.add(ImportReport::DrumOutside);
            return;
        }
        checkTick(event.tick);
        const std::size_t slot = static_cast<std::size_t>(track.channel) * kKeys + event.a;
        const auto at = static_cast<std::int32_t>(open_.size());
        open_.push_back(Open{track.notes.size(), kNone});
        if (tail_[slot] == kNone) {
            used_.push_back(slot);
        }
        if (head_[slot] == kNone) {
            head_[slot] = at;
        } else {
            open(tail_[slot]).next = at;
        }
        tail_[slot] = at;
        track.notes.push_back(
            SourceNote{static_cast<std::int64_t>(event.tick), kNeverEnded, event.a, event.b});
    }

    void noteOff(ImportTrack& track, const SmfEvent& event) {
        std::int32_t& head = head_[static_cast<std::size_t>(track.channel) * kKeys + event.a];
        if (head == kNone) {
            return;
        }
        checkTick(event.tick);
        const Open& oldest = open(head);
        track.notes[oldest.note].off = static_cast<std::int64_t>(event.tick);
        head = oldest.next;
    }

    // A note the chunk never ends closes where the chunk ends, or, when that leaves it no
    // length, at the next bar line (decided once the bars are known).
    void close(ImportTrack& track, std::size_t index, std::uint64_t end) {
        report_.add(ImportReport::NeverEnded);
        SourceNote& note = track.notes[index];
        if (end > static_cast<std::uint64_t>(note.on)) {
            checkTick(end);
            note.off = static_cast<std::int64_t>(end);
        }
    }

    void checkTick(std::uint64_t tick) const {
        if (tick > limit_) {
            throw ImportError(kTooLong);
        }
    }

    static constexpr std::int32_t kNone = -1;
    // A note still sounding, and the next one struck after it on the same channel and key.
    struct Open {
        std::size_t note = 0;
        std::int32_t next = kNone;
    };
    using Slots = std::array<std::int32_t, static_cast<std::size_t>(kChannels) * kKeys>;

    std::uint64_t limit_;
    ImportReport& report_;
    // One queue per channel and key, oldest first, linked through open_: a chunk allocates no
    // storage per key. tail_ stays set once a slot is used in the chunk, to list it once.
    std::vector<Open> open_;
    Slots head_ = filledSlots();
    Slots tail_ = filledSlots();
    std::vector<std::size_t> used_;

    Open& open(std::int32_t at) { return open_[static_cast<std::size_t>(at)]; }

    static Slots filledSlots() {
        Slots slots;
        slots.fill(kNone);
        return slots;
    }
};

// Whether a note of the track is still without an end.
bool neverEnds(const ImportTrack& track) {
    return std::any_of(track.notes.begin(), track.notes.end(),
                       [](const SourceNote& note) { return note.off == kNeverEnded; });
}

// Tracks without notes whose program is the only one their channel has lend it to the tracks
// of that channel that have notes, as a setup chunk does; they are then not tracks themselves.
void lendPrograms(std::vector<ImportTrack>& tracks) {
    std::vector<bool> lent(tracks.size(), false);
    for (ImportTrack& track : tracks) {
        if (track.hasProgram || track.notes.empty()) {
            continue;
        }
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            if (tracks[i].notes.empty() && tracks[i].hasProgram &&
                tracks[i].channel == track.channel) {
                track.program = tracks[i].program;
                lent[i] = true;
                break;
            }
        }
    }
    std::size_t i = 0;
    std::erase_if(tracks, [&](const ImportTrack&) { return lent[i++]; });
}

// Leaves out notes that end where they start.
void dropWithoutLength(ImportTrack& track, ImportReport& report) {
    std::erase_if(track.notes, [&](const SourceNote& note) {
        if (note.off == note.on) {
            report.add(ImportReport::NoLength);
            return true;
        }
        return false;
    });
}

// A tempo the score can hold, from the tick where the file sets it.
struct TempoMark {
    std::int64_t tick = 0;
    int bpm = 120;
};

struct KeyMark {
    std::int64_t tick = 0;
    int key = 0;
};

// The tempo, meter and key events of every chunk, in time order; of several at one tick the
// last counts.
struct Markers {
    std::vector<TempoMark> tempos;  // only those that change the tempo
    std::vector<MeterMark> meters;
    std::vector<KeyMark> keys;
};

int wholeTempo(std::uint32_t microseconds, ImportReport& report) {
    const double exact = 60000000.0 / microseconds;
    if (exact >= 255.5) {
        report.add(ImportReport::TempoClamped);
        return 255;
    }
    // Above 16,777,215 microseconds is no tempo a file can give, so exact > 3.5 and bpm >= 4.
    const int bpm = static_cast<int>(std::lround(exact));
    if (60000000u / static_cast<std::uint32_t>(bpm) != microseconds) {
        report.add(ImportReport::TempoRounded, 1, std::abs(exact - bpm));
    }
    return bpm;
}

template <typename Mark>
void keepLastAtEachTick(std::vector<Mark>& marks) {
    std::vector<Mark> kept;
    for (const Mark& mark : marks) {
        if (!kept.empty() && kept.back().tick == mark.tick) {
            kept.back() = mark;
        } else {
            kept.push_back(mark);
        }
    }
    marks = std::move(kept);
}

Markers collectMarkers(const SmfFile& file, std::uint64_t limit, ImportReport& report) {
    std::vector<SmfEvent> events;
    for (const SmfTrack& chunk : file.tracks) {
        for (const SmfEvent& event : chunk.events) {
            const bool marker = event.kind == SmfEventKind::Tempo ||
                                event.kind == SmfEventKind::TimeSignature ||
                                event.kind == SmfEventKind::KeySignature;
            if (marker && event.tick <= limit) {
                events.push_back(event);
            }
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    Markers markers;
    std::vector<std::pair<std::int64_t, std::uint32_t>> tempos;
    for (const SmfEvent& event : events) {
        const auto tick = static_cast<std::int64_t>(event.tick);
        const auto sharps = static_cast<std::int8_t>(event.a);
        if (event.kind == SmfEventKind::Tempo) {
            tempos.emplace_back(tick, event.tempo);
        } else if (event.kind == SmfEventKind::TimeSignature && event.a > 0 && event.b <= 6) {
            markers.meters.push_back(MeterMark{tick, event.a, 1 << event.b});
        } else if (event.kind == SmfEventKind::KeySignature && sharps >= -7 && sharps <= 7) {
            markers.keys.push_back(KeyMark{tick, sharps});
        }
    }
    keepLastAtEachTick(markers.meters);
    keepLastAtEachTick(markers.keys);
    int current = 120;
    for (std::size_t i = 0; i < tempos.size(); ++i) {
        if (i + 1 < tempos.size() && tempos[i + 1].first == tempos[i].first) {
            continue;
        }
        const int bpm = wholeTempo(tempos[i].second, report);
        if (bpm != current || tempos[i].first == 0) {
            markers.tempos.push_back(TempoMark{tempos[i].first, bpm});
            current = bpm;
        }
    }
    return markers;
}

// Where the score's first track has got to at bar position `bar` (in quarters) when it is
// written as MIDI: the tick of its last note start before the bar or note end at it. A tempo
// change of the measure starting there is written at that tick.
class FirstTrackProgress {
  public:
    FirstTrackProgress(std::span<const SourceNote> notes, int division) : division_(division) {
        for (const SourceNote& note : notes) {
            ons_.push_back(note.on);
            if (note.off != kNeverEnded) {
                offs_.push_back(note.off);
            }
        }
        std::sort(ons_.begin(), ons_.end());
        std::sort(offs_.begin(), offs_.end());
    }

    std::int64_t at(std::int64_t bar) const {
        const std::int64_t tick = bar * division_;
        const auto on = std::lower_bound(ons_.begin(), ons_.end(), tick);
        const auto off = std::upper_bound(offs_.begin(), offs_.end(), tick);
        std::int64_t last = 0;
        if (on != ons_.begin()) {
            last = *std::prev(on);
        }
        if (off != offs_.begin()) {
            last = std::max(last, *std::prev(off));
        }
        return last;
    }

    // The bar positions up to `size` at which the track has got exactly to `tick`, if any.
    std::optional<TempoWindow> window(std::int64_t tick, std::int64_t size) const {
        // The first bar at which the track has reached the tick...
        std::int64_t low = (tick + division_ - 1) / division_;
        std::int64_t high = size + 1;
        while (low < high) {
            const std::int64_t mid = low + (high - low) / 2;
            if (at(mid) >= tick) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        if (low > size || at(low) != tick) {
            return std::nullopt;
        }
        // ...and the last at which it is still there.
        const std::int64_t first = low;
        high = size;
        while (low < high) {
            const std::int64_t mid = low + (high - low + 1) / 2;
            if (at(mid) == tick) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        return TempoWindow{first, low};
    }

  private:
    std::int64_t division_;
    std::vector<std::int64_t> ons_;
    std::vector<std::int64_t> offs_;
};

// The index of the measure whose bar line is nearest to `tick` (the later of two as near).
std::size_t nearestBar(const std::vector<std::int64_t>& starts, std::int64_t tick, int division) {
    const auto measures = static_cast<std::ptrdiff_t>(starts.size()) - 1;
    const auto after = static_cast<std::size_t>(
        std::upper_bound(starts.begin(), starts.begin() + measures, tick / division) -
        starts.begin());
    if (after == 0) {
        return 0;
    }
    if (after == static_cast<std::size_t>(measures)) {
        return after - 1;
    }
    return starts[after] * division - tick <= tick - starts[after - 1] * division ? after
                                                                                  : after - 1;
}

// The measures of the score and what each one holds besides notes.
struct Measures {
    Timeline timeline;
    std::vector<int> beats;
    std::vector<int> tempos;
    // Every track's chords at their exact ticks, which the bar lines were chosen to hold.
    std::vector<PlacedTrack> exact;
};

// Each tempo change goes to the first bar line that keeps it at its tick when the score is
// written as MIDI again; one that no bar line can keep goes to the nearest bar line.
std::vector<int> measureTempos(const std::vector<std::int64_t>& starts,
                               const std::vector<TempoMark>& marks,
                               const std::vector<std::optional<TempoWindow>>& windows, int division,
                               ImportReport& report) {
    const std::size_t measures = starts.size() - 1;
    std::vector<int> tempos(measures, 0);
    std::vector<std::int64_t> setFrom(measures, -1);
    for (std::size_t i = 0; i < marks.size(); ++i) {
        std::size_t bar = 0;
        bool kept = marks[i].tick == 0;
        if (!kept && windows[i]) {
            bar = static_cast<std::size_t>(
                std::lower_bound(starts.begin(), starts.end() - 1, windows[i]->first) -
                starts.begin());
            kept = bar < measures && starts[bar] <= windows[i]->last;
        }
        const auto distance = [&](std::int64_t tick) {
            return static_cast<double>(std::llabs(starts[bar] * division - tick)) / division;
        };
        if (!kept) {
            bar = nearestBar(starts, marks[i].tick, division);
            report.add(ImportReport::TempoMoved, 1, distance(marks[i].tick));
        }
        if (setFrom[bar] >= 0) {  // an earlier change to the same bar gives way
            report.add(ImportReport::TempoMoved, 1, distance(setFrom[bar]));
        }
        tempos[bar] = marks[i].bpm;
        setFrom[bar] = marks[i].tick;
    }
    int current = 120;
    for (int& tempo : tempos) {
        current = tempo != 0 ? tempo : current;
        tempo = current;
    }
    return tempos;
}

// Key signatures at their nearest bar line; seven sharps or flats, which the score cannot hold,
// become the same key with five of the other kind.
std::vector<int> measureKeys(const std::vector<std::int64_t>& starts,
                             const std::vector<KeyMark>& marks, int division,
                             ImportReport& report) {
    std::vector<std::optional<int>> set(starts.size() - 1);
    for (const KeyMark& mark : marks) {
        int key = mark.key;
        if (key == 7 || key == -7) {
            key = key > 0 ? -5 : 5;
            report.addRespelledKey(mark.key, key);
        }
        set[nearestBar(starts, mark.tick, division)] = key;
    }
    std::vector<int> keys;
    int current = 0;
    for (const std::optional<int>& key : set) {
        current = key.value_or(current);
        keys.push_back(current);
    }
    return keys;
}

// Every track's chords at their exact ticks over one long measure, to try bar lines with. A note
// that never ends lasts to the end here: where the next note starts, once cut.
std::vector<PlacedTrack> exactChords(const std::vector<ImportTrack>& tracks, int division,
                                     std::int64_t endQuarters) {
    Timeline whole;
    whole.division = division;
    whole.barStarts = {0, endQuarters + 5};
    whole.keys = {0};
    const std::vector<bool> grid(1, false);
    std::vector<PlacedTrack> placed(tracks.size());
    std::vector<SourceNote> ended;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        std::span<const SourceNote> notes = tracks[t].notes;
        if (neverEnds(tracks[t])) {
            ended.assign(notes.begin(), notes.end());
            for (SourceNote& note : ended) {
                if (note.off == kNeverEnded) {
                    note.off = whole.barStarts.back() * division;
                }
            }
            notes = ended;
        }
        placed[t].chords = placeChords(notes, whole, grid, &placed[t].counts);
    }
    return placed;
}

Measures chooseMeasures(std::vector<ImportTrack>& tracks, const Markers& markers, int division,
                        MeasureLayer& layer, ImportReport& report) {
    std::int64_t noteEnd = 0;
    for (const ImportTrack& track : tracks) {
        for (const SourceNote& note : track.notes) {
            noteEnd = std::max(noteEnd, note.off == kNeverEnded ? note.on + 1 : note.off);
        }
    }
    // A tempo change where the last note ends still gets a measure to start.
    std::int64_t end = noteEnd;
    std::vector<TempoMark> tempos;
    for (const TempoMark& mark : markers.tempos) {
        if (mark.tick <= noteEnd) {
            tempos.push_back(mark);
            end = std::max(end, mark.tick + 1);
        }
    }
    std::int64_t endQuarters = (end + division - 1) / division;
    if (endQuarters > kMaxQuarters) {
        throw ImportError(kTooLong);
    }
    const FirstTrackProgress progress(tracks.front().notes, division);
    std::vector<std::optional<TempoWindow>> windows;
    std::vector<TempoWindow> required;
    const std::int64_t reach = endQuarters + 5;
    for (const TempoMark& mark : tempos) {
        windows.push_back(mark.tick > 0 ? progress.window(mark.tick, reach) : std::nullopt);
        if (windows.back()) {
            required.push_back(*windows.back());
            // A measure must be able to start there, which the first one cannot before its
            // shortest length.
            const std::int64_t start = std::max<std::int64_t>(required.back().first, 3);
            if (start <= required.back().last) {
                endQuarters = std::max(endQuarters, start + 1);
            }
        }
    }
    std::vector<MeterMark> meters;
    std::copy_if(markers.meters.begin(), markers.meters.end(), std::back_inserter(meters),
                 [&](const MeterMark& mark) { return mark.tick < end; });

    Measures out;
    out.exact = exactChords(tracks, division, endQuarters);
    ExactFit exact(out.exact, layer);
    out.beats = chooseBars(endQuarters, meters, division, required,
                           [&](std::int64_t start, int beats) { return exact.fits(start, beats); });
    if (out.beats.size() > kImportMaxMeasures) {
        throw ImportError(kTooLong);
    }
    reportBarring(out.beats, meters, division, report);
    out.timeline.division = division;
    out.timeline.barStarts.push_back(0);
    for (const int beats : out.beats) {
        out.timeline.barStarts.push_back(out.timeline.barStarts.back() + beats);
    }
    out.tempos = measureTempos(out.timeline.barStarts, tempos, windows, division, report);
    out.timeline.keys = measureKeys(out.timeline.barStarts, markers.keys, division, report);
    return out;
}

// A note the file never ends and whose track ends with its start lasts to the next bar line.
void closeAtBarLines(ImportTrack& track, const Timeline& timeline) {
    MeasureWalk measures(timeline);
    for (SourceNote& note : track.notes) {
        if (note.off == kNeverEnded) {
            const std::size_t m = measures.at(note.on / timeline.division);
            note.off = timeline.barStarts[m + 1] * timeline.division;
        }
    }
}

// A track chunk whose channels play notes gives tracks for those channels only (others often
// carry a program change for each of an instrument's articulations); a chunk without any notes
// still gives one empty track, of the first of its channels left.
void dropSilentChannels(std::vector<ImportTrack>& tracks) {
    std::set<std::size_t> playing;
    for (const ImportTrack& track : tracks) {
        if (!track.notes.empty()) {
            playing.insert(track.chunk);
        }
    }
    std::set<std::size_t> kept;
    std::erase_if(tracks, [&](const ImportTrack& track) {
        return track.notes.empty() &&
               (playing.contains(track.chunk) || !kept.insert(track.chunk).second);
    });
}

// The sustain pedal of every channel, from the events of every chunk in time order.
std::array<SustainPedal, kChannels> sustainPedals(const SmfFile& file, std::uint64_t limit) {
    std::vector<SmfEvent> events;
    for (const SmfTrack& chunk : file.tracks) {
        for (const SmfEvent& event : chunk.events) {
            if (event.kind == SmfEventKind::Sustain && event.tick <= limit) {
                events.push_back(event);
            }
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    std::array<SustainPedal, kChannels> pedals;
    for (const SmfEvent& event : events) {
        pedals[event.channel].change(static_cast<std::int64_t>(event.tick), event.a >= 64);
    }
    return pedals;
}

// Lengthens the notes the sustain pedal holds; the drum line plays its sounds to their end
// whatever the pedal does, so its pedal events are left out.
void applyPedals(std::vector<ImportTrack>& tracks, const SmfFile& file, std::uint64_t limit,
                 ImportReport& report) {
    const std::array<SustainPedal, kChannels> pedals = sustainPedals(file, limit);
    for (ImportTrack& track : tracks) {
        if (track.channel == kDrumChannel) {
            continue;
        }
        const std::size_t held = holdWithPedal(track.notes, pedals[track.channel], track.end);
        report.add(ImportReport::SustainHeld, static_cast<std::int64_t>(held));
        for (const SourceNote& note : track.notes) {
            if (note.off > static_cast<std::int64_t>(limit)) {
                throw ImportError(kTooLong);
            }
        }
    }
    for (const SmfTrack& chunk : file.tracks) {
        for (const SmfEvent& event : chunk.events) {
            if (event.kind == SmfEventKind::Sustain && event.channel == kDrumChannel) {
                report.add(ImportReport::ChannelEvents);
            }
        }
    }
}

// Puts notes that overlap with other lengths on a channel on tracks of their own, each after
// the track it comes from, as long as the score has room for tracks.
std::vector<ImportTrack> splitVoices(std::vector<ImportTrack> tracks, int division,
                                     ImportReport& report) {
    std::size_t room = kImportMaxTracks - tracks.size();
    std::vector<ImportTrack> out;
    for (ImportTrack& track : tracks) {
        if (track.channel == kDrumChannel) {
            out.push_back(std::move(track));
            continue;
        }
        std::size_t crowded = 0;
        std::vector<std::vector<SourceNote>> voices =
            separateVoices(track.notes, division, room + 1, crowded);
        room -= voices.size() - 1;
        report.add(ImportReport::VoiceTracks, static_cast<std::int64_t>(voices.size() - 1));
        report.add(ImportReport::VoicesCrowded, static_cast<std::int64_t>(crowded));
        track.notes.clear();  // the voices copy the rest of the track; the notes are theirs
        for (std::vector<SourceNote>& voice : voices) {
            ImportTrack& added = out.emplace_back(track);
            added.notes = std::move(voice);
        }
    }
    return out;
}

std::vector<ImportTrack> collectTracks(const SmfFile& file, std::uint64_t limit,
                                       ImportReport& report) {
    std::vector<ImportTrack> tracks;
    ChunkCollector collector(limit, report);
    // Tracks that will stay: those with notes, and one for each chunk without.
    std::size_t staying = 0;
    for (std::size_t index = 0; index < file.tracks.size(); ++index) {
        const std::size_t before = tracks.size();
        collector.collect(file.tracks[index], index, tracks);
        const auto playing = static_cast<std::size_t>(
            std::count_if(tracks.begin() + static_cast<std::ptrdiff_t>(before), tracks.end(),
                          [](const ImportTrack& t) { return !t.notes.empty(); }));
        staying += playing > 0 ? playing : (tracks.size() > before ? 1 : 0);
        // Lending programs removes at most one track per channel.
        if (staying > kImportMaxTracks + kChannels) {
            break;
        }
    }
    lendPrograms(tracks);
    dropSilentChannels(tracks);
    if (tracks.size() > kImportMaxTracks) {
        throw ImportError("The MIDI file has more than 64 tracks; a score holds at most 64.");
    }
    if (tracks.empty()) {
        throw ImportError("The MIDI file holds no notes to import.");
    }
    applyPedals(tracks, file, limit, report);
    for (ImportTrack& track : tracks) {
        dropWithoutLength(track, report);
    }
    return splitVoices(std::move(tracks), file.division, report);
}

}  // namespace

MidiImport importMidi(std::span<const std::uint8_t> bytes) {
    const SmfFile file = parseSmf(bytes);
    const std::uint64_t limit =
        static_cast<std::uint64_t>(kMaxQuarters) * static_cast<std::uint64_t>(file.division);
    ImportReport report;
    std::vector<ImportTrack> tracks = collectTracks(file, limit, report);
    const Markers markers = collectMarkers(file, limit, report);
    // Tracks and the measures tried while barring often share rhythms, and so layouts.
    MeasureLayer layer;
    const Measures measures = chooseMeasures(tracks, markers, file.division, layer, report);

    MidiImport result;
    result.score.clear();
    for (std::size_t m = 0; m < measures.beats.size(); ++m) {
        result.score.measures.push_back(
            MeasureInfo{measures.timeline.keys[m], measures.tempos[m], measures.beats[m]});
    }
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        ImportTrack& source = tracks[t];
        // Notes closed at a bar line end elsewhere than where the exact chords have them.
        const PlacedTrack* exact = neverEnds(source) ? nullptr : &measures.exact[t];
        closeAtBarLines(source, measures.timeline);
        Track& track = result.score.tracks.emplace_back();
        track.program = source.program;
        track.measures = layTrack(source.notes, source.channel == kDrumChannel, measures.timeline,
                                  exact, layer, track.kind, report);
    }
    result.report = report.lines();
    return result;
}

MidiImport importMidiFile(const std::string& path) {
    DataFile file(path);
    std::vector<std::uint8_t> bytes(file.remaining());
    for (std::uint8_t& byte : bytes) {
        file.read(byte);
    }
    return importMidi(bytes);
}

}  // namespace corvane
