// import-musicxml: a score built from a MusicXML file (plain or compressed) as the editor's
// Import MusicXML command builds it, saved as a score file, with one line per kind of
// approximation on standard output.

#include "cli/commands.h"
#include "cli/import_command.h"
#include "interchange/musicxml_import.h"

namespace corvane::cli {

int runImportMusicXml(const std::vector<std::string>& args) {
    return runScoreImport(args, &importMusicXmlFile);
}

}  // namespace corvane::cli
