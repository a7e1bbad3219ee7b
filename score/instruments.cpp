#include "score/instruments.h"

#include <array>

#include "score/score.h"

namespace corvane {

namespace {

// General MIDI program order; the spellings are the program's own.
// clang-format off
constexpr std::array<std::string_view, 128> kNames = {
    "Piano", "Bright Piano", "Electric Piano", "Honky Tonk Piano",
    "Electric Piano 2", "Electric Piano 3", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordian", "Harmonica", "Tango Accordian",
    "Nylon Guitar", "Steel Guitar", "Jazz Guitar", "Clean Electric Guitar",
    "Muted Electric Guitar", "Overdrive Guitar", "Distortion Guitar", "Guitar Harmonics",
    "Accoustic Bass", "Fingered Bass", "Picked Bass", "Fretless Bass",
    "Slap Bass", "Slap Bass 2", "Synth Bass", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble", "String Ensemble 2", "Synth Strings", "Synth Strings 2",
    "Choir Ahh", "Choir Oohh", "Synth Voice", "Orchestral Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "Synth Brass", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Square Wave", "Sawtooth Wave", "Caliope", "Chiff",
    "Charang", "Voice", "Fifths", "Bass and Lead",
    "New Age", "Warm", "Polysynth", "Choir",
    "Bowed", "Metallic", "Halo", "Sweep",
    "FX Rain", "FX Soundtrack", "FX Crystal", "FX Atmosphere",
    "FX Brightness", "FX Goblins", "FX Echo Drops", "FX Star Theme",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bagpipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};
// clang-format on

// General MIDI percussion names for keys 35..81.
constexpr std::array<std::string_view, 47> kDrumNames = {"Acoustic Bass Drum",
                                                         "Bass Drum 1",
                                                         "Side Stick",
                                                         "Acoustic Snare",
                                                         "Hand Clap",
                                                         "Electric Snare",
                                                         "Low Floor Tom",
                                                         "Closed Hi-Hat",
                                                         "High Floor Tom",
                                                         "Pedal Hi-Hat",
                                                         "Low Tom",
                                                         "Open Hi-Hat",
                                                         "Low-Mid Tom",
                                                         "Hi-Mid Tom",
                                                         "Crash Cymbal 1",
                                                         "High Tom",
                                                         "Ride Cymbal 1",
                                                         "Chinese Cymbal",
                                                         "Ride Bell",
                                                         "Tambourine",
                                                         "Splash Cymbal",
                                                         "Cowbell",
                                                         "Crash Cymbal 2",
                                                         "Vibraslap",
                                                         "Ride Cymbal 2",
                                                         "Hi Bongo",
                                                         "Low Bongo",
                                                         "Mute Hi Conga",
                                                         "Open Hi Conga",
                                                         "Low Conga",
                                                         "High Timbale",
                                                         "Low Timbale",
                                                         "High Agogo",
                                                         "Low Agogo",
                                                         "Cabasa",
                                                         "Maracas",
                                                         "Short Whistle",
                                                         "Long Whistle",
                                                         "Short Guiro",
                                                         "Long Guiro",
                                                         "Claves",
                                                         "Hi Wood Block",
                                                         "Low Wood Block",
                                                         "Mute Cuica",
                                                         "Open Cuica",
                                                         "Mute Triangle",
                                                         "Open Triangle"};

}  // namespace

std::string_view instrumentName(std::int32_t program) {
    // Taken as unsigned, so negative numbers fall past the table too.
    const auto index = static_cast<std::uint32_t>(program);
    return index < 127 ? kNames[index] : kNames[127];
}

std::string_view percussionName(std::int32_t key) {
    if (key >= 35 && key <= 81) {
        return kDrumNames[static_cast<std::size_t>(key - 35)];
    }
    return {};
}

std::vector<std::uint8_t> midiChannels(const Score& score) {
    std::vector<std::uint8_t> channels;
    channels.reserve(score.tracks.size());
    std::uint8_t next = 0;
    for (const Track& track : score.tracks) {
        if (track.kind == Drums) {
            channels.push_back(kDrumChannel);
            continue;
        }
        channels.push_back(next);
        // A status byte holds no channel above 15, and 9 belongs to the drums.
        next = static_cast<std::uint8_t>((next + 1) % 16);
        if (next == kDrumChannel) {
            next = kDrumChannel + 1;
        }
    }
    return channels;
}

}  // namespace corvane
