#include "platform/linux/QtFolderPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <memory>

namespace quorvane {

void QtFolderPicker::chooseFolder(const FolderPickerRequest& request, Completion completion) {
    auto* dialog = new QFileDialog(parent_.data(), QString::fromStdString(request.title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFilter(dialog->filter() | QDir::Hidden);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()); grid && !request.message.empty()) {
        auto* message = new QLabel(QString::fromStdString(request.message), dialog);
        message->setObjectName("folderPickerMessage");
        message->setWordWrap(true);
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }

    auto pending = std::make_shared<Completion>(std::move(completion));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, pending](int result) {
        if (!*pending) return;
        std::optional<std::filesystem::path> folder;
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty()) folder = chosen.front().toStdString();
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        answer(folder);
    });
    QObject::connect(dialog, &QObject::destroyed, [pending] {
        if (!*pending) return;
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        answer(std::nullopt);
    });
    dialog->open();
}

}  // namespace quorvane
