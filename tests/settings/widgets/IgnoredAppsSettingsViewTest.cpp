#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QtTest/QTest>
#include <fstream>

#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeApplicationFilePicker.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "support/LogCapture.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

class IgnoredAppsSettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::qtTestApplication();
        page_ = std::make_unique<IgnoredAppsSettingsView>(
            IgnoredAppsSettingsView::Services{defaults_, ignoredApps_, catalog_, reader_, alerts_, picker_});
        page_->resize(600, 420);
        page_->show();
    }

    fs::path desktopFile(const std::string& fileName, const std::string& contents) {
        const fs::path file = directory_ / fileName;
        std::ofstream(file) << contents;
        return file;
    }

    // Drags `files` over the list; returns whether the drag was offered a copy.
    bool dragOver(const std::vector<fs::path>& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& file : files)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page_->dropTarget(), &enter);
        return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    }
    // Drags and drops `files` on the list; returns whether the drop was taken.
    bool drop(const std::vector<fs::path>& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& file : files)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page_->dropTarget(), &enter);
        QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page_->dropTarget(), &dropped);
        return dropped.isAccepted();
    }
    std::vector<std::string> stored() const {
        return ClipboardIgnoredAppsSettings::ignoredAppBundleIdentifiers(defaults_);
    }
    QString selectedText() const {
        const auto selected = page_->list()->selectedItems();
        return selected.isEmpty() ? QString() : selected.front()->text();
    }

    testing::TemporaryDirectory directory_;
    InMemoryUserDefaults defaults_;
    InMemoryApplicationCatalog catalog_;
    ClipboardIgnoredAppsSettings ignoredApps_{catalog_};
    DesktopApplicationFileReader reader_;
    FakeAlertPresenter alerts_;
    FakeApplicationFilePicker picker_;
    std::unique_ptr<IgnoredAppsSettingsView> page_;
};

TEST_F(IgnoredAppsSettingsViewTest, DroppingADesktopFileAddsItsApplicationOnce) {
    const fs::path vault = desktopFile("org.example.Vault.desktop",
                                       "[Desktop Entry]\nType=Application\nName=Vault\nExec=vault\n");
    EXPECT_TRUE(dragOver({vault}));
    EXPECT_TRUE(page_->dropTarget()->isDropTargetActive());
    ASSERT_TRUE(drop({vault}));
    EXPECT_FALSE(page_->dropTarget()->isDropTargetActive());
    EXPECT_EQ(stored(), std::vector<std::string>{"org.example.Vault"});
    ASSERT_EQ(page_->list()->count(), 1);
    // Not installed, so it is named by its identifier; the new row is selected.
    EXPECT_EQ(selectedText(), "org.example.Vault");
    EXPECT_TRUE(page_->removeButton()->isEnabled());
    EXPECT_TRUE(alerts_.presented.empty());

    ASSERT_TRUE(drop({vault}));
    EXPECT_EQ(stored(), std::vector<std::string>{"org.example.Vault"});
    EXPECT_EQ(page_->list()->count(), 1);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "App Already Added");
    EXPECT_EQ(selectedText(), "org.example.Vault");
}

TEST_F(IgnoredAppsSettingsViewTest, MalformedDesktopFileIsRefusedWithTheAlertAndADocumentWhileHovering) {
    const fs::path broken = desktopFile("broken.desktop", "this is not a desktop entry\n");
    const fs::path document = desktopFile("notes.txt", "[Desktop Entry]\nType=Application\nName=Notes\n");
    EXPECT_FALSE(dragOver({document}));
    EXPECT_FALSE(page_->dropTarget()->isDropTargetActive());
    EXPECT_FALSE(drop({document}));

    testing::LogCapture log;
    ASSERT_TRUE(drop({broken}));
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(page_->list()->count(), 0);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(
        alerts_.presented[0],
        (Alert{AlertStyle::informational,
               "Cannot Add App",
               "Drop an application (.desktop file) into the list, or use the add button to choose one.",
               {"OK"}}));
    EXPECT_TRUE(log.contains("WARNING", "Failed to read application file"));
}

TEST_F(IgnoredAppsSettingsViewTest, PickedApplicationsAreAddedAndRemovingSelectsTheNextRow) {
    catalog_.install("org.gnome.Terminal", "Terminal");
    const fs::path terminal =
        desktopFile("org.gnome.Terminal.desktop", "[Desktop Entry]\nType=Application\nName=Terminal\n");
    const fs::path editor =
        desktopFile("org.gnome.TextEditor.desktop", "[Desktop Entry]\nType=Application\nName=Text Editor\n");
    picker_.script({terminal, editor, std::nullopt});
    for (int click = 0; click < 3; ++click) QTest::mouseClick(page_->addButton(), Qt::LeftButton);
    ASSERT_EQ(picker_.requests.size(), 3u);
    EXPECT_EQ(picker_.requests[0],
              (ApplicationFilePickerRequest{"Select App to Ignore", "Add", {{"Terminal", "", ""}}}));
    EXPECT_EQ(stored(), (std::vector<std::string>{"org.gnome.Terminal", "org.gnome.TextEditor"}));
    EXPECT_EQ(page_->list()->item(0)->text(), "Terminal");

    page_->list()->setCurrentRow(0);
    QTest::mouseClick(page_->removeButton(), Qt::LeftButton);
    EXPECT_EQ(stored(), std::vector<std::string>{"org.gnome.TextEditor"});
    EXPECT_EQ(selectedText(), "org.gnome.TextEditor");
    QTest::mouseClick(page_->removeButton(), Qt::LeftButton);
    EXPECT_TRUE(stored().empty());
    EXPECT_FALSE(page_->removeButton()->isEnabled());
    EXPECT_TRUE(alerts_.presented.empty());
}

}  // namespace
}  // namespace quorvane
