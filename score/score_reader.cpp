#include "score/score_reader.h"

#include <array>
#include <cstring>

namespace corvane {

namespace {

constexpr std::array<std::uint8_t, 5> kMagic = {'C', 'V', 'N', 'h', 'd'};

// Smallest number of bytes each record can take, used to refuse counts the file cannot hold.
constexpr std::size_t kTimelineEntryBytes = 12;
constexpr std::size_t kTrackHeaderBytes = 8;
constexpr std::size_t kMeasureBytes = 4;
constexpr std::size_t kNoteBytes = 28;
constexpr std::size_t kHeadBytes = 8;

// Thrown inside the parser only; turned into a LoadResult.
struct Rejected {
    std::string reason;
};

// Reads values and checks them, keeping track of where it is so that a rejection can say so.
class Parser {
  public:
    explicit Parser(DataFile& file) : file_(file) {}

    // Where the next value lies, counted from 0; the flags say which of the three apply.
    std::size_t track = 0;
    std::size_t measure = 0;
    std::size_t note = 0;
    bool inTrack = false;
    bool inMeasure = false;
    bool inNote = false;

    std::int32_t value() {
        std::int32_t v = 0;
        file_.read(v);
        if (file_.atEnd()) {
            reject("it ends too early");
        }
        return v;
    }

    std::int32_t ranged(const char* what, std::int32_t low, std::int32_t high) {
        const std::int32_t v = value();
        if (v < low || v > high) {
            reject(std::string(what) + " of " + std::to_string(v) + " is out of range (" +
                   std::to_string(low) + " to " + std::to_string(high) + ")");
        }
        return v;
    }

    // A count of records (named `one` and `many`) that each need at least `bytesEach`; zero or
    // below means none. A count the rest of the file cannot hold is refused before anything is
    // allocated for it.
    std::size_t count(const char* one, const char* many, std::size_t bytesEach) {
        const std::int32_t v = value();
        if (v <= 0) {
            return 0;
        }
        const auto n = static_cast<std::size_t>(v);
        if (n > file_.remaining() / bytesEach) {
            const bool single = n == 1;
            reject("it claims " + std::to_string(v) + " " + (single ? one : many) +
                   " but is too short for " + (single ? "it" : "them"));
        }
        return n;
    }

    [[noreturn]] void reject(const std::string& problem) const {
        std::string where;
        if (inTrack) {
            where = "track " + std::to_string(track + 1);
            if (inMeasure) {
                where += ", measure " + std::to_string(measure + 1);
                if (inNote) {
                    where += ", note " + std::to_string(note + 1);
                }
            }
        } else if (inMeasure) {
            where = "the settings of measure " + std::to_string(measure + 1);
        }
        throw Rejected{"The file is damaged: " + problem + (where.empty() ? "" : " in " + where) +
                       "."};
    }

