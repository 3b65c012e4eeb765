#include "platform/linux/QtFolderPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTreeView>
#include <system_error>

#include "platform/linux/FileDialogAnswer.h"
#include "platform/linux/QtAlertPresenter.h"

namespace quorvane {

namespace {

// The start folder, or its nearest ancestor that still exists; empty when none does.
QString existingFolder(std::filesystem::path folder) {
    std::error_code error;
    while (!folder.empty()) {
        if (std::filesystem::is_directory(folder, error)) return QString::fromStdString(folder.string());
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return {};
}

// Wide enough that the name, size, type and date columns show their titles and the folder names whole.
void makeColumnsReadable(QFileDialog* dialog) {
    QSize size(780, 500);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog->resize(size);
    auto* details = dialog->findChild<QTreeView*>("treeView");
    if (!details) return;
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(header->fontMetrics().horizontalAdvance(QStringLiteral("Date Modified")) /
                                  2);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

}  // namespace

void QtFolderPicker::chooseFolder(const FolderPickerRequest& request, Completion completion) {
    // Kept above the window that asked, which it blocks, as the application picker is.
    auto* dialog = new QFileDialog(QtAlertPresenter::askingWindow(parent_.data()),
                                   QString::fromStdString(request.title));
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

    if (const QString start = existingFolder(request.startFolder); !start.isEmpty())
        dialog->setDirectory(start);
    makeColumnsReadable(dialog);

    openFileDialog(dialog, std::move(completion));
}

}  // namespace quorvane
