#pragma once

// The main menu's key equivalents on a desktop without a global menu bar: every item with one becomes a
// QAction whose shortcut works in each of our ordinary top-level windows (settings, classification,
// onboarding, About), added to a window when it is first shown. Panels and dialogs keep their own keys.
// The window commands act on the active window, the Edit commands on the focused control (its slot of the
// same name, when it has one); every other command goes to the handler. Main thread only.

#include <QAction>
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

#include "app/model/AppMainMenu.h"

namespace quorvane {

class MainMenuShortcuts final : public QObject {
    Q_OBJECT

public:
    // `menu` must outlive this object. `handler` runs the application commands (Settings, Quit, ...).
    MainMenuShortcuts(AppMainMenu& menu, std::function<void(AppMenuAction)> handler,
                      QObject* parent = nullptr);
    ~MainMenuShortcuts() override;

    // The action of a menu command, or null when the command has no shortcut here.
    QAction* action(AppMenuAction action) const;
    // Adds the shortcuts to `window` (done on its first showing for every ordinary top-level window).
    void attach(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();
    void perform(AppMenuAction action);

    AppMainMenu& menu_;
    std::function<void(AppMenuAction)> handler_;
    std::map<AppMenuAction, QAction*> actions_;
    Subscription menuObservation_;
};

}  // namespace quorvane
