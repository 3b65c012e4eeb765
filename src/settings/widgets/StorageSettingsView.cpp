#include "settings/widgets/StorageSettingsView.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "settings/widgets/SettingsCard.h"
#include "ui/UiColors.h"

// The resource lives in a static library: its registration must be pulled in by name.
static void initialiseStorageSettingsIcons() {
    Q_INIT_RESOURCE(StorageSettingsIcons);
}

namespace quorvane {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QFont fontOf(const QWidget* widget, qreal pointSize, QFont::Weight weight = QFont::Normal) {
    QFont font = widget->font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

QLabel* makeLabel(const QString& text, qreal pointSize, QFont::Weight weight, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(fontOf(label, pointSize, weight));
    return label;
}

QLabel* makeWrappingLabel(const QString& text, qreal pointSize, QWidget* parent) {
    auto* label = makeLabel(text, pointSize, QFont::Normal, parent);
    label->setWordWrap(true);
    applySecondaryLabelStyle(label);
    return label;
}

// A rounded panel inside a card: a metric tile, or the accent card of the privacy note. Its colours come
// from the palette so both appearances read.
class StoragePanel final : public QFrame {
public:
    enum class Kind { tile, accent };
    StoragePanel(Kind kind, QWidget* parent) : QFrame(parent), kind_(kind) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill;
        QColor border;
        if (kind_ == Kind::accent) {
            fill = UiColors::systemBlue(palette(), 0.06);
            border = UiColors::systemBlue(palette(), 0.16);
        } else {
            fill = UiColors::label(palette(), 0.05);
            border = UiColors::separator(palette());
        }
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(path, fill);
        painter.setPen(QPen(border, 1));
        painter.drawPath(path);
    }

private:
    Kind kind_;
};

// One line of path text, shortened in the middle when it does not fit; the whole path is its tool tip.
class ElidedPathLabel final : public QLabel {
public:
    explicit ElidedPathLabel(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    void setPath(const QString& path) {
        path_ = path;
        setToolTip(path);
        elide();
    }
    const QString& path() const { return path_; }
    QSize minimumSizeHint() const override { return QSize(40, QLabel::minimumSizeHint().height()); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(width(), 40))); }
    QString path_;
};

QPixmap tintedSymbol(const QString& resource, int size, const QColor& color, qreal dpr) {
    initialiseStorageSettingsIcons();
    QPixmap source = QIcon(resource).pixmap(QSize(size, size), dpr);
    QPixmap out(source.size());
    out.setDevicePixelRatio(source.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), color);
    return out;
}

}  // namespace

StorageSettingsView::StorageSettingsView(StorageSettingsViewModel::Services services, QWidget* parent)
    : QWidget(parent), viewModel_(std::make_unique<StorageSettingsViewModel>(std::move(services))) {
    buildLayout();
    // Rule C: the view model tells us on a later turn; the subscription dies with the page.
    observation_ = viewModel_->observe([this] { updateFromViewModel(); });
    updateFromViewModel();
}

StorageSettingsView::~StorageSettingsView() = default;

