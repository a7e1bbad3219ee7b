// corvane_sample_score OUT_DIR: writes OUT_DIR/sample.cvn, the sample piece, through the
// program's own score writer; `corvane-cli render-image` then paints it.

#include <cstdio>
#include <filesystem>

#include "score/data_file.h"
#include "score/score_reader.h"
#include "tests/score/sample_scores.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path path = std::filesystem::path(argv[1]) / "sample.cvn";
    try {
        corvane::ScoreReader().save(path.string(), corvane::samples::samplePiece());
    } catch (const corvane::FileError& error) {
        std::fprintf(stderr, "%s %s\n", error.what(), error.detail().c_str());
        return 1;
    }
    return 0;
}
