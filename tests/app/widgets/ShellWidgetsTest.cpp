#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include "app/model/AppCoordinator.h"
#include "app/model/FakeAppUpdater.h"
#include "app/widgets/AboutWindow.h"
#include "app/widgets/ShellIcons.h"
#include "app/widgets/TrayIcon.h"
#include "capture/EmptyClipboardMonitor.h"
#include "history/ClipboardHistoryRepository.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/model/StorageSettingsViewModel.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

class ShellWidgetsTest : public ::testing::Test {
protected:
    ShellWidgetsTest() { testing::qtTestApplication(); }
    ~ShellWidgetsTest() override { defaults.set(AppLanguage::defaultsKey, std::string("en")); }

    static void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    static QStringList menuTitles(const QMenu& menu) {
        QStringList titles;
        for (const QAction* action : menu.actions()) titles << (action->isSeparator() ? "-" : action->text());
        return titles;
    }

    InMemoryUserDefaults defaults;
    StandardAppLanguage language{defaults};
    QtMainQueue mainQueue;
    NotificationCenter notifications{mainQueue};
    InMemoryTrayHost trayHost;
    FakeAppUpdater updater{AppUpdateState{true, true, AppUpdateAvailability::idle()}};
    WindowManager windowManager{defaults};
};

TEST_F(ShellWidgetsTest, IconsComeFromOurResourcesTinted) {
    const QImage image = shellPixmap("document.on.document.fill", attentionTint(), 22).toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(11, 11).rgb(), attentionTint().rgb());
    EXPECT_TRUE(shellPixmap("no.such.symbol", Qt::black, 16).isNull());
    EXPECT_FALSE(applicationIcon().pixmap(64, 64).isNull());
}

TEST_F(ShellWidgetsTest, TrayMenuShowsTheModelAndItsCommandsRunAfterTheTrigger) {
    bool paused = false;
    MenuBarManager manager(defaults, updater, mainQueue, notifications, trayHost);
    manager.isMonitoringTemporarilyPausedProvider = [&] { return paused; };
    manager.onToggleTemporaryMonitoringAction = [&] { paused = !paused; };
    TrayIcon tray(manager);
    settle();
    EXPECT_EQ(menuTitles(*tray.menu()),
              (QStringList{"Clipboard History", "Show Onboarding", "Pause Clipboard Recording",
                           "Classification...", "Settings...", "-", "Send Feedback", "Check for Updates...",
                           "About Quorvane", "-", "Quit"}));
    EXPECT_EQ(tray.menu()->actions()[4]->shortcut(), QKeySequence("Ctrl+,"));
    EXPECT_FALSE(tray.trayIcon()->icon().isNull());

    tray.menu()->actions()[2]->trigger();
    EXPECT_FALSE(paused);  // queued behind the menu's own event
    settle();
    EXPECT_TRUE(paused);
    EXPECT_EQ(tray.menu()->actions()[0]->text(), "Clipboard recording paused");
    EXPECT_FALSE(tray.menu()->actions()[0]->isEnabled());
    EXPECT_EQ(tray.trayIcon()->toolTip(),
              "Copied items are not saved to Quorvane while recording is paused.");

    // Switching the icon off hides the tray item.
    defaults.set("MenuBarShowIcon", false);
    settle();
    EXPECT_FALSE(tray.trayIcon()->isVisible());
}

TEST_F(ShellWidgetsTest, AboutWindowIsFixedReusedAndFollowsTheLanguage) {
    AboutWindowController controller(windowManager, notifications);
    controller.showWindow();
    AboutWindow* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(300, 200));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->windowTitle(), "About Quorvane");
    EXPECT_EQ(window->findChild<QLabel*>("aboutName")->text(), "Quorvane");
    EXPECT_TRUE(window->findChild<QLabel*>("aboutVersion")->text().startsWith("Version "));

    controller.showWindow();
    EXPECT_EQ(controller.window(), window);

    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
    settle();
    EXPECT_EQ(window->windowTitle(), "关于 Quorvane");
    EXPECT_TRUE(window->findChild<QLabel*>("aboutVersion")->text().startsWith("版本 "));

    // Closing drops the registry entry; the next request shows a fresh window.
    window->close();
    settle();
    EXPECT_EQ(controller.window(), nullptr);
    controller.showWindow();
    EXPECT_NE(controller.window(), nullptr);
    controller.window()->close();
    settle();
}

TEST_F(ShellWidgetsTest, ScreenshotsOfTheTrayMenuAndTheAboutWindow) {
    const QString folder = testing::screenshotFolder("app");
    bool paused = false;
    updater.setState({true, true, AppUpdateAvailability::updateAvailable("2.1")});
    MenuBarManager manager(defaults, updater, mainQueue, notifications, trayHost);
    manager.isMonitoringTemporarilyPausedProvider = [&] { return paused; };
    TrayIcon tray(manager);
    AboutWindow about;
    const std::vector<std::pair<QString, QPalette>> palettes{{"light", testing::lightTestPalette()},
                                                             {"dark", testing::darkTestPalette()}};
    for (const auto& [paletteName, palette] : palettes) {
        QApplication::setPalette(palette);
        for (const auto& [languageName, raw] :
             {std::pair<QString, const char*>{"en", "en"}, {"zh", "zh-Hans"}}) {
            defaults.set(AppLanguage::defaultsKey, std::string(raw));
            for (const bool pausedState : {false, true}) {
                paused = pausedState;
                manager.refresh(true);
                settle();
                tray.render();
                tray.menu()->adjustSize();
                const QString state = pausedState ? "paused" : "active";
                const QString path =
                    folder + "/tray-menu-" + state + "-" + paletteName + "-" + languageName + ".png";
                EXPECT_TRUE(tray.menu()->grab().save(path)) << path.toStdString();
            }
            // A history found damaged is said at the top of the menu.
            paused = false;
            notifications.post(ClipboardHistoryRepository::historyDamagedNotification);
            settle();
            tray.render();
            tray.menu()->adjustSize();
            EXPECT_EQ(tray.menu()->actions()[0]->text().toStdString(),
                      L10n::text(L10nKey::historyDamagedMenuTitle));
            EXPECT_EQ(tray.menu()->actions()[0]->toolTip().toStdString(),
                      L10n::text(L10nKey::historyDamagedStatus));
            const QString damagedPath =
                folder + "/tray-menu-damaged-" + paletteName + "-" + languageName + ".png";
            EXPECT_TRUE(tray.menu()->grab().save(damagedPath)) << damagedPath.toStdString();
            notifications.post(StorageSettingsViewModel::storageDirectoryDidChangeNotification);
            settle();
            about.reloadTexts();
            settle();
            const QString path = folder + "/about-" + paletteName + "-" + languageName + ".png";
            EXPECT_TRUE(about.grab().save(path)) << path.toStdString();
        }
        const QString iconPath = folder + "/tray-icon-" + paletteName + ".png";
        EXPECT_TRUE(tray.trayIcon()->icon().pixmap(44, 44).save(iconPath));
    }
    QApplication::setPalette(testing::lightTestPalette());
}

}  // namespace
}  // namespace quorvane
