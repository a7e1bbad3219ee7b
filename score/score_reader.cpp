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

class Parser {
public:
    explicit Parser(DataFile& file) : file_(file) {}

    std::int32_t value() {
        std::int32_t v = 0;
        file_.read(v);
        if (file_.atEnd()) {
            throw Rejected{"The file is damaged: it ends too early."};
        }
        return v;
    }

    std::int32_t ranged(const char* what, std::int32_t low, std::int32_t high) {
        const std::int32_t v = value();
        if (v < low || v > high) {
            throw Rejected{std::string("The file is damaged: ") + what + " " + std::to_string(v) +
                           " is out of range."};
        }
        return v;
    }

    // A count of records that each need at least `bytesEach`; zero or below means none.
    std::size_t count(const char* what, std::size_t bytesEach) {
        const std::int32_t v = value();
        if (v <= 0) {
            return 0;
        }
        const auto n = static_cast<std::size_t>(v);
        if (n > file_.remaining() / bytesEach) {
            throw Rejected{std::string("The file is damaged: it claims more ") + what +
                           " than it holds."};
        }
        return n;
    }

private:
    DataFile& file_;
};

void parse(DataFile& file, Score& out) {
    std::uint8_t magic[5] = {};
    for (std::uint8_t& byte : magic) {
        file.read(byte);
    }
    if (file.atEnd() || std::memcmp(magic, kMagic.data(), kMagic.size()) != 0) {
        throw Rejected{"This is not a Corvane score file."};
    }

    Parser in(file);
    const std::size_t m = in.count("measures", kTimelineEntryBytes);
    out.measures.reserve(m);
    for (std::size_t i = 0; i < m; ++i) {
        MeasureInfo info;
        info.key = in.ranged("a key signature", -7, 7);
        info.beats = in.ranged("a meter", 1, 32);
        info.tempo = in.ranged("a tempo", 1, 255);
        out.measures.push_back(info);
    }

    const std::size_t t = in.count("tracks", kTrackHeaderBytes + kMeasureBytes * m);
    out.tracks.reserve(t);
    for (std::size_t k = 0; k < t; ++k) {
        Track& track = out.tracks.emplace_back();
        track.kind = static_cast<TrackKind>(in.ranged("a track kind", 0, 2));
        track.program = in.ranged("an instrument", 0, 127);
        track.measures.resize(m);
        for (TrackMeasure& measure : track.measures) {
            const std::size_t n = in.count("notes", kNoteBytes);
            for (std::size_t j = 0; j < n; ++j) {
                Note& note = measure.emplace_back();
                note.dots = in.ranged("a dot count", 0, 2);
                note.velocity = in.ranged("a velocity", 0, 127);
                note.octave = in.ranged("an octave shift", -3, 3);
                note.tie = static_cast<TieState>(in.ranged("a tie", 0, 3));
                note.triplet = in.ranged("a triplet mark", 0, 3);
                note.duration = in.value();
                switch (note.duration) {
                    case 1: case 2: case 4: case 8: case 16: case 32:
                        break;
                    default:
                        throw Rejected{"The file is damaged: a note value of 1/" +
                                       std::to_string(note.duration) + " is not possible."};
                }
                const std::size_t p = in.count("note heads", kHeadBytes);
                for (std::size_t h = 0; h < p; ++h) {
                    NoteHead& head = note.pitches.emplace_back();
                    head.accidental = static_cast<Accidental>(in.ranged("an accidental", 0, 3));
                    head.position = in.ranged("a staff position", -20, 20);
                }
            }
        }
    }
}

}  // namespace

void ScoreReader::write(DataFile& file, const Score& score) {
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
    if (file.textMode()) {
        throw FileError(kErrorOpenWrite);
    }
    write(file, score);
    file.commit();
}

LoadResult ScoreReader::load(std::string path, Score& score) const {
    DataFile file(std::move(path));
    return read(file, score);
}

}  // namespace corvane
