// The settings window on a real X display, one picture per page, in light and dark palettes, English and
// Chinese, with the tray missing so the general page shows its hint. The pictures land in the build folder
// ("screenshots/") for review; the test checks each page came up before it takes the picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QStyleFactory>

#include "desktop/DesktopSession.h"
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

class SettingsWindowScreenshotTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        dark = std::get<0>(GetParam());
        chinese = std::get<1>(GetParam());
        QApplication::setPalette(dark ? testing::darkTestPalette() : testing::lightTestPalette());
        QFont font("DejaVu Sans");
        font.setPointSizeF(10);
        QApplication::setFont(font);
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
    }

    void save(QWidget& window, const QString& state) {
        const QString name =
            QStringLiteral("%1/settings-%2-%3-%4.png")
                .arg(QUORVANE_SCREENSHOT_DIR, state, dark ? "dark" : "light", chinese ? "zh" : "en");
        const QImage image = window.grab().toImage();
        ASSERT_TRUE(image.save(name)) << name.toStdString();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 5) {
            for (int x = 0; x < image.width(); x += 5) colours.insert(image.pixel(x, y));
        }
        EXPECT_GT(colours.size(), 20) << "the picture looks blank: " << name.toStdString();
    }

    bool dark = false;
    bool chinese = false;
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
