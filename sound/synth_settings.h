#pragma once
// The one place that says how the synthesizer is set up, for playback and for rendering alike,
// so that a rendered file sounds exactly as the score plays. Only the FluidSynth adapters
// include this.

#include <fluidsynth.h>

#include <memory>
#include <string>

#include "sound/audio_format.h"

namespace corvane {

// More voices than any score sounds at once: a synthesizer never steals a voice, so a song
// sounds the same whether its channels share one synthesizer or are spread over several. (A
// split render sets up fewer for a song it finds sounding a handful at once.)
inline constexpr int kSynthPolyphony = 1024;

struct SettingsDeleter {
    void operator()(fluid_settings_t* p) const { delete_fluid_settings(p); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* p) const { delete_fluid_synth(p); }
};
struct PlayerDeleter {
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using PlayerPtr = std::unique_ptr<fluid_player_t, PlayerDeleter>;

// New settings with the program's synthesizer settings; null when FluidSynth cannot make them.
SettingsPtr newSynthSettings();

// Loads `soundfont` into `synth` (fluid_synth_sfload with its presets reset); false when it cannot.
// One load at a time in the process: FluidSynth shares loaded samples among synthesizers
// through a cache that two loads at once race on.
bool loadSoundfont(fluid_synth_t* synth, const std::string& soundfont);

// Keeps FluidSynth's log and the diagnostics of the libraries it loads soundfonts with (GLib,
// libinstpatch) off the terminal: the program reports its own errors. Process-wide; once.
void quietSynthLibraries();

}  // namespace corvane
