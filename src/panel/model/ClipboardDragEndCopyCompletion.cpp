#include "panel/model/ClipboardDragEndCopyCompletion.h"

namespace quorvane {

void completeDragEndCopy(bool copied, ClipboardPanelViewModel& viewModel,
                         const ClipboardHistoryIndexSnapshot& entry) {
    if (copied) return;
    viewModel.clipboardHistoryManager()->recordUsage(entry.id);
    viewModel.loadClipboardItems(false, entry.id);
}

}  // namespace quorvane
