#include "editor/prompts.h"

namespace corvane {

std::string_view fileDialogExtension(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::WriteMidi:
        case FileDialogKind::ImportMidi:
            return ".mid";
        case FileDialogKind::ExportMusicXml:
        case FileDialogKind::ImportMusicXml:
            return ".musicxml";
        case FileDialogKind::ExportPdf:
            return ".pdf";
        case FileDialogKind::Save:
        case FileDialogKind::Open:
            break;
    }
    return ".cvn";
}

}  // namespace corvane
