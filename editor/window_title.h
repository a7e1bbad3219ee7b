#pragma once
// The window title: which file is open and whether it has unsaved changes.

#include <string>

namespace corvane {

// The title with Qt's "[*]" where the unsaved-changes mark goes: "Corvane" for a clean score
// never saved or opened, "Untitled[*] - Corvane" for a changed one, "NAME[*] - Corvane" once it
// was saved to or opened from `documentPath` (NAME is the file name without its folder).
std::string windowTitleTemplate(const std::string& documentPath, bool dirty);

// The title as shown: the template with "*" for the mark while `dirty`, nothing otherwise.
std::string windowTitle(const std::string& documentPath, bool dirty);

}  // namespace corvane
