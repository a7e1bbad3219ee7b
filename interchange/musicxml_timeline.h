#pragma once
// The score's measures for the measures of a MusicXML file: a measure of a meter that holds a
// whole number of quarters (1 to 32) stays one measure, a pickup becomes a measure of its own
// length, and runs of other meters (7/8, 5/8) are re-barred as a MIDI import re-bars them. Key
// signatures come from the first pitched part, tempos from every part, moved to a bar line.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "interchange/import_report.h"
#include "interchange/musicxml_parts.h"
#include "interchange/musicxml_report.h"
#include "score/score.h"

namespace corvane {

// A run of the file's measures and the score measures it becomes.
struct XmlSegment {
    std::size_t firstXml = 0;
    std::size_t xmlCount = 1;
    std::size_t firstScore = 0;
    std::size_t scoreCount = 1;
    // Units from the segment's start to each of its file measures' starts: a pickup's rests
    // come first.
    std::vector<std::int64_t> xmlStarts;
    bool timed = false;  // re-barred: its notes are laid out by their times
};

struct XmlTimeline {
    std::vector<MeasureInfo> measures;
    std::vector<bool> respelled;          // the file's key there was written as another
    std::vector<std::int64_t> barStarts;  // units from the start: every measure's, then the end
    std::vector<XmlSegment> segments;
};

// Raises ImportError when the file has no measures or the score would have too many.
XmlTimeline buildTimeline(const std::vector<XmlPart>& parts, ImportReport& counts,
                          MusicXmlReport& report);

}  // namespace corvane
