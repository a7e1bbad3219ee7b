#include "sound/audio_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace corvane {

std::string extensionOf(std::string_view path) {
    return std::filesystem::path(path).extension().string();
}

std::optional<AudioFormat> audioFormatForPath(std::string_view path) {
    std::string extension = extensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const AudioFormat format : {AudioFormat::Wav, AudioFormat::Flac, AudioFormat::OggVorbis}) {
        if (extension.size() > 1 && extension.substr(1) == audioFormatExtension(format)) {
            return format;
        }
    }
    return std::nullopt;
}

std::string_view audioFormatExtension(AudioFormat format) {
    switch (format) {
        case AudioFormat::Flac:
            return "flac";
        case AudioFormat::OggVorbis:
            return "ogg";
        case AudioFormat::Wav:
            break;
    }
    return "wav";
}

}  // namespace corvane
