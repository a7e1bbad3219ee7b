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

}  // namespace

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
