// Printed pages: the layout and the PDF of the 1,000-measure x 16-track benchmark score
// (128,000 Notes with chords, accidentals, a velocity number under every note and a key and
// tempo change in every measure), and of a four-page score of 24 measures x 3 tracks; then
// `corvane-cli export-pdf` as a whole program, timed and measured (its peak resident memory),
// beside MuseScore 3 (`mscore3 -o out.pdf`) writing a PDF of the same music from our MusicXML
// export of it. Budgets: the large score's PDF in at most 3 s and 200 MB, four pages in at most
// 150 ms.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engrave/engraving.h"
#include "engrave/qt/score_printing.h"
#include "interchange/musicxml_writer.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

const corvane::Score& largeScore() {
    static const corvane::Score score = corvane::samples::largeScore(1000, 16);
    return score;
}

const corvane::Score& fourPageScore() {
    static const corvane::Score score = corvane::samples::largeScore(24, 3);
    return score;
}

void BM_LayoutLargeScore(benchmark::State& state) {
    std::size_t pages = 0;
    for (auto _ : state) {
        const corvane::engrave::Engraving e = corvane::engrave::engraveScore(
            largeScore(), corvane::engrave::pageRequest(largeScore(), "large", {}));
        pages = e.pages.size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_LayoutLargeScore)->Unit(benchmark::kMillisecond)->UseRealTime();

void pdfOf(benchmark::State& state, const corvane::Score& score) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        bytes = corvane::engrave::pdfBytes(score, "bench", {}).size();
    }
    state.counters["pdf_MB"] = static_cast<double>(bytes) / kMiB;
}

void BM_PdfLargeScore(benchmark::State& state) {
    pdfOf(state, largeScore());
}
BENCHMARK(BM_PdfLargeScore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PdfFourPages(benchmark::State& state) {
    pdfOf(state, fourPageScore());
}
BENCHMARK(BM_PdfFourPages)->Unit(benchmark::kMillisecond)->UseRealTime();

struct ChildRun {
    double seconds = 0;
    double peakMB = 0;
    int exitCode = -1;
};

// Runs `argv` (a full path first) with `env` added, output thrown away; its wall time and peak
// resident memory.
ChildRun run(std::vector<std::string> argv, const std::vector<std::pair<std::string, std::string>>& env) {
    std::vector<char*> raw;
    for (std::string& arg : argv) {
        raw.push_back(arg.data());
    }
    raw.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr) {
            ::_exit(127);
        }
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildRun result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakMB = static_cast<double>(usage.ru_maxrss) * 1024.0 / kMiB;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string museScore() {
    for (const char* candidate : {"/usr/bin/mscore3", "/usr/bin/musescore3", "/usr/local/bin/mscore3"}) {
        if (::access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// corvane-cli export-pdf of `score` (best of three), then MuseScore 3 once on our MusicXML of
// it, with a home folder of its own (its first start writes a profile there).
void commandAgainstMuseScore(benchmark::State& state, const corvane::Score& score) {
    const corvane::testing::TempDir dir;
    corvane::testing::writeBytes(dir.file("score.cvn"), corvane::samples::encode(score));
    corvane::writeMusicXmlFile(dir.file("score.musicxml"), score);
    std::filesystem::create_directory(dir.file("home"));
    ChildRun ours;
    ChildRun theirs;
    for (auto _ : state) {
        ours = ChildRun{1e9, 0, -1};
        for (int i = 0; i < 3; ++i) {
            const ChildRun r = run({CORVANE_CLI_PATH, "export-pdf", dir.file("score.cvn"), dir.file("ours.pdf")}, {});
            if (r.seconds < ours.seconds) {
                ours = r;
            }
        }
        const std::string mscore = museScore();
        if (!mscore.empty()) {
            theirs = run({mscore, "-o", dir.file("theirs.pdf"), dir.file("score.musicxml")},
                         {{"HOME", dir.file("home")}, {"QT_QPA_PLATFORM", "offscreen"}});
        }
    }
    if (ours.exitCode != 0) {
        state.SkipWithError("corvane-cli export-pdf failed");
    }
    state.counters["ours_s"] = ours.seconds;
    state.counters["ours_peak_MB"] = ours.peakMB;
    state.counters["ours_pdf_MB"] = static_cast<double>(std::filesystem::file_size(dir.file("ours.pdf"))) / kMiB;
    if (theirs.exitCode == 0) {
        state.counters["musescore_s"] = theirs.seconds;
        state.counters["musescore_peak_MB"] = theirs.peakMB;
        state.counters["musescore_over_ours"] = theirs.seconds / ours.seconds;
    }
}

void BM_CommandLargeScoreAgainstMuseScore(benchmark::State& state) {
    commandAgainstMuseScore(state, largeScore());
}
BENCHMARK(BM_CommandLargeScoreAgainstMuseScore)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_CommandFourPagesAgainstMuseScore(benchmark::State& state) {
    commandAgainstMuseScore(state, fourPageScore());
}
BENCHMARK(BM_CommandFourPagesAgainstMuseScore)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
