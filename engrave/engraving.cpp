#include "engrave/engraving.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "engrave/sketch.h"
#include "engrave/staff_names.h"
#include "engrave/staff_sketch.h"
#include "engrave/text_metrics.h"

namespace corvane::engrave {

namespace {

// Points.
constexpr double kTitleSize = 20;
constexpr double kTitleBaseline = 20;
constexpr double kPartNameSize = 12;
constexpr double kPartNameBaseline = 44;
constexpr double kTitleBlock = 44;
constexpr double kPartTitleBlock = 64;
constexpr double kFooterSize = 9;
constexpr double kFooterFromBottom = 22;

// Staff spaces.
constexpr double kClefX = 0.8;
constexpr double kHeaderGap = 1.0;
constexpr double kHeaderEnd = 0.4;
constexpr double kInlineGap = 0.8;
constexpr double kNameSize = 1.9;
constexpr double kNameGap = 1.0;
constexpr double kBracketSpace = 1.6;
constexpr double kMinStaffDistance = 10;
constexpr double kStaffClearance = 1.2;
constexpr double kSystemLineDistance = 9;
constexpr double kSystemClearance = 2.0;
constexpr double kMostJustifyGap = 8;
constexpr double kLastSystemFill = 0.5;
// What a staff's music may add beyond its notes (beams, triplets, octave marks, dynamics), for
// the first guess at the staff size.
constexpr double kStaffAllowance = 3.0;
constexpr double kTopStaffAllowance = 3.5;

double clefWidth(TrackKind kind) {
    return symInfo(clef(kind).glyph).advance;
}

struct MeasureFacts {
    MeasureSpacing spacing;
    double inlineWidth = 0;  // key and time signatures inside a system, gaps included
    bool keyChange = false;
    bool meterChange = false;
};

// A system drawn, in staff spaces around its top staff's middle line.
struct BuiltSystem {
    SystemPlan plan;
    double indent = 0;
    std::vector<Sketch> staves;
    std::vector<double> staffY;
    Sketch frame;
    double top = 0;
    double bottom = 0;
};

class Layout {
  public:
    Layout(const Score& score, const EngraveRequest& request);

    double initialSpace() const;
    // The pages at staff space `space`, or nothing when a system would not fit a page; then
    // `shrink` is the factor the space must take.
    std::optional<Engraving> lay(double space, double& shrink) const;

  private:
    void readMeasures();
    double headerWidth(std::size_t m) const;
    double indent(bool first) const;
    std::vector<std::pair<std::size_t, std::size_t>> breakLines(double space) const;
    SystemPlan planSystem(std::size_t first, std::size_t end, double width, bool last) const;
    BuiltSystem buildSystem(std::size_t first, std::size_t end, double space, bool last) const;
    void drawFrame(BuiltSystem& system) const;
    bool keyChanges(std::size_t m) const;

