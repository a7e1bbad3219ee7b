#include "editor/window_title.h"

#include <filesystem>
#include <string_view>

namespace corvane {

namespace {
constexpr std::string_view kMark = "[*]";
}  // namespace

std::string windowTitleTemplate(const std::string& documentPath, bool dirty) {
    if (documentPath.empty() && !dirty) {
        return "Corvane";
    }
    const std::string name = documentPath.empty()
                                 ? std::string("Untitled")
                                 : std::filesystem::path(documentPath).filename().string();
    return name + std::string(kMark) + " - Corvane";
}

std::string windowTitle(const std::string& documentPath, bool dirty) {
    std::string title = windowTitleTemplate(documentPath, dirty);
    if (const std::size_t mark = title.rfind(kMark); mark != std::string::npos) {
        title.replace(mark, kMark.size(), dirty ? "*" : "");
    }
    return title;
}

}  // namespace corvane
