#include <QBuffer>
#include <QColor>
#include <QImage>

#include "desktop/DesktopSession.h"
#include "platform/linux/QtClipboardPasteboard.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

QByteArray pngOfSize(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    image.setPixelColor(0, 0, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

Data toData(const QByteArray& bytes) {
    return Data(bytes.begin(), bytes.end());
}

class QtClipboardPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override { DESKTOP_SESSION_OR_SKIP(); }

    // Copies through xclip and waits until the pasteboard has seen the change.
    void copyExternally(const QByteArray& bytes, const QString& target) {
        const auto before = pasteboard().changeCount();
        ASSERT_TRUE(DesktopSession::copyWithXclip(bytes, target));
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return pasteboard().changeCount() != before; }))
            << "the change count did not move after xclip took the clipboard";
    }

    QtClipboardPasteboard& pasteboard() {
        if (!pasteboard_) pasteboard_ = std::make_unique<QtClipboardPasteboard>();
        return *pasteboard_;
    }

    QByteArray readWithXclip(const QString& target) {
        auto result = DesktopSession::run("xclip", {"-selection", "clipboard", "-o", "-t", target});
        EXPECT_EQ(result.exitCode, 0) << "xclip could not read " << target.toStdString();
        return result.output;
    }

private:
    std::unique_ptr<QtClipboardPasteboard> pasteboard_;
};

TEST_F(QtClipboardPasteboardTest, ExternalTextCopyMovesTheCountOnceAndReadsAsUtf8) {
    const auto before = pasteboard().changeCount();
    copyExternally(QByteArray("Grüße, 你好\nsecond line"), "UTF8_STRING");
    DesktopSession::processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("Grüße, 你好\nsecond line"));
    EXPECT_FALSE(pasteboard().hasType(PasteboardType::html));
    EXPECT_FALSE(pasteboard().carriesPasswordManagerHint());
}

TEST_F(QtClipboardPasteboardTest, HtmlCopyIsReadByteForByte) {
    const QByteArray html("<meta charset=\"utf-8\"><b>bold</b> &amp; <i>ä</i>");
    copyExternally(html, "text/html");
    EXPECT_TRUE(pasteboard().hasType(PasteboardType::html));
    EXPECT_EQ(pasteboard().data(PasteboardType::html), std::optional<Data>(toData(html)));
    EXPECT_EQ(pasteboard().data(PasteboardType::rtf), std::nullopt);
}

TEST_F(QtClipboardPasteboardTest, PngCopyIsReadByteForByte) {
    const QByteArray png = pngOfSize(37, 21);
    copyExternally(png, "image/png");
    EXPECT_TRUE(pasteboard().hasType(PasteboardType::png));
    EXPECT_EQ(pasteboard().data(PasteboardType::png), std::optional<Data>(toData(png)));
}

TEST_F(QtClipboardPasteboardTest, FileListIsReadAsLocalPaths) {
    copyExternally("file:///tmp/a%20b.png\r\nhttps://example.org/x\r\n", "text/uri-list");
    const auto paths = pasteboard().fileURLs();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], std::filesystem::path("/tmp/a b.png"));
}

TEST_F(QtClipboardPasteboardTest, PasswordManagerHintIsDetected) {
    copyExternally("secret", PasteboardType::passwordManagerHint);
    EXPECT_TRUE(pasteboard().carriesPasswordManagerHint());
}

TEST_F(QtClipboardPasteboardTest, OwnTextWriteMovesTheCountAtOnceAndOnlyOnce) {
    copyExternally("before", "UTF8_STRING");
    const auto before = pasteboard().changeCount();
    const std::string html = "<p>Zürich</p>";
    const std::string rtf = "{\\rtf1\\ansi Z\\u252?rich}";
    pasteboard().writeText("Zürich", Data(rtf.begin(), rtf.end()), Data(html.begin(), html.end()));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    // Other programs see every form; serving them runs the event loop, where no second advance may happen.
    EXPECT_EQ(readWithXclip("UTF8_STRING"), QByteArray("Zürich"));
    EXPECT_EQ(readWithXclip("text/html"), QByteArray::fromStdString(html));
    EXPECT_EQ(readWithXclip("text/rtf"), QByteArray::fromStdString(rtf));
    DesktopSession::processEventsFor(std::chrono::milliseconds(200));
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("Zürich"));

    // Another program taking the clipboard back is a change again.
    copyExternally("after", "UTF8_STRING");
    EXPECT_EQ(pasteboard().changeCount(), before + 2);
    EXPECT_EQ(pasteboard().string(), std::optional<std::string>("after"));
}

TEST_F(QtClipboardPasteboardTest, OwnImageWriteIsServedAsPngAndConvertedFromOtherFormats) {
    const QByteArray png = pngOfSize(8, 6);
    pasteboard().writeImage(toData(png), PasteboardType::png);
    EXPECT_EQ(readWithXclip("image/png"), png);

    QImage image(9, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPEG"));
    const auto before = pasteboard().changeCount();
    pasteboard().writeImage(toData(jpeg), PasteboardType::jpeg);
    EXPECT_EQ(pasteboard().changeCount(), before + 1);
    EXPECT_EQ(readWithXclip("image/jpeg"), jpeg);
    const QImage converted = QImage::fromData(readWithXclip("image/png"), "PNG");
    EXPECT_EQ(converted.size(), QSize(9, 4));
}

TEST_F(QtClipboardPasteboardTest, ImageThatDoesNotDecodeLeavesTheClipboardAsItWas) {
    copyExternally("kept", "UTF8_STRING");
    const auto before = pasteboard().changeCount();
    QByteArray broken = pngOfSize(8, 6).left(24);  // a PNG signature and header, no pixels
    broken.append("not the rest of an image");
    EXPECT_FALSE(pasteboard().writeImage(toData(broken), PasteboardType::png));
    EXPECT_EQ(pasteboard().changeCount(), before);
    EXPECT_EQ(readWithXclip("UTF8_STRING"), QByteArray("kept"));
}

}  // namespace
}  // namespace quorvane
