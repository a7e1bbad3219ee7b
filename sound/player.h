#pragma once
// The Player: Standard MIDI File export, playback through a temporary MIDI file handed to the
// sequencer, and the note preview, all on the sound device it is given. Playback and the
// previews share one lock: a preview is silent while the score plays, and playback does not
// start while a preview sounds.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "score/score.h"
#include "sound/device.h"
#include "sound/song_position.h"

namespace corvane {

// How the temporary playback files in the temporary folder are named: the prefix, a unique part
// and ".mid".
inline constexpr const char* kPlaybackFilePrefix = "cvn-playback-";

class Player {
  public:
    // Plays on `device` (the silent stand-in when null), which it keeps while it lives; probes
    // the device's live output once, which starts a real device's soundfont load.
    explicit Player(std::shared_ptr<SoundDevice> device);
    // Stops playback if it runs, so that no completion notice reaches a window that is gone;
    // previews still sounding end at once (each sends its Note Off) and their threads are
    // joined before the device is let go.
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
    // Where the song that plays is heard now, in the score it was written from (edits made
    // since do not move it); nullopt when nothing plays or the device keeps no clock. Follows the
    // audio the device has rendered, so it neither drifts from the sound nor runs ahead of it.
    std::optional<SongPosition> position() const;

    // Writes the score from `firstMeasure` to the end as a Standard MIDI File (format 1, 24
    // ticks per quarter), replacing `path` atomically. Raises FileError; an old file then stays.
    static void writeMidiFile(std::string path, const Score& score, int firstMeasure);
    // The same bytes, in memory.
    static std::vector<std::uint8_t> midiFileBytes(const Score& score, int firstMeasure);

    // Blocks until every preview started so far has ended (for tests and the headless replay).
    void waitForPreviews();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace corvane
