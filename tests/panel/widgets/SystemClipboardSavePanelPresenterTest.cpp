#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "panel/widgets/SystemClipboardSavePanelPresenter.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A home folder of its own, with or without Documents.
class SystemClipboardSavePanelPresenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::widgetTestApplication();
        savedHome_ = qgetenv("HOME");
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QByteArray::fromStdString(home.path().string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home / ".config").string()));
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        if (savedConfig_.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig_);
        for (QWidget* widget : QApplication::topLevelWidgets()) delete widget;
    }

    QFileDialog* present(const ClipboardSavePanelRequest& request) {
        presenter.present(request, [this](auto destination) { answers.push_back(destination); });
        QApplication::processEvents();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
                return dialog;
        }
        for (QWidget* widget : QApplication::allWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }

    testing::TemporaryDirectory home;
    SystemClipboardSavePanelPresenter presenter;
    std::vector<std::optional<fs::path>> answers;

private:
    QByteArray savedHome_;
    QByteArray savedConfig_;
};

TEST_F(SystemClipboardSavePanelPresenterTest, OpensInDocumentsWhereItExistsElseInHomeNeverTheWorkingFolder) {
    const ClipboardSavePanelRequest request{"Save to Files", "Save As:", "text/plain", "ClipboardText.txt"};
    QFileDialog* dialog = present(request);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()), home.path());
    dialog->reject();
    EXPECT_EQ(answers, std::vector<std::optional<fs::path>>{std::nullopt});

    fs::create_directories(home / "Documents");
    dialog = present(request);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()), home / "Documents");
    EXPECT_EQ(dialog->windowTitle(), "Save to Files");
    EXPECT_EQ(dialog->nameFilters(), QStringList{SystemClipboardSavePanelPresenter::nameFilter(request)});
}

TEST_F(SystemClipboardSavePanelPresenterTest, TheFileTypeLineNamesTheTypeAndItsUsualExtensionsOnly) {
    const QString text =
        SystemClipboardSavePanelPresenter::nameFilter({"", "", "text/plain", "ClipboardText.txt"});
    EXPECT_TRUE(text.endsWith("(*.txt)")) << text.toStdString();
    EXPECT_FALSE(text.startsWith(" ")) << text.toStdString();

    const QString jpeg =
        SystemClipboardSavePanelPresenter::nameFilter({"", "", "image/jpeg", "ClipboardImage.jpg"});
    EXPECT_TRUE(jpeg.contains("(*.jpg")) << jpeg.toStdString();
    EXPECT_FALSE(jpeg.contains(",")) << jpeg.toStdString();

    // A type nobody knows still reads as its extension.
    const QString odd =
        SystemClipboardSavePanelPresenter::nameFilter({"", "", "application/x-unheard-of", "file.qvx"});
    EXPECT_EQ(odd, "QVX (*.qvx)");
}

TEST_F(SystemClipboardSavePanelPresenterTest, TheDialogBelongsToTheWindowThatAsked) {
    QWidget asking;
    asking.resize(200, 100);
    asking.show();
    asking.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&asking));
    QFileDialog* dialog = present({"Save", "Save As:", "text/plain", "PinnedText.txt"});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &asking);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
}

}  // namespace
}  // namespace quorvane