void StorageSettingsView::buildLayout() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(scroll);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);

    auto* page = new QVBoxLayout(content);
    page->setContentsMargins(20, 20, 20, 20);
    page->setSpacing(12);

    // Location card.
    auto* locationCard = new SettingsCard(content);
    auto* location = new QVBoxLayout(locationCard);
    location->setContentsMargins(20, 16, 20, 16);
    location->setSpacing(0);
    titleLabel_ = makeLabel(qs(L10n::text(L10nKey::storagePageTitle)), 18, QFont::DemiBold, locationCard);
    location->addWidget(titleLabel_);
    location->addSpacing(12);

    auto* pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(10, 0, 0, 0);
    pathRow->setSpacing(8);
    pathRow->addWidget(new QLabel(qs(L10n::text(L10nKey::storageLocationLabel)), locationCard));
    auto* pathLabel = new ElidedPathLabel(locationCard);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(std::max<qreal>(font().pointSizeF() * 0.85, 8));
    pathLabel->setFont(mono);
    applySecondaryLabelStyle(pathLabel);
    dataDirectoryPathLabel_ = pathLabel;
    pathRow->addWidget(pathLabel, 1);
    location->addLayout(pathRow);
    // Said where the folder is named: the history is not opened in a folder that is not this user's alone.
    storageRefusalLabel_ = makeWrappingLabel({}, 9, locationCard);
    storageRefusalLabel_->setContentsMargins(10, 6, 0, 0);
    storageRefusalLabel_->setObjectName("storageRefusal");
    storageRefusalLabel_->setVisible(false);
    location->addWidget(storageRefusalLabel_);
    location->addSpacing(10);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 0, 0, 0);
    buttons->setSpacing(8);
    selectDirectoryButton_ = new QPushButton(qs(L10n::text(L10nKey::storageChooseLocation)), locationCard);
    resetDirectoryButton_ = new QPushButton(qs(L10n::text(L10nKey::storageResetLocation)), locationCard);
    showInFileManagerButton_ =
        new QPushButton(qs(L10n::text(L10nKey::storageShowInFileManager)), locationCard);
    for (QPushButton* button : {selectDirectoryButton_, resetDirectoryButton_, showInFileManagerButton_}) {
        button->setAutoDefault(false);
        // Some room around the title, which the style leaves tight for long ones.
        button->setMinimumWidth(button->sizeHint().width() + 16);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    location->addLayout(buttons);
    location->addSpacing(8);

    auto* locationDescription =
        makeWrappingLabel(qs(L10n::text(L10nKey::storageChangeLocationDescription)), 9, locationCard);
    locationDescription->setContentsMargins(10, 0, 0, 0);
    location->addWidget(locationDescription);
    location->addSpacing(12);

    auto* privacy = new StoragePanel(StoragePanel::Kind::accent, locationCard);
    auto* privacyGrid = new QGridLayout(privacy);
    privacyGrid->setContentsMargins(20, 16, 20, 16);
    privacyGrid->setHorizontalSpacing(8);
    privacyGrid->setVerticalSpacing(4);
    privacyIconLabel_ = new QLabel(privacy);
    privacyIconLabel_->setFixedSize(16, 16);
    privacyGrid->addWidget(privacyIconLabel_, 0, 0, Qt::AlignVCenter);
    privacyGrid->addWidget(makeLabel(qs(L10n::text(L10nKey::storagePrivacyTitle)),
                                     std::max<qreal>(font().pointSizeF(), 9), QFont::DemiBold, privacy),
                           0, 1);
    privacyGrid->addWidget(makeWrappingLabel(qs(L10n::text(L10nKey::storagePrivacyDescription)), 9, privacy),
                           1, 1);
    privacyGrid->setColumnStretch(1, 1);
    location->addWidget(privacy);
    page->addWidget(locationCard);

    // Overview card.
    auto* overviewCard = new SettingsCard(content);
    auto* overview = new QVBoxLayout(overviewCard);
    overview->setContentsMargins(20, 16, 20, 16);
    overview->setSpacing(0);
    overview->addWidget(
        makeLabel(qs(L10n::text(L10nKey::storageOverviewTitle)), 11, QFont::DemiBold, overviewCard));
    overview->addSpacing(12);
    auto* tiles = new QGridLayout;
    tiles->setSpacing(8);
    const auto addTile = [&](L10nKey name, int row, int column) {
        auto* tile = new StoragePanel(StoragePanel::Kind::tile, overviewCard);
        tile->setMinimumHeight(74);
        auto* tileLayout = new QVBoxLayout(tile);
        tileLayout->setContentsMargins(12, 10, 12, 10);
        tileLayout->setSpacing(6);
        auto* nameLabel = makeLabel(qs(L10n::text(name)), 9, QFont::DemiBold, tile);
        applySecondaryLabelStyle(nameLabel);
        tileLayout->addWidget(nameLabel);
        auto* value = makeLabel(qs(L10n::text(L10nKey::storageOverviewLoading)), 13, QFont::DemiBold, tile);
        value->setWordWrap(true);
        tileLayout->addWidget(value);
        tileLayout->addStretch(1);
        tiles->addWidget(tile, row, column);
        return value;
    };
    itemCountValueLabel_ = addTile(L10nKey::storageItemsLabel, 0, 0);
    diskUsageValueLabel_ = addTile(L10nKey::storageDiskUsageLabel, 0, 1);
    contentBreakdownValueLabel_ = addTile(L10nKey::storageTextImageLabel, 1, 0);
    lastSavedValueLabel_ = addTile(L10nKey::storageLastSavedLabel, 1, 1);
    tiles->setColumnStretch(0, 1);
    tiles->setColumnStretch(1, 1);
    overview->addLayout(tiles);
    overview->addSpacing(12);
    separator_ = new QWidget(overviewCard);
    separator_->setFixedHeight(1);
    separator_->setAutoFillBackground(true);
    overview->addWidget(separator_);
    overview->addSpacing(12);
    auto* clearRow = new QHBoxLayout;
    clearRow->setSpacing(12);
    clearHistoryDescriptionLabel_ = makeWrappingLabel({}, 9, overviewCard);
    clearRow->addWidget(clearHistoryDescriptionLabel_, 1);
    clearHistoryButton_ = new QPushButton(qs(L10n::text(L10nKey::storageClearAllHistoryNow)), overviewCard);
    clearHistoryButton_->setAutoDefault(false);
    clearHistoryButton_->setMinimumWidth(clearHistoryButton_->sizeHint().width() + 16);
    clearRow->addWidget(clearHistoryButton_, 0, Qt::AlignTop);
    overview->addLayout(clearRow);
    page->addWidget(overviewCard);
    page->addStretch(1);

    // Rule A: user actions only.
    connect(selectDirectoryButton_, &QPushButton::clicked, this, [this] { viewModel_->selectDirectory(); });
    connect(resetDirectoryButton_, &QPushButton::clicked, this, [this] { viewModel_->resetDirectory(); });
    connect(showInFileManagerButton_, &QPushButton::clicked, this,
            [this] { viewModel_->showInFileManager(); });
    connect(clearHistoryButton_, &QPushButton::clicked, this, [this] { viewModel_->clearHistory(); });
    applyColors();
}

