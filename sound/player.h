#pragma once
// The Player: Standard MIDI File export, playback through a temporary MIDI file handed to the
// sequencer, and the note preview. Its state is process-wide (the preview threads reach it
// without the object) and guarded by one lock.

#include <cstdint>
#include <string>
#include <vector>

#include "score/score.h"
#include "sound/device.h"

namespace corvane {

// How the temporary playback files in the temporary folder are named: the prefix, a unique part
// and ".mid".
inline constexpr const char* kPlaybackFilePrefix = "cvn-playback-";

class Player {
  public:
    // Probes the default MIDI output once (which starts a real device's soundfont load).
    Player();
    // Stops playback if it runs, so that no completion notice reaches a window that is gone.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Sounds `key` for 400 ms on a thread of its own (channel 9 when `drums` is non-zero, else
    // 0, with `program` on channel 0); returns at once. Silent while the score plays.
    void previewNote(std::uint8_t key, std::uint8_t program, std::uint8_t drums);

    // Plays the score from `firstMeasure` to the end unless playback or a preview is under way;
    // `window` receives the completion notice. The sequencer reads the song from a private file
    // in the temporary folder, deleted as soon as it has been read; nothing is written anywhere
    // else. Raises FileError when that file cannot be written (playback then stays stopped).
    void play(const Score& score, int firstMeasure, NotifyTarget& window);
    // Closes the sequencer if one is open; never raises.
    void stop();
    // stop() while playing, else play().
    void togglePlay(const Score& score, int firstMeasure, NotifyTarget& window);
    bool isPlaying() const;

    // Writes the score from `firstMeasure` to the end as a Standard MIDI File (format 1, 24
    // ticks per quarter), replacing `path` atomically. Raises FileError; an old file then stays.
    static void writeMidiFile(std::string path, const Score& score, int firstMeasure);
    // The same bytes, in memory.
    static std::vector<std::uint8_t> midiFileBytes(const Score& score, int firstMeasure);

    // Blocks until no preview thread is running (for tests and the headless replay).
    static void waitForPreviews();
};

}  // namespace corvane
