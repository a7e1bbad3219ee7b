#pragma once
// Reads the 16-bit PCM WAV files the renderer writes, and measures their spectrum.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace corvane::test {

struct Wav {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<double> mono;  // channels averaged, -1..1
    std::vector<std::int16_t> samples;  // as stored, channels interleaved
};

inline std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    }
    return v;
}

// Empty `mono` when the file is not a PCM WAV file.
inline Wav readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
    Wav wav;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
        return wav;
    }
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::string id(b.begin() + static_cast<std::ptrdiff_t>(at),
                             b.begin() + static_cast<std::ptrdiff_t>(at + 4));
        const std::size_t size = le(b, at + 4, 4);
        const std::size_t body = at + 8;
        if (id == "fmt ") {
            wav.channels = static_cast<int>(le(b, body + 2, 2));
            wav.sampleRate = static_cast<int>(le(b, body + 4, 4));
            wav.bitsPerSample = static_cast<int>(le(b, body + 14, 2));
        } else if (id == "data" && wav.channels > 0 && wav.bitsPerSample == 16) {
            const std::size_t frames =
                std::min(size, b.size() - body) / (2u * static_cast<std::size_t>(wav.channels));
            wav.mono.resize(frames);
            wav.samples.reserve(frames * static_cast<std::size_t>(wav.channels));
            for (std::size_t f = 0; f < frames; ++f) {
                double sum = 0;
                for (int c = 0; c < wav.channels; ++c) {
                    const auto sample = static_cast<std::int16_t>(
                        le(b,
                           body + (f * static_cast<std::size_t>(wav.channels) +
                                   static_cast<std::size_t>(c)) *
                                      2,
                           2));
                    wav.samples.push_back(sample);
                    sum += sample / 32768.0;
                }
                wav.mono[f] = sum / wav.channels;
            }
        }
        at = body + size + (size & 1);
    }
    return wav;
}

inline double keyFrequency(int key) {
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

// Power at `frequency` over samples [from, to) of `signal`, with a Hann window (Goertzel).
inline double powerAt(const std::vector<double>& signal, std::size_t from, std::size_t to,
                      double frequency, int sampleRate) {
    const std::size_t n = to - from;
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                 static_cast<double>(n - 1));
        const double s0 = signal[from + i] * hann + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

inline double rms(const std::vector<double>& signal, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += signal[i] * signal[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace corvane::test
