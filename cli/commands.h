#pragma once
// The commands of corvane-cli. Each takes the arguments after its name and returns the exit code;
// failures are raised as CliFailure (cli_util.h) and turned into one line on stderr by main.

#include <string>
#include <vector>

namespace corvane::cli {

// info FILE.cvn: prints a summary of the score.
int runInfo(const std::vector<std::string>& args);

// replay SCRIPT [--score IN.cvn] [--save OUT.cvn] [--state OUT.txt]: drives a headless editor.
int runReplay(const std::vector<std::string>& args);

// export-midi FILE.cvn OUT.mid [--from-measure N]: the editor's Write Midi bytes.
int runExportMidi(const std::vector<std::string>& args);

// render-audio FILE.cvn OUT.wav [--from-measure N] [--soundfont SF2]: offline WAV rendering.
int runRenderAudio(const std::vector<std::string>& args);

// render-image FILE.cvn OUT.png [--size W H] [--first-measure N] [--display-list OUT.txt]: the
// editor's picture of a score as a PNG, and optionally its display list.
int runRenderImage(const std::vector<std::string>& args);

// export-musicxml FILE.cvn OUT.musicxml: the editor's Export MusicXML file.
int runExportMusicXml(const std::vector<std::string>& args);

// import-midi IN.mid OUT.cvn: the editor's Import MIDI, saved; prints what was approximated.
int runImportMidi(const std::vector<std::string>& args);

// import-musicxml IN.musicxml|IN.xml|IN.mxl OUT.cvn: the editor's Import MusicXML, saved; prints
// what was approximated or left out.
int runImportMusicXml(const std::vector<std::string>& args);

// export-pdf FILE.cvn OUT.pdf [--paper a4|letter] [--landscape] [--track N]: the editor's
// Export PDF file, of the whole score or of one track as a part.
int runExportPdf(const std::vector<std::string>& args);

// play FILE.cvn [--from-measure N]: plays through the sound device until the song ends.
int runPlay(const std::vector<std::string>& args);

}  // namespace corvane::cli
