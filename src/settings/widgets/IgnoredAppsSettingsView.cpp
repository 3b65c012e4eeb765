#include "settings/widgets/IgnoredAppsSettingsView.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "settings/widgets/SettingsCard.h"
#include "ui/UiColors.h"

// The resource lives in a static library: its registration must be pulled in by name.
static void initialiseIgnoredAppsSettingsIcons() {
    Q_INIT_RESOURCE(IgnoredAppsSettingsIcons);
}

namespace quorvane {
namespace {

constexpr int kRowHeight = 34;
constexpr int kIconSize = 16;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QIcon tintedSymbol(const char* name, const QColor& color) {
    initialiseIgnoredAppsSettingsIcons();
    const QIcon source(QStringLiteral(":/quorvane/settings/%1.svg").arg(QLatin1String(name)));
    QIcon icon;
    for (const qreal dpr : {1.0, 2.0}) {
        QPixmap pixmap = source.pixmap(QSize(kIconSize, kIconSize), dpr);
        QPixmap out(pixmap.size());
        out.setDevicePixelRatio(pixmap.devicePixelRatio());
        out.fill(Qt::transparent);
        QPainter painter(&out);
        painter.drawPixmap(0, 0, pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(out.rect(), color);
        painter.end();
        icon.addPixmap(out);
        icon.addPixmap(out, QIcon::Disabled);
    }
    return icon;
}

}  // namespace

IgnoredAppsSettingsView::IgnoredAppsSettingsView(Services services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      viewModel_(services.userDefaults, services.ignoredApps, services.catalog, services.fileReader) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 20);
    auto* card = new SettingsCard(this);
    outer->addWidget(card);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(0);

    auto* title = new QLabel(qs(L10n::text(L10nKey::appFilterPageTitle)), card);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(18);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    layout->addWidget(title);
    layout->addSpacing(8);
    auto* description = new QLabel(qs(L10n::text(L10nKey::appFilterDescription)), card);
    description->setWordWrap(true);
    applySecondaryLabelStyle(description);
    layout->addWidget(description);
    layout->addSpacing(12);

