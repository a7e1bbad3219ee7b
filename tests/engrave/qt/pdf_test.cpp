// PDF files and printing through Qt, read back with poppler: every file opens without a
// complaint, embeds the music font, holds no pictures, and its text gives the title, the page
// numbers and one notehead character per head of the score; pages drawn at a low resolution
// match their golden pictures.

#include <QPrinter>
#include <gtest/gtest.h>

#include <random>

#include "engrave/qt/score_printing.h"
#include "score/data_file.h"
#include "tests/engrave/engrave_scores.h"
#include "tests/engrave/qt/poppler.h"
#include "tests/interchange/random_scores.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"
#include "tests/support/golden.h"

namespace corvane::engrave {
namespace {

using testing::PdfReading;

constexpr char32_t kFirstNotehead = 0xE0A0;
constexpr char32_t kLastNotehead = 0xE0FF;
constexpr char32_t kMetronomeQuarter = 0xECA5;
constexpr int kPictureDpi = 24;
constexpr double kPictureTolerance = 0.001;

class PdfFiles : public ::testing::Test {
  protected:
    std::string write(const QByteArray& bytes, const std::string& name) {
        const std::string path = dir_.file(name);
        testing::writeBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return path;
    }

    // Writes and reads back the PDF of `score`, and checks what every file must hold.
    PdfReading expectSoundPdf(const Score& score, const std::string& title,
                              const PageSettings& settings = {}) {
        SCOPED_TRACE(title);
        const PdfReading r = testing::readPdf(write(pdfBytes(score, title, settings), "s.pdf"));
        EXPECT_EQ(r.complaints, "");
        EXPECT_EQ(r.title, title);
        EXPECT_NE(std::find(r.embeddedFonts.begin(), r.embeddedFonts.end(), "Bravura"),
                  r.embeddedFonts.end());
        EXPECT_EQ(r.images, 0);
        EXPECT_TRUE(testing::contains(r.text, title));
        for (int p = 1; p <= r.pages; ++p) {
            EXPECT_TRUE(testing::contains(
                r.text, "Page " + std::to_string(p) + " of " + std::to_string(r.pages)));
        }
        const std::vector<int> tracks =
            settings.track ? std::vector<int>{*settings.track} : std::vector<int>{};
        EXPECT_EQ(testing::countInRange(r.text, kFirstNotehead, kLastNotehead),
                  testing::headCount(score, tracks));
        EXPECT_EQ(testing::countInRange(r.text, kMetronomeQuarter, kMetronomeQuarter),
                  score.tracks.empty() ? 0 : testing::tempoMarkCount(score));
        return r;
    }

    void expectMatchesPicture(const std::string& pdf, const std::string& golden) {
        const std::string picture = testing::pagePicture(pdf, 1, kPictureDpi);
        const std::filesystem::path path = std::filesystem::path(CORVANE_ENGRAVE_GOLDEN_DIR) / golden;
        const std::optional<std::string> expected = testing::readGolden(path);
        if (expected && testing::pictureDifference(*expected, picture) <= kPictureTolerance) {
            return;
        }
        if (testing::updatingGolden()) {
            testing::writeGolden(picture, path);
            return;
        }
        ASSERT_TRUE(expected) << path << " is missing; CORVANE_UPDATE_GOLDEN=1 writes it";
        ADD_FAILURE() << golden << " differs in "
                      << 100 * testing::pictureDifference(*expected, picture)
                      << "% of its points; the page drawn now:\n"
                      << picture;
    }

