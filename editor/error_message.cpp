#include "editor/error_message.h"

#include "editor/editor_window.h"
#include "score/data_file.h"

namespace corvane {

void showError(EditorWindow& window, const std::exception& error) {
    const auto* fileError = dynamic_cast<const FileError*>(&error);
    window.showMessage(error.what(), kErrorCaption, fileError != nullptr ? fileError->detail() : "");
}

}  // namespace corvane
