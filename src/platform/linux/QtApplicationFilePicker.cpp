#include "platform/linux/QtApplicationFilePicker.h"

#include <QDir>
#include <QFileDialog>

#include "platform/linux/ApplicationListDialog.h"
#include "platform/linux/FileDialogAnswer.h"
#include "platform/linux/QtAlertPresenter.h"
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
    // The window that asked keeps the picker above it; a picker of no window could go under the window it
    // blocks as soon as that is clicked.
    QWidget* parent = QtAlertPresenter::askingWindow(parent_.data());
    if (!request.applications.empty()) {
        auto* list = new ApplicationListDialog(request, parent);
        openChoosingDialog(
            list, [list] { return list->chosenFile(); }, std::move(completion));
        return;
    }
    auto* dialog = new QFileDialog(parent, QString::fromStdString(request.title), startFolder());
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
