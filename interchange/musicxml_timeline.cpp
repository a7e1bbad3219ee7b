#include "interchange/musicxml_timeline.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "interchange/import_barring.h"
#include "interchange/import_error.h"
#include "interchange/midi_import.h"

namespace corvane {

namespace {

constexpr std::int64_t kQuarter = kUnitsPerQuarter;
constexpr int kMostBeats = 32;
constexpr int kDefaultTempo = 120;

std::int64_t ceilQuarters(std::int64_t units) {
    return (units + kQuarter - 1) / kQuarter;
}

// What the parts agree a measure is: the longest any voice of any part reaches, and the first
// part's meter.
struct Shape {
    std::int64_t length = 0;
    bool implicit = false;
    int beats = 4;
    int beatType = 4;
    int fifths = 0;
};

// The part whose key signatures the score takes: the first with a pitched voice.
std::size_t keyPart(const std::vector<XmlPart>& parts) {
    for (std::size_t p = 0; p < parts.size(); ++p) {
        for (const XmlLane& lane : parts[p].lanes) {
            const auto clef = parts[p].clefs.find(lane.staff);
            const bool percussion =
                clef != parts[p].clefs.end() && clef->second.sign == "percussion";
            if (lane.sounds && !lane.unpitched && !percussion) {
                return p;
            }
        }
    }
    return 0;
}

std::vector<Shape> shapes(const std::vector<XmlPart>& parts) {
    std::size_t count = 0;
    for (const XmlPart& part : parts) {
        count = std::max(count, part.measures.size());
    }
    if (count == 0) {
        throw ImportError("The MusicXML file holds no measures to import.");
    }
    const std::size_t keys = keyPart(parts);
    std::vector<Shape> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        Shape& shape = out[i];
        if (i > 0) {
            shape = out[i - 1];
            shape.implicit = false;
        }
        shape.length = 0;
        for (std::size_t p = 0; p < parts.size(); ++p) {
            if (i >= parts[p].measures.size()) {
                continue;
            }
            const XmlMeasure& measure = parts[p].measures[i];
            shape.length = std::max(shape.length, measure.length);
            if (p == 0) {
                shape.implicit = measure.implicit;
                shape.beats = measure.beats;
                shape.beatType = measure.beatType;
            }
            if (p == keys) {
                shape.fifths = measure.fifths;
            }
        }
    }
    return out;
}

// The quarters of a meter that holds a whole number of them, from 1 to 32.
std::optional<int> wholeMeter(const Shape& shape) {
    if (shape.beats <= 0 || (4 * shape.beats) % shape.beatType != 0) {
        return std::nullopt;
    }
    const int quarters = 4 * shape.beats / shape.beatType;
    return quarters >= 1 && quarters <= kMostBeats ? std::optional(quarters) : std::nullopt;
}

// The length in units that a measure's meter gives it, for measures laid out by time.
std::int64_t meterUnits(const Shape& shape) {
    if (shape.beats <= 0) {
        return 4 * kQuarter;
    }
    return 4 * kQuarter * shape.beats / shape.beatType;
}

// One measure kept as one score measure: its beats and the rest before its notes, or nothing
// when it must be re-barred.
struct Kept {
    int beats = 4;
    std::int64_t lead = 0;
};

std::optional<Kept> keepMeasure(const Shape& shape, bool first, bool last, ImportReport& counts,
                                MusicXmlReport& report) {
    const std::optional<int> quarters = wholeMeter(shape);
    if (!quarters) {
        return std::nullopt;
    }
    const std::int64_t nominal = *quarters * kQuarter;
    if (shape.length == 0 || shape.length == nominal) {
        return Kept{*quarters, 0};
    }
    const auto own = static_cast<int>(ceilQuarters(shape.length));
    if (shape.length < nominal) {
        if (shape.implicit || first) {
            const std::int64_t lead = own * kQuarter - shape.length;
            report.add(MusicXmlReport::PickupRests, lead > 0 ? 1 : 0);
            return Kept{own, lead};
        }
        if (last) {
            return Kept{*quarters, 0};
        }
    } else if (own > kMostBeats) {
        return std::nullopt;
    }
    counts.add(ImportReport::MeasuresOffMeter, own != *quarters ? 1 : 0);
    return Kept{own, 0};
}

class Builder {
  public:
    Builder(std::vector<Shape> shapes, ImportReport& counts, MusicXmlReport& report)
        : shapes_(std::move(shapes)), counts_(counts), report_(report) {}

    XmlTimeline build() {
        out_.barStarts.push_back(0);
        for (std::size_t i = 0; i < shapes_.size();) {
            const std::optional<Kept> kept =
                keepMeasure(shapes_[i], i == 0, i + 1 == shapes_.size(), counts_, report_);
            if (kept) {
                XmlSegment& segment = open(i);
                segment.xmlStarts.push_back(kept->lead);
                addMeasure(kept->beats, shapes_[i].fifths);
                ++i;
                continue;
            }
            std::size_t end = i + 1;
            while (end < shapes_.size() &&
                   !keepMeasure(shapes_[end], false, false, scratchCounts_, scratchReport_)) {
                ++end;
            }
            rebar(i, end);
            i = end;
        }
        if (out_.measures.size() > kImportMaxMeasures) {
            throw ImportError(
                "The MusicXML file is too long: a score holds at most 10,000 measures.");
        }
        return std::move(out_);
    }

  private:
    XmlSegment& open(std::size_t firstXml) {
        XmlSegment& segment = out_.segments.emplace_back();
        segment.firstXml = firstXml;
        segment.xmlCount = 1;
        segment.firstScore = out_.measures.size();
        segment.scoreCount = 1;
        return segment;
    }

