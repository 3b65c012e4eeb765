// Every text of the settings and classification windows reads whole at the smallest size the window allows,
// in English and in Chinese.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <map>
#include <memory>

#include "classification/LocalClipboardClassificationService.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeApplicationFilePicker.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationRuleEditorDialog.h"
#include "settings/widgets/ClassificationUserRulesTab.h"
#include "settings/widgets/ClassificationWindow.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "settings/widgets/StorageSettingsView.h"
#include "support/CutTexts.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class TextsFitTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        fixture_.defaults.set(AppLanguage::defaultsKey, DefaultsValue(std::string(GetParam())));
    }

    // The standard pages plus the storage and application filter pages over in-memory services.
    SettingsPageFactories allPages() {
        SettingsPageFactories factories = SettingsPageFactories::standard();
        factories.set(SettingsModuleIdentifier::storage, [this](SettingsWindowServices&) -> QWidget* {
            return new StorageSettingsView(StorageSettingsViewModel::Services{
                directories_, [this] { return std::make_shared<EmptyClipboardHistoryManager>(queue_); },
                [](std::function<void()>, StorageSettingsViewModel::DirectoryCompletion) {}, nullptr,
                fixture_.alerts, center_, *queue_, clock_, nullptr, nullptr});
        });
        factories.set(SettingsModuleIdentifier::appFilter, [this](SettingsWindowServices&) -> QWidget* {
            return new IgnoredAppsSettingsView(IgnoredAppsSettingsView::Services{
                fixture_.defaults, ignoredApps_, catalog_, reader_, fixture_.alerts, picker_});
        });
        return factories;
    }

    static void settle() {
        for (int turn = 0; turn < 5; ++turn) QApplication::processEvents();
    }
    static QString folder() { return testing::screenshotFolder("settings"); }
    static std::string report(const QString& where, const QStringList& cut) {
        return (where + ":\n  " + cut.join("\n  ")).toStdString();
    }

    QApplication& application_ = testing::qtTestApplication();
    testing::SettingsWindowFixture fixture_;
    testing::TemporaryDirectory home_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager directories_{
        fixture_.defaults, workspace_, [this](const std::string& name) {
            return name == "HOME" ? std::optional<std::string>(home_.path().string()) : std::nullopt;
        }};
    std::shared_ptr<QtMainQueue> queue_ = std::make_shared<QtMainQueue>();
    NotificationCenter center_{*queue_};
    SystemClock clock_;
    InMemoryApplicationCatalog catalog_;
    ClipboardIgnoredAppsSettings ignoredApps_{catalog_};
    DesktopApplicationFileReader reader_;
    FakeApplicationFilePicker picker_;
};

TEST_P(TextsFitTest, EverySettingsPageAtTheSmallestWindow) {
    SettingsWindowController window(*fixture_.services, allPages());
    window.show();
    window.resize(window.minimumSize());
    for (const auto module : allSettingsModuleIdentifiers) {
        window.selectModule(module);
        fixture_.loop.runUntilIdle();
        settle();
        ASSERT_EQ(window.size(), window.minimumSize());
        const QString name = QString::fromStdString(std::string(rawValue(module)));
        const QStringList cut = testing::cutTexts(&window);
        EXPECT_TRUE(cut.isEmpty()) << report(name, cut);
        window.grab().save(folder() + "/smallest-" + name + "-" + GetParam() + ".png");
    }
}

TEST_P(TextsFitTest, EveryClassificationTabAndTheRuleEditorAtTheSmallestWindow) {
    auto window = std::make_unique<ClassificationWindow>(
        std::make_unique<ClassificationSettingsViewModel>(
            fixture_.defaults, std::make_unique<LocalClipboardClassificationService>()),
        fixture_.alerts);
    window->show();
    window->resize(window->minimumSize());
    for (int index = 0; index < window->tabBar()->count(); ++index) {
        window->selectTab(index);
        settle();
        const QStringList cut = testing::cutTexts(window.get());
        EXPECT_TRUE(cut.isEmpty()) << report(window->tabBar()->tabText(index), cut);
        window->grab().save(folder() + QString("/smallest-classification-tab%1-").arg(index) + GetParam() +
                            ".png");
    }

    window->selectTab(1);
    window->userRulesTab()->addButton()->click();
    auto* editor = window->userRulesTab()->editor();
    ASSERT_NE(editor, nullptr);
    editor->adjustSize();
    settle();
    const QStringList cut = testing::cutTexts(editor);
    EXPECT_TRUE(cut.isEmpty()) << report("rule editor", cut);
    editor->reject();
}

INSTANTIATE_TEST_SUITE_P(Languages, TextsFitTest, ::testing::Values("en", "zh-Hans"));

}  // namespace
}  // namespace quorvane
