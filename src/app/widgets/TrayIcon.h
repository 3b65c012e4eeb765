#pragma once

// The tray item: draws the tray model's icon, tint, tool tip and menu with QSystemTrayIcon and QMenu, and
// hands every click and menu choice back to the model. Holds no rule of its own. Main thread only.

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

#include "app/model/MenuBarManager.h"

namespace quorvane {

class TrayIcon final : public QObject {
    Q_OBJECT

public:
    // `manager` must outlive the tray item.
    explicit TrayIcon(MenuBarManager& manager, QObject* parent = nullptr);
    ~TrayIcon() override;

    QMenu* menu() const { return menu_.get(); }
    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }
    // Draws the model's current state (also called when the model reports a change).
    void render();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildMenu(const MenuBarPresentation& presentation);

    MenuBarManager& manager_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    std::vector<MenuBarItem> shownItems_;
    Subscription changes_;
};

}  // namespace quorvane
