#include "platform/linux/QtApplicationFilePicker.h"

#include <QDir>
#include <QFileDialog>

#include "platform/linux/ApplicationListDialog.h"
#include "platform/linux/FileDialogAnswer.h"
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
    if (!request.applications.empty()) {
        auto* list = new ApplicationListDialog(request, parent_.data());
        openChoosingDialog(
            list, [list] { return list->chosenFile(); }, std::move(completion));
        return;
    }
    auto* dialog = new QFileDialog(parent_.data(), QString::fromStdString(request.title), startFolder());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("*.desktop"));
    // Links are handed over as chosen; the caller resolves them.
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    if (!request.prompt.empty())
        dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(request.prompt));

    openFileDialog(dialog, std::move(completion));
}

}  // namespace quorvane
