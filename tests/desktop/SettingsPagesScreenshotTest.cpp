// The storage and ignored-applications pages on a real X display, filled from a real history store and an
// application catalog, photographed in light and dark palettes, in English and Chinese. The pictures land in
// the build folder ("screenshots/") for review; the test checks each state came up before it takes the
// picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QUrl>
#include <fstream>
#include <map>

#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/linux/ApplicationListDialog.h"
#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeApplicationFilePicker.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/FakeFolderPicker.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "settings/widgets/StorageSettingsView.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::DesktopSession;

class NoCapture final : public CaptureSuspension {
public:
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }
};

class SettingsPagesScreenshotTest : public testing::ScreenshotTest {
protected:
    SettingsPagesScreenshotTest() : ScreenshotTest("settings") {}
};

TEST_P(SettingsPagesScreenshotTest, StoragePageWithAHistory) {
    testing::TemporaryDirectory directory;
    std::map<std::string, std::string> environment{{"HOME", (directory / "home").string()}};
    RecordingWorkspaceOpener workspace;
    DataDirectoryManager manager(defaults, workspace, [&](const std::string& name) {
        auto found = environment.find(name);
        return found == environment.end() ? std::nullopt : std::optional<std::string>(found->second);
    });
    QtMainQueue mainQueue;
    NotificationCenter center(mainQueue);
    SystemClock clock;
    auto repository =
        std::make_shared<ClipboardHistoryRepository>(manager, nullptr, mainQueue, center, defaults, clock);
    auto historyManager =
        std::make_shared<ClipboardHistoryManager>(repository, std::make_shared<NoCapture>());
    for (int index = 0; index < 1234; ++index) {
        const std::string text = "Entry " + std::to_string(index) + " " + std::string(200, 'x');
        repository->saveTextItem(
            {.id = "t" + std::to_string(index), .preview = text, .searchText = text, .content = text});
    }
    repository->saveImageItem(
        {.id = "image", .preview = "Image", .imageData = std::vector<std::uint8_t>(4096, 7)});
    FakeAlertPresenter alerts;
    StorageSettingsView page(
        StorageSettingsViewModel::Services{manager, [historyManager] { return historyManager; }, nullptr,
                                           nullptr, alerts, center, mainQueue, clock, nullptr, nullptr});
    page.resize(760, 640);
    page.show();
    page.refresh();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return page.viewModel().hasLoadedStorageUsageSummary() && page.itemCountValueLabel()->text() != "" &&
               page.viewModel().storageUsageSummary().itemCount == 1235;
    }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(page.itemCountValueLabel()->text(), "1,235");
    EXPECT_TRUE(page.clearHistoryButton()->isEnabled());
    EXPECT_FALSE(page.resetDirectoryButton()->isEnabled());
    save(page, "storage");

    // A move copies the files: the page shows the move, not the closed services' empty history.
    manager.setStorageMoveCopying(true);
    manager.storageMoveBytesCopied().store(48'300'000);
    page.viewModel().loadStorageUsageSummary();
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return page.itemCountValueLabel()->text() != "1,235"; }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(page.itemCountValueLabel()->text().toStdString(), L10n::text(L10nKey::storageMoving));
    save(page, "storage-moving");
    manager.setStorageMoveCopying(false);

    // After Clear All History: what remains on disk.
    alerts.script({L10n::text(L10nKey::storageClearHistoryButton)});
    page.viewModel().clearHistory();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return page.viewModel().storageUsageSummary().itemCount == 0 &&
               !page.clearHistoryButton()->isEnabled();
    }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    save(page, "storage-cleared");
}

