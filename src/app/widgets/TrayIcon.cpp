#include "app/widgets/TrayIcon.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QPointer>

#include "app/widgets/ShellIcons.h"

namespace quorvane {

TrayIcon::TrayIcon(MenuBarManager& manager, QObject* parent)
    : QObject(parent),
      manager_(manager),
      menu_(std::make_unique<QMenu>()),
      trayIcon_(std::make_unique<QSystemTrayIcon>()) {
    trayIcon_->setContextMenu(menu_.get());
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    manager_.perform(MenuBarAction::openClipboardHistoryPanel);
            });
    // The menu is rebuilt from fresh state every time it is about to open.
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        manager_.menuNeedsUpdate();
        manager_.menuWillOpen();
        render();
    });
    connect(menu_.get(), &QMenu::aboutToHide, this, [this] { manager_.menuDidClose(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) manager_.applicationDidBecomeActive();
    });
    qApp->installEventFilter(this);
    QPointer<TrayIcon> guard(this);
    changes_ = manager_.observeChanges([guard] {
        if (guard) guard->render();
    });
    render();
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // The icons are tinted with the palette: draw them again after it changed.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        shownItems_.clear();
        render();
    }
    return QObject::eventFilter(watched, event);
}

TrayIcon::~TrayIcon() {
    trayIcon_->hide();
}

void TrayIcon::render() {
    const MenuBarPresentation& presentation = manager_.presentation();
    if (!presentation.showsIcon) {
        trayIcon_->hide();
        return;
    }
    const QColor color =
        presentation.tinted ? attentionTint() : QApplication::palette().color(QPalette::WindowText);
    trayIcon_->setIcon(shellIcon(presentation.iconSymbolName, color, 22));
    trayIcon_->setToolTip(QString::fromStdString(presentation.toolTip));
    rebuildMenu(presentation);
    // Without a tray host there is nothing to show in; the hot key and the settings still work.
    if (!presentation.hiddenBySystem) trayIcon_->show();
}

void TrayIcon::rebuildMenu(const MenuBarPresentation& presentation) {
    if (presentation.items == shownItems_) return;
    shownItems_ = presentation.items;
    menu_->clear();
    const QColor iconColor = menu_->palette().color(QPalette::WindowText);
    for (const MenuBarItem& item : presentation.items) {
        if (item.kind == MenuBarItem::Kind::separator) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromStdString(item.title));
        if (!item.symbolName.empty()) action->setIcon(shellIcon(item.symbolName, iconColor, 16));
        action->setEnabled(item.enabled && item.kind == MenuBarItem::Kind::command);
        if (!item.keyEquivalent.empty()) {
            action->setShortcut(
                QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(item.keyEquivalent)));
        }
        if (!item.accessibilityText.empty())
            action->setToolTip(QString::fromStdString(item.accessibilityText));
        const MenuBarAction command = item.action;
        // Queued: a command that changes the menu must not rebuild it inside its own trigger.
        connect(
            action, &QAction::triggered, this, [this, command] { manager_.perform(command); },
            Qt::QueuedConnection);
    }
}

}  // namespace quorvane
