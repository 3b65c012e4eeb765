#pragma once

// How a storage move flow ended, for callers that must tell a cancelled flow (nothing to say) from a failed
// one (say why). A plain value.

namespace quorvane {

enum class StorageMoveOutcome {
    // The storage directory is now the new one (or there was nothing to move).
    switched,
    // The copy failed or another move was running; the old directory is still in use.
    failed,
    // The user cancelled a question or the folder picker, or the flow was refused with an alert of its own
    // that already said why; nothing changed and nothing more needs to be shown.
    cancelled,
};

}  // namespace quorvane
