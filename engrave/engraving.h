#pragma once
// The printed pages of a score: a pure function of the score, the page size and the tracks to
// print. Systems run the full width of the page (the last one only when it is at least half
// full), measures spaced by their content and justified; no measure is split between systems
// and no system between pages. The staff size is the engravers' usual 7 mm, smaller where a
// system of many staves or a very full measure would not fit otherwise.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/page.h"
#include "engrave/page_settings.h"
#include "score/score.h"

namespace corvane::engrave {

struct EngraveRequest {
    std::string title;
    PageSize page;
    std::vector<int> tracks;  // the tracks shown, top to bottom
    // A part: the track's name heads the first page instead of standing beside its staves.
    bool part = false;
};

// Where a system landed, in points on its page.
struct SystemRecord {
    std::size_t page = 0;
    std::size_t firstMeasure = 0;  // the measures [firstMeasure, endMeasure) of the score
    std::size_t endMeasure = 0;
    double top = 0;  // the highest and lowest ink
    double bottom = 0;
    double staffLeft = 0;
    double staffRight = 0;
    std::vector<double> barlines;  // each measure's closing barline
};

struct Engraving {
    double staffSpace = 0;  // points
    std::vector<Page> pages;
    std::vector<SystemRecord> systems;
};

// Every page of `score` for `request`. At least one page: a score without tracks or measures
// prints its title alone.
Engraving engraveScore(const Score& score, const EngraveRequest& request);

// The request for `settings`: the whole score, or the one track as a part. Raises
// std::out_of_range naming the track when the score has no such track.
EngraveRequest pageRequest(const Score& score, std::string title, const PageSettings& settings);

// The title of a score saved at `path`: the file's name without its extension, or "Untitled"
// for a score without a file.
std::string titleForPath(std::string_view path);

// Page margins and the paper's usable area, in points.
inline constexpr double kPageMargin = 15 * 72.0 / 25.4;
// The staff space engravers use for parts and small scores: 1.75 mm, a 7 mm staff.
inline constexpr double kDefaultStaffSpace = 1.75 * 72.0 / 25.4;

}  // namespace corvane::engrave
