#pragma once
// The import commands (import-midi, import-musicxml): a score built from IN exactly as the
// editor's import command builds it, saved as OUT.cvn, with one line per kind of approximation
// on standard output and nothing when the import is exact.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_util.h"
#include "interchange/import_error.h"
#include "score/data_file.h"
#include "score/score_reader.h"

namespace corvane::cli {

// `read` builds the score and its report (a MidiImport or a MusicXmlImport) from a file; it
// raises FileError or ImportError, which end the command with the file named.
template <typename Imported>
int runScoreImport(const std::vector<std::string>& args, Imported (*read)(const std::string&)) {
    const ParsedArgs parsed = parseArgs(args, {}, 2, 2);
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    Imported imported;
    try {
        imported = read(in);
    } catch (const FileError& error) {
        failInput(describe(error));
    } catch (const ImportError& error) {
        failInput(in + ": " + error.what());
    }
    try {
        ScoreReader().save(out, imported.score);
    } catch (const FileError& error) {
        failInput(describe(error));
    }
    for (const std::string& line : imported.report) {
        std::cout << line << '\n';
    }
    return kExitOk;
}

}  // namespace corvane::cli
