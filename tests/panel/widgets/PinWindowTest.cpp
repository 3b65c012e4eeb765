#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <iterator>

#include "panel/support/PinWindowDoubles.h"
#include "panel/widgets/PinWindow.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "support/PictureBytes.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

const Data kJpeg{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1};

std::string fileContents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class PinWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::widgetTestApplication(); }
    void TearDown() override {
        for (auto& window : windows) delete window.data();
    }

    PinWindow* makeWindow(ClipboardContentType type, ClipboardHistoryContentSnapshot content,
                          PinCopyHandler handler = {}) {
        ClipboardHistoryIndexSnapshot entry;
        entry.id = "pinned";
        entry.contentType = type;
        PinWindow* window = PinWindow::make(entry, content, std::move(handler), services);
        windows.push_back(window);
        window->present();
        return window;
    }
    PinWindow* textWindow(const std::string& text, PinCopyHandler handler = {}) {
        ClipboardHistoryContentSnapshot content;
        content.content = text;
        return makeWindow(ClipboardContentType::text, content, std::move(handler));
    }
    PinWindow* imageWindow(std::optional<Data> data) {
        ClipboardHistoryContentSnapshot content;
        content.imageData = std::move(data);
        return makeWindow(ClipboardContentType::image, content);
    }

    testing::FakeSavePanelPresenter savePanel;
    FakeAlertPresenter alerts;
    InMemoryPasteboard pasteboard;
    std::vector<QWidget*> dialogOwners;
    PinWindowServices services =
        testing::forwardingPinWindowServices(savePanel, alerts, pasteboard, &dialogOwners);
    std::vector<QPointer<PinWindow>> windows;
    testing::TemporaryDirectory temporary;
};

TEST_F(PinWindowTest, ANewWindowIsSmallFloatingAndBoundedInSize) {
    PinWindow* window = textWindow("hello");
    EXPECT_EQ(window->size(), QSize(400, 300));
    EXPECT_EQ(window->minimumSize(), QSize(200, 150));
    EXPECT_EQ(window->maximumSize(), QSize(1000, 800));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->windowTitle(), "Floating Window");
    EXPECT_EQ(window->textEditor()->toPlainText(), "hello");
    EXPECT_FALSE(window->state().hasUnsavedChanges());
    // Its dialogs belong to it, so they stay above a window that stays above the others.
    EXPECT_EQ(dialogOwners, std::vector<QWidget*>{window});
}

TEST_F(PinWindowTest, EditingMakesTheWindowDirtyAndUndoingBackMakesItCleanAgain) {
    PinWindow* window = textWindow("hello");
    QPointer<PinWindow> guard(window);
    QPlainTextEdit* editor = window->textEditor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, "!!");
    EXPECT_TRUE(window->state().hasUnsavedChanges());
    EXPECT_EQ(window->state().currentText(), "hello!!");

    while (editor->document()->isUndoAvailable()) editor->undo();
    EXPECT_EQ(editor->toPlainText(), "hello") << "loading the text is not undoable";
    EXPECT_FALSE(window->state().hasUnsavedChanges());
    window->close();
    QApplication::processEvents();
    EXPECT_TRUE(alerts.presented.empty());
    EXPECT_TRUE(guard.isNull()) << "a clean window closes at once";
}

