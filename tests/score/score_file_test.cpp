// The .cvn score file: its exact layout, round trips, and every kind of file the loader refuses.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <limits>
#include <string>
#include <vector>

#include "score/data_file.h"
#include "score/score_reader.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::putInt;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

std::vector<std::uint8_t> fileOf(const std::vector<std::int32_t>& values) {
    std::vector<std::uint8_t> bytes = {'C', 'V', 'N', 'h', 'd'};
    for (const std::int32_t v : values) {
        putInt(bytes, v);
    }
    return bytes;
}

LoadResult loadBytes(const std::vector<std::uint8_t>& bytes, Score& score) {
    DataFile file = DataFile::fromBytes(bytes);
    return ScoreReader::read(file, score);
}

TEST(ScoreFile, DefaultScoreSavesAsThe149BytesOfTheFormat) {
    std::vector<std::uint8_t> expected = {0x43, 0x56, 0x4E, 0x68, 0x64, 1, 0, 0, 0, 0, 0, 0, 0,
                                          4,    0,    0,    0,    0x78, 0, 0, 0, 1, 0, 0, 0};
    expected.insert(expected.end(), {0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0});
    for (int i = 0; i < 4; ++i) {
        expected.insert(expected.end(), {0, 0, 0, 0, 0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0,    0, 4, 0, 0, 0, 0, 0, 0, 0});
    }
    ASSERT_EQ(expected.size(), 149u);

    TempDir dir;
    ScoreReader().save(dir.file("default.cvn"), Score());
    EXPECT_EQ(readBytes(dir.file("default.cvn")), expected);
}

TEST(ScoreFile, FieldsLieInTheFormatsOrder) {
    Score score;
    score.clear();
    score.measures.push_back(MeasureInfo{-3, 200, 5});  // key, tempo, beats
    Track track;
    track.kind = Drums;
    track.program = 35;
    Note note;
    note.dots = 1;
    note.velocity = 77;
    note.octave = -1;
    note.tie = TieMiddle;
    note.triplet = 2;
    note.duration = 8;
    note.pitches.push_back({-5, Sharp});
    note.pitches.push_back({7, Flat});
    track.measures.push_back(TrackMeasure{note});
    score.tracks.push_back(track);

    // key, beats, tempo; kind, program; dots, velocity, octave, tie, triplet, duration; then
    // accidental, position for each head.
    const std::vector<std::uint8_t> expected =
        fileOf({1, -3, 5, 200, 1, 2, 35, 1, 1, 77, -1, 3, 2, 8, 2, 3, -5, 1, 7});
    EXPECT_EQ(samples::encode(score), expected);

    Score loaded;
    ASSERT_TRUE(loadBytes(expected, loaded));
    EXPECT_EQ(loaded, score);
}

// Bytes a score must take by the layout, computed independently of the writer.
std::size_t layoutSize(const Score& score) {
    std::size_t size = 5 + 4 + 12 * score.measures.size() + 4;
    for (const Track& track : score.tracks) {
        size += 8;
        for (const TrackMeasure& measure : track.measures) {
            size += 4;
            for (const Note& note : measure) {
                size += 28 + 8 * note.pitches.size();
            }
        }
    }
    return size;
}

TEST(ScoreFile, RichScoreRoundTripsByteForByte) {
    const Score rich = samples::richScore();
    TempDir dir;
    const ScoreReader reader;
    reader.save(dir.file("rich.cvn"), rich);
    const std::vector<std::uint8_t> first = readBytes(dir.file("rich.cvn"));
    EXPECT_EQ(first.size(), layoutSize(rich));

    Score loaded;
    const LoadResult result = reader.load(dir.file("rich.cvn"), loaded);
    ASSERT_TRUE(result) << result.reason;
    EXPECT_EQ(loaded, rich);

    reader.save(dir.file("again.cvn"), loaded);
    EXPECT_EQ(readBytes(dir.file("again.cvn")), first);
}

