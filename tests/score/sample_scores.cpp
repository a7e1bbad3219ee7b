#include "tests/score/sample_scores.h"

#include "score/data_file.h"
#include "score/score_reader.h"

namespace corvane::samples {

namespace {

Note makeNote(std::int32_t duration, std::vector<NoteHead> heads, TieState tie = TieNone) {
    Note note;
    note.duration = duration;
    note.tie = tie;
    note.pitches.assign(heads.begin(), heads.end());
    return note;
}

// What a Note carries besides its length and heads.
struct Marks {
    std::int32_t dots = 0;
    std::int32_t triplet = 0;
    std::int32_t octave = 0;
    std::int32_t velocity = 90;
    TieState tie = TieNone;
};

Note note(std::int32_t duration, std::vector<NoteHead> heads, Marks marks = {}) {
    Note made = makeNote(duration, std::move(heads), marks.tie);
    made.dots = marks.dots;
    made.triplet = marks.triplet;
    made.octave = marks.octave;
    made.velocity = marks.velocity;
    return made;
}

Note rest(std::int32_t duration) {
    return note(duration, {});
}

// `notes` repeated `times` times, one after the other.
std::vector<Note> repeated(const std::vector<Note>& notes, int times) {
    std::vector<Note> out;
    for (int i = 0; i < times; ++i) {
        out.insert(out.end(), notes.begin(), notes.end());
    }
    return out;
}

void fill(Track& track, const std::vector<std::vector<Note>>& measures) {
    for (std::size_t i = 0; i < measures.size(); ++i) {
        track.measures[i].assign(measures[i].begin(), measures[i].end());
    }
}

}  // namespace

Score samplePiece() {
    Score score;
    score.clear();
    // Key, tempo, beats: G major, B flat major with a bar of 3/4, and C major at a faster tempo.
    const std::int32_t timeline[6][3] = {{1, 96, 4},  {1, 96, 4},  {-2, 80, 4},
                                         {-2, 80, 4}, {-2, 80, 3}, {0, 120, 4}};
    for (const auto& [key, tempo, beats] : timeline) {
        score.addMeasure(key, tempo, beats);
    }
    score.addTrack(0, Treble);
    score.addTrack(32, Bass);
    score.addTrack(0, Drums);

    fill(score.tracks[0],
         {{note(4, {{-2}}), note(4, {{-1}}), note(8, {{0}}), note(8, {{1, Sharp}}),
           note(4, {{-2}, {0}, {2}})},
          {note(4, {{2}}, {.dots = 1, .velocity = 110}), note(8, {{3}}), note(4, {{4, Natural}}),
           rest(4)},
          {note(8, {{3}}, {.triplet = 1}), note(8, {{2}}, {.triplet = 3}),
           note(8, {{1}}, {.triplet = 2}), note(16, {{0}}), note(16, {{-1, Flat}}),
           note(8, {{-2}}), note(2, {{-2}}, {.tie = TieStart})},
          {note(4, {{-2}}, {.tie = TieEnd}), note(4, {{-2}, {-1}}), note(8, {{8}}), note(8, {{6}}),
           note(16, {{7}}, {.velocity = 70}), note(16, {{5}}), rest(8)},
          {note(2, {{0}, {1}, {3}}, {.dots = 1, .octave = 1})},
          {note(1, {{-4}, {-2}, {0}})}});

    fill(score.tracks[1],
         {{note(1, {{-4}, {-2}, {0}}, {.velocity = 80})},
          {note(2, {{-1}}), note(2, {{-1}, {1}})},
          {note(4, {{-3}}, {.octave = -1}), note(4, {{0}}), note(4, {{2, Natural}}), rest(4)},
          {note(2, {{-4}}, {.dots = 1}), rest(4)},
          {note(32, {{-6}}), note(32, {{-5}}), note(16, {{-4}}), note(8, {{-3}}), note(4, {{-9}}),
           note(4, {{3}})},
          {rest(1)}});

    // Drum-line positions -3, 1 and 5: General MIDI keys 54, 66 and 78 (tambourine, low timbale
    // and mute cuica).
    const std::vector<Note> groove = {note(8, {{-3}, {5}}), note(8, {{5}}), note(8, {{1}, {5}}),
                                      note(8, {{5}})};
    std::vector<Note> accented = groove;
    accented.front().velocity = 100;
    fill(score.tracks[2],
         {repeated(accented, 2),
          repeated(groove, 2),
          {note(4, {{-3}}), note(4, {{1}}), note(16, {{1}}), note(16, {{1}}), note(8, {{1}}),
           note(4, {{5}})},
          {note(4, {{-3}}), note(4, {{1}}), note(4, {{-3}}), note(4, {{1}}, {.tie = TieStart})},
          {note(4, {{-3}}), note(4, {{1}}), note(4, {{1}})},
          {rest(1)}});
    return score;
}

Score richScore() {
    Score score;
    score.clear();
    score.addTrack(0, Treble);
    score.addTrack(32, Bass);
    score.addTrack(0, Drums);
    score.addTrack(127, Treble);

    const std::int32_t meters[] = {4, 3, 5, 1, 32, 4, 3, 5, 4, 4, 2, 7, 4, 3, 5};
    for (std::int32_t key = -7; key <= 7; ++key) {
        const std::size_t i = score.measures.size();
        const std::int32_t tempo = i == 0 ? 1 : (i == 14 ? 255 : 40 + 13 * static_cast<int>(i));
        score.addMeasure(key, tempo, meters[i]);
    }

    // Track 0: a tied chord across the first bar line, then triplets and dotted notes.
    TrackMeasure& m0 = score.tracks[0].measures[0];
    m0.clear();
    m0.push_back(makeNote(2, {{0, AccidentalNone}}));
    m0.push_back(makeNote(4, {{-3, Sharp}, {1, Flat}, {4, Natural}}));
    m0.push_back(makeNote(4, {{-3, Sharp}, {1, Flat}, {4, Natural}}, TieStart));
    TrackMeasure& m1 = score.tracks[0].measures[1];
    m1.clear();
    m1.push_back(makeNote(4, {{-3, Sharp}, {1, Flat}, {4, Natural}}, TieMiddle));
    m1.push_back(makeNote(4, {{-3, Sharp}, {1, Flat}, {4, Natural}}, TieEnd));
    for (std::int32_t mark : {1, 3, 2}) {
        Note note = makeNote(8, {{static_cast<std::int32_t>(mark) - 2, AccidentalNone}});
        note.triplet = mark;
        m1.push_back(note);
    }
    TrackMeasure& m2 = score.tracks[0].measures[2];
    m2.clear();
    Note dotted = makeNote(4, {{20, Sharp}});
    dotted.dots = 1;
    dotted.octave = 3;
    dotted.velocity = 127;
    Note doubleDotted = makeNote(8, {{-20, Flat}});
    doubleDotted.dots = 2;
    doubleDotted.octave = -3;
    doubleDotted.velocity = 0;
    m2.push_back(dotted);
    m2.push_back(doubleDotted);
    m2.push_back(makeNote(32, {}));
    m2.push_back(makeNote(16, {{5, Natural}}, TieStart));
    // A rest keeps whatever velocity, octave and tie it was given.
    Note oddRest = makeNote(1, {}, TieMiddle);
    oddRest.velocity = 33;
    oddRest.octave = -1;
    m2.push_back(oddRest);

    // Track 1: an empty measure and a Note with many heads.
    score.tracks[1].measures[3].clear();
    TrackMeasure& wide = score.tracks[1].measures[4];
    wide.clear();
    std::vector<NoteHead> heads;
    for (std::int32_t p = -20; p <= 20; p += 3) {
        heads.push_back({p, static_cast<Accidental>((p + 20) % 4)});
    }
    wide.push_back(makeNote(1, heads));

    // Track 2: drums keep octave and key-related data as stored.
    for (std::size_t i = 0; i < score.measures.size(); ++i) {
        TrackMeasure& measure = score.tracks[2].measures[i];
        for (Note& note : measure) {
            note.pitches.push_back({static_cast<std::int32_t>(i) - 7, AccidentalNone});
            note.octave = 1;
            note.velocity = 64 + static_cast<std::int32_t>(i);
        }
    }

    // Track 3: a tie from the last measure's predecessor into the last measure.
    TrackMeasure& before = score.tracks[3].measures[13];
    before.back().pitches.push_back({2, Sharp});
    before.back().tie = TieStart;
    TrackMeasure& last = score.tracks[3].measures[14];
    last.front().pitches.push_back({2, Sharp});
    last.front().tie = TieEnd;
    return score;
}

Score largeScore(int measures, int tracks) {
    Score score;
    score.clear();
    for (int i = 0; i < measures; ++i) {
        score.addMeasure(i % 13 - 6, 60 + i % 150, 4);
    }
    // Heads per Note across a measure: rests, single notes and chords of two and three.
    const int headCounts[8] = {1, 2, 3, 1, 0, 1, 1, 0};
    for (int t = 0; t < tracks; ++t) {
        score.addTrack(t * 7 % 128, t % 5 == 4 ? Drums : (t % 2 == 0 ? Treble : Bass));
        Track& track = score.tracks.back();
        for (int i = 0; i < measures; ++i) {
            TrackMeasure& measure = track.measures[static_cast<std::size_t>(i)];
            measure.clear();
            for (int n = 0; n < 8; ++n) {
                Note note;
                note.duration = 8;
                note.velocity = 40 + (i + n) % 80;
                for (int h = 0; h < headCounts[n]; ++h) {
                    note.pitches.push_back(
                        {(i + n + 2 * h) % 13 - 6, static_cast<Accidental>((n + h) % 4)});
                }
                measure.push_back(std::move(note));
            }
        }
    }
    return score;
}

std::vector<std::uint8_t> encode(const Score& score) {
    DataFile file = DataFile::fromBytes({});
    ScoreReader::write(file, score);
    return file.written();
}

}  // namespace corvane::samples
