// The shapes of single notes and what a measure's reading gives them: accidentals a reader
// needs, beams within a beat, stem directions, heads on both sides of the stem, ledger lines.

#include <gtest/gtest.h>

#include "engrave/note_shapes.h"
#include "tests/engrave/engrave_scores.h"

namespace corvane::engrave {
namespace {

using testing::noteAt;

Note withAccidental(Note note, Accidental accidental) {
    note.pitches.front().accidental = accidental;
    return note;
}

std::vector<Accidental> shownIn(const TrackMeasure& notes, TrackKind kind, int key, std::size_t i) {
    return readMeasure(notes, kind, key)[i].shown;
}

TEST(AccidentalReading, APitchTheReaderWouldMisreadGetsItsSign) {
    // F4 is treble position -3. In C: F sharp, then a plain F, which sounds F natural.
    const TrackMeasure cMajor{withAccidental(noteAt(4, {-3}), Sharp), noteAt(4, {-3}),
                              noteAt(4, {-3}), withAccidental(noteAt(4, {-3}), Sharp)};
    EXPECT_EQ(shownIn(cMajor, Treble, 0, 0), std::vector{Sharp});
    EXPECT_EQ(shownIn(cMajor, Treble, 0, 1), std::vector{Natural});
    EXPECT_EQ(shownIn(cMajor, Treble, 0, 2), std::vector{AccidentalNone});
    // A stored sign is always shown, needed or not.
    EXPECT_EQ(shownIn(cMajor, Treble, 0, 3), std::vector{Sharp});
    // In G major a plain F is F sharp from the key; a stored natural shows.
    const TrackMeasure gMajor{noteAt(4, {-3}), withAccidental(noteAt(4, {-3}), Natural),
                              noteAt(4, {-3})};
    EXPECT_EQ(shownIn(gMajor, Treble, 1, 0), std::vector{AccidentalNone});
    EXPECT_EQ(shownIn(gMajor, Treble, 1, 1), std::vector{Natural});
    EXPECT_EQ(shownIn(gMajor, Treble, 1, 2), std::vector{Sharp});
    // Another octave's F is not touched by the sign on F4.
    const TrackMeasure octaves{withAccidental(noteAt(4, {-3}), Sharp), noteAt(4, {4})};
    EXPECT_EQ(shownIn(octaves, Treble, 0, 1), std::vector{AccidentalNone});
    // Drum lines have no key: a sharp then a plain head on the same line.
    const TrackMeasure drums{withAccidental(noteAt(4, {1}), Sharp), noteAt(4, {1})};
    EXPECT_EQ(shownIn(drums, Drums, 5, 1), std::vector{Natural});
}

TEST(AccidentalReading, AChordHoldingALineTwiceShowsBothSigns) {
    Note chord = noteAt(4, {-3, -3});
    chord.pitches.back().accidental = Sharp;
    EXPECT_EQ(shownIn({chord}, Treble, 0, 0), (std::vector{AccidentalNone, Sharp}));
    const ChordShape shape = shapeChord(chord, Treble, {AccidentalNone, Sharp}, false, false);
    // The two heads stand side by side, not on top of each other.
    EXPECT_NE(shape.heads[0].x, shape.heads[1].x);
}

std::vector<int> groups(const TrackMeasure& notes) {
    std::vector<int> out;
    for (const NoteEvent& e : readMeasure(notes, Treble, 0)) {
        out.push_back(e.beamGroup);
    }
    return out;
}

TEST(Beams, JoinEighthsAndShorterWithinABeatOnly) {
    const Note eighth = noteAt(8, {0});
    Note rest = eighth;
    rest.pitches.clear();
    EXPECT_EQ(groups({eighth, eighth, eighth, eighth, noteAt(2, {0})}),
              (std::vector{0, 0, 1, 1, -1}));
    // A rest breaks the beam; a lone eighth keeps its flag.
    EXPECT_EQ(groups({eighth, rest, eighth, eighth, noteAt(2, {0})}),
              (std::vector{-1, -1, 0, 0, -1}));
    // An eighth after a dotted quarter starts off the beat: it cannot join the next beat's.
    Note dotted = noteAt(4, {0});
    dotted.dots = 1;
    EXPECT_EQ(groups({dotted, eighth, eighth, eighth, noteAt(4, {0})}),
              (std::vector{-1, -1, 0, 0, -1}));
    // Dotted eighth and sixteenth; a triplet of eighths.
    Note dottedEighth = eighth;
    dottedEighth.dots = 1;
    Note triplet = eighth;
    triplet.triplet = 1;
    Note middle = eighth;
    middle.triplet = 3;
    Note last = eighth;
    last.triplet = 2;
    EXPECT_EQ(groups({dottedEighth, noteAt(16, {0}), triplet, middle, last, noteAt(2, {0})}),
              (std::vector{0, 0, 1, 1, 1, -1}));
}

TEST(Beams, ABeamedGroupSharesOneStemDirection) {
    const std::vector<NoteEvent> events = readMeasure(
        {noteAt(8, {-4}), noteAt(8, {5}), noteAt(8, {-1}), noteAt(8, {-2}), noteAt(2, {0})},
        Treble, 0);
    EXPECT_EQ(events[0].stemDown, events[1].stemDown);
    EXPECT_TRUE(events[0].stemDown);  // the high note is further from the middle line
    EXPECT_FALSE(events[2].stemDown);
}

TEST(ChordShapes, StemsGoDownFromHighNotesAndReachTheMiddleLine) {
    const ChordShape low = shapeChord(noteAt(4, {-12}), Treble, {}, false, false);
    EXPECT_LT(low.stemEnd, low.stemBase);
    EXPECT_LE(low.stemEnd, 0.0);
    const ChordShape high = shapeChord(noteAt(4, {12}), Treble, {}, true, false);
    EXPECT_GT(high.stemEnd, high.stemBase);
    EXPECT_GE(high.stemEnd, 0.0);
    EXPECT_NEAR(shapeChord(noteAt(4, {0}), Treble, {}, true, false).stemEnd, 3.5, 1e-9);
    EXPECT_FALSE(shapeChord(noteAt(1, {0}), Treble, {}, false, false).hasStem);
}

TEST(ChordShapes, SecondsPutOneHeadOnTheOtherSideOfTheStem) {
    const ChordShape up = shapeChord(noteAt(4, {-3, -2}), Treble, {}, false, false);
    EXPECT_EQ(up.heads[0].x, 0.0);
    EXPECT_GT(up.heads[1].x, 0.5);  // the upper head to the right of an up stem
    const ChordShape down = shapeChord(noteAt(4, {0, 1}), Treble, {}, true, false);
    EXPECT_EQ(down.heads[1].x, 0.0);
    EXPECT_LT(down.heads[0].x, -0.5);  // the lower head to the left of a down stem
    const ChordShape third = shapeChord(noteAt(4, {0, 2}), Treble, {}, true, false);
    EXPECT_EQ(third.heads[0].x, third.heads[1].x);
}

TEST(ChordShapes, LedgerLinesDotsAndFlags) {
    EXPECT_EQ(shapeChord(noteAt(4, {9}), Treble, {}, true, false).ledgers.size(), 2u);
    EXPECT_EQ(shapeChord(noteAt(4, {-6}), Treble, {}, false, false).ledgers.size(), 1u);
    EXPECT_EQ(shapeChord(noteAt(4, {5}), Treble, {}, true, false).ledgers.size(), 0u);
    Note dotted = noteAt(4, {0});
    dotted.dots = 2;
    const ChordShape dots = shapeChord(dotted, Treble, {}, true, false);
    ASSERT_EQ(dots.dots.size(), 2u);
    EXPECT_EQ(dots.dots[0].y, positionY(1));  // a head on a line has its dot in the space above
    EXPECT_GT(dots.dots[1].x, dots.dots[0].x);
    const ChordShape sixteenth = shapeChord(noteAt(16, {-4}), Treble, {}, false, false);
    ASSERT_TRUE(sixteenth.flag.has_value());
    EXPECT_EQ(sixteenth.flag->glyph, Sym::Flag16thUp);
    EXPECT_FALSE(shapeChord(noteAt(16, {-4}), Treble, {}, false, true).flag.has_value());
}

TEST(ChordShapes, AccidentalsCloserThanASixthTakeSeparateColumns) {
    Note chord = noteAt(4, {0, 2, 4, 7});
    const std::vector<Accidental> shown{Sharp, Flat, Sharp, Natural};
    const ChordShape shape = shapeChord(chord, Treble, shown, true, false);
    ASSERT_EQ(shape.accidentals.size(), 4u);
    for (const PlacedSymbol& a : shape.accidentals) {
        EXPECT_LT(a.x + symInfo(a.glyph).advance, shape.headsLeft);
        for (const PlacedSymbol& b : shape.accidentals) {
            const bool close = &a != &b && std::abs(a.y - b.y) < 3.0;
            const bool apart = a.x + symInfo(a.glyph).advance <= b.x || b.x + symInfo(b.glyph).advance <= a.x;
            EXPECT_TRUE(!close || apart) << a.y << " and " << b.y;
        }
    }
    EXPECT_LE(shape.left, shape.accidentals.front().x);
}

TEST(ChordShapes, DrumCymbalsGetCrossedHeads) {
    // Position -7 plays key 42, the closed hi-hat; position 1 plays key 66, a low timbale.
    EXPECT_EQ(headGlyph(4, Drums, -7, AccidentalNone), Sym::NoteheadXBlack);
    EXPECT_EQ(headGlyph(2, Drums, -7, AccidentalNone), Sym::NoteheadXHalf);
    EXPECT_EQ(headGlyph(4, Drums, 1, AccidentalNone), Sym::NoteheadBlack);
    EXPECT_EQ(headGlyph(4, Treble, -7, AccidentalNone), Sym::NoteheadBlack);
    EXPECT_EQ(headGlyph(1, Bass, 0, AccidentalNone), Sym::NoteheadWhole);
}

TEST(Rests, WholeRestsHangFromTheFourthLineAndDottedRestsShowTheirDots) {
    Note rest;
    rest.duration = 1;
    EXPECT_EQ(shapeRest(rest).glyph, Sym::RestWhole);
    EXPECT_EQ(shapeRest(rest).y, -1.0);
    rest.duration = 8;
    rest.dots = 1;
    const RestShape dotted = shapeRest(rest);
    EXPECT_EQ(dotted.glyph, Sym::Rest8th);
    EXPECT_EQ(dotted.dots.size(), 1u);
    EXPECT_GT(dotted.right, symInfo(Sym::Rest8th).box.right);
}

}  // namespace
}  // namespace corvane::engrave
