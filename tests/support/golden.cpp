#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace corvane::testing {

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// One step of the edit from the expected lines to the actual ones.
struct Step {
    char kind;  // ' ' in both, '-' only expected, '+' only actual
    std::size_t expectedLine;
    std::size_t actualLine;
};

// The middle of the edit, where the two differ: a longest common subsequence where the table
// stays small, else everything expected removed and everything actual added.
void diffMiddle(const std::vector<std::string>& a, const std::vector<std::string>& b,
                std::size_t aBegin, std::size_t aEnd, std::size_t bBegin, std::size_t bEnd,
                std::vector<Step>& steps) {
    const std::size_t n = aEnd - aBegin;
    const std::size_t m = bEnd - bBegin;
    constexpr std::size_t kMaxTable = 4'000'000;
    if (n * m > kMaxTable) {
        for (std::size_t i = aBegin; i < aEnd; ++i) {
            steps.push_back({'-', i, bBegin});
        }
        for (std::size_t j = bBegin; j < bEnd; ++j) {
            steps.push_back({'+', aEnd, j});
        }
        return;
    }
    // common[i][j]: length of the longest common subsequence of a[i..] and b[j..].
    std::vector<std::vector<std::uint32_t>> common(n + 1, std::vector<std::uint32_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            common[i][j] = a[aBegin + i] == b[bBegin + j]
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[aBegin + i] == b[bBegin + j]) {
            steps.push_back({' ', aBegin + i++, bBegin + j++});
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            steps.push_back({'-', aBegin + i++, bBegin + j});
        } else {
            steps.push_back({'+', aBegin + i, bBegin + j++});
        }
    }
}

std::vector<Step> diffSteps(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
        ++suffix;
    }
    std::vector<Step> steps;
    for (std::size_t i = 0; i < prefix; ++i) {
        steps.push_back({' ', i, i});
    }
    diffMiddle(a, b, prefix, a.size() - suffix, prefix, b.size() - suffix, steps);
    for (std::size_t k = suffix; k-- > 0;) {
        steps.push_back({' ', a.size() - 1 - k, b.size() - 1 - k});
    }
    return steps;
}

}  // namespace

bool updatingGolden() {
    const char* value = std::getenv("CORVANE_UPDATE_GOLDEN");
    return value != nullptr && std::string_view(value) != "" && std::string_view(value) != "0";
}

std::string lineDiff(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> a = splitLines(expected);
    const std::vector<std::string> b = splitLines(actual);
    const std::vector<Step> steps = diffSteps(a, b);
    constexpr std::size_t kContext = 2;
    constexpr std::size_t kMaxChanged = 200;
    // The changed lines and their context, up to kMaxChanged changes.
    std::vector<bool> shown(steps.size(), false);
    std::size_t changed = 0;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        if (steps[s].kind != ' ' && ++changed <= kMaxChanged) {
            const std::size_t from = s >= kContext ? s - kContext : 0;
            const std::size_t to = std::min(steps.size(), s + kContext + 1);
            std::fill(shown.begin() + static_cast<std::ptrdiff_t>(from),
                      shown.begin() + static_cast<std::ptrdiff_t>(to), true);
        }
    }
    std::ostringstream out;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        if (!shown[s]) {
            continue;
        }
        const Step& step = steps[s];
        if (s == 0 || !shown[s - 1]) {
            out << "@@ golden line " << step.expectedLine + 1 << ", actual line "
                << step.actualLine + 1 << " @@\n";
        }
        out << step.kind << ' ' << (step.kind == '+' ? b[step.actualLine] : a[step.expectedLine])
            << '\n';
    }
    if (changed > kMaxChanged) {
        out << "... and " << changed - kMaxChanged << " more changed lines\n";
    }
    return out.str();
}

std::optional<std::string> readGolden(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeGolden(const std::string& text, const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    ASSERT_TRUE(out) << "could not write " << path.string();
    GTEST_SKIP() << "wrote the golden file " << path.string() << "; review it with git diff";
}

void expectMatchesGolden(const std::string& actual, const std::filesystem::path& path) {
    const std::optional<std::string> golden = readGolden(path);
    if (golden == actual) {
        return;
    }
    if (updatingGolden()) {
        writeGolden(actual, path);
        return;
    }
    ASSERT_TRUE(golden) << path.string() << " is missing; CORVANE_UPDATE_GOLDEN=1 writes it";
    const std::string diff = lineDiff(*golden, actual);
    ADD_FAILURE() << "differs from " << path.string()
                  << " (CORVANE_UPDATE_GOLDEN=1 writes what the test made there, for review):\n"
                  << (diff.empty() ? std::string("only the line end at the end of the file differs\n")
                                   : diff);
}

}  // namespace corvane::testing
