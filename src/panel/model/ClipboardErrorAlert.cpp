#include "panel/model/ClipboardErrorAlert.h"

#include "l10n/L10n.h"

namespace quorvane {

void presentErrorAlert(AlertPresenter& presenter, const std::string& description) {
    Alert alert;
    alert.style = AlertStyle::warning;
    alert.messageText = L10n::text(L10nKey::saveFailedTitle);
    alert.informativeText = description;
    alert.buttonTitles = {L10n::text(L10nKey::ok)};
    presenter.present(alert, [](std::optional<std::size_t>) {});
}

}  // namespace quorvane
