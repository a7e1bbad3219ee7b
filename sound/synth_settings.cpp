#include "sound/synth_settings.h"

#include <glib.h>

#include <mutex>

namespace corvane {

namespace {

void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

SettingsPtr newSynthSettings() {
    SettingsPtr settings(new_fluid_settings());
    if (settings) {
        fluid_settings_t* s = settings.get();
        fluid_settings_setnum(s, "synth.sample-rate", static_cast<double>(kAudioSampleRate));
        fluid_settings_setint(s, "synth.polyphony", kSynthPolyphony);
        // The player advances with the rendered audio, not with a timer thread of its own.
        fluid_settings_setstr(s, "player.timing-source", "sample");
    }
    return settings;
}

bool loadSoundfont(fluid_synth_t* synth, const std::string& soundfont) {
    static std::mutex loading;
    const std::lock_guard guard(loading);
    return fluid_synth_sfload(synth, soundfont.c_str(), 1) != FLUID_FAILED;
}

void quietSynthLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
        // libinstpatch, which FluidSynth tries on a file its own loader refuses, reports
        // through GLib's default domain ("CRITICAL **: ipatch_...").
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                        G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO |
                                                        G_LOG_LEVEL_DEBUG);
        g_log_set_handler(nullptr, levels, dropMessage, nullptr);
        g_log_set_handler("libInstPatch", levels, dropMessage, nullptr);
    });
}

}  // namespace corvane
