// The Standard MIDI File reader: what it refuses and why, and the events it keeps from files
// written the ways other programs write them.

#include <gtest/gtest.h>

#include <string>

#include "interchange/smf_reader.h"
#include "smf_builder.h"

namespace corvane {
namespace {

using testing::SmfBuilder;
using Bytes = std::vector<std::uint8_t>;

std::string refusal(const Bytes& bytes) {
    try {
        parseSmf(bytes);
    } catch (const ImportError& error) {
        return error.what();
    }
    return "";
}

Bytes oneTrack(std::initializer_list<std::uint8_t> events) {
    SmfBuilder file(1, 96);
    file.track().event(0, events);
    return file.bytes();
}

TEST(SmfReader, RefusesWhatItCannotRead) {
    const Bytes good = SmfBuilder(1, 96).track().end().bytes();
    Bytes smpte = good;
    smpte[12] = 0xE7;
    Bytes patterns = good;
    patterns[9] = 2;
    Bytes unknown = good;
    unknown[9] = 7;
    Bytes noDivision = good;
    noDivision[12] = noDivision[13] = 0;
    Bytes shortHeader = good;
    shortHeader[7] = 5;
    Bytes cutChunk = good;
    cutChunk.pop_back();
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};

    EXPECT_EQ(refusal({}), "This is not a MIDI file.");
    EXPECT_EQ(refusal(text), "This is not a MIDI file.");
    EXPECT_EQ(refusal(smpte),
              "This MIDI file is timed in SMPTE frames, not in beats; only files timed in beats "
              "can be imported.");
    EXPECT_EQ(refusal(patterns),
              "This MIDI file holds independent patterns (format 2); only files of format 0 or "
              "1 can be imported.");
    EXPECT_EQ(refusal(unknown), "This MIDI file is of an unknown format (7).");
    EXPECT_EQ(refusal(noDivision), "The MIDI file is damaged: it gives no ticks per quarter note.");
    EXPECT_EQ(refusal(shortHeader), "The MIDI file is damaged: its header is cut short.");
    EXPECT_EQ(refusal(cutChunk),
              "The MIDI file is damaged: track 1 claims 4 bytes but only 3 follow.");
}

TEST(SmfReader, RefusesDamagedEventsNamingTheTrack) {
    const std::pair<Bytes, std::string> cases[] = {
        {oneTrack({0x90, 60}), "track 1 ends in the middle of an event"},
        {oneTrack({60, 64}), "track 1 has a data byte where an event should start"},
        {oneTrack({0x90, 60, 0x90}), "track 1 has an event with too few data bytes"},
        {oneTrack({0xF4}), "track 1 holds a byte (244) that cannot start an event in a file"},
        {oneTrack({0xFF, 0x01, 0x10, 'a'}), "track 1 ends in the middle of an event"},
        {oneTrack({0x90, 60, 64, 0x80, 0x80, 0x80, 0x80, 0x00}),
         "track 1 has a number longer than four bytes"},
        // System exclusive cancels running status.
        {oneTrack({0xF0, 0x01, 0xF7, 0x00, 60, 64}),
         "track 1 has a data byte where an event should start"},
    };
    for (const auto& [bytes, problem] : cases) {
        EXPECT_EQ(refusal(bytes), "The MIDI file is damaged: " + problem + ".");
    }
}

TEST(SmfReader, KeepsNotesProgramsAndMarkersWithRunningStatus) {
    SmfBuilder file(0, 480);
    file.track().meter(0, 6, 3).key(0, -7).tempo(0, 400000).program(0, 3, 40);
    file.on(10, 3, 60, 90).event(0, {62, 80});         // running status
    file.event(100, {60, 0}).event(0, {0x83, 62, 5});  // velocity 0 ends a note
    file.event(5, {0xB3, 7, 100}).event(0, {0xE3, 0, 64}).event(0, {0xA3, 60, 1});
    file.event(0, {0xD3, 9})
        .event(0, {0xF0, 0x02, 0x7E, 0xF7})
        .event(0, {0xFF, 0x03, 0x02, 'h', 'i'});
    file.end(20).event(0, {0xF4});  // after End of Track: not read
    const SmfFile smf = parseSmf(file.bytes());

    ASSERT_EQ(smf.tracks.size(), 1u);
    EXPECT_EQ(smf.format, 0);
    EXPECT_EQ(smf.division, 480);
    const SmfTrack& track = smf.tracks[0];
    EXPECT_EQ(track.endTick, 135u);
    EXPECT_EQ(track.skippedChannelEvents, 4u);
    std::vector<std::string> seen;
    for (const SmfEvent& e : track.events) {
        seen.push_back(std::to_string(e.tick) + ":" + std::to_string(static_cast<int>(e.kind)) +
                       ":" + std::to_string(e.channel) + ":" + std::to_string(e.a) + ":" +
                       std::to_string(e.b) + ":" + std::to_string(e.tempo));
    }
    const std::vector<std::string> expected = {
        "0:4:0:6:3:0",    "0:5:0:249:0:0",  "0:3:0:0:0:400000", "0:2:3:40:0:0",
        "10:0:3:60:90:0", "10:0:3:62:80:0", "110:1:3:60:0:0",   "110:1:3:62:0:0",
    };
    EXPECT_EQ(seen, expected);
}

TEST(SmfReader, SkipsUnknownChunksAndKeepsTheTracksAFileEndsAfter) {
    Bytes bytes = SmfBuilder(1, 24).track().on(0, 0, 60, 90).off(24, 0, 60).end().bytes();
    // Three track chunks announced, an unknown chunk between: two read, the file ends cleanly.
    bytes[11] = 3;
    const Bytes alien = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 0xAA, 0xBB};
    const Bytes second = SmfBuilder(1, 24).track().program(0, 1, 5).end().bytes();
    bytes.insert(bytes.begin() + 14, alien.begin(), alien.end());
    bytes.insert(bytes.end(), second.begin() + 14, second.end());
    // Chunks without End of Track end where their bytes do.
    const SmfFile smf = parseSmf(bytes);
    ASSERT_EQ(smf.tracks.size(), 2u);
    EXPECT_EQ(smf.tracks[0].events.size(), 2u);
    EXPECT_EQ(smf.tracks[1].events.size(), 1u);
    EXPECT_EQ(smf.tracks[1].events[0].kind, SmfEventKind::Program);

    const SmfFile open = parseSmf(oneTrack({0x90, 60, 64}));
    EXPECT_EQ(open.tracks[0].endTick, 0u);
    EXPECT_EQ(open.tracks[0].events.size(), 1u);
}

TEST(SmfReader, HugeDeltasAddUpWithoutOverflow) {
    SmfBuilder file(1, 24);
    file.track();
    for (int i = 0; i < 40; ++i) {
        file.on(0x0FFFFFFF, 0, 60, 1);
    }
    const SmfFile smf = parseSmf(file.bytes());
    EXPECT_EQ(smf.tracks[0].events.back().tick, 40ull * 0x0FFFFFFF);
}

}  // namespace
}  // namespace corvane
