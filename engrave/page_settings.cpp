#include "engrave/page_settings.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace corvane::engrave {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// Territories whose C library locales set Letter paper.
constexpr std::array<std::string_view, 15> kLetterTerritories{
    "US", "CA", "MX", "PH", "PR", "CL", "CO", "CR", "GT", "NI", "PA", "SV", "VE", "BO", "DO"};

// The territory of a locale name language[_TERRITORY][.codeset][@modifier].
std::string_view territory(std::string_view locale) {
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos) {
        return {};
    }
    std::string_view rest = locale.substr(underscore + 1);
    return rest.substr(0, rest.find_first_of(".@"));
}

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace

PageSize pageSize(Paper paper, bool landscape) {
    PageSize size = paper == Paper::Letter ? PageSize{612, 792}
                                           : PageSize{210 * kPointsPerMm, 297 * kPointsPerMm};
    if (landscape) {
        std::swap(size.width, size.height);
    }
    return size;
}

Paper paperForLocale(std::string_view lcAll, std::string_view lcPaper, std::string_view lang) {
    const std::string_view locale = !lcAll.empty() ? lcAll : !lcPaper.empty() ? lcPaper : lang;
    const std::string_view place = territory(locale);
    const bool letter = std::find(kLetterTerritories.begin(), kLetterTerritories.end(), place) !=
                        kLetterTerritories.end();
    return letter ? Paper::Letter : Paper::A4;
}

Paper localePaper() {
    return paperForLocale(environment("LC_ALL"), environment("LC_PAPER"), environment("LANG"));
}

std::optional<Paper> paperNamed(std::string_view name) {
    if (name == "a4") {
        return Paper::A4;
    }
    if (name == "letter") {
        return Paper::Letter;
    }
    return std::nullopt;
}

}  // namespace corvane::engrave
