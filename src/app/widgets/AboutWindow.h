#pragma once

// The About window: the application's icon, name and version in a fixed 300 x 200 window, and its controller,
// made once by the application coordinator and kept for the whole run. The window itself is held by the
// window registry under "about" (frame saved as "aboutWindow"); closing it drops the registry entry, and the
// next request shows a fresh one. A language change retitles an open window and rebuilds its content.

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "app/model/AppCoordinator.h"
#include "platform/NotificationCenter.h"
#include "preferences/AppInfo.h"
#include "ui/WindowManager.h"

namespace quorvane {

class AboutWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int contentWidth = 300;
    static constexpr int contentHeight = 200;

    explicit AboutWindow(AppInfo appInfo = AppInfo(), QWidget* parent = nullptr);
    // Looks every text up again in the current language.
    void reloadTexts();

private:
    void buildContent();

    AppInfo appInfo_;
    QWidget* content_ = nullptr;
};

class AboutWindowController final : public WindowPresenting {
public:
    static constexpr const char* identifier = "about";

    // `windowManager` and `notificationCenter` must outlive the controller.
    AboutWindowController(WindowManager& windowManager, NotificationCenter& notificationCenter,
                          AppInfo appInfo = AppInfo());
    void showWindow() override;
    AboutWindow* window() const;

private:
    WindowManager& windowManager_;
    AppInfo appInfo_;
    NotificationObservation languageObservation_;
};

}  // namespace quorvane