TEST_F(PinWindowTest, ClosingADirtyWindowAsksAndOnlyASuccessfulSaveOrDontSaveCloses) {
    PinWindow* window = textWindow("draft");
    QPointer<PinWindow> guard(window);
    window->textEditor()->setPlainText("draft v2");

    QTest::keyClick(window->textEditor(), Qt::Key_Escape);
    ASSERT_EQ(alerts.presented.size(), 1u);
    EXPECT_EQ(alerts.presented[0].messageText, "Save Changes?");
    EXPECT_EQ(alerts.presented[0].buttonTitles, (std::vector<std::string>{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(alerts.escapeButtons, std::vector<std::size_t>{2}) << "Escape is Cancel";
    window->close();
    EXPECT_EQ(alerts.presented.size(), 1u) << "one question at a time";
    ASSERT_TRUE(alerts.answer("Cancel"));
    EXPECT_TRUE(window->isVisible());

    // Save, then cancel the save panel: the window stays with its edits.
    window->close();
    ASSERT_TRUE(alerts.answer("Save"));
    ASSERT_EQ(savePanel.requests.size(), 1u);
    EXPECT_EQ(savePanel.requests[0].suggestedName, "PinnedText.txt");
    ASSERT_TRUE(savePanel.answer(std::nullopt));
    ASSERT_FALSE(guard.isNull());
    EXPECT_EQ(window->textEditor()->toPlainText(), "draft v2");
    EXPECT_TRUE(window->state().hasUnsavedChanges());

    // Save to a file: written, then closed without asking again.
    window->close();
    ASSERT_TRUE(alerts.answer("Save"));
    const auto destination = temporary / "pinned.txt";
    ASSERT_TRUE(savePanel.answer(destination));
    QApplication::processEvents();
    EXPECT_EQ(fileContents(destination), "draft v2");
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(alerts.presented.size(), 3u);
}

TEST_F(PinWindowTest, DontSaveClosesAndAFailedSaveKeepsTheWindowOpen) {
    PinWindow* window = textWindow("a");
    QPointer<PinWindow> guard(window);
    window->textEditor()->setPlainText("b");
    std::ofstream(temporary / "file") << "x";
    window->close();
    ASSERT_TRUE(alerts.answer("Save"));
    ASSERT_TRUE(savePanel.answer(temporary / "file" / "cannot.txt"));
    ASSERT_EQ(alerts.presented.size(), 2u);
    EXPECT_EQ(alerts.presented[1].messageText, "Save Failed");
    ASSERT_TRUE(alerts.answer("OK"));
    ASSERT_FALSE(guard.isNull());

    window->close();
    ASSERT_TRUE(alerts.answer("Don't Save"));
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(PinWindowTest, CopyPassesTheEditedTextOnlyWhileItDiffersFromTheLoadedText) {
    std::vector<std::optional<std::string>> overrides;
    PinWindow* window = textWindow("original", [&](std::optional<std::string> text, auto completion) {
        overrides.push_back(text);
        completion(false);
    });
    window->copyButton()->click();
    window->textEditor()->setPlainText("edited");
    window->copyButton()->click();
    window->textEditor()->setPlainText("original");
    window->copy();
    EXPECT_EQ(overrides, (std::vector<std::optional<std::string>>{std::nullopt, "edited", std::nullopt}));
    ASSERT_EQ(alerts.presented.size(), 3u);
    EXPECT_EQ(alerts.presented[0].messageText, "Copy Failed");
}

TEST_F(PinWindowTest, CopyingABrokenImageLeavesTheClipboardAsItWas) {
    pasteboard.writeText("keep me", std::nullopt, std::nullopt);
    PinWindow* window = imageWindow(Data{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(pasteboard.string(), "keep me");
    ASSERT_EQ(alerts.presented.size(), 1u);
    EXPECT_EQ(alerts.presented[0].messageText, "Copy Failed");

    PinWindow* empty = imageWindow(std::nullopt);
    empty->copy();
    EXPECT_EQ(pasteboard.string(), "keep me");
    empty->save();
    EXPECT_EQ(alerts.presented.back().informativeText, "Unable to save because no image data is available.");
    EXPECT_TRUE(savePanel.requests.empty());
}

// A picture larger than the window can ever be is held at most that large, with its shape, once decoded on
// the worker; a small one as it is. Saving still writes the copied bytes, not the shrunk picture.
TEST_F(PinWindowTest, PicturesAreDecodedNoLargerThanTheWindowCanShowAndSavedWhole) {
    const Data huge = testing::pngBytes(8000, 400);
    PinWindow* wide = imageWindow(huge);
    PinWindow* small = imageWindow(testing::pngBytes(30, 20));
    PinWindow* broken = imageWindow(Data{1, 2, 3});
    EXPECT_TRUE(wide->isDecodingImage());
    const auto decoded = [&] {
        return !wide->isDecodingImage() && !small->isDecodingImage() && !broken->isDecodingImage();
    };
    for (int turn = 0; turn < 500 && !decoded(); ++turn) QTest::qWait(10);
    const double ratio = wide->devicePixelRatioF();
    EXPECT_EQ(wide->shownImagePixels(), QSize(int(1000 * ratio), int(50 * ratio)));
    EXPECT_EQ(small->shownImagePixels(), QSize(30, 20));
    EXPECT_FALSE(broken->shownImagePixels().isValid());
    EXPECT_FALSE(broken->isDecodingImage());

    const auto path = temporary / "pinned.png";
    savePanel.script(path);
    wide->save();
    EXPECT_EQ(fileContents(path), std::string(huge.begin(), huge.end()));
}

TEST_F(PinWindowTest, ImagesSaveUnderTheirFormatsExtensionAndCloseWithoutAsking) {
    PinWindow* jpeg = imageWindow(kJpeg);
    QPointer<PinWindow> guard(jpeg);
    savePanel.script(temporary / "out.jpg");
    QTest::keyClick(jpeg, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(savePanel.requests.size(), 1u);
    EXPECT_EQ(savePanel.requests[0].suggestedName, "PinnedImage.jpg");
    EXPECT_EQ(savePanel.requests[0].allowedContentType, "image/jpeg");
    EXPECT_EQ(fileContents(temporary / "out.jpg"), std::string(kJpeg.begin(), kJpeg.end()));

    imageWindow(Data{1, 2, 3})->save();
    EXPECT_EQ(savePanel.requests.back().suggestedName, "PinnedImage.png");
    QTest::keyClick(jpeg, Qt::Key_W, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull());
}

}  // namespace
}  // namespace quorvane