    dropTarget_ = new IgnoredAppsDropTarget(card);
    auto* dropLayout = new QVBoxLayout(dropTarget_);
    dropLayout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget(dropTarget_);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAlternatingRowColors(true);
    list_->setUniformItemSizes(true);
    list_->setIconSize(QSize(kIconSize, kIconSize));
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Drops belong to the frame around the list, which highlights while a drag hovers.
    list_->setAcceptDrops(false);
    list_->viewport()->setAcceptDrops(false);
    list_->setDragDropMode(QAbstractItemView::NoDragDrop);
    dropLayout->addWidget(list_);
    layout->addWidget(dropTarget_, 1);
    layout->addSpacing(8);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    removeButton_ = new QPushButton(qs(L10n::text(L10nKey::appFilterRemoveApp)), card);
    addButton_ = new QPushButton(qs(L10n::text(L10nKey::appFilterAddApp)), card);
    for (QPushButton* button : {removeButton_, addButton_}) {
        QFont font = button->font();
        font.setWeight(QFont::DemiBold);
        button->setFont(font);
        button->setAutoDefault(false);
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setMinimumHeight(30);
        buttons->addWidget(button);
    }
    removeButton_->setAccessibleName(qs(L10n::text(L10nKey::appFilterRemoveApp)));
    addButton_->setAccessibleName(qs(L10n::text(L10nKey::appFilterAddApp)));
    removeButton_->setEnabled(false);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    // The callbacks die with the frame, which dies with this page.
    dropTarget_->validateDroppedAppURLs = [this](const IgnoredAppsDropTarget::Files& files) {
        return viewModel_.canAcceptDroppedAppURLs(files);
    };
    dropTarget_->onDroppedAppURLs = [this](const IgnoredAppsDropTarget::Files& files) {
        addIgnoredApps(files);
    };
    // Rule A: user actions only.
    connect(addButton_, &QPushButton::clicked, this, [this] { addButtonClicked(); });
    connect(removeButton_, &QPushButton::clicked, this, [this] { removeButtonClicked(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { updateRemoveButton(); });
    applyColors();
    reloadIgnoredApps();
}

QIcon IgnoredAppsSettingsView::iconFor(const IgnoredAppRow& row) const {
    const QString name = qs(row.icon);
    if (!name.isEmpty()) {
        if (QFileInfo(name).isAbsolute()) {
            if (QFileInfo::exists(name)) return QIcon(name);
        } else if (QIcon::hasThemeIcon(name)) {
            return QIcon::fromTheme(name);
        }
    }
    return tintedSymbol("app-badge", UiColors::secondaryLabel(palette()));
}

void IgnoredAppsSettingsView::reloadIgnoredApps(const std::optional<std::string>& target) {
    std::optional<std::size_t> selectedRow;
    if (!list_->selectedItems().isEmpty()) selectedRow = static_cast<std::size_t>(list_->currentRow());
    const std::size_t count = viewModel_.ignoredAppBundleIdentifiers().size();
    QSignalBlocker blocker(list_);
    list_->clear();
    for (std::size_t index = 0; index < count; ++index) {
        const auto row = viewModel_.row(index);
        if (!row) break;
        auto* item = new QListWidgetItem(iconFor(*row), qs(row->displayName), list_);
        item->setData(Qt::UserRole, qs(row->identifier));
        item->setToolTip(qs(row->identifier));
        item->setSizeHint(QSize(0, kRowHeight));
    }
    const auto select = viewModel_.rowToSelect(selectedRow, target);
    if (select) {
        list_->setCurrentRow(static_cast<int>(*select), QItemSelectionModel::ClearAndSelect);
        list_->scrollToItem(list_->currentItem());
    } else {
        list_->clearSelection();
        list_->setCurrentRow(-1);
    }
    updateRemoveButton();
}

void IgnoredAppsSettingsView::updateRemoveButton() {
    removeButton_->setEnabled(!list_->selectedItems().isEmpty());
}

void IgnoredAppsSettingsView::addIgnoredApps(const IgnoredAppsDropTarget::Files& files) {
    const IgnoredAppAddResult result = viewModel_.addAppURLs(files);
    if (const auto target = IgnoredAppsSettingsViewModel::selectionTarget(result)) reloadIgnoredApps(target);
    if (const auto alert = IgnoredAppsSettingsViewModel::addResultAlert(result))
        services_.alerts.present(*alert, [](std::optional<std::size_t>) {});
}

void IgnoredAppsSettingsView::addButtonClicked() {
    const ApplicationFilePickerRequest request{L10n::text(L10nKey::appFilterSelectAppToIgnore),
                                               L10n::text(L10nKey::appFilterAddButton),
                                               viewModel_.pickerApplications()};
    services_.filePicker.chooseApplicationFile(
        request, [page = QPointer<IgnoredAppsSettingsView>(this)](std::optional<std::filesystem::path> file) {
            if (page && file) page->addIgnoredApps({*file});
        });
}

void IgnoredAppsSettingsView::removeButtonClicked() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    const std::string identifier = selected.front()->data(Qt::UserRole).toString().toStdString();
    // No confirmation: the application can be added again at once.
    if (viewModel_.removeIgnoredApp(identifier)) reloadIgnoredApps();
}

void IgnoredAppsSettingsView::applyColors() {
    // The frame around the list paints the background, so a hovering drop can tint it.
    QPalette listPalette = list_->palette();
    listPalette.setColor(QPalette::Base, Qt::transparent);
    list_->setPalette(listPalette);
    removeButton_->setIcon(tintedSymbol("minus-circle", UiColors::systemRed(palette())));
    addButton_->setIcon(tintedSymbol("plus-circle", UiColors::accent(palette())));
}

void IgnoredAppsSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The list may have changed elsewhere (the defaults seeding) since the page was last seen.
    reloadIgnoredApps();
}

void IgnoredAppsSettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && addButton_) {
        applyColors();
        reloadIgnoredApps();
    }
}

}  // namespace quorvane
