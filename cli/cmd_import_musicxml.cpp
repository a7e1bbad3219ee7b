// import-musicxml: a score built from a MusicXML file (plain or compressed) as the editor's
// Import MusicXML command builds it, saved as a score file, with one line per kind of
// approximation on standard output.

#include <iostream>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "interchange/musicxml_import.h"
#include "score/data_file.h"
#include "score/score_reader.h"

namespace corvane::cli {

int runImportMusicXml(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parseArgs(args, {}, 2, 2);
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    MusicXmlImport imported;
    try {
        imported = importMusicXmlFile(in);
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
