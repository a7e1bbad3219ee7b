#include "interchange/musicxml_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <string_view>

#include "interchange/held_ties.h"
#include "score/data_file.h"
#include "score/instruments.h"
#include "score/note_values.h"
#include "score/pitch.h"

namespace corvane {

namespace {

// Divisions per quarter note: enough for every value the model holds, dotted, double-dotted or
// in a triplet, to be a whole number, so that every <duration> is what its <type>, <dot>s and
// <time-modification> say.
constexpr int kDivisions = 96;

constexpr std::string_view kSteps = "CDEFGAB";
constexpr std::array<int, 7> kStepSemitones = {0, 2, 4, 5, 7, 9, 11};

int floorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Diatonic step number (C4 = 28) of staff position 0: B4 on treble staves and drum lines, D3 on
// bass staves.
int middleLine(TrackKind kind) {
    return kind == Bass ? 3 * 7 + 1 : 4 * 7 + 6;
}

// The exact length of a Note in divisions. A value the model cannot hold (a loaded file refuses
// one) falls back to its MIDI ticks.
long divisionsOf(const Note& note) {
    if (!isNoteValue(note.duration) || note.dots < 0 || note.dots > 2) {
        return static_cast<long>(noteTicks(note)) * (kDivisions / 24);
    }
    long length = 4L * kDivisions / note.duration;
    length = note.dots == 1 ? length * 3 / 2 : (note.dots == 2 ? length * 7 / 4 : length);
    return note.triplet != 0 ? length * 2 / 3 : length;
}

std::string drumName(int key) {
    const std::string_view name = percussionName(key);
    return name.empty() ? "Drum " + std::to_string(key) : std::string(name);
}

const char* typeName(int duration) {
    switch (duration) {
        case 1:
            return "whole";
        case 2:
            return "half";
        case 4:
            return "quarter";
        case 8:
            return "eighth";
        case 16:
            return "16th";
        default:
            return "32nd";
    }
}

const char* accidentalName(Accidental accidental) {
    switch (accidental) {
        case Sharp:
            return "sharp";
        case Flat:
            return "flat";
        case Natural:
            return "natural";
        default:
            return nullptr;
    }
}

// The drum keys a drum track plays, in order.
std::set<int> drumKeys(const Track& track) {
    std::set<int> keys;
    for (const TrackMeasure& measure : track.measures) {
        for (const Note& note : measure) {
            for (const NoteHead& head : note.pitches) {
                keys.insert(midiKeyNumber(head.position, head.accidental, 0, Drums, 0));
            }
        }
    }
    return keys;
}

// Appends the document to one string, one element a line, indented by two spaces a level.
class Writer {
  public:
    explicit Writer(const Score& score) : score_(score), channels_(midiChannels(score)) {}

    std::string document() {
        out_.reserve(estimatedSize());
        out_ +=
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
            "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.0 Partwise//EN\" "
            "\"http://www.musicxml.org/dtds/partwise.dtd\">\n";
        open("score-partwise version=\"3.0\"");
        open("identification");
        open("encoding");
        leaf("software", "Corvane");
        close("encoding");
        close("identification");
        partList();
        for (std::size_t t = 0; t < score_.tracks.size(); ++t) {
            part(t);
        }
        close("score-partwise");
        return std::move(out_);
    }

  private:
    // About 200 bytes for every head and 400 for every measure of every part.
    std::size_t estimatedSize() const {
        std::size_t size = 4096;
        for (const Track& track : score_.tracks) {
            size += 400 * track.measures.size();
            for (const TrackMeasure& measure : track.measures) {
                for (const Note& note : measure) {
                    size += 200 * std::max<std::size_t>(note.pitches.size(), 1);
                }
            }
        }
        return size;
    }

    void indent() { out_.append(2 * depth_, ' '); }

    void open(std::string_view tag) {
        indent();
        out_ += '<';
        out_ += tag;
        out_ += ">\n";
        ++depth_;
    }

    void close(std::string_view tag) {
        --depth_;
        indent();
        out_ += "</";
        out_ += tag;
        out_ += ">\n";
    }

    void empty(std::string_view tag) {
        indent();
        out_ += '<';
        out_ += tag;
        out_ += "/>\n";
    }

