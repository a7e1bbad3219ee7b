#include "orchestrations.h"

namespace corvane::bench {

Score pieceScore(const Piece& piece) {
    Score score;
    score.clear();
    for (int m = 0; m < piece.measures; ++m) {
        score.addMeasure(0, piece.tempo, 4);
    }
    for (std::size_t t = 0; t < piece.parts.size(); ++t) {
        const Part& part = piece.parts[t];
        score.addTrack(part.program, part.kind);
        for (int m = 0; m < piece.measures; ++m) {
            TrackMeasure& measure = score.tracks.back().measures[static_cast<std::size_t>(m)];
            measure.clear();
            for (int n = 0; n < part.duration; ++n) {
                Note note;
                note.duration = part.duration;
                note.velocity = 70 + (m + n) % 40;
                const bool rest = part.restEvery > 0 && n % part.restEvery == part.restEvery - 1;
                for (int h = 0; h < part.heads && !rest; ++h) {
                    // Within -6..6 on the staff; drums between bass drum and cymbals.
                    const int step = (m * 3 + n + static_cast<int>(t)) % 9 - 4 + 2 * h;
                    note.pitches.push_back({part.kind == Drums ? -9 + 5 * h + n % 3 : step,
                                            AccidentalNone});
                }
                measure.push_back(std::move(note));
            }
        }
    }
    return score;
}

Piece tenTracks() {
    Piece piece{"ten_tracks", 48, 132, {}};
    for (const int program : {0, 24, 33, 40, 48, 56, 65, 73, 80, 88}) {
        piece.parts.push_back({program == 33 ? Bass : Treble, program, 8, 2, 0});
    }
    return piece;
}

Piece stringsAndPads() {
    return {"strings_pads",
            40,
            80,
            {{Treble, 40, 4, 1, 0},
             {Treble, 41, 4, 1, 0},
             {Bass, 42, 2, 1, 0},
             {Bass, 43, 1, 1, 0},
             {Treble, 48, 2, 3, 0},
             {Treble, 49, 1, 3, 0},
             {Treble, 52, 2, 2, 0},
             {Treble, 89, 1, 3, 0},
             {Treble, 91, 1, 2, 0}}};
}

Piece bandWithDrums() {
    return {"band_drums",
            64,
            120,
            {{Drums, 0, 8, 2, 0},
             {Bass, 34, 8, 1, 4},
             {Treble, 30, 4, 2, 0},
             {Treble, 27, 8, 3, 2},
             {Treble, 0, 4, 3, 0},
             {Treble, 61, 4, 3, 2},
             {Treble, 81, 8, 1, 3},
             {Treble, 50, 1, 3, 0}}};
}

Piece pianoTwoTracks() {
    return {"piano_two_tracks", 96, 100, {{Treble, 0, 16, 1, 0}, {Bass, 0, 8, 2, 0}}};
}

Piece windSection() {
    return {"wind_section",
            64,
            120,
            {{Treble, 73, 8, 1, 0},
             {Treble, 68, 8, 1, 4},
             {Treble, 71, 4, 1, 0},
             {Bass, 70, 4, 1, 0},
             {Treble, 60, 2, 1, 0},
             {Treble, 56, 8, 1, 2},
             {Bass, 57, 4, 1, 0},
             {Bass, 58, 2, 1, 0}}};
}

}  // namespace corvane::bench
