#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>
#include <map>

#include "history/EmptyClipboardHistoryManager.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "settings/widgets/StorageSettingsView.h"
#include "support/PaletteAndLanguageLoop.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class StorageSettingsViewTest : public ::testing::Test {
protected:
    std::unique_ptr<StorageSettingsView> makePage() {
        auto page = std::make_unique<StorageSettingsView>(StorageSettingsViewModel::Services{
            manager_, [this] { return std::make_shared<EmptyClipboardHistoryManager>(sharedQueue_); },
            [this](std::function<void()> willStart, StorageSettingsViewModel::DirectoryCompletion done) {
                heldWillStart_ = std::move(willStart);
                heldCompletion_ = std::move(done);
            },
            nullptr, alerts_, center_, *sharedQueue_, clock_, nullptr, nullptr});
        page->show();
        return page;
    }
    static bool waitFor(const std::function<bool()>& condition) {
        for (int turn = 0; turn < 200 && !condition(); ++turn) QTest::qWait(10);
        return condition();
    }

    // First: the main queue below needs the application.
    QApplication& application_ = testing::qtTestApplication();
    testing::TemporaryDirectory directory_;
    std::map<std::string, std::string> environment_{{"HOME", directory_.path().string()}};
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager manager_{
        defaults_, workspace_, [this](const std::string& name) {
            auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt : std::optional<std::string>(found->second);
        }};
    std::shared_ptr<QtMainQueue> sharedQueue_ = std::make_shared<QtMainQueue>();
    NotificationCenter center_{*sharedQueue_};
    SystemClock clock_;
    FakeAlertPresenter alerts_;
    std::function<void()> heldWillStart_;
    StorageSettingsViewModel::DirectoryCompletion heldCompletion_;
};

TEST_F(StorageSettingsViewTest, FiguresFillInAndTheButtonsStayOffWhileAMoveRuns) {
    auto page = makePage();
    EXPECT_EQ(page->itemCountValueLabel()->text(), "Loading...");
    EXPECT_FALSE(page->clearHistoryButton()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return page->itemCountValueLabel()->text() == "0"; }));
    EXPECT_EQ(page->lastSavedValueLabel()->text(), "No history yet");
    EXPECT_EQ(page->diskUsageValueLabel()->text(), "0 bytes");
    EXPECT_EQ(page->shownDataDirectoryPath(), "~/.local/share/Quorvane/QuorvaneData");
    EXPECT_TRUE(page->selectDirectoryButton()->isEnabled());
    EXPECT_FALSE(page->resetDirectoryButton()->isEnabled());

    QTest::mouseClick(page->selectDirectoryButton(), Qt::LeftButton);
    ASSERT_TRUE(heldCompletion_);
    ASSERT_TRUE(waitFor([&] { return !page->selectDirectoryButton()->isEnabled(); }));
    EXPECT_FALSE(page->clearHistoryButton()->isEnabled());
    // A click meanwhile starts nothing.
    heldCompletion_ = nullptr;
    QTest::mouseClick(page->selectDirectoryButton(), Qt::LeftButton);
    EXPECT_FALSE(heldCompletion_);

    QTest::mouseClick(page->showInFileManagerButton(), Qt::LeftButton);
    EXPECT_EQ(workspace_.openedFiles.size(), 1u);
}

TEST_F(StorageSettingsViewTest, CancelledMoveShowsNoAlertAndTurnsTheButtonsBackOn) {
    auto page = makePage();
    ASSERT_TRUE(waitFor([&] { return page->viewModel().hasLoadedStorageUsageSummary(); }));
    QTest::mouseClick(page->selectDirectoryButton(), Qt::LeftButton);
    ASSERT_TRUE(heldCompletion_);
    heldCompletion_(StorageMoveOutcome::cancelled);
    ASSERT_TRUE(waitFor([&] { return page->selectDirectoryButton()->isEnabled(); }));
    EXPECT_TRUE(alerts_.presented.empty());
}

TEST_F(StorageSettingsViewTest, ARefusedFolderIsNamedOnThePageInEachLanguageAndPalette) {
    StandardAppLanguage language(defaults_);
    manager_.setStorageRefusal(StoragePrivacyError(StoragePrivacyError::Problem::writableByOthers,
                                                   manager_.storageDirectoryURL(), "writable by others"));
    const QString folder = testing::screenshotFolder("settings");
    testing::forEachPaletteAndLanguage(
        defaults_, [&](const QString& paletteName, const QString& languageName) {
            auto page = makePage();
            page->resize(760, 640);
            ASSERT_TRUE(waitFor([&] { return page->viewModel().hasLoadedStorageUsageSummary(); }));
            QTest::qWait(50);
            EXPECT_TRUE(page->storageRefusalLabel()->isVisible());
            EXPECT_EQ(
                page->storageRefusalLabel()->text().toStdString(),
                L10n::text(L10nKey::storageRefusedWritableByOthers, "~/.local/share/Quorvane/QuorvaneData"));
            const QString path = folder + "/storage-refused-" + paletteName + "-" + languageName + ".png";
            EXPECT_TRUE(page->grab().save(path)) << path.toStdString();
        });

    // A build that succeeds takes the refusal back.
    manager_.setStorageRefusal(std::nullopt);
    auto page = makePage();
    ASSERT_TRUE(waitFor([&] { return page->viewModel().hasLoadedStorageUsageSummary(); }));
    EXPECT_FALSE(page->storageRefusalLabel()->isVisible());
}

}  // namespace
}  // namespace quorvane