    void addMeasure(int beats, int fifths) {
        int key = fifths;
        if (key == 7 || key == -7) {
            // Seven sharps or flats: the same key with five of the other kind.
            key = key > 0 ? -5 : 5;
            counts_.addRespelledKey(fifths, key);
        }
        out_.measures.push_back(MeasureInfo{key, kDefaultTempo, beats});
        out_.respelled.push_back(key != fifths);
        out_.barStarts.push_back(out_.barStarts.back() + beats * kQuarter);
        if (out_.measures.size() > kImportMaxMeasures) {
            throw ImportError(
                "The MusicXML file is too long: a score holds at most 10,000 measures.");
        }
    }

    // File measures [first, end) in meters the score cannot hold, laid into measures of 3, 4 or
    // 5 quarters as a MIDI file's are.
    void rebar(std::size_t first, std::size_t end) {
        XmlSegment& segment = open(first);
        segment.xmlCount = end - first;
        segment.timed = true;
        std::vector<MeterMark> meters;
        std::int64_t at = 0;
        for (std::size_t i = first; i < end; ++i) {
            const Shape& shape = shapes_[i];
            segment.xmlStarts.push_back(at);
            const MeterMark mark{at, shape.beats > 0 ? shape.beats : 4,
                                 shape.beats > 0 ? shape.beatType : 4};
            if (meters.empty() || meters.back().numerator != mark.numerator ||
                meters.back().denominator != mark.denominator) {
                meters.push_back(mark);
            }
            at += shape.length > 0 ? shape.length : meterUnits(shape);
        }
        const std::vector<int> bars =
            chooseBars(ceilQuarters(at), meters, static_cast<int>(kQuarter), {},
                       [](std::int64_t, int) { return true; });
        reportBarring(bars, meters, static_cast<int>(kQuarter), counts_);
        segment.scoreCount = bars.size();
        std::int64_t barStart = 0;
        for (const int beats : bars) {
            // The key of the file measure in which the bar starts.
            const auto inside =
                std::upper_bound(segment.xmlStarts.begin(), segment.xmlStarts.end(), barStart) -
                segment.xmlStarts.begin() - 1;
            addMeasure(beats, shapes_[first + static_cast<std::size_t>(inside)].fifths);
            barStart += beats * kQuarter;
        }
    }

    std::vector<Shape> shapes_;
    ImportReport& counts_;
    MusicXmlReport& report_;
    // Counts of trial calls, which do not reach the report.
    ImportReport scratchCounts_;
    MusicXmlReport scratchReport_;
    XmlTimeline out_;
};

// The units from the score's start of a point of file measure `xml`. The start of a measure
// kept whole is its bar line, even where a pickup's rests come first.
std::int64_t scoreTime(const XmlTimeline& timeline, std::size_t xml, std::int64_t at) {
    const auto segment =
        std::upper_bound(timeline.segments.begin(), timeline.segments.end(), xml,
                         [](std::size_t i, const XmlSegment& s) { return i < s.firstXml; }) -
        1;
    const std::int64_t bar = timeline.barStarts[segment->firstScore];
    if (at == 0 && !segment->timed) {
        return bar;
    }
    return bar + segment->xmlStarts[xml - segment->firstXml] + at;
}

int wholeTempo(double bpm, ImportReport& counts) {
    const long rounded = std::lround(bpm);
    if (rounded > 255) {
        counts.add(ImportReport::TempoClamped);
        return 255;
    }
    const int tempo = static_cast<int>(std::max(rounded, 1L));
    if (std::abs(bpm - tempo) > 1e-9) {
        counts.add(ImportReport::TempoRounded, 1, std::abs(bpm - tempo));
    }
    return tempo;
}

// Every tempo mark of every part goes to its nearest bar line (the later of two as near); the
// score's tempo holds from there until the next.
void placeTempos(const std::vector<XmlPart>& parts, XmlTimeline& timeline, ImportReport& counts) {
    std::vector<std::pair<std::int64_t, double>> marks;
    for (const XmlPart& part : parts) {
        for (std::size_t i = 0; i < part.measures.size(); ++i) {
            for (const XmlTempo& tempo : part.measures[i].tempos) {
                marks.emplace_back(scoreTime(timeline, i, tempo.at), tempo.bpm);
            }
        }
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    const std::vector<std::int64_t>& bars = timeline.barStarts;
    std::vector<int> set(timeline.measures.size(), 0);
    for (const auto& [at, bpm] : marks) {
        auto bar = static_cast<std::size_t>(std::upper_bound(bars.begin(), bars.end() - 1, at) -
                                            bars.begin() - 1);
        if (at - bars[bar] >= bars[bar + 1] - at && bar + 1 < set.size()) {
            ++bar;
        }
        if (bars[bar] != at) {
            counts.add(ImportReport::TempoMoved, 1,
                       static_cast<double>(std::llabs(bars[bar] - at)) / kQuarter);
        }
        set[bar] = wholeTempo(bpm, counts);
    }
    int current = kDefaultTempo;
    for (std::size_t m = 0; m < set.size(); ++m) {
        current = set[m] != 0 ? set[m] : current;
        timeline.measures[m].tempo = current;
    }
}

}  // namespace

XmlTimeline buildTimeline(const std::vector<XmlPart>& parts, ImportReport& counts,
                          MusicXmlReport& report) {
    XmlTimeline timeline = Builder(shapes(parts), counts, report).build();
    placeTempos(parts, timeline, counts);
    return timeline;
}

}  // namespace corvane
