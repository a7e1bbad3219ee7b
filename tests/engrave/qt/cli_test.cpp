// corvane-cli export-pdf run as a program: the paper from the options or the locale, parts,
// and one line saying what is wrong with a bad call.

#include <gtest/gtest.h>

#include "tests/cli/run_cli.h"
#include "tests/engrave/engrave_scores.h"
#include "tests/engrave/qt/poppler.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace corvane::testing {
namespace {

class ExportPdfCommand : public ::testing::Test {
  protected:
    void SetUp() override { writeBytes(score_, samples::encode(samples::samplePiece())); }

    // The command with every locale variable unset except those in `locale`.
    CliResult run(std::vector<std::string> options,
                  std::vector<std::pair<std::string, std::string>> locale = {}) {
        std::vector<std::string> args{"export-pdf", score_, pdf_};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<std::pair<std::string, std::string>> env{{"LC_ALL", ""}, {"LC_PAPER", ""}, {"LANG", ""}};
        env.insert(env.end(), locale.begin(), locale.end());
        return runCli(args, env);
    }

    TempDir dir_;
    const std::string score_ = dir_.file("Night Song.cvn");
    const std::string pdf_ = dir_.file("out.pdf");
};

TEST_F(ExportPdfCommand, PaperFromTheOptionsElseTheLocaleElseA4) {
    ASSERT_EQ(run({}).exitCode, 0);
    PdfReading r = readPdf(pdf_);
    EXPECT_EQ(r.pageSize, "595 x 842 pts (A4)");
    EXPECT_TRUE(contains(r.text, "Night Song"));
    EXPECT_EQ(countInRange(r.text, 0xE0A0, 0xE0FF), headCount(samples::samplePiece()));
    ASSERT_EQ(run({}, {{"LC_PAPER", "en_US.UTF-8"}}).exitCode, 0);
    EXPECT_EQ(readPdf(pdf_).pageSize, "612 x 792 pts (letter)");
    ASSERT_EQ(run({"--paper", "a4", "--landscape"}, {{"LANG", "en_CA.UTF-8"}}).exitCode, 0);
    EXPECT_EQ(readPdf(pdf_).pageSize, "842 x 595 pts (A4)");
}

TEST_F(ExportPdfCommand, ATrackAsAPart) {
    const CliResult result = run({"--track", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const PdfReading r = readPdf(pdf_);
    EXPECT_EQ(countInRange(r.text, 0xE0A0, 0xE0FF), headCount(samples::samplePiece(), {1}));
    EXPECT_TRUE(contains(r.text, "Accoustic Bass"));
}

TEST_F(ExportPdfCommand, BadCallsSayWhatIsWrong) {
    CliResult r = run({"--track", "3"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--track 3 is not a track of the score, which has tracks 0 to 2."),
              std::string::npos)
        << r.err;
    r = run({"--paper", "a3"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--paper must be a4 or letter, not \"a3\""), std::string::npos) << r.err;
    r = runCli({"export-pdf", dir_.file("none.cvn"), pdf_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(dir_.file("none.cvn")), std::string::npos) << r.err;
    r = runCli({"export-pdf", score_, dir_.file("no/such/folder.pdf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(dir_.file("no/such/folder.pdf") + ": no such folder"), std::string::npos)
        << r.err;
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"Night Song.cvn"});
}

}  // namespace
}  // namespace corvane::testing