TEST(ScoreFile, LoadReplacesTheContentOfTheSameScore) {
    TempDir dir;
    const ScoreReader reader;
    reader.save(dir.file("rich.cvn"), samples::richScore());
    Score score;
    score.addTrack(9, Bass);
    ASSERT_TRUE(reader.load(dir.file("rich.cvn"), score));
    EXPECT_EQ(score, samples::richScore());
}

TEST(ScoreFile, UnusualButValidContentLoads) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t measures;
        std::size_t tracks;
    };
    std::vector<Case> cases = {
        {"no measures and no tracks", fileOf({0, 0}), 0, 0},
        {"negative counts mean none", fileOf({-1, -7}), 0, 0},
        {"measures without tracks", fileOf({2, 1, 4, 60, -2, 3, 90, 0}), 2, 0},
        {"tracks without measures", fileOf({0, 2, 0, 5, 1, 6}), 0, 2},
        {"empty and negative note counts", fileOf({2, 0, 4, 120, 0, 4, 120, 1, 0, 0, 0, -3}), 2, 1},
    };
    std::vector<std::uint8_t> trailing = fileOf({0, 0});
    trailing.insert(trailing.end(), {'x', 'y', 0xFF, 0, 1});
    cases.push_back({"bytes after the last track are ignored", trailing, 0, 0});

    for (const Case& c : cases) {
        Score score;
        const LoadResult result = loadBytes(c.bytes, score);
        ASSERT_TRUE(result) << c.name << ": " << result.reason;
        EXPECT_EQ(score.measures.size(), c.measures) << c.name;
        EXPECT_EQ(score.tracks.size(), c.tracks) << c.name;
        for (const Track& track : score.tracks) {
            EXPECT_EQ(track.measures.size(), c.measures) << c.name;
            for (const TrackMeasure& measure : track.measures) {
                EXPECT_TRUE(measure.empty()) << c.name;
            }
        }
    }
}

TEST(ScoreFile, TrackShortOfMeasuresIsWrittenWithEmptyOnes) {
    Score score;
    score.addMeasure(0, 120, 3);
    score.tracks[0].measures.pop_back();
    Score loaded;
    ASSERT_TRUE(loadBytes(samples::encode(score), loaded));
    ASSERT_EQ(loaded.tracks[0].measures.size(), 2u);
    EXPECT_EQ(loaded.tracks[0].measures[0], score.tracks[0].measures[0]);
    EXPECT_TRUE(loaded.tracks[0].measures[1].empty());
}

TEST(ScoreFile, EmptyMeasureSavesAgainAsZeroNotes) {
    const std::vector<std::uint8_t> bytes = fileOf({1, 0, 4, 120, 1, 0, 0, 0});
    Score score;
    ASSERT_TRUE(loadBytes(bytes, score));
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_TRUE(score.tracks[0].measures[0].empty());
    EXPECT_EQ(samples::encode(score), bytes);
}

// A file of one measure with one Note of one head, and where each of its fields lies.
struct Field {
    const char* name;
    std::size_t index;  // in the values after the magic
    std::int32_t low;
    std::int32_t high;
};

const std::vector<std::int32_t> kBase = {
    1, 0,  4, 120,           // M, key, beats, tempo
    1, 0,  0,                // T, kind, program
    1,                       // N
    0, 90, 0, 0,   0, 4, 1,  // dots, velocity, octave, tie, triplet, duration, P
    0, 0,                    // accidental, position
};

const Field kRangedFields[] = {
    {"key", 1, -7, 7},       {"beats", 2, 1, 32},      {"tempo", 3, 1, 255},
    {"kind", 5, 0, 2},       {"program", 6, 0, 127},   {"dots", 8, 0, 2},
    {"velocity", 9, 0, 127}, {"octave", 10, -3, 3},    {"tie", 11, 0, 3},
    {"triplet", 12, 0, 3},   {"accidental", 15, 0, 3}, {"position", 16, -20, 20},
};
constexpr std::size_t kDurationIndex = 13;

