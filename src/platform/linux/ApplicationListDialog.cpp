#include "platform/linux/ApplicationListDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {
namespace {

constexpr int kIconSize = 24;
constexpr int kFileRole = Qt::UserRole;

QIcon iconOf(const std::string& icon) {
    const QString name = QString::fromStdString(icon);
    const QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    QIcon found = generic;
    if (QFileInfo(name).isAbsolute()) {
        if (QFileInfo::exists(name)) found = QIcon(name);
    } else if (!name.isEmpty()) {
        found = QIcon::fromTheme(name, generic);
    }
    if (!found.isNull()) return found;
    // Room for an icon all the same, so every name starts at the same place.
    QPixmap blank(kIconSize, kIconSize);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

ApplicationListDialog::ApplicationListDialog(const ApplicationFilePickerRequest& request, QWidget* parent)
    : QDialog(parent), filter_(new QLineEdit), list_(new QListWidget), accept_(nullptr) {
    setWindowTitle(QString::fromStdString(request.title));
    resize(420, 480);
    auto* layout = new QVBoxLayout(this);
    filter_->setClearButtonEnabled(true);
    filter_->setAccessibleName(QString::fromStdString(request.title));
    layout->addWidget(filter_);
    list_->setIconSize(QSize(kIconSize, kIconSize));
    list_->setUniformItemSizes(true);
    list_->setAccessibleName(QString::fromStdString(request.title));
    for (const auto& application : request.applications) {
        auto* item =
            new QListWidgetItem(iconOf(application.icon), QString::fromStdString(application.name), list_);
        item->setData(kFileRole, QString::fromStdString(application.file.string()));
        item->setToolTip(QString::fromStdString(application.file.string()));
    }
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    accept_ = buttons->addButton(QString::fromStdString(request.prompt), QDialogButtonBox::AcceptRole);
    accept_->setDefault(true);
    accept_->setEnabled(false);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (chosenFile()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { accept_->setEnabled(chosenFile().has_value()); });
    connect(list_, &QListWidget::itemActivated, this, [this] {
        if (chosenFile()) accept();
    });
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) { applyFilter(text); });
    filter_->setFocus();
}

std::optional<std::filesystem::path> ApplicationListDialog::chosenFile() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty() || selected.front()->isHidden()) return std::nullopt;
    return selected.front()->data(kFileRole).toString().toStdString();
}

void ApplicationListDialog::applyFilter(const QString& text) {
    const QString wanted = text.trimmed();
    QListWidgetItem* firstShown = nullptr;
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        item->setHidden(!wanted.isEmpty() && !item->text().contains(wanted, Qt::CaseInsensitive));
        if (!item->isHidden() && !firstShown) firstShown = item;
    }
    // Return after typing takes the first match.
    if (firstShown && (list_->selectedItems().isEmpty() || list_->selectedItems().front()->isHidden()))
        list_->setCurrentItem(firstShown);
}

}  // namespace quorvane
