#include "app/widgets/AboutWindow.h"

#include <QVBoxLayout>

#include "app/widgets/ShellIcons.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"

namespace quorvane {

AboutWindow::AboutWindow(AppInfo appInfo, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      appInfo_(std::move(appInfo)) {
    setObjectName(AboutWindowController::identifier);
    setFixedSize(contentWidth, contentHeight);
    setWindowIcon(applicationIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    reloadTexts();
}

void AboutWindow::reloadTexts() {
    setWindowTitle(QString::fromStdString(L10n::text(L10nKey::appMenuAbout, appInfo_.displayName())));
    buildContent();
}

void AboutWindow::buildContent() {
    if (content_) {
        // Released later (this may run inside a notification); hidden now so it never shows beside the new
        // one.
        layout()->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = new QWidget(this);
    auto* stack = new QVBoxLayout(content_);
    stack->setSpacing(12);
    stack->setAlignment(Qt::AlignCenter);

    auto* icon = new QLabel(content_);
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    icon->setFixedSize(64, 64);
    icon->setScaledContents(true);
    stack->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = new QLabel(QString::fromStdString(appInfo_.displayName()), content_);
    name->setObjectName("aboutName");
    QFont headline = name->font();
    headline.setPointSizeF(13);
    headline.setBold(true);
    name->setFont(headline);
    stack->addWidget(name, 0, Qt::AlignHCenter);

    const std::string versionText = appInfo_.version() + " (" + appInfo_.buildNumber() + ")";
    auto* version =
        new QLabel(QString::fromStdString(L10n::text(L10nKey::versionLabel, versionText)), content_);
    version->setObjectName("aboutVersion");
    QFont footnote = version->font();
    footnote.setPointSizeF(10);
    version->setFont(footnote);
    QPalette secondary = version->palette();
    QColor grey = secondary.color(QPalette::WindowText);
    grey.setAlphaF(0.6f);
    secondary.setColor(QPalette::WindowText, grey);
    version->setPalette(secondary);
    stack->addWidget(version, 0, Qt::AlignHCenter);

    layout()->addWidget(content_);
}

AboutWindowController::AboutWindowController(WindowManager& windowManager,
                                             NotificationCenter& notificationCenter, AppInfo appInfo)
    : windowManager_(windowManager), appInfo_(std::move(appInfo)) {
    // Delivered on a later turn; a window closed meanwhile is simply not found.
    languageObservation_ = notificationCenter.addObserver(AppLanguage::didChangeNotification, [this] {
        if (AboutWindow* open = window()) open->reloadTexts();
    });
}

void AboutWindowController::showWindow() {
    windowManager_.showWindow(
        identifier, [this]() -> std::unique_ptr<QWidget> { return std::make_unique<AboutWindow>(appInfo_); });
}

AboutWindow* AboutWindowController::window() const {
    return qobject_cast<AboutWindow*>(windowManager_.window(identifier));
}

}  // namespace quorvane
