#include "platform/linux/FileDialogAnswer.h"

#include <memory>

namespace quorvane {

void openChoosingDialog(QDialog* dialog, std::function<std::optional<std::filesystem::path>()> chosen,
                        std::function<void(std::optional<std::filesystem::path> chosen)> completion) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    using Completion = std::function<void(std::optional<std::filesystem::path>)>;
    auto pending = std::make_shared<Completion>(std::move(completion));
    const auto answer = [pending](std::optional<std::filesystem::path> path) {
        if (!*pending) return;
        const Completion once = std::move(*pending);
        *pending = nullptr;
        once(std::move(path));
    };
    QObject::connect(dialog, &QDialog::finished, dialog, [answer, chosen = std::move(chosen)](int result) {
        answer(result == QDialog::Accepted ? chosen() : std::nullopt);
    });
    QObject::connect(dialog, &QObject::destroyed, [answer] { answer(std::nullopt); });
    dialog->open();
}

void openFileDialog(QFileDialog* dialog,
                    std::function<void(std::optional<std::filesystem::path> chosen)> completion) {
    openChoosingDialog(
        dialog,
        [dialog]() -> std::optional<std::filesystem::path> {
            const QStringList files = dialog->selectedFiles();
            if (files.isEmpty()) return std::nullopt;
            return files.front().toStdString();
        },
        std::move(completion));
}

}  // namespace quorvane
