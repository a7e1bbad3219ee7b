#include "interchange/musicxml_import.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "interchange/import_report.h"
#include "interchange/midi_import.h"
#include "interchange/musicxml_lanes.h"
#include "interchange/musicxml_parts.h"
#include "interchange/musicxml_report.h"
#include "interchange/musicxml_timeline.h"
#include "interchange/mxl_container.h"
#include "interchange/xml_stream.h"
#include "score/data_file.h"

namespace corvane {

namespace {

const char* const kTooManyTracks =
    "The MusicXML file has more than 64 tracks; a score holds at most 64.";

// What the document holds, read part by part.
struct Parsed {
    std::vector<XmlPart> parts;
    ImportReport counts;
    MusicXmlReport report;
};

// Takes the part list and each measure of each part as the document goes by.
class DocumentReader final : public XmlHandler {
  public:
    explicit DocumentReader(Parsed& parsed) : parsed_(parsed) {}

    bool open(std::string_view name, const XmlAttributes& attributes, int depth) override {
        if (depth == 1) {
            checkRoot(name);
            return false;
        }
        if (depth == 2 && name == "part") {
            if (parsed_.parts.size() >= kImportMaxTracks) {
                throw ImportError(kTooManyTracks);
            }
            reader_.emplace(partList_[std::string(attributes.get("id"))], parsed_.parts.empty(),
                            parsed_.report, parsed_.counts, chords_);
            return false;
        }
        if (depth == 2 && name == "credit") {
            parsed_.report.add(MusicXmlReport::Texts);
        }
        if (name == "movement-title" || name == "work-title") {
            parsed_.report.add(MusicXmlReport::Texts);
        }
        return (depth == 2 && name == "part-list") || (depth == 3 && reader_ && name == "measure");
    }

    void taken(const XmlTree& tree) override {
        if (tree.name(tree.root()) == "part-list") {
            partList_ = readPartList(tree);
        } else if (reader_) {
            reader_->measure(tree);
        }
    }

    void close(std::string_view name, int depth) override {
        if (depth == 2 && name == "part" && reader_) {
            parsed_.parts.push_back(reader_->finish());
            reader_.reset();
        }
    }

  private:
    static void checkRoot(std::string_view name) {
        if (name == "score-timewise") {
            throw ImportError(
                "The file is a timewise MusicXML score; Corvane reads partwise scores, the kind "
                "notation programs write.");
        }
        if (name != "score-partwise") {
            throw ImportError("The file is XML but not a MusicXML score: its document is <" +
                              std::string(name.substr(0, 40)) + ">.");
        }
    }

    Parsed& parsed_;
    std::map<std::string, XmlPartInfo> partList_;
    std::optional<PartReader> reader_;
    std::size_t chords_ = 0;
};

[[noreturn]] void tooLarge() {
    throw ImportError("The file is larger than " + std::to_string(kMusicXmlMaxBytes >> 20) +
                      " MB, more than a score can hold; it is not read.");
}

Parsed parse(std::span<const std::uint8_t> document) {
    if (document.size() > kMusicXmlMaxBytes) {
        tooLarge();
    }
    Parsed parsed;
    DocumentReader reader(parsed);
    readXml(document, reader);
    if (parsed.parts.empty()) {
        throw ImportError("The MusicXML file holds no parts to import.");
    }
    return parsed;
}

Parsed parseFile(std::span<const std::uint8_t> bytes) {
    if (isZipFile(bytes)) {
        return parse(unpackMxl(bytes, kMusicXmlMaxBytes));
    }
    return parse(bytes);
}

// The voices of a part that become tracks: those that play, or the first when none does.
std::vector<int> trackLanes(const XmlPart& part) {
    std::vector<int> lanes;
    for (std::size_t l = 0; l < part.lanes.size(); ++l) {
        if (part.lanes[l].sounds) {
            lanes.push_back(static_cast<int>(l));
        }
    }
    if (lanes.empty()) {
        lanes.push_back(0);
    }
    // Staff by staff, each in the order its voices first appear.
    std::stable_sort(lanes.begin(), lanes.end(), [&](int a, int b) {
        return part.lanes[static_cast<std::size_t>(a)].staff <
               part.lanes[static_cast<std::size_t>(b)].staff;
    });
    return lanes;
}

MusicXmlImport build(Parsed parsed) {
    const XmlTimeline timeline = buildTimeline(parsed.parts, parsed.counts, parsed.report);
    MusicXmlImport result;
    result.score.clear();
    result.score.measures = timeline.measures;
    for (XmlPart& part : parsed.parts) {
        if (part.lanes.empty()) {
            // A part without notes or rests still becomes a track, of rests.
            part.lanes.push_back(XmlLane{});
        }
        for (const int lane : trackLanes(part)) {
            if (result.score.tracks.size() >= kImportMaxTracks) {
                throw ImportError(kTooManyTracks);
            }
            Track& track = result.score.tracks.emplace_back();
            track.program = part.program;
            track.kind = laneKind(part, lane, parsed.report);
            LaneBuilder builder(timeline, track.kind, parsed.counts, parsed.report);
            track.measures = builder.build(part, lane);
        }
        part.measures = {};  // the score now holds it
    }
    result.report = parsed.counts.lines();
    for (std::string& line : parsed.report.lines()) {
        result.report.push_back(std::move(line));
    }
    return result;
}

}  // namespace

MusicXmlImport importMusicXml(std::span<const std::uint8_t> bytes) {
    return build(parseFile(bytes));
}

MusicXmlImport importMusicXmlFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMusicXmlMaxBytes) {
        tooLarge();
    }
    Parsed parsed;
    {
        // The file's bytes go before the score is built: only one of the two is held at once.
        parsed = parseFile(DataFile(path).takeRemaining());
    }
    return build(std::move(parsed));
}

}  // namespace corvane