    testing::TempDir dir_;
};

TEST_F(PdfFiles, RandomScoresFromNoteEntryReadBackWithEveryHead) {
    std::mt19937 rng(7);
    for (int n = 0; n < 8; ++n) {
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 24);
        shape.entries = testing::pick(rng, 20, 300);
        const Score score = testing::randomEditorScore(rng, shape);
        expectSoundPdf(score, "random " + std::to_string(n),
                       {n % 2 ? Paper::Letter : Paper::A4, n % 3 == 1, std::nullopt});
    }
}

TEST_F(PdfFiles, ReplayGoldenScoresReadBackWithEveryHead) {
    for (const auto& [name, score] : testing::replayGoldenScores(CORVANE_REPLAY_SCRIPTS)) {
        expectSoundPdf(score, name);
    }
}

TEST_F(PdfFiles, SixteenTracksOfTwoHundredMeasures) {
    const Score score = samples::largeScore(200, 16);
    const PdfReading r = expectSoundPdf(score, "sixteen tracks");
    EXPECT_GT(r.pages, 10);
    EXPECT_EQ(r.pageSize, "595 x 842 pts (A4)");
}

TEST_F(PdfFiles, APartAndThePaperAsked) {
    const Score score = samples::samplePiece();
    const PdfReading part = expectSoundPdf(score, "sample", {Paper::Letter, true, 2});
    EXPECT_EQ(part.pageSize, "792 x 612 pts (letter)");
    EXPECT_TRUE(testing::contains(part.text, "Drums"));
    EXPECT_FALSE(testing::contains(part.text, "Piano"));
}

TEST_F(PdfFiles, PagesLookAsTheyDid) {
    const Score sample = samples::samplePiece();
    expectMatchesPicture(write(pdfBytes(sample, "sample", {}), "sample.pdf"), "sample.txt");
    expectMatchesPicture(write(pdfBytes(sample, "sample", {Paper::A4, false, 1}), "part.pdf"),
                         "sample-bass-part.txt");
    const Score rich = samples::richScore();
    expectMatchesPicture(write(pdfBytes(rich, "rich", {Paper::Letter, true, std::nullopt}), "rich.pdf"),
                         "rich-letter-landscape.txt");
}

TEST_F(PdfFiles, ExportReplacesAFileOnlyWhenItIsWhollyWritten) {
    const Score score = samples::samplePiece();
    const std::string target = dir_.file("song.pdf");
    exportPdf(score, "song", {}, target);
    EXPECT_EQ(testing::readPdf(target).complaints, "");
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"song.pdf"});
    // Into a folder that is not there, and under a name kept for text files: the file named.
    try {
        exportPdf(score, "song", {}, dir_.file("missing/song.pdf"));
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), dir_.file("missing/song.pdf"));
        EXPECT_EQ(error.reason(), "no such folder");
    }
    testing::writeBytes(dir_.file("notes.txt"), {'k', 'e', 'e', 'p'});
    EXPECT_THROW(exportPdf(score, "song", {}, dir_.file("notes.txt")), FileError);
    EXPECT_EQ(testing::readBytes(dir_.file("notes.txt")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_THROW(exportPdf(score, "song", {Paper::A4, false, 5}, target), std::out_of_range);
}

TEST_F(PdfFiles, PrintingDrawsTheSamePagesThroughAPrinter) {
    const Score score = samples::largeScore(24, 3);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir_.file("printed.pdf")));
    applyPageSettings({Paper::Letter, true, std::nullopt}, printer);
    printScore(score, "printed", std::nullopt, printer);
    const PdfReading all = testing::readPdf(dir_.file("printed.pdf"));
    EXPECT_EQ(all.complaints, "");
    EXPECT_EQ(all.pageSize, "792 x 612 pts (letter)");
    EXPECT_EQ(testing::countInRange(all.text, kFirstNotehead, kLastNotehead), testing::headCount(score));
    ASSERT_GT(all.pages, 2);
    // A page range from the dialog prints those pages alone, numbered as in the whole score.
    QPrinter second(QPrinter::HighResolution);
    second.setOutputFormat(QPrinter::PdfFormat);
    second.setOutputFileName(QString::fromStdString(dir_.file("second.pdf")));
    applyPageSettings({Paper::Letter, true, std::nullopt}, second);
    second.setPrintRange(QPrinter::PageRange);
    second.setFromTo(2, 2);
    printScore(score, "printed", std::nullopt, second);
    const PdfReading one = testing::readPdf(dir_.file("second.pdf"));
    EXPECT_EQ(one.pages, 1);
    EXPECT_TRUE(testing::contains(one.text, "Page 2 of " + std::to_string(all.pages)));
    EXPECT_FALSE(testing::contains(one.text, "Page 1 of"));
}

}  // namespace
}  // namespace corvane::engrave