std::vector<std::uint8_t> baseWith(std::size_t index, std::int32_t value) {
    std::vector<std::int32_t> values = kBase;
    values[index] = value;
    return fileOf(values);
}

// Loads `bytes` into a score that holds something else and checks that it was refused whole.
void expectRejected(const std::vector<std::uint8_t>& bytes, const std::string& label,
                    const std::string& reasonPart = "") {
    static const Score before = samples::richScore();
    Score score = before;
    const LoadResult result = loadBytes(bytes, score);
    EXPECT_FALSE(result) << label;
    EXPECT_FALSE(result.reason.empty()) << label;
    EXPECT_EQ(result.reason.find('\n'), std::string::npos) << label;
    EXPECT_NE(result.reason.find(reasonPart), std::string::npos)
        << label << ": \"" << result.reason << "\" lacks \"" << reasonPart << "\"";
    EXPECT_TRUE(score == before) << label << ": the score changed";
}

TEST(ScoreFile, EveryFieldIsCheckedAgainstItsRange) {
    Score base;
    ASSERT_TRUE(loadBytes(fileOf(kBase), base));
    for (const Field& field : kRangedFields) {
        for (const std::int32_t good : {field.low, field.high}) {
            Score score;
            const LoadResult result = loadBytes(baseWith(field.index, good), score);
            EXPECT_TRUE(result) << field.name << " " << good << ": " << result.reason;
        }
        for (const std::int32_t bad : {field.low - 1, field.high + 1, kMin, kMax}) {
            expectRejected(baseWith(field.index, bad),
                           std::string(field.name) + " " + std::to_string(bad), "out of range");
        }
    }
}

TEST(ScoreFile, OnlyRealNoteValuesAreAccepted) {
    for (const std::int32_t good : {1, 2, 4, 8, 16, 32}) {
        Score score;
        ASSERT_TRUE(loadBytes(baseWith(kDurationIndex, good), score)) << good;
        EXPECT_EQ(score.tracks[0].measures[0].front().duration, good);
    }
    for (const std::int32_t bad : {0, -4, 3, 5, 64, 12, kMin, kMax}) {
        expectRejected(baseWith(kDurationIndex, bad), "duration " + std::to_string(bad),
                       "not possible");
    }
}

TEST(ScoreFile, ReasonSaysWhereTheDamageIs) {
    Score score;
    std::vector<std::int32_t> values = {2, 0, 4, 120, 0, 4, 120, 1, 0, 0, 0, 2};
    for (int i = 0; i < 2; ++i) {
        values.insert(values.end(), {0, 90, 0, 0, 0, 4, 0});
    }
    values[values.size() - 6] = 300;  // the velocity of the second Note of measure 2
    const LoadResult result = loadBytes(fileOf(values), score);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.reason,
              "The file is damaged: a velocity of 300 is out of range (0 to 127) in track 1, "
              "measure 2, note 2.");
}

TEST(ScoreFile, CountsTheFileCannotHoldAreRefusedBeforeAnythingIsBuilt) {
    struct Case {
        const char* name;
        std::size_t index;
        std::int32_t count;
    };
    const Case cases[] = {
        // The small counts are the first that the rest of the base file cannot hold.
        {"measures", 0, kMax}, {"measures", 0, 6}, {"tracks", 4, kMax},   {"tracks", 4, 5},
        {"notes", 7, kMax},    {"notes", 7, 2},    {"pitches", 14, kMax}, {"pitches", 14, 2},
    };
    for (const Case& c : cases) {
        expectRejected(baseWith(c.index, c.count),
                       std::string(c.name) + " " + std::to_string(c.count), "claims");
    }
}

