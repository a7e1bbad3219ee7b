#pragma once
// What a print or PDF export is asked for: the paper, its orientation and the tracks, as a
// print dialog or the command line fills it in; and the paper the user's locale prefers.

#include <optional>
#include <string_view>

namespace corvane::engrave {

enum class Paper { A4, Letter };

struct PageSettings {
    Paper paper = Paper::A4;
    bool landscape = false;
    // A track's index prints that track alone, as a part; none prints the whole score.
    std::optional<int> track;

    friend bool operator==(const PageSettings&, const PageSettings&) = default;
};

// A page's size in points (1/72 inch).
struct PageSize {
    double width = 0;
    double height = 0;
};

// The size of `paper`, turned on its side when `landscape`.
PageSize pageSize(Paper paper, bool landscape);

// The paper the locale prefers, from the locale variables as the C library reads them (LC_ALL,
// else LC_PAPER, else LANG; unset or empty ones skipped): Letter for the countries that use it
// (the United States, Canada, Mexico, the Philippines, ...), A4 for every other locale, "C" and
// none.
Paper paperForLocale(std::string_view lcAll, std::string_view lcPaper, std::string_view lang);

// paperForLocale for this process's environment.
Paper localePaper();

// "a4" or "letter", as the command line spells them; nothing for other names.
std::optional<Paper> paperNamed(std::string_view name);

}  // namespace corvane::engrave
