#include <gtest/gtest.h>

#include <QBuffer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include "panel/widgets/OCRWindow.h"
#include "panel/widgets/OCRWindowPresenter.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "support/PictureBytes.h"

namespace quorvane {
namespace {

// Answers every image with the same text, at once.
class FixedRecognizer final : public ClipboardImageTextRecognizing {
public:
    void recognizeText(Data data, std::function<void(std::string)> completion) override {
        if (received) *received = std::move(data);
        completion(text);
    }
    std::string text;
    Data* received = nullptr;
};

QByteArray pngBytes() {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class OCRWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::widgetTestApplication(); }
    void TearDown() override { delete window.data(); }

    void open(const QByteArray& bytes) {
        window = presentOCRWindow(Data(bytes.begin(), bytes.end()),
                                  OCRWindowServices{recognizer, mainQueue, pasteboard});
        QTRY_VERIFY_WITH_TIMEOUT(!window->viewModel().isRecognizing(), 2000);
        QApplication::processEvents();
    }

    FixedRecognizer recognizer;
    QtMainQueue mainQueue;
    InMemoryPasteboard pasteboard;
    QPointer<OCRWindow> window;
};

// A picture far wider than any screen is shown from pixels no wider than a screen, keeping its shape, while
// the recognition still gets the copied bytes whole.
TEST_F(OCRWindowTest, PicturesAreShownNoWiderThanAScreenAndRecognisedWhole) {
    const int widest = testing::widestScreenInDevicePixels();
    ASSERT_GT(widest, 0);
    const Data huge = testing::pngBytes(widest * 4, 400);
    Data recognised;
    recognizer.received = &recognised;
    open(QByteArray(reinterpret_cast<const char*>(huge.data()), static_cast<qsizetype>(huge.size())));
    EXPECT_EQ(window->shownImagePixels(), QSize(widest, 100));
    EXPECT_EQ(recognised, huge);
}

TEST_F(OCRWindowTest, RecognisedTextIsEditableAndCopyable) {
    recognizer.text = "Invoice 42";
    open(pngBytes());
    EXPECT_EQ(window->size(), QSize(1000, 600));
    EXPECT_EQ(window->windowTitle(), "OCR");
    EXPECT_EQ(window->textEditor()->toPlainText(), "Invoice 42");
    EXPECT_FALSE(window->errorLabel()->isVisible());
    EXPECT_EQ(window->textPaneGeometry().width(), 300);

    window->textEditor()->setPlainText("Invoice 43");
    ASSERT_TRUE(window->copyButton()->isEnabled());
    window->copyButton()->click();
    EXPECT_EQ(pasteboard.string(), "Invoice 43");
    QTRY_COMPARE_WITH_TIMEOUT(window->copyButton()->text(), QString("Copied!"), 1000);
    EXPECT_FALSE(window->copyButton()->isEnabled());

    window->resize(600, 400);
    EXPECT_EQ(window->textPaneGeometry().width(), 180);
    EXPECT_EQ(window->imagePaneGeometry().width(), 420);
}

TEST_F(OCRWindowTest, FailuresShowInPlaceOfTheTextAndCtrlShiftWCloses) {
    open("not an image");
    EXPECT_TRUE(window->errorLabel()->isVisible());
    EXPECT_EQ(window->errorLabel()->text(), "Cannot load image");
    const QImage picture = window->errorLabel()->grab().toImage();
    bool paintedRed = false;
    for (int y = 0; y < picture.height() && !paintedRed; ++y) {
        for (int x = 0; x < picture.width() && !paintedRed; ++x) {
            const QColor colour = picture.pixelColor(x, y);
            paintedRed = colour.red() > 180 && colour.green() < 120 && colour.blue() < 120;
        }
    }
    EXPECT_TRUE(paintedRed) << "failures are shown in red";
    EXPECT_FALSE(window->copyButton()->isEnabled());
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_TRUE(window.isNull());

    recognizer.text = "";
    open(pngBytes());
    EXPECT_EQ(window->errorLabel()->text(), "No text recognized");
}

}  // namespace
}  // namespace quorvane
