// The settings window on a real X display, one picture per page, in light and dark palettes, English and
// Chinese, with the tray missing so the general page shows its hint. The pictures land in the build folder
// ("screenshots/") for review; the test checks each page came up before it takes the picture.

#include <gtest/gtest.h>

#include <QLabel>

#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "settings/widgets/AdvancedSettingsViewController.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "settings/widgets/ShortcutsSettingsViewController.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

class SettingsWindowScreenshotTest : public testing::ScreenshotTest {
protected:
    SettingsWindowScreenshotTest() : ScreenshotTest("settings") {}
};

TEST_P(SettingsWindowScreenshotTest, EveryPage) {
    testing::SettingsWindowFixture fixture;
    if (chinese) fixture.defaults.set(AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans")));
    fixture.trayHost.setAvailable(false);
    fixture.searchService->stats = {1234, 5000, Date(fixture.clock.now().timeIntervalSince1970 - 120)};
    fixture.searchService->metrics = {
        {ClipboardSearchRuntimeOperationKind::search, {12, 1, 3.14, 120.6, 200.0, 4.0, std::nullopt}}};
    ClipboardHotkeySetting::store(fixture.defaults, KeyCombo::defaultClipboardHistory());

    SettingsWindowController window(*fixture.services, SettingsPageFactories::standard());
    window.resize(760, 1040);
    window.show();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&window] { return window.isVisible(); }));
    fixture.loop.runUntilIdle();
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));

    auto* general =
        dynamic_cast<ShortcutsSettingsViewController*>(window.page(SettingsModuleIdentifier::general));
    ASSERT_NE(general, nullptr);
    EXPECT_FALSE(general->menuBarSystemVisibilityHintLabel()->isHidden());
    save(window, "general");

    window.selectModule(SettingsModuleIdentifier::advanced);
    fixture.loop.runUntilIdle();
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    auto* advanced = dynamic_cast<AdvancedSettingsViewController*>(window.currentPage());
    ASSERT_NE(advanced, nullptr);
    EXPECT_TRUE(advanced->searchIndexStatsLabel()->text().contains("1234"));
    save(window, "advanced");
}

INSTANTIATE_TEST_SUITE_P(Appearances, SettingsWindowScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane
