// A tick of a song turned back into a measure and a beat of the score it was written from.

#include <gtest/gtest.h>

#include "score_builders.h"
#include "sound/song_position.h"

namespace corvane {
namespace {

// Measures of 4, 3, 5 and 4 quarters, at 24 ticks a quarter.
Score mixedMeters() {
    Score score = test::emptyScore(4, {{Treble, 0}});
    score.measures[1].beats = 3;
    score.measures[2].beats = 5;
    return score;
}

TEST(SongMeasures, EachMeasureLastsItsMeter) {
    const SongMeasures song(mixedMeters(), 0);
    EXPECT_EQ(song.at(0), (SongPosition{0, 0}));
    EXPECT_EQ(song.at(95.5), (SongPosition{0, 95.5 / 24}));
    EXPECT_EQ(song.at(96), (SongPosition{1, 0}));
    EXPECT_EQ(song.at(96 + 72 + 36), (SongPosition{2, 1.5}));
    EXPECT_EQ(song.at(96 + 72 + 120), (SongPosition{3, 0}));
}

TEST(SongMeasures, ASongFromALaterMeasureNamesTheScoresMeasures) {
    const SongMeasures song(mixedMeters(), 1);
    EXPECT_EQ(song.at(0), (SongPosition{1, 0}));
    EXPECT_EQ(song.at(72 + 12), (SongPosition{2, 0.5}));
}

TEST(SongMeasures, BeforeTheSongAndAfterItsEnd) {
    const SongMeasures song(mixedMeters(), 2);
    EXPECT_EQ(song.at(-5), (SongPosition{2, 0}));
    // The song is 9 quarters long; the release after its last note stays on its last bar line.
    EXPECT_EQ(song.at(9 * 24), (SongPosition{3, 4}));
    EXPECT_EQ(song.at(50 * 24), (SongPosition{3, 4}));
    EXPECT_EQ(SongMeasures().at(10), (SongPosition{0, 0})) << "no song";
    EXPECT_EQ(SongMeasures(mixedMeters(), 4).at(10), (SongPosition{4, 0})) << "past the score";
}

}  // namespace
}  // namespace corvane
