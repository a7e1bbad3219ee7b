// Import MusicXML of the MusicXML export of the 1,000-measure x 16-track benchmark score (128,000
// Notes with chords), from its file: the time (target at most 1.5 s), and the memory the import
// needs at its peak (target at most 4 times the file's size), measured in a fresh process as the
// rise of its resident set (so that expat's and the C library's allocations count too).
//
// With CORVANE_BENCH_MUSESCORE=1 and MuseScore 3 installed, it also times `mscore3 -o x.mid` on
// the same file, less its time for a one-measure score, and reports how many times longer that
// takes (`mscore_ratio`). MuseScore needs minutes for this file.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "interchange/musicxml_import.h"
#include "interchange/musicxml_writer.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// The export of the benchmark score, written once.
struct LargeFile {
    LargeFile() {
        corvane::writeMusicXmlFile(path, corvane::samples::largeScore(1000, 16));
        size = std::filesystem::file_size(path);
        corvane::writeMusicXmlFile(emptyPath, corvane::Score());
    }
    corvane::testing::TempDir dir;
    std::string path = dir.file("large.musicxml");
    std::string emptyPath = dir.file("empty.musicxml");
    std::uintmax_t size = 0;
};

const LargeFile& largeFile() {
    static const LargeFile file;
    return file;
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double importSeconds(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const corvane::MusicXmlImport imported = corvane::importMusicXmlFile(path);
    benchmark::DoNotOptimize(imported.score.tracks.data());
    return seconds(std::chrono::steady_clock::now() - start);
}

void BM_ImportMusicXmlFile(benchmark::State& state) {
    const LargeFile& file = largeFile();
    std::size_t notes = 0;
    for (auto _ : state) {
        const corvane::MusicXmlImport imported = corvane::importMusicXmlFile(file.path);
        notes = 0;
        for (const corvane::Track& track : imported.score.tracks) {
            for (const corvane::TrackMeasure& measure : track.measures) {
                notes += measure.size();
            }
        }
    }
    state.counters["file_MB"] = static_cast<double>(file.size) / kMiB;
    state.counters["notes"] = static_cast<double>(notes);
}
BENCHMARK(BM_ImportMusicXmlFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// A line of /proc/self/status, in bytes.
std::size_t statusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stoul(line.substr(name.size() + 1)) * 1024;
        }
    }
    return 0;
}

// In a fresh process (this program run again, with "--peak FILE"): the rise of its resident set
// while it imports the file, in bytes, on standard output.
int reportPeak(const std::string& path) {
    const std::size_t before = statusBytes("VmRSS");
    const corvane::MusicXmlImport imported = corvane::importMusicXmlFile(path);
    benchmark::DoNotOptimize(imported.score.tracks.data());
    std::printf("%zu\n", statusBytes("VmHWM") - before);
    return 0;
}

std::size_t peakInFreshProcess(const std::string& path) {
    const std::string command =
        "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "' --peak '" + path + "'";
    FILE* out = popen(command.c_str(), "r");
    std::size_t rise = 0;
    if (out != nullptr) {
        if (std::fscanf(out, "%zu", &rise) != 1) {
            rise = 0;
        }
        pclose(out);
    }
    return rise;
}

void BM_ImportMusicXmlPeakMemory(benchmark::State& state) {
    const LargeFile& file = largeFile();
    std::size_t peak = 0;
    for (auto _ : state) {
        peak = peakInFreshProcess(file.path);
    }
    state.counters["peak_MB"] = static_cast<double>(peak) / kMiB;
    state.counters["peak_x_file"] = static_cast<double>(peak) / static_cast<double>(file.size);
}
BENCHMARK(BM_ImportMusicXmlPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

double museScoreSeconds(const std::string& path, const std::string& home) {
    const std::string command = "QT_QPA_PLATFORM=offscreen HOME='" + home + "' mscore3 -o '" +
                                path + ".mid' '" + path + "' >/dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        return -1;
    }
    return seconds(std::chrono::steady_clock::now() - start);
}

void BM_MuseScoreConvertsTheSameFile(benchmark::State& state) {
    const char* wanted = std::getenv("CORVANE_BENCH_MUSESCORE");
    if (wanted == nullptr || std::string(wanted) != "1" ||
        std::system("command -v mscore3 >/dev/null 2>&1") != 0) {
        state.SkipWithError("set CORVANE_BENCH_MUSESCORE=1 with MuseScore 3 installed");
        return;
    }
    const LargeFile& file = largeFile();
    const corvane::testing::TempDir home;
    double ratio = 0;
    for (auto _ : state) {
        const double empty = museScoreSeconds(file.emptyPath, home.path().string());
        const double large = museScoreSeconds(file.path, home.path().string());
        const double ours = importSeconds(file.path);
        state.counters["mscore_s"] = large - empty;
        state.counters["ours_s"] = ours;
        ratio = (large - empty) / ours;
    }
    state.counters["mscore_ratio"] = ratio;
}
BENCHMARK(BM_MuseScoreConvertsTheSameFile)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak") {
        return reportPeak(argv[2]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
