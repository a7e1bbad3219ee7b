#include "tests/engrave/qt/poppler.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/cli/run_cli.h"
#include "tests/score/test_files.h"

namespace corvane::testing {

namespace {

constexpr std::string_view kShades = " .:-=+*#%@";

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < s.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

// The value after "Name:" on pdfinfo's line for Name.
std::string infoField(const std::string& info, const std::string& name) {
    for (const std::string& line : lines(info)) {
        if (line.rfind(name + ":", 0) == 0) {
            const std::size_t start = line.find_first_not_of(' ', name.size() + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

}  // namespace

PdfReading readPdf(const std::string& path) {
    PdfReading reading;
    const CliResult info = runProgram(CORVANE_PDFINFO, {path});
    const CliResult fonts = runProgram(CORVANE_PDFFONTS, {path});
    const CliResult images = runProgram(CORVANE_PDFIMAGES, {"-list", path});
    const CliResult text = runProgram(CORVANE_PDFTOTEXT, {"-enc", "UTF-8", path, "-"});
    for (const CliResult* r : {&info, &fonts, &images, &text}) {
        reading.complaints += r->err;
        if (r->exitCode != 0) {
            reading.complaints += "exit " + std::to_string(r->exitCode) + "\n";
        }
    }
    reading.pages = std::atoi(infoField(info.out, "Pages").c_str());
    reading.pageSize = infoField(info.out, "Page size");
    reading.title = infoField(info.out, "Title");
    const std::vector<std::string> fontLines = lines(fonts.out);
    // Two heading lines, then: name, type (may hold spaces), encoding, emb, sub, uni, object.
    for (std::size_t i = 2; i < fontLines.size(); ++i) {
        std::istringstream words(fontLines[i]);
        std::vector<std::string> fields;
        for (std::string w; words >> w;) {
            fields.push_back(w);
        }
        if (fields.size() >= 7 && fields[fields.size() - 5] == "yes") {
            reading.embeddedFonts.push_back(fields.front());
        }
    }
    reading.images = static_cast<int>(lines(images.out).size()) - 2;
    reading.text = decodeUtf8(text.out);
    return reading;
}

std::size_t countInRange(const std::u32string& text, char32_t first, char32_t last) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [&](char32_t c) { return c >= first && c <= last; }));
}

bool contains(const std::u32string& text, const std::string& wanted) {
    return text.find(std::u32string(wanted.begin(), wanted.end())) != std::u32string::npos;
}

std::string pagePicture(const std::string& path, int page, int dpi) {
    const TempDir dir;
    const std::string prefix = dir.file("page");
    const CliResult r = runProgram(CORVANE_PDFTOPPM, {"-r", std::to_string(dpi), "-gray", "-png",
                                                      "-f", std::to_string(page), "-l",
                                                      std::to_string(page), "-singlefile", path, prefix});
    const QImage image(QString::fromStdString(prefix + ".png"));
    if (r.exitCode != 0 || image.isNull()) {
        return "pdftoppm failed: " + r.err;
    }
    std::string out;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const int dark = 255 - qGray(image.pixel(x, y));
            row += kShades[static_cast<std::size_t>(dark * static_cast<int>(kShades.size()) / 256)];
        }
        row.erase(row.find_last_not_of(' ') + 1);
        out += row + "\n";
    }
    return out;
}

double pictureDifference(const std::string& a, const std::string& b) {
    const std::vector<std::string> ra = lines(a);
    const std::vector<std::string> rb = lines(b);
    std::size_t differing = 0;
    std::size_t total = 0;
    for (std::size_t y = 0; y < std::max(ra.size(), rb.size()); ++y) {
        const std::string& la = y < ra.size() ? ra[y] : std::string();
        const std::string& lb = y < rb.size() ? rb[y] : std::string();
        for (std::size_t x = 0; x < std::max(la.size(), lb.size()); ++x) {
            const auto shade = [](const std::string& row, std::size_t i) {
                return i < row.size() ? static_cast<int>(kShades.find(row[i])) : 0;
            };
            differing += std::abs(shade(la, x) - shade(lb, x)) > 1 ? 1 : 0;
        }
        total += std::max<std::size_t>(std::max(la.size(), lb.size()), 1);
    }
    return total == 0 ? 0 : static_cast<double>(differing) / static_cast<double>(total);
}

}  // namespace corvane::testing
