#include "commands/outcome.h"

namespace gradix {

Outcome Outcome::failed(const GradixError& e) {
    const bool access = dynamic_cast<const FileAccessError*>(&e) != nullptr;
    return {OutcomeKind::Failed, access ? FailureKind::FileAccess : FailureKind::Data, e.what(), e.detail(), false};
}

void showOutcome(const Outcome& outcome, UserInterface& ui, CadMessenger* messenger) {
    switch (outcome.kind) {
        case OutcomeKind::Done:
        case OutcomeKind::Cancelled:
            return;
        case OutcomeKind::Refused:
            ui.activateMainWindow();
            if (outcome.detailShown)
                ui.showDetailedMessage(DATA_PROBLEM_TITLE, outcome.message, outcome.detail);
            else
                ui.showMessage(DATA_PROBLEM_TITLE, outcome.message);
            return;
        case OutcomeKind::Failed:
            if (outcome.failure == FailureKind::Drawing && messenger)
                messenger->showCadMessage(outcome.message);
            else
                ui.showError(ERROR_TITLE, outcome.message, outcome.detail);
            return;
    }
}

}  // namespace gradix
