#include "panel/widgets/SystemClipboardSavePanelPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <memory>

namespace quorvane {

void SystemClipboardSavePanelPresenter::present(const ClipboardSavePanelRequest& request,
                                                Completion completion) {
    auto* dialog = new QFileDialog(parent_.data());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowTitle(QString::fromStdString(request.title));
    dialog->setLabelText(QFileDialog::FileName, QString::fromStdString(request.nameFieldLabel));
    dialog->setMimeTypeFilters({QString::fromStdString(request.allowedContentType)});
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    dialog->setDirectory(folder);
    dialog->selectFile(QString::fromStdString(request.suggestedName));

    // Exactly one of the two ends answers.
    auto pending = std::make_shared<Completion>(std::move(completion));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, pending](int result) {
        if (!*pending) return;
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty()) {
            answer(std::nullopt);
            return;
        }
        answer(std::filesystem::path(files.front().toStdString()));
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