  private:
    DataFile& file_;
};

bool isNoteValue(std::int32_t duration) {
    switch (duration) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
            return true;
        default:
            return false;
    }
}

// One Note and its heads, in the order the file keeps them.
void parseNote(Parser& in, Note& note) {
    note.dots = in.ranged("a dot count", 0, 2);
    note.velocity = in.ranged("a velocity", 0, 127);
    note.octave = in.ranged("an octave shift", -3, 3);
    note.tie = static_cast<TieState>(in.ranged("a tie", 0, 3));
    note.triplet = in.ranged("a triplet mark", 0, 3);
    note.duration = in.value();
    if (!isNoteValue(note.duration)) {
        in.reject("a note value of 1/" + std::to_string(note.duration) + " is not possible");
    }
    const std::size_t p = in.count("pitch", "pitches", kHeadBytes);
    for (std::size_t h = 0; h < p; ++h) {
        NoteHead& head = note.pitches.emplace_back();
        head.accidental = static_cast<Accidental>(in.ranged("an accidental", 0, 3));
        head.position = in.ranged("a staff position", -20, 20);
    }
}

void parse(DataFile& file, Score& out) {
    std::uint8_t magic[5] = {};
    for (std::uint8_t& byte : magic) {
        file.read(byte);
    }
    if (file.atEnd()) {
        throw Rejected{"The file is too short to be a Corvane score file."};
    }
    if (std::memcmp(magic, kMagic.data(), kMagic.size()) != 0) {
        throw Rejected{"This is not a Corvane score file."};
    }

    Parser in(file);
    const std::size_t m = in.count("measure", "measures", kTimelineEntryBytes);
    out.measures.reserve(m);
    in.inMeasure = true;
    for (in.measure = 0; in.measure < m; ++in.measure) {
        MeasureInfo info;
        info.key = in.ranged("a key signature", -7, 7);
        info.beats = in.ranged("a meter", 1, 32);
        info.tempo = in.ranged("a tempo", 1, 255);
        out.measures.push_back(info);
    }
    in.inMeasure = false;

    const std::size_t t = in.count("track", "tracks", kTrackHeaderBytes + kMeasureBytes * m);
    out.tracks.reserve(t);
    in.inTrack = true;
    for (in.track = 0; in.track < t; ++in.track) {
        Track& track = out.tracks.emplace_back();
        track.kind = static_cast<TrackKind>(in.ranged("a track kind", 0, 2));
        track.program = in.ranged("an instrument", 0, 127);
        track.measures.resize(m);
        in.inMeasure = true;
        for (in.measure = 0; in.measure < m; ++in.measure) {
            TrackMeasure& measure = track.measures[in.measure];
            const std::size_t n = in.count("note", "notes", kNoteBytes);
            in.inNote = true;
            for (in.note = 0; in.note < n; ++in.note) {
                parseNote(in, measure.emplace_back());
            }
            in.inNote = false;
        }
        in.inMeasure = false;
    }
}

// The exact size of the file `score` makes, so it can be written without growing a buffer.
std::size_t fileSize(const Score& score) {
    std::size_t size = kMagic.size() + 4 + kTimelineEntryBytes * score.measures.size() + 4;
    for (const Track& track : score.tracks) {
        size += kTrackHeaderBytes + kMeasureBytes * score.measures.size();
        for (const TrackMeasure& measure : track.measures) {
            size += kNoteBytes * measure.size();
            for (const Note& note : measure) {
                size += kHeadBytes * note.pitches.size();
            }
        }
    }
    return size;
}

}  // namespace

void ScoreReader::write(DataFile& file, const Score& score) {
    file.reserve(fileSize(score));
    for (const std::uint8_t byte : kMagic) {
        file.write(byte);
    }
    file.write(static_cast<std::int32_t>(score.measures.size()));
    for (const MeasureInfo& info : score.measures) {
        file.write(info.key);
        file.write(info.beats);
        file.write(info.tempo);
    }
    file.write(static_cast<std::int32_t>(score.tracks.size()));
    for (const Track& track : score.tracks) {
        file.write(static_cast<std::int32_t>(track.kind));
        file.write(track.program);
        for (std::size_t i = 0; i < score.measures.size(); ++i) {
            // Every score the program builds keeps one measure per timeline entry in each track;
            // should one fall short, it gets empty measures rather than a read past its end.
            if (i >= track.measures.size()) {
                file.write(std::int32_t{0});
                continue;
            }
            const TrackMeasure& measure = track.measures[i];
            file.write(static_cast<std::int32_t>(measure.size()));
            for (const Note& note : measure) {
                file.write(note.dots);
                file.write(note.velocity);
                file.write(note.octave);
                file.write(static_cast<std::int32_t>(note.tie));
                file.write(note.triplet);
                file.write(note.duration);
                file.write(static_cast<std::int32_t>(note.pitches.size()));
                for (const NoteHead& head : note.pitches) {
                    file.write(static_cast<std::int32_t>(head.accidental));
                    file.write(head.position);
                }
            }
        }
    }
}

LoadResult ScoreReader::read(DataFile& file, Score& score) {
    Score parsed;
    parsed.clear();
    try {
        parse(file, parsed);
    } catch (const Rejected& rejected) {
        return LoadResult{false, rejected.reason};
    }
    score = std::move(parsed);
    return LoadResult{true, {}};
}

void ScoreReader::save(std::string path, const Score& score) const {
    DataFile file(std::move(path));
    write(file, score);
    file.commit();
}

LoadResult ScoreReader::load(std::string path, Score& score) const {
    DataFile file(std::move(path));
    return read(file, score);
}

}  // namespace corvane
