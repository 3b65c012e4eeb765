#pragma once

// What both panels do once the copy that follows a drag-out has finished. A failed copy still counts as a
// use of the entry (it was dragged into another program), so the use is recorded and the first page
// reloaded with the entry kept selected; a successful copy already did both. Main queue only.

#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardPanelViewModel.h"

namespace quorvane {

void completeDragEndCopy(bool copied, ClipboardPanelViewModel& viewModel,
                         const ClipboardHistoryIndexSnapshot& entry);

}  // namespace quorvane
