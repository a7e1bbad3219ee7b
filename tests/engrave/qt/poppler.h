#pragma once
// What poppler, a PDF reader from elsewhere, makes of a PDF file.

#include <map>
#include <string>
#include <vector>

namespace corvane::testing {

struct PdfReading {
    std::string complaints;  // everything the tools wrote on standard error
    int pages = 0;
    std::string pageSize;  // as pdfinfo gives it: "595 x 842 pts (A4)"
    std::string title;
    std::vector<std::string> embeddedFonts;  // names of fonts pdffonts lists as embedded
    int images = 0;
    std::u32string text;  // pdftotext's text of all pages
};

// Reads the PDF file at `path` with pdfinfo, pdffonts, pdfimages -list and pdftotext.
PdfReading readPdf(const std::string& path);

// How many characters of `text` lie in [first, last].
std::size_t countInRange(const std::u32string& text, char32_t first, char32_t last);

// Whether `text` holds `wanted` (ASCII).
bool contains(const std::u32string& text, const std::string& wanted);

// Page `page` (from 1) of the PDF at `path` drawn by pdftoppm at `dpi` in grey, as rows of
// characters from light to dark (" .:-=+*#%@"), trailing spaces dropped.
std::string pagePicture(const std::string& path, int page, int dpi);

// The share of characters of two such pictures that differ by more than one shade (lines of
// different lengths count their extra characters as differing).
double pictureDifference(const std::string& a, const std::string& b);

}  // namespace corvane::testing
