// Writes the seed files of the MusicXML import fuzzer into the folder given as the first
// argument: the program's own exports, the MuseScore 3 test pieces (read from the folder given
// as the second argument), files of other programs' habits (voices and staves, pickups, meters
// to re-bar, transposing parts, tuplets, drums, marks the score has no place for), a compressed
// file, and files the import refuses.

#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "interchange/musicxml_writer.h"
#include "tests/interchange/small_score.h"
#include "tests/score/sample_scores.h"
#include "tests/score/test_files.h"

namespace {

std::vector<std::uint8_t> bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string score(const std::string& partList, const std::string& parts) {
    return "<?xml version=\"1.0\"?><score-partwise version=\"3.1\"><part-list>" + partList +
           "</part-list>" + parts + "</score-partwise>";
}

std::string pitched(const std::string& step, int octave, int duration, const std::string& more) {
    return "<note><pitch><step>" + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch><duration>" + std::to_string(duration) + "</duration>" + more +
           "</note>";
}

// Two staves with two voices each, a pickup, a 7/8 passage, a transposing part and tuplets.
std::string habits() {
    const std::string attributes =
        "<attributes><divisions>60</divisions><key><fifths>-3</fifths></key><time><beats>3"
        "</beats><beat-type>4</beat-type></time><staves>2</staves><clef number=\"1\"><sign>G"
        "</sign><line>2</line></clef><clef number=\"2\"><sign>C</sign><line>3</line></clef>"
        "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose></attributes>";
    const std::string five =
        "<time-modification><actual-notes>5</actual-notes><normal-notes>4"
        "</normal-notes></time-modification>";
    std::string pickup =
        "<measure number=\"0\" implicit=\"yes\">" + attributes +
        pitched("E", 5, 30, "<voice>1</voice><type>eighth</type><staff>1</staff>") + "</measure>";
    std::string quintuplet;
    for (const char* step : {"C", "D", "E", "F", "G"}) {
        quintuplet += pitched(step, 5, 12, "<voice>1</voice><type>16th</type>" + five);
    }
    const std::string seven =
        "<measure number=\"2\"><attributes><time><beats>7</beats><beat-type>8</beat-type></time>"
        "</attributes>" +
        quintuplet +
        pitched("A", 4, 150, "<tie type=\"start\"/><voice>1</voice><type>half</type><dot/>") +
        "<backup><duration>210</duration></backup>" +
        pitched("C", 3, 210, "<voice>5</voice><staff>2</staff><type>half</type><dot/><dot/>") +
        "<direction><direction-type><dynamics><sfz/></dynamics><octave-shift type=\"down\" "
        "size=\"15\"/></direction-type><sound tempo=\"77.5\" dynamics=\"40\"/></direction>"
        "</measure>";
    const std::string parts =
        "<part id=\"P1\">" + pickup + "<measure number=\"1\">" + quintuplet +
        pitched("A", 4, 120,
                "<voice>1</voice><type>half</type><notations><tied type=\"stop\"/>"
                "<ornaments><trill-mark/></ornaments></notations><lyric><text>la"
                "</text></lyric>") +
        "</measure>" + seven + "</part>";
    return score(
        "<score-part id=\"P1\"><part-name>x</part-name><midi-instrument id=\"P1-I1\">"
        "<midi-program>72</midi-program></midi-instrument></score-part>",
        parts);
}

std::string drums() {
    const std::string hit =
        "<note><unpitched><display-step>C</display-step><display-octave>5"
        "</display-octave></unpitched><duration>1</duration><instrument "
        "id=\"P1-I39\"/><voice>2</voice><type>quarter</type></note>";
    return score(
        "<score-part id=\"P1\"><part-name>Kit</part-name><midi-instrument id=\"P1-I39\">"
        "<midi-unpitched>39</midi-unpitched></midi-instrument></score-part>",
        "<part id=\"P1\"><measure number=\"1\"><attributes><divisions>1</divisions>"
        "<clef><sign>percussion</sign></clef></attributes>" +
            hit + hit +
            "<note><grace/><unpitched><display-step>F</display-step><display-octave>4"
            "</display-octave></unpitched><type>eighth</type></note>" +
            hit + hit + "<barline><repeat direction=\"backward\"/></barline></measure></part>");
}

std::vector<std::uint8_t> zipped(const std::string& text, const std::filesystem::path& scratch) {
    const std::string path = (scratch / "seed.mxl").string();
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    const std::string container =
        "<container><rootfiles><rootfile full-path=\"s.xml\"/></rootfiles></container>";
    zip_file_add(archive, "META-INF/container.xml",
                 zip_source_buffer(archive, container.data(), container.size(), 0), 0);
    zip_file_add(archive, "s.xml", zip_source_buffer(archive, text.data(), text.size(), 0), 0);
    zip_close(archive);
    std::vector<std::uint8_t> out = corvane::testing::readBytes(path);
    std::filesystem::remove(path);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER PIECES\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    namespace samples = corvane::samples;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    seeds.emplace_back("default.musicxml", bytes(corvane::musicXmlText(corvane::Score())));
    seeds.emplace_back("small.musicxml",
                       bytes(corvane::musicXmlText(corvane::testing::smallScore())));
    seeds.emplace_back("rich.musicxml", bytes(corvane::musicXmlText(samples::richScore())));
    seeds.emplace_back("habits.musicxml", bytes(habits()));
    seeds.emplace_back("drums.musicxml", bytes(drums()));
    seeds.emplace_back("small.mxl",
                       zipped(corvane::musicXmlText(corvane::testing::smallScore()), folder));
    seeds.emplace_back("timewise.musicxml", bytes("<score-timewise version=\"3.0\"/>"));
    seeds.emplace_back("entities.musicxml",
                       bytes("<!DOCTYPE s [<!ENTITY a \"b\">]><score-partwise>&a;"
                             "</score-partwise>"));
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        if (entry.path().extension() == ".musicxml") {
            seeds.emplace_back("musescore-" + entry.path().filename().string(),
                               corvane::testing::readBytes(entry.path().string()));
        }
    }
    for (const auto& [name, data] : seeds) {
        corvane::testing::writeBytes(folder / name, data);
    }
    return 0;
}
