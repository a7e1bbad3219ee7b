#pragma once
// The questions at start: the recovery copies of editors that are no longer running, offered
// back one at a time in boxes owned by the main window.

#include <filesystem>
#include <string>

#include "dialogs/modal.h"

class QWidget;

namespace corvane {

class EditorSession;
class RecoveryWatch;

struct RecoveryStart {
    bool restored = false;  // a copy was restored
    std::string notice;     // what could not be offered; empty when nothing went wrong
};

// Offers back the copies in `folder`, newest first, in Yes/No boxes owned by `owner` and run by
// `run`, until one is restored into `session` (whose copy `watch` then keeps) or none is left.
RecoveryStart offerRecoveredWork(QWidget* owner, const ModalRunner& run,
                                 const std::filesystem::path& folder, EditorSession& session,
                                 RecoveryWatch& watch);

}  // namespace corvane
