#include "platform/linux/QtFolderPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

#include "platform/linux/FileDialogAnswer.h"

namespace quorvane {

void QtFolderPicker::chooseFolder(const FolderPickerRequest& request, Completion completion) {
    auto* dialog = new QFileDialog(parent_.data(), QString::fromStdString(request.title));
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

    openFileDialog(dialog, std::move(completion));
}

}  // namespace quorvane
