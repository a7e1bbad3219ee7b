#include "editor/error_message.h"

#include "editor/prompts.h"
#include "score/data_file.h"

namespace corvane {

void showError(Prompts& prompts, const std::exception& error) {
    const auto* fileError = dynamic_cast<const FileError*>(&error);
    prompts.showMessage(error.what(), kErrorCaption, fileError != nullptr ? fileError->detail() : "");
}

}  // namespace corvane
