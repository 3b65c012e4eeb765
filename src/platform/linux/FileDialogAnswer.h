#pragma once

// Opens a path-choosing dialog made by a picker, application-modal and deleted when it closes, and answers
// its caller exactly once: with the first chosen path when it is accepted, with nothing when it is cancelled
// or destroyed unanswered.

#include <QDialog>
#include <QFileDialog>
#include <filesystem>
#include <functional>
#include <optional>

namespace quorvane {

void openFileDialog(QFileDialog* dialog,
                    std::function<void(std::optional<std::filesystem::path> chosen)> completion);

// The same for any dialog; `chosen` reads its choice once it is accepted.
void openChoosingDialog(QDialog* dialog, std::function<std::optional<std::filesystem::path>()> chosen,
                        std::function<void(std::optional<std::filesystem::path> chosen)> completion);

}  // namespace quorvane