    const Score& score_;
    const EngraveRequest& request_;
    std::vector<MeasureFacts> facts_;
    std::vector<double> above_;  // each staff's reach above and below its middle line
    std::vector<double> below_;
    double clefWidth_ = 0;
};

Layout::Layout(const Score& score, const EngraveRequest& request)
    : score_(score), request_(request) {
    for (const int t : request_.tracks) {
        clefWidth_ = std::max(clefWidth_, clefWidth(score_.tracks[static_cast<std::size_t>(t)].kind));
    }
    readMeasures();
}

bool Layout::keyChanges(std::size_t m) const {
    const auto shown = [&](std::size_t i) { return std::clamp(score_.measures[i].key, -6, 6); };
    return m > 0 && shown(m) != shown(m - 1);
}

void Layout::readMeasures() {
    const std::size_t staves = request_.tracks.size();
    std::vector<int> velocity(staves, -1);
    above_.assign(staves, 2.0);
    below_.assign(staves, 2.0);
    facts_.reserve(score_.measures.size());
    for (std::size_t m = 0; m < score_.measures.size(); ++m) {
        const MeasureInfo& info = score_.measures[m];
        std::vector<EngravedMeasure> read;
        read.reserve(staves);
        for (std::size_t s = 0; s < staves; ++s) {
            const Track& track = score_.tracks[static_cast<std::size_t>(request_.tracks[s])];
            read.push_back(engraveMeasure(track, m, info.key, velocity[s]));
            velocity[s] = read.back().lastVelocity;
            for (const EngravedNote& n : read.back().notes) {
                above_[s] = std::max(above_[s], -(n.isRest() ? n.rest.top : n.chord.top));
                below_[s] = std::max(below_[s], n.isRest() ? n.rest.bottom : n.chord.bottom);
            }
        }
        MeasureFacts facts;
        facts.spacing = spaceMeasure(read, info.beats);
        facts.keyChange = keyChanges(m);
        facts.meterChange = m > 0 && info.beats != score_.measures[m - 1].beats;
        if (facts.keyChange) {
            facts.inlineWidth += kInlineGap + keyChange(score_.measures[m - 1].key, info.key, Treble).width;
        }
        if (facts.meterChange) {
            facts.inlineWidth += kInlineGap + timeSignature(info.beats).width;
        }
        facts_.push_back(std::move(facts));
    }
}

double Layout::headerWidth(std::size_t m) const {
    double x = kClefX + clefWidth_ + kHeaderGap;
    const double key = systemKeySignature(score_, m, Treble).width;
    if (key > 0) {
        x += key + kHeaderGap;
    }
    if (m == 0 || facts_[m].meterChange) {
        x += timeSignature(score_.measures[m].beats).width + kHeaderGap;
    }
    return x - kHeaderGap + kHeaderEnd;
}

double Layout::indent(bool first) const {
    if (request_.part) {
        return 0;
    }
    double widest = 0;
    for (const int t : request_.tracks) {
        const std::string full = fullStaffName(score_.tracks[static_cast<std::size_t>(t)]);
        const std::string name = first ? full : shortStaffName(full);
        widest = std::max(widest, textWidthEm(name, TextFace::Regular) * kNameSize);
    }
    const double bracket = request_.tracks.size() > 1 ? kBracketSpace : 0;
    return widest + kNameGap + bracket;
}

double Layout::initialSpace() const {
    const double width = request_.page.width - 2 * kPageMargin;
    const double height = request_.page.height - 2 * kPageMargin -
                          (request_.part ? kPartTitleBlock : kTitleBlock);
    double widest = 0;
    double largestHeader = 0;
    for (std::size_t m = 0; m < facts_.size(); ++m) {
        widest = std::max(widest, facts_[m].spacing.width(0) + facts_[m].inlineWidth);
        largestHeader = std::max(largestHeader, headerWidth(m));
    }
    double tall = kTopStaffAllowance;
    for (std::size_t s = 0; s < above_.size(); ++s) {
        tall += std::max(kMinStaffDistance,
                         above_[s] + below_[s] + 2 * kStaffAllowance + kStaffClearance);
    }
    const double fitsWidth = width / (indent(true) + largestHeader + widest);
    return std::min({kDefaultStaffSpace, fitsWidth, height / tall});
}

std::vector<std::pair<std::size_t, std::size_t>> Layout::breakLines(double space) const {
    const double content = (request_.page.width - 2 * kPageMargin) / space;
    const double firstIndent = indent(true);
    const double laterIndent = indent(false);
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    std::size_t m = 0;
    while (m < facts_.size()) {
        const double available =
            content - (lines.empty() ? firstIndent : laterIndent) - headerWidth(m);
        double used = facts_[m].spacing.width(1);
        std::size_t end = m + 1;
        while (end < facts_.size()) {
            const double more = facts_[end].inlineWidth + facts_[end].spacing.width(1);
            if (used + more > available) {
                break;
            }
            used += more;
            ++end;
        }
        lines.emplace_back(m, end);
        m = end;
    }
    return lines;
}

SystemPlan Layout::planSystem(std::size_t first, std::size_t end, double width, bool last) const {
    SystemPlan plan;
    plan.first = first;
    plan.end = end;
    plan.clefX = kClefX;
    double x = kClefX + clefWidth_ + kHeaderGap;
    plan.keyX = x;
    const double key = systemKeySignature(score_, first, Treble).width;
    x += key > 0 ? key + kHeaderGap : 0;
    plan.meterX = x;
    plan.headerMeter = first == 0 || facts_[first].meterChange;
    const double header = headerWidth(first);
    double fixed = header;
    std::vector<const MeasureSpacing*> spacings;
    for (std::size_t m = first; m < end; ++m) {
        fixed += m == first ? 0 : facts_[m].inlineWidth;
        spacings.push_back(&facts_[m].spacing);
    }
    double stretch = stretchToFill(spacings, fixed, width);
    double natural = fixed;
    for (const MeasureSpacing* s : spacings) {
        natural += s->width(1);
    }
    if (last && natural < kLastSystemFill * width) {
        stretch = 1;
    }
    x = header;
    for (std::size_t m = first; m < end; ++m) {
        const MeasureFacts& facts = facts_[m];
        MeasurePlace place;
        place.index = m;
        place.left = x;
        if (m != first) {
            place.keyChange = facts.keyChange;
            place.meterChange = facts.meterChange;
            if (facts.keyChange) {
                place.keyX = x + kInlineGap;
                x = place.keyX + keyChange(score_.measures[m - 1].key, score_.measures[m].key, Treble).width;
            }
            if (facts.meterChange) {
                place.meterX = x + kInlineGap;
                x = place.meterX + timeSignature(score_.measures[m].beats).width;
            }
        }
        place.notesStart = x;
        place.spacing = facts.spacing;
        place.columnX = facts.spacing.columnX(stretch);
        for (double& c : place.columnX) {
            c += x;
        }
        x += facts.spacing.width(stretch);
        place.right = x;
        plan.measures.push_back(std::move(place));
    }
    plan.width = x;
    plan.lastOfScore = end == score_.measures.size();
    return plan;
}

BuiltSystem Layout::buildSystem(std::size_t first, std::size_t end, double space,
                                bool firstSystem) const {
    BuiltSystem b;
    b.indent = indent(firstSystem);
    const double width = (request_.page.width - 2 * kPageMargin) / space - b.indent;
    b.plan = planSystem(first, end, width, end == score_.measures.size());
    for (std::size_t s = 0; s < request_.tracks.size(); ++s) {
        const Track& track = score_.tracks[static_cast<std::size_t>(request_.tracks[s])];
        b.staves.push_back(sketchStaff(score_, track, b.plan, s == 0));
        b.staffY.push_back(s == 0 ? 0.0
                                  : b.staffY.back() +
                                        std::max(kMinStaffDistance, b.staves[s - 1].bottom() -
                                                                        b.staves[s].top() +
                                                                        kStaffClearance));
    }
    drawFrame(b);
    if (!request_.part) {
        for (std::size_t s = 0; s < request_.tracks.size(); ++s) {
            const Track& track = score_.tracks[static_cast<std::size_t>(request_.tracks[s])];
            const std::string full = fullStaffName(track);
            b.frame.text(firstSystem ? full : shortStaffName(full),
                         -(kNameGap + (request_.tracks.size() > 1 ? kBracketSpace : 0)),
                         b.staffY[s] + kCapHeightEm * kNameSize / 2, kNameSize, TextFace::Regular,
                         TextAlign::Right);
        }
    }
    b.top = std::min(b.staves.front().top(), b.frame.top());
    b.bottom = std::max(b.staffY.back() + b.staves.back().bottom(), b.frame.bottom());
    return b;
}

// Barlines through all the staves, the final double barline, and the bracket and the barline
// that join the staves at the system's start.
void Layout::drawFrame(BuiltSystem& b) const {
    const double topLine = -2;
    const double bottomLine = b.staffY.back() + 2;
    const double thin = kEngraving.thinBarlineThickness;
    if (b.staves.size() > 1) {
        const double bracketLeft = -kBracketSpace + 0.4;
        const double bracket = kEngraving.bracketThickness;
        b.frame.line(0, topLine, 0, bottomLine, thin);
        b.frame.line(bracketLeft + bracket / 2, topLine, bracketLeft + bracket / 2, bottomLine,
                     bracket);
        b.frame.glyph(Sym::BracketTop, bracketLeft, topLine);
        b.frame.glyph(Sym::BracketBottom, bracketLeft, bottomLine);
    }
    for (std::size_t i = 0; i < b.plan.measures.size(); ++i) {
        const double x = b.plan.measures[i].right;
        if (b.plan.lastOfScore && i + 1 == b.plan.measures.size()) {
            const double thick = kEngraving.thickBarlineThickness;
            b.frame.line(x - thick / 2, topLine, x - thick / 2, bottomLine, thick);
            const double thinX = x - thick - kEngraving.barlineSeparation - thin / 2;
            b.frame.line(thinX, topLine, thinX, bottomLine, thin);
        } else {
            b.frame.line(x, topLine, x, bottomLine, thin);
        }
    }
}

// Fills pages with systems from the top, moving to a new page where the next system would
// cross the bottom margin; the systems of a full page share its spare height between them.
class PageAssembler {
  public:
    PageAssembler(const EngraveRequest& request, std::string partName, double space,
                  Engraving& out)
        : request_(request), partName_(std::move(partName)), space_(space), out_(out) {
        startPage();
    }

