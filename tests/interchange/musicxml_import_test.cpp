// Import MusicXML on files as other programs write them: voices and staves, meters, pickups,
// tempos, transposing parts, spelling, ties, dynamics, drums, values the score cannot hold and
// marks it has no place for (each counted in the report); and on files that are no score or
// are built to harm: one sentence saying why, nothing imported.

#include <gtest/gtest.h>

#include <zip.h>

#include <filesystem>

#include "interchange/musicxml_import.h"
#include "interchange/mxl_container.h"
#include "note_tokens.h"
#include "score/data_file.h"
#include "score_rules.h"
#include "tests/score/test_files.h"

namespace corvane {
namespace {

using testing::tokens;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A score-partwise document: part i holds the measures parts[i] (the first carries
// `attributes` after 24 divisions a quarter), instruments as in `partList`.
std::string document(const std::vector<std::vector<std::string>>& parts,
                     const std::string& attributes =
                         "<key><fifths>0</fifths></key><time><beats>4</beats>"
                         "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef>",
                     const std::string& partList = "") {
    std::string out = "<?xml version=\"1.0\"?><score-partwise version=\"4.0\"><part-list>";
    for (std::size_t p = 0; p < parts.size(); ++p) {
        out += "<score-part id=\"P" + std::to_string(p + 1) + "\"><part-name>x</part-name>" +
               (p == 0 ? partList : "") + "</score-part>";
    }
    out += "</part-list>";
    for (std::size_t p = 0; p < parts.size(); ++p) {
        out += "<part id=\"P" + std::to_string(p + 1) + "\">";
        for (std::size_t m = 0; m < parts[p].size(); ++m) {
            out += "<measure number=\"" + std::to_string(m + 1) + "\">";
            if (m == 0) {
                out += "<attributes><divisions>24</divisions>" + attributes + "</attributes>";
            }
            out += parts[p][m] + "</measure>";
        }
        out += "</part>";
    }
    return out + "</score-partwise>";
}

// A <note> of `step` (with alter) in `octave`, lasting `duration` 24ths of a quarter.
std::string note(const std::string& step, int octave, int duration, const std::string& type,
                 const std::string& more = "", int alter = 0) {
    return "<note><pitch><step>" + step + "</step>" +
           (alter != 0 ? "<alter>" + std::to_string(alter) + "</alter>" : "") + "<octave>" +
           std::to_string(octave) + "</octave></pitch><duration>" + std::to_string(duration) +
           "</duration>" + more + "<type>" + type + "</type></note>";
}

std::string rest(int duration, const std::string& more = "") {
    return "<note><rest/><duration>" + std::to_string(duration) + "</duration>" + more + "</note>";
}

MusicXmlImport read(const std::string& text) {
    MusicXmlImport imported = importMusicXml(bytesOf(text));
    EXPECT_EQ(testing::brokenRule(imported.score, 1, 32), "");
    return imported;
}

std::string refusal(const std::string& text) {
    try {
        importMusicXml(bytesOf(text));
    } catch (const ImportError& error) {
        return error.what();
    }
    return "(imported)";
}

std::string reportText(const MusicXmlImport& imported) {
    std::string out;
    for (const std::string& line : imported.report) {
        out += line + "\n";
    }
    return out;
}

TEST(MusicXmlImport, EveryStaffAndVoiceThatPlaysBecomesATrackOfThePartsInstrument) {
    const std::string piano =
        note("C", 5, 96, "whole", "<voice>1</voice><staff>1</staff>") +
        "<backup><duration>96</duration></backup>" +
        note("E", 4, 48, "half", "<voice>2</voice><staff>1</staff>") +
        rest(48, "<voice>2</voice><staff>1</staff>") + "<backup><duration>96</duration></backup>" +
        note("C", 3, 96, "whole", "<voice>5</voice><staff>2</staff>") +
        "<backup><duration>96</duration></backup>" + rest(96, "<voice>6</voice><staff>2</staff>");
    const MusicXmlImport imported =
        read(document({{piano}},
                      "<staves>2</staves><clef number=\"1\"><sign>G</sign><line>2</line></clef>"
                      "<clef number=\"2\"><sign>F</sign><line>4</line></clef>",
                      "<midi-instrument id=\"P1-I1\"><midi-program>5</midi-program>"
                      "</midi-instrument>"));
    const Score& score = imported.score;
    ASSERT_EQ(score.tracks.size(), 3u);  // the voice of rests alone is no track
    EXPECT_EQ(tokens(score.tracks[0].measures[0]), "1[1]");
    EXPECT_EQ(tokens(score.tracks[1].measures[0]), "2[-4] 2r");
    EXPECT_EQ(tokens(score.tracks[2].measures[0]), "1[-1]");
    for (const auto& [track, kind] : {std::pair{0, Treble}, {1, Treble}, {2, Bass}}) {
        EXPECT_EQ(score.tracks[track].kind, kind);
        EXPECT_EQ(score.tracks[track].program, 4);
    }
    EXPECT_TRUE(imported.report.empty());
}

TEST(MusicXmlImport, MetersOfWholeQuartersAreKeptAndOthersReBarred) {
    const auto measuresOf = [](const std::string& beats, const std::string& type,
                               const std::string& content, int count) {
        return document(
            {std::vector<std::string>(static_cast<std::size_t>(count), content)},
            "<time><beats>" + beats + "</beats><beat-type>" + type + "</beat-type></time>");
    };
    const std::string sixEighths = note("D", 5, 36, "quarter", "<dot/>") + rest(36);
    EXPECT_EQ(read(measuresOf("6", "8", sixEighths, 1)).score.measures[0].beats, 3);
    EXPECT_EQ(read(measuresOf("2", "2", note("D", 5, 96, "whole"), 1)).score.measures[0].beats, 4);
    EXPECT_EQ(read(measuresOf("12", "8", rest(144), 1)).score.measures[0].beats, 6);
    EXPECT_EQ(read(measuresOf("1", "4", note("D", 5, 24, "quarter"), 1)).score.measures[0].beats,
              1);
    EXPECT_EQ(read(measuresOf("3+2", "4", rest(120), 1)).score.measures[0].beats, 5);

    // Four bars of 7/8 (14 quarters) become measures of 3 to 5 quarters, notes tied across.
    const MusicXmlImport seven =
        read(measuresOf("7", "8", note("G", 4, 84, "half", "<dot/><dot/>"), 4));
    int quarters = 0;
    for (const MeasureInfo& info : seven.score.measures) {
        EXPECT_GE(info.beats, 3);
        quarters += info.beats;
    }
    EXPECT_GE(quarters, 14);
    ASSERT_FALSE(seven.report.empty());
    EXPECT_EQ(seven.report.front().rfind("Meter 7/8 re-barred as", 0), 0u) << reportText(seven);
    EXPECT_NE(tokens(seven.score.tracks[0].measures[0]).find("~s"), std::string::npos);
}

TEST(MusicXmlImport, APickupBecomesAMeasureOfWholeBeatsWithRestsBeforeItsNotes) {
    const std::string text = document({{"", note("C", 5, 96, "whole")}},
                                      "<time><beats>4</beats><beat-type>4</beat-type></time>");
    // The first measure: an implicit dotted quarter (one and a half beats).
    std::string pickup = text;
    pickup.replace(pickup.find("<measure number=\"1\">"), 20,
                   "<measure number=\"0\" implicit=\"yes\">");
    pickup.insert(pickup.find("</measure>"),
                  note("G", 4, 12, "eighth") + note("A", 4, 24, "quarter"));
    const MusicXmlImport imported = read(pickup);
    ASSERT_EQ(imported.score.measures.size(), 2u);
    EXPECT_EQ(imported.score.measures[0].beats, 2);
    EXPECT_EQ(tokens(imported.score.tracks[0].measures[0]), "8r 8[-2] 4[-1]");
    EXPECT_EQ(imported.score.measures[1].beats, 4);
    EXPECT_EQ(reportText(imported),
              "Pickup measures filled to whole beats with rests before their notes: 1.\n");
}

TEST(MusicXmlImport, TemposComeFromSoundsAndMetronomeMarks) {
    const std::string metronome =
        "<direction><direction-type><metronome><beat-unit>quarter</beat-unit><beat-unit-dot/>"
        "<per-minute>60</per-minute></metronome></direction-type></direction>";
    const MusicXmlImport imported =
        read(document({{rest(96), metronome + rest(96), "<sound tempo=\"100.4\"/>" + rest(96),
                        rest(48) + "<sound tempo=\"300\"/>" + rest(48), rest(96)}}));
    std::vector<int> tempos;
    for (const MeasureInfo& info : imported.score.measures) {
        tempos.push_back(info.tempo);
    }
    // None at first (120), a dotted quarter at 60 (90), 100.4 rounded, and 300 halfway through
    // a measure moved to the nearer bar line, the later of two as near, and held to 255.
    EXPECT_EQ(tempos, (std::vector<int>{120, 90, 100, 100, 255}));
    EXPECT_EQ(reportText(imported),
              "Tempos rounded to whole beats per minute: 1 (by at most 0.4 beats per minute).\n"
              "Tempos above 255 beats per minute set to 255: 1.\n"
              "Tempo changes moved to a bar line: 1 (by at most 2 beats).\n");
}

TEST(MusicXmlImport, NotesAreSpelledInTheKeyAndTransposingPartsSoundAtPitch) {
    // D major: F sharp as the key has it, a written natural, a courtesy sharp kept as written,
    // B flat, and C double sharp, which the score writes as D.
    const std::string notes = note("F", 5, 24, "quarter", "", 1) +
                              note("F", 5, 24, "quarter", "<accidental>natural</accidental>") +
                              note("F", 5, 24, "quarter", "<accidental>sharp</accidental>", 1) +
                              note("B", 4, 12, "eighth", "", -1) +
                              note("C", 5, 12, "eighth", "", 2);
    const MusicXmlImport spelled = read(document(
        {{notes}}, "<key><fifths>2</fifths></key><clef><sign>G</sign><line>2</line></clef>"));
    EXPECT_EQ(spelled.score.measures[0].key, 2);
    EXPECT_EQ(tokens(spelled.score.tracks[0].measures[0]), "4[4] 4[4n] 4[4#] 8[0b] 8[2]");
    EXPECT_EQ(reportText(spelled), "Notes respelled as the editor spells them: 1.\n");

    // A clarinet in B flat: written E major, D5 sounds C5 in concert D major.
    const MusicXmlImport clarinet =
        read(document({{note("D", 5, 96, "whole")}},
                      "<key><fifths>4</fifths></key><clef><sign>G</sign><line>2</line></clef>"
                      "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose>"));
    EXPECT_EQ(clarinet.score.measures[0].key, 2);
    EXPECT_EQ(tokens(clarinet.score.tracks[0].measures[0]), "1[1n]");
    EXPECT_EQ(reportText(clarinet), "Transposing parts brought to sounding pitch: 1.\n");
}

TEST(MusicXmlImport, ClefsOtherThanTrebleAndBassOrChangingTakeTheNearerOfTheTwo) {
    const std::string low = note("C", 3, 48, "half") + note("E", 3, 48, "half");
    const std::string toTreble =
        "<attributes><clef><sign>G</sign><line>2</line></clef></attributes>";
    const MusicXmlImport tenor =
        read(document({{low, toTreble + low}}, "<clef><sign>C</sign><line>4</line></clef>"));
    EXPECT_EQ(tenor.score.tracks[0].kind, Bass);
    EXPECT_EQ(tokens(tenor.score.tracks[0].measures[1]), "2[-1] 2[1]");
    EXPECT_EQ(reportText(tenor),
              "Clef changes left out: each track keeps one clef, the nearer to its notes: 1.\n"
              "C clefs and other clefs written as treble or bass: 1.\n");

    // Treble at first, but the voice lies low: bass, and notes written under the treble clef
    // still sound where they did.
    const MusicXmlImport changing = read(
        document({{note("B", 3, 96, "whole"),
                   "<attributes><clef><sign>F</sign><line>4</line></clef></attributes>" + low}}));
    EXPECT_EQ(changing.score.tracks[0].kind, Bass);
    EXPECT_EQ(tokens(changing.score.tracks[0].measures[0]), "1[5]");
    EXPECT_EQ(reportText(changing),
              "Clef changes left out: each track keeps one clef, the nearer to its notes: 1.\n");
}

TEST(MusicXmlImport, TiesHoldOnlyWhereWriteMidiCanHoldTheKeys) {
    const std::string tieOn = "<tie type=\"start\"/>";
    const std::string tieBack = "<tie type=\"stop\"/>";
    const std::string chord = "<chord/>";
    const MusicXmlImport imported = read(
        document({{note("C", 5, 48, "half") + note("E", 5, 48, "half", tieOn) +
                       note("G", 5, 48, "half", chord + tieOn),
                   note("E", 5, 48, "half", tieBack) + note("G", 5, 48, "half", chord + tieBack) +
                       // Only one head of the chord tied: the score ties Notes, not heads.
                       note("C", 5, 48, "half", tieOn) + note("E", 5, 48, "half", chord),
                   note("C", 5, 96, "whole", tieBack)}}));
    const Track& track = imported.score.tracks[0];
    EXPECT_EQ(tokens(track.measures[0]), "2[1] 2[3,5]~s");
    EXPECT_EQ(tokens(track.measures[1]), "2[3,5]~e 2[1,3]");
    EXPECT_EQ(tokens(track.measures[2]), "1[1]");
    EXPECT_EQ(reportText(imported), "Ties between notes the score cannot tie left out: 1.\n");
}

TEST(MusicXmlImport, DynamicsBecomeVelocities) {
    const std::string piano =
        "<direction><direction-type><dynamics><p/></dynamics>"
        "</direction-type></direction>";
    const std::string level =
        "<direction><direction-type><dynamics><ff/></dynamics>"
        "</direction-type><sound dynamics=\"80\"/></direction>";
    const MusicXmlImport imported = read(document(
        {{note("C", 5, 24, "quarter") + piano + note("C", 5, 24, "quarter") + rest(24) + level +
          "<note dynamics=\"120\"><pitch><step>C</step><octave>5</octave></pitch>"
          "<duration>24</duration><type>quarter</type></note>"}}));
    // Forte by default (90), p (49), the rest keeps the velocity before it, the sound's level
    // over the mark's (72), and a note's own dynamics over both (108).
    EXPECT_EQ(tokens(imported.score.tracks[0].measures[0]), "4[1] 4[1]@49 4r@49 4[1]@108");
}

TEST(MusicXmlImport, DrumsSoundTheirInstrumentsKeys) {
    const std::string kit =
        "<score-instrument id=\"P1-I39\"><instrument-name>Snare</instrument-name>"
        "</score-instrument><midi-instrument id=\"P1-I39\"><midi-unpitched>39</midi-unpitched>"
        "</midi-instrument><midi-instrument id=\"P1-I37\"><midi-unpitched>37</midi-unpitched>"
        "</midi-instrument>";
    const auto hit = [](const std::string& step, int octave, const std::string& instrument) {
        return "<note><unpitched><display-step>" + step + "</display-step><display-octave>" +
               std::to_string(octave) + "</display-octave></unpitched><duration>48</duration>" +
               instrument + "<type>half</type></note>";
    };
    const MusicXmlImport imported = read(document(
        {{hit("C", 5, "<instrument id=\"P1-I39\"/>") + hit("F", 4, "<instrument id=\"P1-I37\"/>"),
          hit("E", 4, "")}},
        "<clef><sign>percussion</sign></clef>", kit));
    const Track& drums = imported.score.tracks[0];
    EXPECT_EQ(drums.kind, Drums);
    // The snare (38) where the drum line plays it; the kick (36) at F4, which plays it; a hit
    // with no instrument among two at the place it is shown (E4).
    EXPECT_EQ(tokens(drums.measures[0]), "2[-8b] 2[-9]");
    EXPECT_EQ(tokens(drums.measures[1]), "2[-4] 2r");
    EXPECT_EQ(reportText(imported),
              "Drum notes without an instrument played by their staff position: 1.\n");
}

TEST(MusicXmlImport, ValuesTheScoreCannotWriteAreLaidOutAsMidiImportLaysThemOut) {
    // At 240 divisions a quarter: a quintuplet of sixteenths, two sixty-fourths, a
    // double-dotted eighth and a half note.
    const std::string fifth =
        "<time-modification><actual-notes>5</actual-notes>"
        "<normal-notes>4</normal-notes></time-modification>";
    std::string notes = "<attributes><divisions>240</divisions></attributes>";
    for (const std::string step : {"C", "D", "E", "F", "G"}) {
        notes += note(step, 5, 48, "16th", fifth);
    }
    notes += note("A", 5, 15, "64th") + note("B", 5, 15, "64th") +
             note("C", 5, 210, "eighth", "<dot/><dot/>") + note("D", 5, 480, "half");
    const MusicXmlImport imported = read(document({{notes}}));
    const TrackMeasure& measure = imported.score.tracks[0].measures[0];
    // Every chord starts within a thirty-second of its time: the quintuplet on sixteenths and
    // thirty-seconds, the second sixty-fourth, too short for the grid, joining the eighth.
    EXPECT_EQ(tokens(measure), "16[1] 32[2] 16[3] 32[4] 16[5] 32[6] 8..[7,1] 2[2]");
    ASSERT_EQ(imported.report.size(), 2u);
    EXPECT_EQ(imported.report[0],
              "Note starts moved to the nearest note value: 5 (by at most "
              "0.062 beats).");
    EXPECT_EQ(imported.report[1],
              "Note ends moved to the nearest note value: 6 (by at most "
              "0.062 beats).");
}

TEST(MusicXmlImport, WhatTheScoreHasNoPlaceForIsCountedNeverDroppedSilently) {
    const std::string marks =
        "<harmony><root><root-step>C</root-step></root><kind>major</kind></harmony>"
        "<direction><direction-type><words>dolce</words></direction-type></direction>"
        "<note><grace/><pitch><step>D</step><octave>5</octave></pitch><type>eighth</type></note>" +
        note("C", 5, 24, "quarter",
             "<notations><ornaments><trill-mark/></ornaments><articulations><staccato/>"
             "<accent/></articulations><slur type=\"start\"/><fermata/></notations>"
             "<lyric><text>la</text></lyric>") +
        "<note><cue/><pitch><step>C</step><octave>5</octave></pitch><duration>24</duration>"
        "</note>" +
        note("C", 5, 48, "half") +
        "<barline location=\"right\"><ending number=\"1\" type=\"start\"/>"
        "<repeat direction=\"backward\"/></barline>";
    const MusicXmlImport imported = read(document({{marks}}));
    EXPECT_EQ(tokens(imported.score.tracks[0].measures[0]), "4[1] 4r 2[1]");
    EXPECT_EQ(reportText(imported),
              "Grace notes left out: 1.\nCue notes left out: 1.\nOrnaments left out: 1.\n"
              "Articulations and fingerings left out: 2.\n"
              "Slurs, fermatas, arpeggios and glissandos left out: 2.\n"
              "Lyrics left out (syllables): 1.\nTexts, titles and credits left out: 1.\n"
              "Chord symbols and figured bass left out: 1.\n"
              "Repeat signs left out: the music is imported once through: 1.\n"
              "Volta brackets left out: 1.\n");
}

TEST(MusicXmlImport, MeasureRestsAndShorterPartsFillTheirMeasures) {
    const MusicXmlImport imported =
        read(document({{rest(72, "<rest measure=\"yes\"/>"), note("A", 4, 72, "half", "<dot/>")},
                       {note("A", 4, 72, "half", "<dot/>")}},
                      "<time><beats>3</beats><beat-type>4</beat-type></time>"));
    ASSERT_EQ(imported.score.tracks.size(), 2u);
    EXPECT_EQ(tokens(imported.score.tracks[0].measures[0]), "2.r");
    EXPECT_EQ(tokens(imported.score.tracks[1].measures[1]), "2.r");
}

TEST(MusicXmlImport, FilesThatAreNoScoreAreRefusedWithTheReason) {
    const std::string bar = note("C", 5, 96, "whole");
    EXPECT_EQ(refusal(""), "The file is not XML, so it is not a MusicXML file.");
    EXPECT_EQ(refusal("MThd\x00\x00\x00\x06"),
              "The file is not XML, so it is not a MusicXML file.");
    EXPECT_EQ(refusal("<html><body/></html>"),
              "The file is XML but not a MusicXML score: its document is <html>.");
    EXPECT_EQ(refusal("<score-timewise version=\"3.0\"/>"),
              "The file is a timewise MusicXML score; Corvane reads partwise scores, the kind "
              "notation programs write.");
    const std::string whole = document({{bar}});
    EXPECT_EQ(refusal(whole.substr(0, whole.find("</part>"))),
              "The file's XML is damaged at line 1: no element found.");
    EXPECT_EQ(refusal("<score-partwise><part-list/></score-partwise>"),
              "The MusicXML file holds no parts to import.");
    EXPECT_EQ(refusal("<score-partwise><part id=\"P1\"/></score-partwise>"),
              "The MusicXML file holds no measures to import.");
}

TEST(MusicXmlImport, HostileFilesAreRefusedBeforeTheyCostAnything) {
    // Entities that would expand a billion times, or read a file of the machine.
    EXPECT_EQ(refusal("<!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
                      "<score-partwise>&b;</score-partwise>"),
              "The file declares XML entities, which no MusicXML file needs; for safety it is "
              "not read.");
    EXPECT_EQ(refusal("<!DOCTYPE s [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                      "<score-partwise>&x;</score-partwise>"),
              "The file declares XML entities, which no MusicXML file needs; for safety it is "
              "not read.");
    std::string deep = "<score-partwise>";
    for (int i = 0; i < 100; ++i) {
        deep += "<a>";
    }
    EXPECT_EQ(refusal(deep),
              "The file's XML is nested more than 64 levels deep, which no MusicXML file is; it "
              "is not read.");
    // The caps of Import MIDI: 64 tracks, 10,000 measures.
    EXPECT_EQ(refusal(document(std::vector<std::vector<std::string>>(65, {rest(96)}))),
              "The MusicXML file has more than 64 tracks; a score holds at most 64.");
    EXPECT_EQ(refusal(document({std::vector<std::string>(10001, "")})),
              "The MusicXML file is too long: a score holds at most 10,000 measures.");
}

// A zip file of `entries` (name, text), as a compressed MusicXML file is.
std::vector<std::uint8_t> zipped(const std::vector<std::pair<std::string, std::string>>& entries) {
    const testing::TempDir dir;
    const std::string path = dir.file("score.mxl");
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, text] : entries) {
        zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    zip_close(archive);
    return testing::readBytes(path);
}

TEST(MusicXmlImport, CompressedFilesAreReadThroughTheirContainer) {
    const std::string text = document({{note("B", 4, 96, "whole")}});
    const std::string container =
        "<container><rootfiles><rootfile full-path=\"music/score.xml\" "
        "media-type=\"application/vnd.recordare.musicxml+xml\"/></rootfiles></container>";
    const Score plain = read(text).score;
    EXPECT_EQ(
        importMusicXml(zipped({{"META-INF/container.xml", container}, {"music/score.xml", text}}))
            .score,
        plain);
    // Without a container, the one MusicXML file at the top.
    EXPECT_EQ(importMusicXml(zipped({{"score.musicxml", text}})).score, plain);

    const auto refused = [](const std::vector<std::uint8_t>& bytes) {
        try {
            importMusicXml(bytes);
        } catch (const ImportError& error) {
            return std::string(error.what());
        }
        return std::string("(imported)");
    };
    EXPECT_EQ(refused(zipped({{"META-INF/container.xml", container}})),
              "The file is a damaged compressed MusicXML file (.mxl): the score it names, "
              "music/score.xml, is not in it.");
    std::vector<std::uint8_t> cut = zipped({{"score.musicxml", text}});
    cut.resize(cut.size() / 2);
    EXPECT_EQ(refused(cut).rfind("The file is a damaged compressed MusicXML file (.mxl): ", 0), 0u);
    // However small the zip, it never unpacks beyond the limit.
    EXPECT_EQ(unpackMxl(zipped({{"score.musicxml", std::string(4096, ' ') + text}}), 5000).size(),
              4096 + text.size());
    try {
        unpackMxl(zipped({{"score.musicxml", std::string(100000, ' ') + text}}), 5000);
        ADD_FAILURE() << "unpacked beyond the limit";
    } catch (const ImportError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The compressed MusicXML file unpacks to more than 1 MB, more than a score can "
                  "hold; it is not read.");
    }
}

TEST(MusicXmlImport, FilesAreReadThroughTheFileLayer) {
    const testing::TempDir dir;
    try {
        importMusicXmlFile(dir.file("missing.musicxml"));
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), kErrorOpenRead);
        EXPECT_EQ(error.path(), dir.file("missing.musicxml"));
    }
    // A file beyond the limit is refused by its size, before it is read.
    testing::writeBytes(dir.file("huge.musicxml"), {});
    std::filesystem::resize_file(dir.file("huge.musicxml"), kMusicXmlMaxBytes + 1);
    try {
        importMusicXmlFile(dir.file("huge.musicxml"));
        ADD_FAILURE() << "no error";
    } catch (const ImportError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The file is larger than 256 MB, more than a score can hold; it is not read.");
    }
}

}  // namespace
}  // namespace corvane