TEST_P(SettingsPagesScreenshotTest, IgnoredAppsPageWithASelectionAndAHoveringDrop) {
    testing::TemporaryDirectory directory;
    InMemoryApplicationCatalog catalog;
    InstalledApplication keepass;
    keepass.identifier = "org.keepassxc.KeePassXC";
    keepass.name = "KeePassXC";
    keepass.icon = "keepassxc";
    catalog.install(keepass);
    InstalledApplication bitwarden;
    bitwarden.identifier = "com.bitwarden.desktop";
    bitwarden.name = "Bitwarden";
    bitwarden.localizedNames = {{"zh_CN", "Bitwarden 密码管理器"}};
    catalog.install(bitwarden);
    ClipboardIgnoredAppsSettings ignoredApps(catalog);
    for (const char* identifier : {"org.keepassxc.KeePassXC", "com.bitwarden.desktop", "org.example.Removed"})
        ignoredApps.addIgnoredAppBundleIdentifier(defaults, identifier);
    DesktopApplicationFileReader reader;
    FakeAlertPresenter alerts;
    FakeApplicationFilePicker picker;
    IgnoredAppsSettingsView page(
        IgnoredAppsSettingsView::Services{defaults, ignoredApps, catalog, reader, alerts, picker});
    page.resize(760, 520);
    page.show();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return page.list()->count() == 3; }));
    page.reloadIgnoredApps(std::string("org.keepassxc.KeePassXC"));
    EXPECT_TRUE(page.removeButton()->isEnabled());
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(page, "appfilter");

    const fs::path file = directory / "org.example.Notes.desktop";
    std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=Notes\n";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page.dropTarget(), &enter);
    ASSERT_TRUE(page.dropTarget()->isDropTargetActive());
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(page, "appfilter-drop");
}

// The add button's picker: the applications by the names and icons of their desktop entries, in name order.
TEST_P(SettingsPagesScreenshotTest, AppFilterPickerListsApplicationsByName) {
    testing::TemporaryDirectory directory;
    InMemoryApplicationCatalog catalog;
    const auto install = [&](const std::string& identifier, const std::string& name,
                             const std::string& chinese, const char* colour) {
        InstalledApplication application;
        application.identifier = identifier;
        application.name = name;
        if (!chinese.empty()) application.localizedNames = {{"zh_CN", chinese}};
        if (colour) {
            const fs::path icon = directory / (identifier + ".svg");
            std::ofstream(icon) << "<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'>"
                                << "<rect x='2' y='2' width='20' height='20' rx='5' fill='" << colour
                                << "'/></svg>";
            application.icon = icon.string();
        }
        application.desktopFilePath = "/usr/share/applications/" + identifier + ".desktop";
        catalog.install(application);
    };
    install("org.gnome.TextEditor", "Text Editor", "文本编辑器", "#3584e4");
    install("org.keepassxc.KeePassXC", "KeePassXC", "", "#6cac4d");
    install("com.bitwarden.desktop", "Bitwarden", "Bitwarden 密码管理器", "#175ddc");
    install("org.gnome.Terminal", "Terminal", "终端", "#241f31");
    install("firefox-esr", "Firefox ESR", "", nullptr);
    ClipboardIgnoredAppsSettings ignoredApps(catalog);
    DesktopApplicationFileReader reader;
    FakeAlertPresenter alerts;
    FakeApplicationFilePicker picker;
    IgnoredAppsSettingsView page(
        IgnoredAppsSettingsView::Services{defaults, ignoredApps, catalog, reader, alerts, picker});
    page.addButton()->click();
    ASSERT_EQ(picker.requests.size(), 1u);

    ApplicationListDialog dialog(picker.requests.front());
    dialog.show();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return dialog.isVisible(); }));
    ASSERT_EQ(dialog.list()->count(), 5);
    // In the order handed in: in Chinese a Han name stands under the letter of its pinyin.
    QStringList shown;
    for (int row = 0; row < dialog.list()->count(); ++row) shown.push_back(dialog.list()->item(row)->text());
    const QStringList expected =
        chinese ? QStringList{QString::fromUtf8("Bitwarden 密码管理器"), "Firefox ESR", "KeePassXC",
                              QString::fromUtf8("文本编辑器"), QString::fromUtf8("终端")}
                : QStringList{"Bitwarden", "Firefox ESR", "KeePassXC", "Terminal", "Text Editor"};
    EXPECT_EQ(shown, expected);
    // Qt's own button in the interface language, as the program shows it.
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove('&'),
              chinese ? QString::fromUtf8("取消") : QStringLiteral("Cancel"));
    dialog.list()->setCurrentRow(1);
    EXPECT_TRUE(dialog.acceptButton()->isEnabled());
    EXPECT_EQ(dialog.chosenFile(), picker.requests.front().applications[1].file);
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(dialog, "appfilter-picker");

    // Typing narrows the list and chooses the first that is left.
    dialog.filterField()->setText(chinese ? QString::fromUtf8("终端") : QStringLiteral("term"));
    EXPECT_EQ(dialog.chosenFile(), fs::path("/usr/share/applications/org.gnome.Terminal.desktop"));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(dialog, "appfilter-picker-filtered", 8);
}

INSTANTIATE_TEST_SUITE_P(Appearances, SettingsPagesScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane
