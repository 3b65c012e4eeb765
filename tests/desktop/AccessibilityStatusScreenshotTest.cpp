// The advanced settings page's accessibility status over the desktop's real accessibility bus
// (at-spi-bus-launcher on a session bus of its own): off, switched on by a mouse click on the request button,
// and switched off again in the desktop's settings. One picture of each, in light and dark, English and
// Chinese, saved to the build folder ("screenshots/") for review.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <cstdlib>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "settings/widgets/AdvancedSettingsViewController.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "support/QtTestApplication.h"
#include "system/AccessibilityPermissionManager.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

class AccessibilityStatusScreenshotTest : public testing::ScreenshotTest {
protected:
    AccessibilityStatusScreenshotTest() : ScreenshotTest("accessibility") {}

    // The pictures are for review only; the status texts carry the checks.
    void save(QWidget& window, const QString& state) {
        const QString name = picturePath(state);
        ASSERT_TRUE(window.grab().toImage().save(name)) << name.toStdString();
    }
};

TEST_P(AccessibilityStatusScreenshotTest, StatusFollowsTheBusAndTheButtonSwitchesItOn) {
    testing::AccessibilityBusSession session(DesktopSession::display());
    ASSERT_TRUE(session.start()) << session.failure();
    setenv("DBUS_SESSION_BUS_ADDRESS", session.sessionBusAddress().toUtf8().constData(), 1);
    ASSERT_TRUE(session.setAccessibilityEnabled(false));

    testing::SettingsWindowFixture fixture;
    if (chinese) fixture.defaults.set(AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans")));
    X11AccessibilityTrust trust;
    int settingsOpened = 0;
    AccessibilityPermissionManager manager(
        fixture.defaults, fixture.loop, [&trust] { return trust.isProcessTrusted(); },
        AccessibilityPermissionManager::requesterFor(trust), [&](const std::string&) { ++settingsOpened; });
    SettingsWindowServices services{fixture.defaults,
                                    fixture.notifications,
                                    fixture.loop,
                                    fixture.windowManager,
                                    fixture.alerts,
                                    fixture.hotkeys,
                                    fixture.launchAtLogin,
                                    fixture.trayHost,
                                    manager,
                                    fixture.clock,
                                    DistributionChannel::direct,
                                    "Quorvane",
                                    [&fixture] { return fixture.searchService; },
                                    {},
                                    {},
                                    {},
                                    {}};

    SettingsWindowController window(services, SettingsPageFactories::standard());
    window.resize(760, 1040);
    window.show();
    window.selectModule(SettingsModuleIdentifier::advanced);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&window] { return window.isVisible(); }));
    fixture.loop.runUntilIdle();
    DesktopSession::processEventsFor(std::chrono::milliseconds(200));
    auto* advanced = dynamic_cast<AdvancedSettingsViewController*>(window.currentPage());
    ASSERT_NE(advanced, nullptr);
    QLabel* status = advanced->accessibilityStatusValueLabel();
    QPushButton* request = advanced->accessibilityRequestButton();
    EXPECT_EQ(status->text(), chinese ? "未确定" : "Not Determined");
    ASSERT_TRUE(request->isVisible());
    save(window, "off");

    // A click on the request button, as a user makes it; again if a loaded window manager had not yet put
    // the window where Qt thinks it is.
    const auto busEnabled = [] {
        return X11AccessibilityTrust::accessibilityBusEnabled() == std::optional<bool>(true);
    };
    for (int attempt = 0; attempt < 3 && !busEnabled(); ++attempt) {
        const QPoint target = request->mapToGlobal(request->rect().center());
        ASSERT_EQ(DesktopSession::run("xdotool", {"mousemove", QString::number(target.x()),
                                                  QString::number(target.y()), "click", "1"})
                      .exitCode,
                  0);
        DesktopSession::processEventsUntil(busEnabled);
    }
    ASSERT_TRUE(busEnabled()) << "the click did not switch the accessibility bus on";
    fixture.loop.advance(AdvancedSettingsViewModel::permissionRecheckDelaySeconds);
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(status->text(), chinese ? "已授权" : "Authorized");
    EXPECT_FALSE(request->isVisible());
    EXPECT_EQ(settingsOpened, 1);
    save(window, "on");

    // Switched off in the desktop's settings: shown the next time the page is looked at, once the bus has
    // announced it.
    ASSERT_TRUE(session.setAccessibilityEnabled(false));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&trust] { return !trust.isProcessTrusted(); }));
    advanced->refresh();
    fixture.loop.runUntilIdle();
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(status->text(), chinese ? "未授权" : "Not Authorized");
    EXPECT_TRUE(request->isVisible());
    save(window, "denied");
}

INSTANTIATE_TEST_SUITE_P(Appearances, AccessibilityStatusScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane
