#pragma once

// The window class of the centred and the floating panel: a frameless tool window that stays on top and takes
// keyboard focus, so its search field gets the typing, without becoming the application's main window. X11
// has no non-activating key panel, so "becoming key" is taking focus and "resigning key" is losing activation
// to another window; deactivation caused by the panel's own menus does not count. Main thread only.

#include <QWidget>
#include <cstdint>

namespace quorvane {

class KeyablePanel : public QWidget {
    Q_OBJECT

public:
    explicit KeyablePanel(QWidget* parent = nullptr);

    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return false; }

    // Shows the panel in front and gives it the keyboard focus.
    void present();
    // As present(), first stamping the window with `userTime`, the X server time of the key press that asked
    // for it, so the window manager's focus-stealing prevention lets it take the focus. 0: no stamp.
    void present(std::uint32_t userTime);

signals:
    // The panel lost activation to a window that is not one of its own pop-ups.
    void didResignKey();

protected:
    bool event(QEvent* event) override;

private:
    // Stamps the window with `userTime` and asks the window manager to activate it.
    void requestActivation(std::uint32_t userTime);
    // True when the active pop-up or window belongs to this panel (its menus, its tool tips).
    bool activationStaysWithPanel() const;
};

}  // namespace quorvane
