#pragma once

// The alert both panels show when saving an entry to a file failed: "Save Failed" over the failure's
// description, one OK button. Main queue only.

#include <string>

#include "platform/AlertPresenter.h"

namespace quorvane {

// Shows the alert through `presenter`; nothing waits for its answer.
void presentErrorAlert(AlertPresenter& presenter, const std::string& description);

}  // namespace quorvane
