// MusicXML export of the 1,000-measure x 16-track benchmark score (128,000 Notes with chords),
// in memory and to a file; import of 10,000-note, 16-track MIDI files: one that Write Midi
// wrote (every note at exact ticks) and one played by hand at 480 ticks a quarter (every note
// moved to the grid, chords that start together, overlaps); import of each small file of the
// MIDI import's fuzzing corpus, and of a small file whose few notes lie thousands of measures
// apart.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "interchange/midi_import.h"
#include "interchange/musicxml_writer.h"
#include "sound/player.h"
#include "tests/interchange/smf_builder.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace {

constexpr int kTracks = 16;
constexpr double kMiB = 1024.0 * 1024.0;

const corvane::Score& largeScore() {
    static const corvane::Score score = corvane::samples::largeScore(1000, kTracks);
    return score;
}

void BM_ExportMusicXmlText(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = corvane::musicXmlText(largeScore());
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["file_MB"] = static_cast<double>(bytes) / kMiB;
}
BENCHMARK(BM_ExportMusicXmlText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportMusicXmlFile(benchmark::State& state) {
    const corvane::testing::TempDir dir;
    const std::string path = dir.file("large.musicxml");
    for (auto _ : state) {
        corvane::writeMusicXmlFile(path, largeScore());
    }
}
BENCHMARK(BM_ExportMusicXmlFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// 16 tracks of 70 measures of eighth notes, rests and chords: 10,080 notes as Write Midi writes
// them.
std::vector<std::uint8_t> writtenFile() {
    return corvane::Player::midiFileBytes(corvane::samples::largeScore(70, kTracks), 0);
}

// 16 tracks of 625 notes at 480 ticks a quarter, each start and end up to 20 ticks off the
// sixteenth grid, a chord every fourth note, some notes held into the next.
std::vector<std::uint8_t> playedFile() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> jitter(-20, 20);
    corvane::testing::SmfBuilder file(1, 480);
    for (int t = 0; t < kTracks; ++t) {
        const int channel = t == 9 ? 15 : t;
        file.track().program(0, channel, t * 5);
        long now = 0;
        for (int n = 0; n < 625;) {
            const long start = 240L * (n + 1) + jitter(rng);
            const int size = n % 4 == 0 ? 3 : 1;
            file.on(static_cast<std::uint32_t>(std::max(0L, start - now)), channel, 50 + n % 30,
                    80);
            for (int k = 1; k < size; ++k) {
                file.on(0, channel, 50 + n % 30 + 4 * k, 70 + k);
            }
            const long end = start + (n % 7 == 0 ? 300 : 200) + jitter(rng);
            for (int k = 0; k < size; ++k) {
                file.off(k == 0 ? static_cast<std::uint32_t>(end - std::max(now, start)) : 0,
                         channel, 50 + n % 30 + 4 * k);
            }
            now = end;
            n += size;
        }
        file.end();
    }
    return file.bytes();
}

void importBenchmark(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    std::size_t notes = 0;
    for (auto _ : state) {
        const corvane::MidiImport imported = corvane::importMidi(bytes);
        benchmark::DoNotOptimize(imported.score.tracks.data());
        notes = 0;
        for (const corvane::Track& track : imported.score.tracks) {
            for (const corvane::TrackMeasure& measure : track.measures) {
                for (const corvane::Note& note : measure) {
                    notes += note.tie == corvane::TieNone || note.tie == corvane::TieStart
                                 ? note.pitches.size()
                                 : 0;
                }
            }
        }
    }
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["file_kB"] = static_cast<double>(bytes.size()) / 1024.0;
}

void BM_ImportWrittenMidi(benchmark::State& state) {
    importBenchmark(state, writtenFile());
}
BENCHMARK(BM_ImportWrittenMidi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportPlayedMidi(benchmark::State& state) {
    importBenchmark(state, playedFile());
}
BENCHMARK(BM_ImportPlayedMidi)->Unit(benchmark::kMillisecond)->UseRealTime();

// The files of the fuzzing corpus, in name order.
std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(CORVANE_MIDI_CORPUS)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One file of the corpus (all under 4 KB), refused or imported: the cost every fuzzing run
// pays per input.
void BM_ImportCorpusFile(benchmark::State& state) {
    const std::filesystem::path path = corpusFiles().at(static_cast<std::size_t>(state.range(0)));
    const std::vector<std::uint8_t> bytes = corvane::testing::readBytes(path);
    state.SetLabel(path.filename().string());
    bool refused = false;
    for (auto _ : state) {
        try {
            const corvane::MidiImport imported = corvane::importMidi(bytes);
            benchmark::DoNotOptimize(imported.score.tracks.data());
        } catch (const corvane::ImportError&) {
            refused = true;
        }
    }
    state.counters["file_B"] = static_cast<double>(bytes.size());
    state.counters["refused"] = refused ? 1 : 0;
}
BENCHMARK(BM_ImportCorpusFile)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

// Eight tracks of two quarter notes each, the second 3,000 measures after the first: a file of
// a few hundred bytes that makes a long score of rests.
void BM_ImportSparseMidi(benchmark::State& state) {
    corvane::testing::SmfBuilder file(1, 480);
    for (int t = 0; t < 8; ++t) {
        file.track().program(0, t, t * 9).on(0, t, 60 + t, 80).off(480, t, 60 + t);
        file.on(3000 * 4 * 480, t, 62 + t, 80).off(480, t, 62 + t).end();
    }
    const std::vector<std::uint8_t> bytes = file.bytes();
    std::size_t measures = 0;
    for (auto _ : state) {
        const corvane::MidiImport imported = corvane::importMidi(bytes);
        measures = imported.score.measures.size();
        benchmark::DoNotOptimize(imported.score.tracks.data());
    }
    state.counters["file_B"] = static_cast<double>(bytes.size());
    state.counters["measures"] = static_cast<double>(measures);
}
BENCHMARK(BM_ImportSparseMidi)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
