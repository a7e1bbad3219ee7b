#pragma once
// The sound file formats the program writes, and how a file name chooses one.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Every format holds 44.1 kHz stereo; WAV and FLAC hold 16-bit samples.
enum class AudioFormat { Wav, Flac, OggVorbis };

inline constexpr int kAudioSampleRate = 44100;
inline constexpr int kAudioChannels = 2;

// The format named by the extension of `path` (".wav", ".flac", ".ogg", in any case); nullopt
// when it has none or one the program does not write.
std::optional<AudioFormat> audioFormatForPath(std::string_view path);

// The extension of `path` with its dot (".mp3"), "" when it has none.
std::string extensionOf(std::string_view path);

// The usual extension of `format`, without the dot ("wav").
std::string_view audioFormatExtension(AudioFormat format);

}  // namespace corvane
