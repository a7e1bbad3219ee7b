#include "editor/prompts.h"

namespace corvane {

std::string_view fileDialogExtension(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::WriteMidi:
        case FileDialogKind::ImportMidi:
            return ".mid";
        case FileDialogKind::ExportMusicXml:
            return ".musicxml";
        case FileDialogKind::Save:
        case FileDialogKind::Open:
            break;
    }
    return ".cvn";
}

}  // namespace corvane