TEST(ScoreFile, EveryTruncationIsRefused) {
    // Small, but with every kind of record: two timeline entries, two tracks, an empty measure,
    // rests, a single note and a chord.
    Score score;
    score.addMeasure(2, 90, 3);
    score.addTrack(5, Bass);
    score.tracks[0].measures[0].front().pitches = {{1, Sharp}, {3, AccidentalNone}};
    score.tracks[0].measures[1].back().pitches = {{-2, Flat}};
    score.tracks[1].measures[0].clear();
    const std::vector<std::uint8_t> whole = samples::encode(score);
    ASSERT_TRUE(loadBytes(whole, score));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::vector<std::uint8_t> part(whole.begin(),
                                             whole.begin() + static_cast<std::ptrdiff_t>(length));
        expectRejected(part, "first " + std::to_string(length) + " bytes");
    }
}

TEST(ScoreFile, ShortFilesAndOtherMagicAreNotScores) {
    expectRejected({}, "empty file", "too short");
    expectRejected({'C', 'V', 'N', 'h'}, "four bytes", "too short");
    expectRejected({'C', 'V', 'N', 'h', 'D', 0, 0, 0, 0, 0, 0, 0, 0}, "other magic",
                   "not a Corvane score");
    expectRejected({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "a MIDI file", "not a Corvane score");
    expectRejected({'C', 'V', 'N', 'h', 'd'}, "magic only", "ends too early");
}

TEST(ScoreFile, MissingFileRaisesAndCreatesNothing) {
    TempDir dir;
    const std::string path = dir.file("missing.cvn");
    Score score = samples::richScore();
    try {
        (void)ScoreReader().load(path, score);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Error opening a file to read.");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_EQ(score, samples::richScore());
}

TEST(ScoreFile, FolderIsNotReadable) {
    TempDir dir;
    Score score;
    EXPECT_THROW((void)ScoreReader().load(dir.path().string(), score), FileError);
    EXPECT_EQ(score, Score());
}

TEST(ScoreFile, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string pipe = dir.file("pipe.cvn");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Score score;
    auto load = std::async(std::launch::async, [&] {
        try {
            (void)ScoreReader().load(pipe, score);
        } catch (const FileError& error) {
            return std::string(error.what());
        }
        return std::string("loaded");
    });
    // The limit only stops the test from hanging on the fault it looks for.
    if (load.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // Free the blocked reader so that the test ends, then report the hang.
        ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
        load.wait();
        FAIL() << "loading a named pipe waited for a writer";
    }
    EXPECT_EQ(load.get(), "Error opening a file to read.");
    EXPECT_EQ(score, Score());
}

TEST(ScoreFile, TextFileNamesAreNeitherWrittenNorRead) {
    TempDir dir;
    const ScoreReader reader;
    const std::string text = dir.file("score.txt");
    try {
        reader.save(text, samples::richScore());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Error opening a file to write.");
    }
    EXPECT_FALSE(std::filesystem::exists(text));

    // A real score stored under a text name is not read either.
    writeBytes(text, samples::encode(samples::richScore()));
    Score score;
    const LoadResult result = reader.load(text, score);
    EXPECT_FALSE(result);
    EXPECT_EQ(score, Score());
    EXPECT_EQ(readBytes(text), samples::encode(samples::richScore()));
}

TEST(ScoreFile, OnlyTheFileNamesOwnExtensionMakesATextFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "notes.txt");
    const ScoreReader reader;
    for (const std::string name : {"notes.txt/score.cvn", "score.txt.cvn", "txt", "score.txt2"}) {
        const std::string path = dir.file(name);
        EXPECT_FALSE(DataFile(path).textMode()) << name;
        reader.save(path, samples::richScore());
        Score score;
        ASSERT_TRUE(reader.load(path, score)) << name;
        EXPECT_EQ(score, samples::richScore()) << name;
    }
    EXPECT_TRUE(DataFile(dir.file("a.cvn.txt")).textMode());
    EXPECT_TRUE(DataFile("relative.txt").textMode());
}

}  // namespace
}  // namespace corvane