    // Adds the next system; false when it would not fit even an empty page.
    bool add(BuiltSystem system, double& shrink);
    void finish();

  private:
    struct Pending {
        BuiltSystem system;
        double y = 0;  // the top of its ink
    };

    void startPage();
    void flush(bool justify);
    double height(const BuiltSystem& b) const { return (b.bottom - b.top) * space_; }
    double gap(const BuiltSystem& above, const BuiltSystem& below) const;
    void place(const Pending& p);

    const EngraveRequest& request_;
    std::string partName_;
    double space_;
    Engraving& out_;
    std::vector<Pending> pending_;
    double contentTop_ = 0;
    double cursor_ = 0;
};

void PageAssembler::startPage() {
    Page page;
    page.width = request_.page.width;
    page.height = request_.page.height;
    contentTop_ = kPageMargin;
    if (out_.pages.empty()) {
        page.texts.push_back({request_.title, {page.width / 2, kPageMargin + kTitleBaseline},
                              kTitleSize, TextFace::Bold, TextAlign::Center});
        contentTop_ += request_.part ? kPartTitleBlock : kTitleBlock;
        if (request_.part) {
            page.texts.push_back({partName_, {kPageMargin, kPageMargin + kPartNameBaseline},
                                  kPartNameSize, TextFace::Regular, TextAlign::Left});
        }
    }
    out_.pages.push_back(std::move(page));
    cursor_ = contentTop_;
}

double PageAssembler::gap(const BuiltSystem& above, const BuiltSystem& below) const {
    const double hangsBelow = above.bottom - (above.staffY.back() + 2);
    const double standsAbove = -2 - below.top;
    return std::max(kSystemClearance, kSystemLineDistance - hangsBelow - standsAbove) * space_;
}

bool PageAssembler::add(BuiltSystem system, double& shrink) {
    const double bottom = request_.page.height - kPageMargin;
    const double h = height(system);
    double g = pending_.empty() ? 0 : gap(pending_.back().system, system);
    if (!pending_.empty() && cursor_ + g + h > bottom) {
        flush(true);
        startPage();
        g = 0;
    }
    if (pending_.empty() && cursor_ + h > bottom) {
        shrink = (bottom - cursor_) / h * 0.98;
        return false;
    }
    pending_.push_back({std::move(system), cursor_ + g});
    cursor_ += g + h;
    return true;
}

void PageAssembler::flush(bool justify) {
    const double bottom = request_.page.height - kPageMargin;
    if (justify && pending_.size() >= 2) {
        const double spare = bottom - cursor_;
        const double each = std::min(spare / static_cast<double>(pending_.size() - 1),
                                     kMostJustifyGap * space_);
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            pending_[i].y += each * static_cast<double>(i);
        }
    }
    for (const Pending& p : pending_) {
        place(p);
    }
    pending_.clear();
}

void PageAssembler::place(const Pending& p) {
    const BuiltSystem& b = p.system;
    Page& page = out_.pages.back();
    const PagePoint origin{kPageMargin + b.indent * space_, p.y - b.top * space_};
    for (std::size_t s = 0; s < b.staves.size(); ++s) {
        b.staves[s].placeOn(page, {origin.x, origin.y + b.staffY[s] * space_}, space_);
    }
    b.frame.placeOn(page, origin, space_);
    SystemRecord record;
    record.page = out_.pages.size() - 1;
    record.firstMeasure = b.plan.first;
    record.endMeasure = b.plan.end;
    record.top = p.y;
    record.bottom = p.y + height(b);
    record.staffLeft = origin.x;
    record.staffRight = origin.x + b.plan.width * space_;
    for (const MeasurePlace& m : b.plan.measures) {
        record.barlines.push_back(origin.x + m.right * space_);
    }
    out_.systems.push_back(std::move(record));
}

void PageAssembler::finish() {
    flush(false);
    const std::size_t count = out_.pages.size();
    for (std::size_t i = 0; i < count; ++i) {
        Page& page = out_.pages[i];
        page.texts.push_back({"Page " + std::to_string(i + 1) + " of " + std::to_string(count),
                              {page.width / 2, page.height - kFooterFromBottom}, kFooterSize,
                              TextFace::Regular, TextAlign::Center});
    }
}

std::optional<Engraving> Layout::lay(double space, double& shrink) const {
    Engraving out;
    out.staffSpace = space;
    const std::string partName =
        request_.part ? fullStaffName(score_.tracks[static_cast<std::size_t>(request_.tracks.front())])
                      : std::string();
    PageAssembler pages(request_, partName, space, out);
    const auto lines = breakLines(space);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!pages.add(buildSystem(lines[i].first, lines[i].second, space, i == 0), shrink)) {
            return std::nullopt;
        }
    }
    pages.finish();
    return out;
}

}  // namespace

