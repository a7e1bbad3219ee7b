// The pages of a score, through the layout alone: every measure exactly once, nothing outside
// the paper's margins, one head glyph per head of the score, a tempo mark where the tempo
// changes, titles and page numbers, parts, and a staff size that lets every system fit.

#include <gtest/gtest.h>

#include <random>

#include "engrave/engraving.h"
#include "tests/engrave/engrave_scores.h"
#include "tests/engrave/recording_page_canvas.h"
#include "tests/interchange/random_scores.h"
#include "tests/score/sample_scores.h"

namespace corvane::engrave {
namespace {

using testing::RecordingPageCanvas;

constexpr char32_t kFirstNotehead = 0xE0A0;
constexpr char32_t kLastNotehead = 0xE0FF;
constexpr char32_t kMetronomeQuarter = 0xECA5;
constexpr double kEpsilon = 1e-6;

RecordingPageCanvas drawn(const Engraving& engraving) {
    RecordingPageCanvas canvas;
    for (const Page& page : engraving.pages) {
        drawPage(page, canvas);
    }
    return canvas;
}

// What must hold for the pages of any score: measures in order, each exactly once, systems and
// barlines inside the margins, systems apart from each other, every page numbered.
void expectSoundPages(const Score& score, const EngraveRequest& request, const Engraving& e,
                      const std::string& context) {
    SCOPED_TRACE(context);
    std::size_t next = 0;
    for (std::size_t i = 0; i < e.systems.size(); ++i) {
        const SystemRecord& s = e.systems[i];
        EXPECT_EQ(s.firstMeasure, next);
        EXPECT_LT(s.firstMeasure, s.endMeasure);
        ASSERT_EQ(s.barlines.size(), s.endMeasure - s.firstMeasure);
        next = s.endMeasure;
        EXPECT_GE(s.staffLeft, kPageMargin - kEpsilon);
        EXPECT_LE(s.staffRight, request.page.width - kPageMargin + kEpsilon);
        EXPECT_LE(s.barlines.back(), s.staffRight + kEpsilon);
        EXPECT_GT(s.barlines.front(), s.staffLeft);
        EXPECT_GE(s.top, kPageMargin - kEpsilon);
        EXPECT_LE(s.bottom, request.page.height - kPageMargin + kEpsilon);
        if (i > 0 && e.systems[i - 1].page == s.page) {
            EXPECT_GT(s.top, e.systems[i - 1].bottom);
        }
    }
    EXPECT_EQ(next, request.tracks.empty() ? next : score.measures.size());
    const RecordingPageCanvas canvas = drawn(e);
    EXPECT_EQ(canvas.pages, static_cast<int>(e.pages.size()));
    EXPECT_TRUE(canvas.hasText(request.title));
    for (std::size_t p = 0; p < e.pages.size(); ++p) {
        EXPECT_TRUE(canvas.hasText("Page " + std::to_string(p + 1) + " of " +
                                   std::to_string(e.pages.size())));
    }
    if (!request.tracks.empty()) {
        EXPECT_EQ(canvas.count(kFirstNotehead, kLastNotehead), testing::headCount(score, request.tracks));
        EXPECT_EQ(canvas.count(kMetronomeQuarter), testing::tempoMarkCount(score));
    }
}

TEST(Engraving, RandomScoresFromNoteEntryPrintSoundly) {
    std::mt19937 rng(20240611);
    for (int n = 0; n < 25; ++n) {
        testing::RandomScoreShape shape;
        shape.measures = testing::pick(rng, 1, 30);
        shape.maxTracks = 6;
        shape.entries = testing::pick(rng, 0, 400);
        const Score score = testing::randomEditorScore(rng, shape);
        const PageSettings settings{n % 2 ? Paper::Letter : Paper::A4, n % 3 == 0, std::nullopt};
        const EngraveRequest request = pageRequest(score, "random " + std::to_string(n), settings);
        expectSoundPages(score, request, engraveScore(score, request), "score " + std::to_string(n));
        const int track = testing::pick(rng, 0, static_cast<int>(score.tracks.size()) - 1);
        const EngraveRequest part = pageRequest(score, "part", {Paper::A4, false, track});
        expectSoundPages(score, part, engraveScore(score, part), "part of " + std::to_string(n));
    }
}

TEST(Engraving, ReplayGoldenScoresPrintSoundly) {
    const auto scores = testing::replayGoldenScores(CORVANE_REPLAY_SCRIPTS);
    ASSERT_GT(scores.size(), 10u);
    for (const auto& [name, score] : scores) {
        const EngraveRequest request = pageRequest(score, name, {});
        expectSoundPages(score, request, engraveScore(score, request), name);
    }
}

TEST(Engraving, ManyTracksShrinkTheStaffUntilASystemFitsAPage) {
    const Score score = samples::largeScore(200, 16);
    const EngraveRequest request = pageRequest(score, "large", {});
    const Engraving e = engraveScore(score, request);
    expectSoundPages(score, request, e, "16 tracks");
    EXPECT_LT(e.staffSpace, kDefaultStaffSpace);
    EXPECT_GT(e.pages.size(), 10u);
    // A single part of it keeps the usual staff size and needs fewer pages.
    const Engraving part = engraveScore(score, pageRequest(score, "part", {Paper::A4, false, 3}));
    EXPECT_DOUBLE_EQ(part.staffSpace, kDefaultStaffSpace);
    EXPECT_LT(part.pages.size(), e.pages.size());
}

TEST(Engraving, SystemsRunTheFullWidthButAShortLastOne) {
    const Score score = testing::simpleScore(
        41, {testing::noteAt(4, {0}), testing::noteAt(8, {1}), testing::noteAt(8, {2}),
             testing::noteAt(2, {3})});
    const EngraveRequest request = pageRequest(score, "lines", {});
    const Engraving e = engraveScore(score, request);
    ASSERT_GT(e.systems.size(), 3u);
    for (std::size_t i = 0; i + 1 < e.systems.size(); ++i) {
        EXPECT_NEAR(e.systems[i].staffRight, request.page.width - kPageMargin, kEpsilon);
        EXPECT_NEAR(e.systems[i].barlines.back(), e.systems[i].staffRight, kEpsilon);
    }
    // One measure more than a full line: the last system keeps its natural width.
    EXPECT_EQ(e.systems.back().endMeasure - e.systems.back().firstMeasure, 1u);
    EXPECT_LT(e.systems.back().staffRight, request.page.width / 2);
}

TEST(Engraving, EverySystemStartsWithClefKeyAndMeasureNumber) {
    Score score = testing::simpleScore(30, {testing::noteAt(1, {0})});
    for (MeasureInfo& m : score.measures) {
        m.key = 3;
    }
    const Engraving e = engraveScore(score, pageRequest(score, "keys", {}));
    const RecordingPageCanvas canvas = drawn(e);
    ASSERT_GT(e.systems.size(), 1u);
    EXPECT_EQ(canvas.count(symInfo(Sym::GClef).codePoint), e.systems.size());
    EXPECT_EQ(canvas.count(symInfo(Sym::AccidentalSharp).codePoint), 3 * e.systems.size());
    // The meter once, at the start: 4 over 4.
    EXPECT_EQ(canvas.count(symInfo(Sym::TimeSig4).codePoint), 2u);
    for (const SystemRecord& s : e.systems) {
        EXPECT_TRUE(canvas.hasText(std::to_string(s.firstMeasure + 1)));
    }
}

TEST(Engraving, KeyAndMeterChangesInsideASystem) {
    Score score = testing::simpleScore(3, {testing::noteAt(1, {0})});
    score.measures[1].key = -2;
    score.measures[2].key = 0;
    score.measures[2].beats = 3;
    score.tracks[0].measures[2] = {testing::noteAt(2, {0}), testing::noteAt(4, {1})};
    const RecordingPageCanvas canvas = drawn(engraveScore(score, pageRequest(score, "k", {})));
    EXPECT_EQ(canvas.count(symInfo(Sym::AccidentalFlat).codePoint), 2u);
    EXPECT_EQ(canvas.count(symInfo(Sym::AccidentalNatural).codePoint), 2u);  // back to C
    EXPECT_EQ(canvas.count(symInfo(Sym::TimeSig3).codePoint), 1u);
}

TEST(Engraving, DynamicsWhereTheVelocityChanges) {
    Note rest;
    rest.velocity = 30;
    const Score score = testing::simpleScore(
        2, {testing::noteAt(4, {0}, 90), testing::noteAt(4, {0}, 90), rest,
            testing::noteAt(4, {0}, 77)});
    const RecordingPageCanvas canvas = drawn(engraveScore(score, pageRequest(score, "d", {})));
    // Forte (velocity 90) at the start and again after each 77; 77 as a number, twice; the
    // rest's velocity sounds nowhere and shows nowhere.
    EXPECT_EQ(canvas.count(symInfo(Sym::DynamicForte).codePoint), 2u);
    EXPECT_EQ(std::count_if(canvas.texts.begin(), canvas.texts.end(),
                            [](const auto& t) { return t.text == "77"; }),
              2);
    EXPECT_FALSE(canvas.hasText("30"));
}

TEST(Engraving, TiesTripletsAndOctaveMarks) {
    Note tied = testing::noteAt(2, {0, 2});
    tied.tie = TieStart;
    Note end = testing::noteAt(2, {0, 2});
    end.tie = TieEnd;
    Note shifted = testing::noteAt(4, {0});
    shifted.octave = 1;
    Note first = testing::noteAt(4, {0});
    first.triplet = 1;
    Note middle = first;
    middle.triplet = 3;
    Note last = first;
    last.triplet = 2;
    Score score = testing::simpleScore(3, {tied, end});
    score.tracks[0].measures[1] = {shifted, shifted, shifted, shifted};
    score.tracks[0].measures[2] = {first, middle, last, testing::noteAt(2, {0})};
    const RecordingPageCanvas canvas = drawn(engraveScore(score, pageRequest(score, "t", {})));
    EXPECT_EQ(canvas.curves, 2);  // one tie for each head of the chord
    EXPECT_EQ(canvas.count(symInfo(Sym::OttavaAlta).codePoint), 1u);  // one mark for the run
    EXPECT_EQ(canvas.count(symInfo(Sym::Tuplet3).codePoint), 1u);     // one 3 for the group
}

TEST(Engraving, ATieAcrossASystemBreakIsDrawnInTwoHalves) {
    Note start = testing::noteAt(4, {-1});
    start.tie = TieStart;
    Note end = testing::noteAt(4, {-1});
    end.tie = TieEnd;
    Score score = testing::simpleScore(60, {testing::noteAt(4, {0}), testing::noteAt(4, {0}),
                                            testing::noteAt(4, {0}), start});
    for (TrackMeasure& m : score.tracks[0].measures) {
        m.front() = end;
    }
    score.tracks[0].measures.front().front() = testing::noteAt(4, {0});
    const Engraving e = engraveScore(score, pageRequest(score, "ties", {}));
    const int breaks = static_cast<int>(e.systems.size()) - 1;
    ASSERT_GT(breaks, 0);
    // 59 ties join notes, the last measure's has no note to go to and is drawn short, and each
    // tie over a break is drawn twice.
    EXPECT_EQ(drawn(e).curves, 60 + breaks);
}

TEST(Engraving, APartNamesItsInstrumentAtTheTopAndShowsOnlyItsTrack) {
    const Score score = samples::samplePiece();
    const EngraveRequest part = pageRequest(score, "sample", {Paper::A4, false, 1});
    const Engraving e = engraveScore(score, part);
    const RecordingPageCanvas canvas = drawn(e);
    EXPECT_EQ(canvas.count(kFirstNotehead, kLastNotehead), testing::headCount(score, {1}));
    EXPECT_TRUE(canvas.hasText("Accoustic Bass"));
    EXPECT_FALSE(canvas.hasText("Piano"));
    EXPECT_THROW(pageRequest(score, "x", {Paper::A4, false, 3}), std::out_of_range);
    // The whole score names every staff, in full first and shortened after.
    const RecordingPageCanvas whole = drawn(engraveScore(score, pageRequest(score, "s", {})));
    EXPECT_TRUE(whole.hasText("Piano"));
    EXPECT_TRUE(whole.hasText("Drums"));
}

TEST(Engraving, AScoreWithoutTracksPrintsItsTitleAlone) {
    Score score;
    score.tracks.clear();
    const EngraveRequest request = pageRequest(score, titleForPath(""), {});
    const Engraving e = engraveScore(score, request);
    ASSERT_EQ(e.pages.size(), 1u);
    const RecordingPageCanvas canvas = drawn(e);
    EXPECT_TRUE(canvas.hasText("Untitled"));
    EXPECT_TRUE(canvas.hasText("Page 1 of 1"));
    EXPECT_TRUE(canvas.glyphs.empty());
}

TEST(PageSettings, PaperSizesNamesAndTheLocalesChoice) {
    EXPECT_NEAR(pageSize(Paper::A4, false).width, 595.276, 1e-3);
    EXPECT_NEAR(pageSize(Paper::A4, false).height, 841.890, 1e-3);
    EXPECT_EQ(pageSize(Paper::Letter, true).width, 792.0);
    EXPECT_EQ(paperNamed("letter"), Paper::Letter);
    EXPECT_EQ(paperNamed("A5"), std::nullopt);
    EXPECT_EQ(paperForLocale("", "en_US.UTF-8", "de_DE.UTF-8"), Paper::Letter);
    EXPECT_EQ(paperForLocale("de_DE.UTF-8", "en_US.UTF-8", ""), Paper::A4);  // LC_ALL wins
    EXPECT_EQ(paperForLocale("", "", "fr_CA.UTF-8@euro"), Paper::Letter);
    EXPECT_EQ(paperForLocale("", "", "en_GB.UTF-8"), Paper::A4);
    EXPECT_EQ(paperForLocale("", "C", "en_US.UTF-8"), Paper::A4);
    EXPECT_EQ(paperForLocale("", "", ""), Paper::A4);
    EXPECT_EQ(titleForPath("/home/me/songs/Blue Moon.cvn"), "Blue Moon");
    EXPECT_EQ(titleForPath(""), "Untitled");
}

}  // namespace
}  // namespace corvane::engrave