void StorageSettingsView::applyColors() {
    privacyIconLabel_->setPixmap(tintedSymbol(QStringLiteral(":/quorvane/settings/lock-shield.svg"), 16,
                                              UiColors::systemBlue(palette()), devicePixelRatioF()));
    QPalette palette = clearHistoryButton_->palette();
    palette.setColor(QPalette::ButtonText, UiColors::systemRed(this->palette()));
    QColor disabled = UiColors::systemRed(this->palette());
    disabled.setAlphaF(0.4);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    clearHistoryButton_->setPalette(palette);
    QPalette line = separator_->palette();
    line.setColor(QPalette::Window, UiColors::separator(this->palette()));
    separator_->setPalette(line);
    QPalette warning = storageRefusalLabel_->palette();
    warning.setColor(QPalette::WindowText, UiColors::systemRed(this->palette()));
    storageRefusalLabel_->setPalette(warning);
}

void StorageSettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && privacyIconLabel_) applyColors();
}

QString StorageSettingsView::shownDataDirectoryPath() const {
    return static_cast<ElidedPathLabel*>(dataDirectoryPathLabel_)->path();
}

void StorageSettingsView::updateFromViewModel() {
    const StorageSettingsViewModel& model = *viewModel_;
    static_cast<ElidedPathLabel*>(dataDirectoryPathLabel_)->setPath(qs(model.displayPath()));
    const std::string refusal = model.storageRefusalText();
    storageRefusalLabel_->setText(qs(refusal));
    storageRefusalLabel_->setVisible(!refusal.empty());
    selectDirectoryButton_->setEnabled(model.canChangeDirectory());
    resetDirectoryButton_->setEnabled(model.canResetDirectory());
    itemCountValueLabel_->setText(qs(model.itemCountText()));
    diskUsageValueLabel_->setText(qs(model.diskUsageText()));
    contentBreakdownValueLabel_->setText(qs(model.contentBreakdownText()));
    lastSavedValueLabel_->setText(qs(model.lastSavedText()));
    clearHistoryDescriptionLabel_->setText(qs(model.clearHistoryDescriptionText()));
    clearHistoryButton_->setEnabled(model.canClearHistory());
}

void StorageSettingsView::refresh() {
    viewModel_->refresh();
}

void StorageSettingsView::settingsModuleDidHide() {
    viewModel_->settingsModuleDidHide();
}

}  // namespace quorvane
