#include "platform/linux/FileDialogAnswer.h"

#include <memory>

namespace quorvane {

void openFileDialog(QFileDialog* dialog,
                    std::function<void(std::optional<std::filesystem::path> chosen)> completion) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    using Completion = std::function<void(std::optional<std::filesystem::path>)>;
    auto pending = std::make_shared<Completion>(std::move(completion));
    const auto answer = [pending](std::optional<std::filesystem::path> chosen) {
        if (!*pending) return;
        const Completion once = std::move(*pending);
        *pending = nullptr;
        once(std::move(chosen));
    };
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, answer](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty()) {
            answer(chosen.front().toStdString());
        } else {
            answer(std::nullopt);
        }
    });
    QObject::connect(dialog, &QObject::destroyed, [answer] { answer(std::nullopt); });
    dialog->open();
}

}  // namespace quorvane
