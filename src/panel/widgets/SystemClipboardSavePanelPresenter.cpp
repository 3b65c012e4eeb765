#include "panel/widgets/SystemClipboardSavePanelPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <memory>

#include "platform/linux/QtAlertPresenter.h"

namespace quorvane {

QString SystemClipboardSavePanelPresenter::startFolder() {
    // A folder that does not exist would make the dialog fall back to the process's working folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString SystemClipboardSavePanelPresenter::nameFilter(const ClipboardSavePanelRequest& request) {
    const QMimeType type =
        QMimeDatabase().mimeTypeForName(QString::fromStdString(request.allowedContentType));
    QStringList suffixes;
    const QString suggested = QFileInfo(QString::fromStdString(request.suggestedName)).suffix();
    if (!suggested.isEmpty()) suffixes << suggested;
    // The type's own list holds oddities ("*,v" for plain text): only its usual extension is offered.
    if (type.isValid() && !type.preferredSuffix().isEmpty() && !suffixes.contains(type.preferredSuffix()))
        suffixes << type.preferredSuffix();
    if (suffixes.isEmpty()) return QStringLiteral("* (*)");
    QStringList patterns;
    for (const QString& suffix : suffixes) patterns << QStringLiteral("*.") + suffix;
    const QString name =
        type.isValid() && !type.comment().isEmpty() ? type.comment() : suffixes.front().toUpper();
    return name + QStringLiteral(" (") + patterns.join(' ') + QStringLiteral(")");
}

void SystemClipboardSavePanelPresenter::present(const ClipboardSavePanelRequest& request,
                                                Completion completion) {
    auto* dialog = new QFileDialog(QtAlertPresenter::askingWindow(parent_.data()));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowTitle(QString::fromStdString(request.title));
    dialog->setLabelText(QFileDialog::FileName, QString::fromStdString(request.nameFieldLabel));
    dialog->setNameFilter(nameFilter(request));
    dialog->setDirectory(startFolder());
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
    QtAlertPresenter::showModal(*dialog);
}

}  // namespace quorvane