Engraving engraveScore(const Score& score, const EngraveRequest& request) {
    for (const int t : request.tracks) {
        if (t < 0 || static_cast<std::size_t>(t) >= score.tracks.size()) {
            throw std::out_of_range("the score has no track " + std::to_string(t));
        }
    }
    if (request.tracks.empty() || score.measures.empty()) {
        EngraveRequest titleOnly = request;
        titleOnly.part = false;
        Engraving out;
        out.staffSpace = kDefaultStaffSpace;
        PageAssembler pages(titleOnly, std::string(), out.staffSpace, out);
        pages.finish();
        return out;
    }
    const Layout layout(score, request);
    double space = layout.initialSpace();
    // The first guess allows for the tallest music of every staff, so a second try is rare.
    for (int attempt = 0; attempt < 8; ++attempt) {
        double shrink = 1;
        if (std::optional<Engraving> pages = layout.lay(space, shrink)) {
            return std::move(*pages);
        }
        space *= std::min(shrink, 0.98);
    }
    throw std::length_error("a system of the score does not fit a page");
}

EngraveRequest pageRequest(const Score& score, std::string title, const PageSettings& settings) {
    EngraveRequest request;
    request.title = std::move(title);
    request.page = pageSize(settings.paper, settings.landscape);
    if (settings.track) {
        if (*settings.track < 0 || static_cast<std::size_t>(*settings.track) >= score.tracks.size()) {
            throw std::out_of_range("the score has no track " + std::to_string(*settings.track));
        }
        request.tracks = {*settings.track};
        request.part = true;
    } else {
        for (std::size_t t = 0; t < score.tracks.size(); ++t) {
            request.tracks.push_back(static_cast<int>(t));
        }
    }
    return request;
}

std::string titleForPath(std::string_view path) {
    const std::string stem = std::filesystem::path(path).stem().string();
    return stem.empty() ? std::string("Untitled") : stem;
}

}  // namespace corvane::engrave
