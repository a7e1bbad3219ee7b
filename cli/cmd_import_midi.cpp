// import-midi: a score built from a Standard MIDI File as the editor's Import MIDI command builds
// it, saved as a score file, with one line per kind of approximation on standard output.

#include "cli/commands.h"
#include "cli/import_command.h"
#include "interchange/midi_import.h"

namespace corvane::cli {

int runImportMidi(const std::vector<std::string>& args) {
    return runScoreImport(args, &importMidiFile);
}

}  // namespace corvane::cli
