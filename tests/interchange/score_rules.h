#pragma once
// The rules every imported score must keep so that the editor can work on it: measures exactly
// full by the note-value arithmetic (triplet groups whole), ticks adding up, ties that pair up,
// values in the ranges the file format holds, and the same bytes after saving and reloading.

#include <set>
#include <string>

#include "score/data_file.h"
#include "score/note_values.h"
#include "score/pitch.h"
#include "score/score.h"
#include "score/score_reader.h"
#include "tests/editor/entry_helpers.h"

namespace corvane::testing {

inline std::string brokenNoteRule(const Note& note, TrackKind kind) {
    if (!isNoteValue(note.duration) || note.dots < 0 || note.dots > 2) {
        return "a note value the model cannot hold";
    }
    if ((note.duration == 32 && note.dots > 0) || (note.duration == 16 && note.dots == 2)) {
        return "a value whose length the model rounds";
    }
    if (note.isRest()) {
        return note.tie == TieNone ? "" : "a tied rest";
    }
    if (note.velocity < 1 || note.velocity > 127 || note.octave < -3 || note.octave > 3) {
        return "a velocity or octave shift out of range";
    }
    const int reach = kind == Drums ? 20 : 9;
    for (const NoteHead& head : note.pitches) {
        if (head.position < -reach || head.position > reach) {
            return "a head off the staff";
        }
    }
    return "";
}

inline std::string brokenTrackRule(const Score& score, std::size_t t) {
    const Track& track = score.tracks[t];
    if (track.measures.size() != score.measures.size()) {
        return "track " + std::to_string(t) + " has another number of measures";
    }
    bool tieOpen = false;
    for (std::size_t m = 0; m < track.measures.size(); ++m) {
        const TrackMeasure& notes = track.measures[m];
        const auto where = [&](const std::string& what) {
            return "track " + std::to_string(t) + " measure " + std::to_string(m) + ": " + what +
                   ": " + rhythm(notes);
        };
        const int beats = score.measures[m].beats;
        int ticks = 0;
        for (const Note& note : notes) {
            ticks += noteTicks(note);
            const std::string broken = brokenNoteRule(note, track.kind);
            if (!broken.empty()) {
                return where(broken);
            }
            if (tieOpen != (note.tie == TieEnd || note.tie == TieMiddle)) {
                return where("tie halves that do not pair up");
            }
            tieOpen = note.tie == TieStart || note.tie == TieMiddle;
        }
        if (measureUnits(notes) != beats * 8 || ticks != beats * 24) {
            return where("not exactly full");
        }
    }
    return tieOpen ? "track " + std::to_string(t) + " ends in a tie" : "";
}

// The first rule `score` breaks, or "". Measures hold `minBeats` to `maxBeats` quarters: 3 to 5
// from a MIDI file, 1 to 32 from MusicXML.
inline std::string brokenRule(const Score& score, int minBeats = 3, int maxBeats = 5) {
    if (score.measures.empty()) {
        return "no measures";
    }
    for (const MeasureInfo& info : score.measures) {
        if (info.beats < minBeats || info.beats > maxBeats || info.key < -6 || info.key > 6 ||
            info.tempo < 1 || info.tempo > 255) {
            return "a measure setting out of range";
        }
    }
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        const std::string broken = brokenTrackRule(score, t);
        if (!broken.empty()) {
            return broken;
        }
    }
    const std::vector<std::uint8_t> saved = savedBytes(score);
    DataFile file = DataFile::fromBytes(saved);
    Score reloaded;
    if (!ScoreReader::read(file, reloaded) || savedBytes(reloaded) != saved) {
        return "does not save and reload to the same bytes";
    }
    return "";
}

inline std::set<int> soundingKeys(const Score& score, const Track& track, std::size_t m,
                                  const Note& note) {
    std::set<int> keys;
    for (const NoteHead& head : note.pitches) {
        keys.insert(midiKeyNumber(head.position, head.accidental, note.octave, track.kind,
                                  score.measures[m].key));
    }
    return keys;
}

// Whether some tie of the score starts other keys than it releases (other octave shifts, or a
// key signature that changes under a head without accidental): Write Midi then leaves the first
// keys sounding.
inline bool tieChangesKeys(const Score& score) {
    for (const Track& track : score.tracks) {
        std::set<int> started;
        for (std::size_t m = 0; m < track.measures.size(); ++m) {
            for (const Note& note : track.measures[m]) {
                if (note.tie == TieStart) {
                    started = soundingKeys(score, track, m, note);
                } else if (note.tie == TieEnd && soundingKeys(score, track, m, note) != started) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace corvane::testing