    void leaf(std::string_view tag, std::string_view text) {
        indent();
        out_ += '<';
        out_ += tag;
        out_ += '>';
        for (const char c : text) {
            switch (c) {
                case '&':
                    out_ += "&amp;";
                    break;
                case '<':
                    out_ += "&lt;";
                    break;
                case '>':
                    out_ += "&gt;";
                    break;
                default:
                    out_ += c;
            }
        }
        out_ += "</";
        out_ += tag.substr(0, tag.find(' '));
        out_ += ">\n";
    }

    // Appends <tag>text</tag> without indentation or line end, for groups kept on one line.
    void inlineLeaf(std::string_view tag, std::string_view text) {
        out_ += '<';
        out_ += tag;
        out_ += '>';
        out_ += text;
        out_ += "</";
        out_ += tag;
        out_ += '>';
    }

    void inlineLeaf(std::string_view tag, long value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        inlineLeaf(tag, std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }

    // <tag>, then what `inner` appends, then </tag>, on one line.
    template <typename Inner>
    void group(std::string_view tag, Inner inner) {
        indent();
        out_ += '<';
        out_ += tag;
        out_ += '>';
        inner();
        out_ += "</";
        out_ += tag.substr(0, tag.find(' '));
        out_ += ">\n";
    }

    void leaf(std::string_view tag, long value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        leaf(tag, std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }

    static std::string partId(std::size_t t) { return "P" + std::to_string(t + 1); }

    void partList();
    void scorePart(std::size_t t);
    void part(std::size_t t);
    void attributes(std::size_t t, std::size_t m);
    void tempo(int bpm);
    void octaveShift(int octave, bool stop);
    void note(const Track& track, std::size_t t, const TrackMeasure& measure,
              TrackMeasure::const_iterator it, std::int32_t key);
    void head(const Note& note, const NoteHead& head, TrackKind kind, std::int32_t key,
              std::size_t t, int tuplet, bool first);
    void pitch(const Note& note, const NoteHead& head, TrackKind kind, std::int32_t key);
    void body(const Note& note, Accidental accidental = AccidentalNone);
    void notations(int tuplet, bool tieStop, bool tieStart);
    static std::string dynamics(int velocity);

    const Score& score_;
    std::vector<std::uint8_t> channels_;
    std::string out_;
    std::size_t depth_ = 0;
    int shift_ = 0;  // the octave shift in force in the part being written
    // Of the part being written: whether each Note is held into the next (held_ties.h), and the
    // index of the Note being written.
    std::vector<bool> held_;
    std::size_t index_ = 0;
};

void Writer::partList() {
    open("part-list");
    for (std::size_t t = 0; t < score_.tracks.size(); ++t) {
        scorePart(t);
    }
    close("part-list");
}

void Writer::scorePart(std::size_t t) {
    const Track& track = score_.tracks[t];
    const std::string id = partId(t);
    open("score-part id=\"" + id + "\"");
    const bool drums = track.kind == Drums;
    const std::string name = drums ? "Drums" : std::string(instrumentName(track.program));
    leaf("part-name", name);
    const int channel = channels_[t] + 1;
    const int program = (track.program & 0x7F) + 1;
    // A drum line has an instrument for every drum it plays, its key + 1 as its number.
    std::vector<int> numbers;
    if (drums) {
        for (const int key : drumKeys(track)) {
            numbers.push_back(key + 1);
        }
    }
    if (numbers.empty()) {
        numbers.push_back(0);
    }
    const auto instrumentId = [&](int number) {
        return id + "-I" + std::to_string(std::max(number, 1));
    };
    for (const int number : numbers) {
        open("score-instrument id=\"" + instrumentId(number) + "\"");
        leaf("instrument-name", number > 0 ? drumName(number - 1) : name);
        close("score-instrument");
    }
    for (const int number : numbers) {
        open("midi-instrument id=\"" + instrumentId(number) + "\"");
        leaf("midi-channel", channel);
        leaf("midi-program", program);
        if (number > 0) {
            leaf("midi-unpitched", std::min(number, 128));
        }
        close("midi-instrument");
    }
    close("score-part");
}

void Writer::part(std::size_t t) {
    const Track& track = score_.tracks[t];
    open("part id=\"" + partId(t) + "\"");
    shift_ = 0;
    held_ = heldIntoNext(score_, t);
    index_ = 0;
    for (std::size_t m = 0; m < score_.measures.size(); ++m) {
        open("measure number=\"" + std::to_string(m + 1) + "\"");
        attributes(t, m);
        const int bpm = score_.measures[m].tempo;
        if (t == 0 && (m == 0 || bpm != score_.measures[m - 1].tempo)) {
            tempo(bpm);
        }
        if (m < track.measures.size()) {
            const TrackMeasure& measure = track.measures[m];
            for (auto it = measure.begin(); it != measure.end(); ++it) {
                note(track, t, measure, it, score_.measures[m].key);
                ++index_;
            }
        }
        if (m + 1 == score_.measures.size() && shift_ != 0) {
            octaveShift(shift_, true);
        }
        close("measure");
    }
    close("part");
}

// Divisions and clef at the start; key signature and meter there and wherever they change. A
// drum line shows no key signature but carries the measures' keys unprinted, so that a score of
// drum lines alone keeps them.
void Writer::attributes(std::size_t t, std::size_t m) {
    const TrackKind kind = score_.tracks[t].kind;
    const MeasureInfo& info = score_.measures[m];
    const MeasureInfo* previous = m > 0 ? &score_.measures[m - 1] : nullptr;
    const bool key = previous == nullptr || info.key != previous->key;
    const bool time = previous == nullptr || info.beats != previous->beats;
    if (!key && !time) {
        return;
    }
    open("attributes");
    if (previous == nullptr) {
        leaf("divisions", kDivisions);
    }
    if (key) {
        group(kind == Drums ? "key print-object=\"no\"" : "key",
              [&] { inlineLeaf("fifths", info.key); });
    }
    if (time) {
        group("time", [&] {
            inlineLeaf("beats", info.beats);
            inlineLeaf("beat-type", 4);
        });
    }
    if (previous == nullptr) {
        group("clef", [&] {
            if (kind == Drums) {
                inlineLeaf("sign", "percussion");
            } else {
                inlineLeaf("sign", kind == Bass ? "F" : "G");
                inlineLeaf("line", kind == Bass ? 4 : 2);
            }
        });
    }
    close("attributes");
}

void Writer::tempo(int bpm) {
    open("direction placement=\"above\"");
    open("direction-type");
    group("metronome", [&] {
        inlineLeaf("beat-unit", "quarter");
        inlineLeaf("per-minute", bpm);
    });
    close("direction-type");
    empty("sound tempo=\"" + std::to_string(bpm) + "\"");
    close("direction");
}

// 8va (an octave shift of +1) is written as the notes' display shifted down from their pitch.
void Writer::octaveShift(int octave, bool stop) {
    open(octave > 0 ? "direction placement=\"above\"" : "direction placement=\"below\"");
    open("direction-type");
    const char* type = stop ? "stop" : (octave > 0 ? "down" : "up");
    empty("octave-shift type=\"" + std::string(type) + "\" number=\"1\" size=\"" +
          std::to_string(7 * std::abs(octave) + 1) + "\"");
    close("direction-type");
    close("direction");
}

void Writer::note(const Track& track, std::size_t t, const TrackMeasure& measure,
                  TrackMeasure::const_iterator it, std::int32_t key) {
    const Note& note = *it;
    if (track.kind != Drums && !note.isRest() && note.octave != shift_) {
        if (shift_ != 0) {
            octaveShift(shift_, true);
        }
        if (note.octave != 0) {
            octaveShift(note.octave, false);
        }
        shift_ = note.octave;
    }
    // Brackets only round well-formed groups; a stray triplet mark still gets its length.
    int tuplet = 0;
    if (note.triplet == 1 && groupStartsAt(measure, it)) {
        tuplet = 1;
    } else if (note.triplet == 2 && std::distance(measure.begin(), it) >= 2 &&
               groupStartsAt(measure, std::prev(it, 2))) {
        tuplet = 2;
    }
    if (note.isRest()) {
        open("note dynamics=\"" + dynamics(note.velocity) + "\"");
        empty("rest");
        leaf("duration", divisionsOf(note));
        body(note);
        notations(tuplet, false, false);
        close("note");
        return;
    }
    bool first = true;
    for (const NoteHead& h : note.pitches) {
        head(note, h, track.kind, key, t, first ? tuplet : 0, first);
        first = false;
    }
}

// One <note> for one head; the heads after the first are marked as chord members.
void Writer::head(const Note& note, const NoteHead& head, TrackKind kind, std::int32_t key,
                  std::size_t t, int tuplet, bool first) {
    open("note dynamics=\"" + dynamics(note.velocity) + "\"");
    if (first && kind == Drums && note.octave != 0) {
        // A drum line sounds no octave shift, so an <octave-shift> would make readers play
        // other drums; the mark the editor shows travels where only Corvane reads it.
        indent();
        out_ += "<?corvane octave=\"" + std::to_string(note.octave) + "\"?>\n";
    }
    if (!first) {
        empty("chord");
    }
    if (kind == Drums) {
        const int diatonic = middleLine(Drums) + head.position;
        group("unpitched", [&] {
            inlineLeaf("display-step",
                       std::string_view(&kSteps[static_cast<std::size_t>(diatonic % 7)], 1));
            inlineLeaf("display-octave", diatonic / 7);
        });
    } else {
        pitch(note, head, kind, key);
    }
    leaf("duration", divisionsOf(note));
    const bool tieStop = index_ > 0 && held_[index_ - 1];
    const bool tieStart = held_[index_];
    if (tieStop) {
        empty("tie type=\"stop\"");
    }
    if (tieStart) {
        empty("tie type=\"start\"");
    }
    if (kind == Drums) {
        const int drum = midiKeyNumber(head.position, head.accidental, 0, Drums, 0);
        empty("instrument id=\"" + partId(t) + "-I" + std::to_string(drum + 1) + "\"");
    }
    body(note, head.accidental);
    notations(tuplet, tieStop, tieStart);
    close("note");
}

// The pitch Write Midi plays for the head, spelled with the head's own letter.
void Writer::pitch(const Note& note, const NoteHead& head, TrackKind kind, std::int32_t key) {
    const int midi = midiKeyNumber(head.position, head.accidental, note.octave, kind, key);
    const int diatonic = middleLine(kind) + head.position + 7 * note.octave;
    int octave = floorDiv(diatonic, 7);
    auto step = static_cast<std::size_t>(diatonic - 7 * octave);
    int alter = midi - (12 * (octave + 1) + kStepSemitones[step]);
    if (alter < -2 || alter > 2 || octave < 0 || octave > 9) {
        // A position beyond the staff's reach (only a file can hold one) sounds another key than
        // its line: write the key that sounds, with a sharp where it needs one.
        octave = std::clamp(midi / 12 - 1, 0, 9);
        const int semitone = midi % 12;
        step = 0;
        while (step + 1 < kStepSemitones.size() && kStepSemitones[step + 1] <= semitone) {
            ++step;
        }
        alter = semitone - kStepSemitones[step];
    }
    group("pitch", [&] {
        inlineLeaf("step", std::string_view(&kSteps[step], 1));
        if (alter != 0) {
            inlineLeaf("alter", alter);
        }
        inlineLeaf("octave", octave);
    });
}

// What every note and rest carries after its pitch: type, dots, accidental, triplet.
void Writer::body(const Note& note, Accidental accidental) {
    leaf("type", typeName(note.duration));
    for (int d = 0; d < note.dots; ++d) {
        empty("dot");
    }
    if (const char* name = accidentalName(accidental)) {
        leaf("accidental", name);
    }
    if (note.triplet != 0) {
        group("time-modification", [&] {
            inlineLeaf("actual-notes", 3);
            inlineLeaf("normal-notes", 2);
        });
    }
}

void Writer::notations(int tuplet, bool stop, bool start) {
    if (!stop && !start && tuplet == 0) {
        return;
    }
    open("notations");
    if (stop) {
        empty("tied type=\"stop\"");
    }
    if (start) {
        empty("tied type=\"start\"");
    }
    if (tuplet == 1) {
        empty("tuplet type=\"start\" bracket=\"yes\"");
    } else if (tuplet == 2) {
        empty("tuplet type=\"stop\"");
    }
    close("notations");
}

// A velocity as a percentage of the default forte (velocity 90), to two decimals.
std::string Writer::dynamics(int velocity) {
    const long hundredths = (static_cast<long>(velocity) * 10000 * 2 + 90) / 180;
    std::string text = std::to_string(hundredths / 100);
    const long fraction = hundredths % 100;
    if (fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) {
            text += static_cast<char>('0' + fraction % 10);
        }
    }
    return text;
}

}  // namespace

std::string musicXmlText(const Score& score) {
    if (score.tracks.empty()) {
        throw FileError("The score has no tracks: a MusicXML file needs at least one part.");
    }
    if (score.measures.empty()) {
        throw FileError("The score has no measures: a MusicXML file needs at least one.");
    }
    return Writer(score).document();
}

void writeMusicXmlFile(const std::string& path, const Score& score) {
    DataFile file(path);
    if (file.textMode()) {
        throw FileError(kErrorOpenWrite);
    }
    const std::string text = musicXmlText(score);
    file.writeBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    file.commit();
}

}  // namespace corvane
