#pragma once
// Saving and loading .cvn score files.

#include <string>

#include "score/data_file.h"
#include "score/score.h"

namespace corvane {

// Whether a load replaced the score, and if not, why (one short sentence).
struct LoadResult {
    bool loaded = false;
    std::string reason;

    explicit operator bool() const { return loaded; }
};

class ScoreReader {
  public:
    // Writes `score` to `path` atomically. Raises FileError; an old file then stays intact.
    void save(std::string path, const Score& score) const;
    // Loads `path` into `score` only if the whole file is a good score; otherwise `score` is
    // unchanged and the result says why. Raises FileError when the file cannot be read.
    LoadResult load(std::string path, Score& score) const;

    // The same two over a DataFile, which may be in memory.
    static void write(DataFile& file, const Score& score);
    static LoadResult read(DataFile& file, Score& score);
};

}  // namespace corvane
