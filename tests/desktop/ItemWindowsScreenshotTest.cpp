// The item windows on a real X display: the text-recognition window and pin windows of a text and an image,
// photographed in light and dark palettes, in English and Chinese, into the build folder ("screenshots/").
// Each state is checked before the picture is taken.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>

#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/support/PinWindowDoubles.h"
#include "panel/widgets/OCRWindowPresenter.h"
#include "panel/widgets/PinWindow.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/QtTestApplication.h"
namespace quorvane {
namespace {

using testing::DesktopSession;

Data receiptPicture() {
    QImage image(520, 300, QImage::Format_RGB32);
    image.fill(QColor(250, 248, 240));
    QPainter painter(&image);
    painter.setPen(QColor(30, 30, 30));
    painter.setFont(QFont("DejaVu Sans", 22, QFont::Bold));
    painter.drawText(QRect(0, 30, 520, 50), Qt::AlignCenter, "RECEIPT  No. 4711");
    painter.setFont(QFont("DejaVu Sans Mono", 16));
    painter.drawText(QRect(60, 110, 420, 150), Qt::AlignLeft,
                     "Coffee          3.20\nCroissant       2.50\nTotal           5.70");
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Data(bytes.begin(), bytes.end());
}

class FixedRecognizer final : public ClipboardImageTextRecognizing {
public:
    void recognizeText(Data, std::function<void(std::string)> completion) override { completion(text); }
    std::string text;
};

class NeverAnsweringSavePanel final : public ClipboardSavePanelPresenting {
public:
    void present(const ClipboardSavePanelRequest&, Completion) override {}
};

class ItemWindowsScreenshotTest : public testing::ScreenshotTest {
protected:
    ItemWindowsScreenshotTest() : ScreenshotTest("item") {}

    void TearDown() override {
        for (auto& window : windows) delete window.data();
        ScreenshotTest::TearDown();
    }

    void save(QWidget& widget, const QString& state) { ScreenshotTest::save(widget, state, 10); }

    PinWindow* pin(ClipboardContentType type, ClipboardHistoryContentSnapshot content) {
        ClipboardHistoryIndexSnapshot entry;
        entry.id = "pinned";
        entry.contentType = type;
        PinWindow* window = PinWindow::make(
            entry, content, {}, testing::forwardingPinWindowServices(savePanel, alerts, pasteboard));
        windows.push_back(window);
        window->present();
        return window;
    }

    FixedRecognizer recognizer;
    QtMainQueue mainQueue;
    InMemoryPasteboard pasteboard;
    NeverAnsweringSavePanel savePanel;
    FakeAlertPresenter alerts;
    std::vector<QPointer<QWidget>> windows;
};

TEST_P(ItemWindowsScreenshotTest, RecognitionWindowWithText) {
    recognizer.text = chinese ? "收据 编号 4711\n咖啡 3.20\n牛角包 2.50\n合计 5.70"
                              : "RECEIPT No. 4711\nCoffee 3.20\nCroissant 2.50\nTotal 5.70";
    OCRWindow* window =
        presentOCRWindow(receiptPicture(), OCRWindowServices{recognizer, mainQueue, pasteboard});
    windows.push_back(window);
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return window->isVisible() && window->textEditor()->toPlainText().contains("4711"); }));
    EXPECT_TRUE(window->copyButton()->isEnabled());
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(*window, "ocr");
}

TEST_P(ItemWindowsScreenshotTest, RecognitionWindowWithNothingRecognised) {
    recognizer.text = "";
    OCRWindow* window =
        presentOCRWindow(receiptPicture(), OCRWindowServices{recognizer, mainQueue, pasteboard});
    windows.push_back(window);
    window->resize(700, 400);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window->errorLabel()->isVisible(); }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(*window, "ocr-empty");
}

TEST_P(ItemWindowsScreenshotTest, PinWindowOfAText) {
    ClipboardHistoryContentSnapshot content;
    content.content = chinese ? "会议纪要\n- 周五前提交设计稿\n- 下周一评审"
                              : "Meeting notes\n- Send the draft by Friday\n- Review on Monday";
    PinWindow* window = pin(ClipboardContentType::text, content);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window->isVisible(); }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(*window, "pin-text");
}

// Scrolled a little, so the transient bar shows over the text.
TEST_P(ItemWindowsScreenshotTest, PinWindowOfALongText) {
    ClipboardHistoryContentSnapshot content;
    for (int line = 1; line <= 80; ++line)
        content.content += std::to_string(line) + (chinese ? ". 第二季度报告的数字已核对\n"
                                                           : ". checked figures of the second quarter\n");
    PinWindow* window = pin(ClipboardContentType::text, content);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window->isVisible(); }));
    QScrollBar* bar = window->textEditor()->verticalScrollBar();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return bar->maximum() > 0; }));
    bar->setValue(bar->maximum() / 3);
    DesktopSession::processEventsFor(std::chrono::milliseconds(120));
    save(*window, "pin-long");
}

TEST_P(ItemWindowsScreenshotTest, PinWindowOfAnImage) {
    ClipboardHistoryContentSnapshot content;
    content.imageData = receiptPicture();
    PinWindow* window = pin(ClipboardContentType::image, content);
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return window->isVisible() && !window->isDecodingImage(); }));
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(*window, "pin-image");
}

INSTANTIATE_TEST_SUITE_P(Appearances, ItemWindowsScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane
