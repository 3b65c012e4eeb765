#include "platform/linux/QtApplicationFilePicker.h"

#include <QDir>
#include <QFileDialog>
#include <memory>

#include "platform/linux/XdgApplicationCatalog.h"

namespace quorvane {

QString QtApplicationFilePicker::startFolder() {
    for (const auto& dataDirectory : XdgApplicationCatalog::dataDirectoriesFromEnvironment()) {
        const QString folder = QString::fromStdString((dataDirectory / "applications").string());
        if (QDir(folder).exists()) return folder;
    }
    return QStringLiteral("/usr/share/applications");
}

void QtApplicationFilePicker::chooseApplicationFile(const ApplicationFilePickerRequest& request,
                                                    Completion completion) {
    auto* dialog = new QFileDialog(parent_.data(), QString::fromStdString(request.title), startFolder());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("*.desktop"));
    // Links are handed over as chosen; the caller resolves them.
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    if (!request.prompt.empty())
        dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(request.prompt));

    auto pending = std::make_shared<Completion>(std::move(completion));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, pending](int result) {
        if (!*pending) return;
        std::optional<std::filesystem::path> file;
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty()) file = chosen.front().toStdString();
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        answer(file);
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
