#include "app/recovery_start.h"

#include <chrono>
#include <optional>

#include "editor/editor_session.h"
#include "recovery/recovery_offer.h"
#include "recovery/recovery_watch.h"

namespace corvane {

RecoveryStart offerRecoveredWork(QWidget* owner, const ModalRunner& run,
                                 const std::filesystem::path& folder, EditorSession& session,
                                 RecoveryWatch& watch) {
    RecoveryOffer offer(folder, std::chrono::system_clock::now());
    RecoveryStart start;
    while (const std::optional<std::string> question = offer.question()) {
        if (!askYesNoDefaultYes(owner, *question, kSaveChangesCaption, run)) {
            offer.decline();
            continue;
        }
        if (std::optional<RestoredCopy> copy = offer.accept()) {
            session.restore(std::move(copy->score), copy->record.belongsTo);
            // The adopted copy already holds this score: no new copy until it changes.
            watch.adopt(std::move(copy->claim), session.documentState().revision);
            start.restored = true;
        }
        break;
    }
    start.notice = offer.message();
    return start;
}

}  // namespace corvane
