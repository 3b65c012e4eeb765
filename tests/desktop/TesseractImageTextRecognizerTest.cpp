#include <dlfcn.h>

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include "desktop/DesktopSession.h"
#include "desktop/RenderedImages.h"
#include "platform/linux/OpenMpThreadLimit.h"
#include "platform/linux/TesseractImageTextRecognizer.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using Kind = ImageTextRecognitionError::Kind;
using testing::encoded;
using testing::renderedLines;

std::uint32_t crc32Of(const std::uint8_t* bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian(Data& data, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A valid PNG header that claims a huge image, followed by no pixel data.
Data pngHeaderClaiming(std::uint32_t width, std::uint32_t height) {
    Data png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    appendBigEndian(png, 13);
    const std::size_t typeStart = png.size();
    for (char c : std::string("IHDR")) png.push_back(static_cast<std::uint8_t>(c));
    appendBigEndian(png, width);
    appendBigEndian(png, height);
    for (std::uint8_t b : {8, 6, 0, 0, 0}) png.push_back(b);
    appendBigEndian(png, crc32Of(png.data() + typeStart, png.size() - typeStart));
    return png;
}

// The threads of this process, as the kernel lists them.
std::size_t threadCount() {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

class TesseractImageTextRecognizerTest : public ::testing::Test {
protected:
    void SetUp() override { DESKTOP_SESSION_OR_SKIP(); }

    TextRecognitionOutcome recognize(TesseractImageTextRecognizer& recognizer,
                                     TextRecognitionRequest request) {
        std::promise<TextRecognitionOutcome> result;
        recognizer.recognizeText(std::move(request), [&](TextRecognitionOutcome outcome) {
            result.set_value(std::move(outcome));
        });
        return result.get_future().get();
    }

    TextRecognitionRequest english(Data image) { return {std::move(image), {"en-US"}, false, {}}; }
};

TEST_F(TesseractImageTextRecognizerTest, RecognisesRenderedLinesInReadingOrder) {
    TesseractImageTextRecognizer recognizer;
    const auto outcome =
        recognize(recognizer, english(renderedLines({"Quorvane keeps history", "Second line 2026"})));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{"Quorvane keeps history", "Second line 2026"}));
}

TEST_F(TesseractImageTextRecognizerTest, AutomaticDetectionReadsEnglishWithEveryInstalledModel) {
    TesseractImageTextRecognizer recognizer;
    ASSERT_FALSE(TesseractImageTextRecognizer::installedModels(recognizer.dataDirectory()).empty());
    TextRecognitionRequest request{renderedLines({"Automatic 42"}), {}, true, TextRecognitionLevel::fast};
    const auto outcome = recognize(recognizer, request);
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, std::vector<std::string>{"Automatic 42"});
}

// Light text on dark or coloured ground, as screenshots of dark themes and banners have it.
QImage lightTextOn(const QBrush& ground, const QString& line, QImage::Format format = QImage::Format_RGB32) {
    QImage image(900, 140, format);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(image.rect(), ground);
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(30, 85, line);
    painter.end();
    return image;
}

TEST_F(TesseractImageTextRecognizerTest, ReadsWhiteTextOnAColouredGradientAndOnDarkGround) {
    TesseractImageTextRecognizer recognizer;
    QLinearGradient gradient(0, 0, 900, 140);
    gradient.setColorAt(0, QColor(0x2f, 0x6f, 0xeb));
    gradient.setColorAt(0.5, QColor(0x8e, 0x44, 0xad));
    gradient.setColorAt(1, QColor(0xe9, 0x1e, 0x63));
    auto outcome = recognize(recognizer, english(encoded(lightTextOn(gradient, "Gradient banner 2026"))));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, std::vector<std::string>{"Gradient banner 2026"});

    outcome =
        recognize(recognizer, english(encoded(lightTextOn(QColor(0x1e, 0x1e, 0x20), "Dark theme text"))));
    EXPECT_EQ(outcome.lines, std::vector<std::string>{"Dark theme text"});

    // White text on a transparent ground reads as it shows on a dark page.
    outcome = recognize(
        recognizer,
        english(encoded(lightTextOn(Qt::transparent, "Transparent ground", QImage::Format_ARGB32))));
    EXPECT_EQ(outcome.lines, std::vector<std::string>{"Transparent ground"});
}

// Banner colours whose grey levels lie close to white or spread over the whole range, where one threshold
// for the whole image loses the letters.
TEST_F(TesseractImageTextRecognizerTest, ReadsSmallerWhiteTextOnGradientsOfManyColours) {
    TesseractImageTextRecognizer recognizer;
    const std::pair<QColor, QColor> gradients[] = {{QColor(0xff, 0x98, 0x00), QColor(0xe9, 0x1e, 0x63)},
                                                   {QColor(0x4c, 0xaf, 0x50), QColor(0x21, 0x96, 0xf3)},
                                                   {QColor(0x00, 0xbc, 0xd4), QColor(0x9c, 0x27, 0xb0)},
                                                   {QColor(0xff, 0xc1, 0x07), QColor(0xff, 0x57, 0x22)},
                                                   {QColor(0x2f, 0x6f, 0xeb), QColor(0x00, 0x00, 0x00)}};
    for (const auto& [from, to] : gradients) {
        for (const auto& [pixels, level] : {std::pair{28, TextRecognitionLevel::fast},
                                            {28, TextRecognitionLevel::accurate},
                                            {20, TextRecognitionLevel::accurate}}) {
            QImage image(600, 100, QImage::Format_RGB32);
            QPainter painter(&image);
            QLinearGradient gradient(0, 0, 600, 100);
            gradient.setColorAt(0, from);
            gradient.setColorAt(1, to);
            painter.fillRect(image.rect(), gradient);
            QFont font("DejaVu Sans");
            font.setPixelSize(pixels);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(20, 60, "Gradient banner 2026");
            painter.end();
            const auto outcome = recognize(recognizer, {encoded(image), {"en-US"}, false, level});
            EXPECT_EQ(outcome.lines, std::vector<std::string>{"Gradient banner 2026"})
                << from.name().toStdString() << " to " << to.name().toStdString() << " at " << pixels
                << " px, level " << int(level);
        }
    }
}

// Forty banners in the colours people put white captions on, half of them warm (reaching yellow or orange,
// whose light ground a single threshold splits so that the first reading is weak garbage, not nothing).
TEST_F(TesseractImageTextRecognizerTest, ReadsWhiteCaptionsOnFortyGradientsWarmOnesIncluded) {
    TesseractImageTextRecognizer recognizer;
    const std::pair<QColor, QColor> gradients[] = {{QColor(0xff, 0xeb, 0x3b), QColor(0xff, 0x98, 0x00)},
                                                   {QColor(0xff, 0x98, 0x00), QColor(0xf4, 0x43, 0x36)},
                                                   {QColor(0xff, 0xc1, 0x07), QColor(0xff, 0x57, 0x22)},
                                                   {QColor(0xff, 0xd5, 0x4f), QColor(0xfb, 0x8c, 0x00)},
                                                   {QColor(0xff, 0xa7, 0x26), QColor(0xec, 0x40, 0x7a)},
                                                   {QColor(0xf9, 0xa8, 0x25), QColor(0xe6, 0x51, 0x00)},
                                                   {QColor(0x21, 0x96, 0xf3), QColor(0x67, 0x3a, 0xb7)},
                                                   {QColor(0x43, 0xa0, 0x47), QColor(0x00, 0x96, 0x88)},
                                                   {QColor(0xe5, 0x39, 0x35), QColor(0x8e, 0x24, 0xaa)},
                                                   {QColor(0x37, 0x47, 0x4f), QColor(0x15, 0x65, 0xc0)}};
    const std::pair<int, QString> captions[] = {{24, "Summer sale ends Friday"},
                                                {30, "Free delivery over 40"},
                                                {38, "Quorvane history 2026"},
                                                {48, "Open daily until 9 pm"}};
    int read = 0;
    std::vector<std::string> misread;
    for (const auto& [from, to] : gradients) {
        for (const auto& [pixels, caption] : captions) {
            QFont font("DejaVu Sans");
            font.setPixelSize(pixels);
            const Data picture = testing::gradientPicture(QSize(720, 140), from, to, caption, font);
            const auto outcome = recognize(recognizer, english(picture));
            if (outcome.lines == std::vector<std::string>{caption.toStdString()}) {
                ++read;
            } else {
                misread.push_back(from.name().toStdString() + " to " + to.name().toStdString() + " at " +
                                  std::to_string(pixels) + " px: " +
                                  (outcome.lines.empty() ? std::string("nothing") : outcome.lines.front()));
            }
        }
    }
    EXPECT_GE(read, 38) << ::testing::PrintToString(misread);
}

// A screenshot of a window: small dark text on light ground, read at its own size.
QImage screenshotOfAWindow(const std::vector<QString>& lines) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(0xf6, 0xf6, 0xf6));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 1920, 36), QColor(0x30, 0x30, 0x34));
    painter.fillRect(QRect(0, 36, 260, 1044), QColor(0xe8, 0xe8, 0xec));
    QFont font("DejaVu Sans");
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    for (std::size_t i = 0; i < lines.size(); ++i)
        painter.drawText(300, 90 + 34 * static_cast<int>(i), lines[i]);
    painter.end();
    return image;
}

TEST_F(TesseractImageTextRecognizerTest, ReadsAScreenshotAtItsSizeAndTheLargeTextOfAHugePicture) {
    TesseractImageTextRecognizer recognizer;
    const std::vector<QString> lines{"Meeting notes for the release review", "Bring the signed contract",
                                     "Invoice 4471 is due on 12 March"};
    auto outcome = recognize(recognizer, english(encoded(screenshotOfAWindow(lines))));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{lines[0].toStdString(), lines[1].toStdString(),
                                                       lines[2].toStdString()}));

    // 8000 x 8000 is read scaled down to the pixel bound: text as large as a poster's still reads.
    const Data hugePicture = testing::posterPicture(8000);
    outcome = recognize(recognizer, english(hugePicture));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{"Poster headline", "Second line 2026"}));
}

TEST_F(TesseractImageTextRecognizerTest, HugeGreyscalePaletteAndTransparentPicturesReadAsColourOnesDo) {
    TesseractImageTextRecognizer recognizer;
    // PNG's colour type, in the header: 0 grey, 3 palette, 6 RGBA.
    const std::pair<QImage::Format, int> kinds[] = {
        {QImage::Format_Grayscale8, 0}, {QImage::Format_Indexed8, 3}, {QImage::Format_ARGB32, 6}};
    for (const auto& [format, colourType] : kinds) {
        const Data picture = testing::posterPicture(8000, format);
        ASSERT_GT(picture.size(), 25u);
        ASSERT_EQ(picture[25], colourType);
        const auto outcome = recognize(recognizer, english(picture));
        EXPECT_EQ(outcome.error, std::nullopt) << colourType;
        EXPECT_EQ(outcome.lines, (std::vector<std::string>{"Poster headline", "Second line 2026"}))
            << colourType;
    }
}

TEST_F(TesseractImageTextRecognizerTest, ImageWithoutTextGivesNoLinesAndNoError) {
    TesseractImageTextRecognizer recognizer;
    QImage blank(400, 200, QImage::Format_RGB32);
    blank.fill(QColor(240, 240, 240));
    const auto outcome = recognize(recognizer, english(encoded(blank, "JPEG")));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_TRUE(outcome.lines.empty());
}

TEST_F(TesseractImageTextRecognizerTest, UndecodableOrOversizedDataIsAConversionError) {
    TesseractImageTextRecognizer recognizer;
    for (const Data& data : {Data{}, Data{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'},
                             pngHeaderClaiming(100000, 100000), pngHeaderClaiming(30, 20)}) {
        const auto outcome = recognize(recognizer, english(data));
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->kind, Kind::imageConversion);
        EXPECT_TRUE(outcome.lines.empty());
    }
}

TEST_F(TesseractImageTextRecognizerTest, MissingOrUnknownLanguageIsARequestError) {
    testing::TemporaryDirectory models;
    TesseractImageTextRecognizer recognizer(models.path());
    const Data image = renderedLines({"Text"});
    auto outcome = recognize(recognizer, english(image));
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, Kind::request);
    outcome = recognize(recognizer, {image, {}, true, {}});
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, Kind::request);
    outcome = recognize(recognizer, {image, {"de-DE"}, false, {}});
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, Kind::request);
}

TEST_F(TesseractImageTextRecognizerTest, RequestsCompleteOnceEachInOrderAndShutdownAnswersTheRest) {
    std::vector<std::size_t> order;
    std::vector<TextRecognitionOutcome> outcomes(3);
    {
        TesseractImageTextRecognizer recognizer;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            recognizer.recognizeText(english(renderedLines({"Line " + QString::number(i + 7)})),
                                     [&, i](TextRecognitionOutcome outcome) {
                                         order.push_back(i);
                                         outcomes[i] = std::move(outcome);
                                     });
        }
    }
    ASSERT_EQ(order.size(), outcomes.size());
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
    // The first request was running or done; whatever waited got an answer too, never silence.
    for (const auto& outcome : outcomes) {
        EXPECT_TRUE(outcome.error.has_value() || !outcome.lines.empty());
        // Cancelled, which callers do not report as a failure.
        if (outcome.error) {
            EXPECT_EQ(outcome.error->kind, ImageTextRecognitionError::Kind::cancelled);
        }
    }
}

// The test runs as the program does, with no process-wide OpenMP limit: recognition still starts no thread of
// OpenMP's, and reads the same, while a region started on another thread keeps OpenMP's own thread count.
TEST_F(TesseractImageTextRecognizerTest, RecognitionRunsOnOneThreadWithoutAProcessWideLimit) {
    if (std::getenv("OMP_THREAD_LIMIT")) GTEST_SKIP() << "OMP_THREAD_LIMIT is set: nothing left to show";
    EXPECT_FALSE(isOpenMpLimitedToOneThreadOnThisThread());
    TesseractImageTextRecognizer recognizer;
    const auto threadsBefore = threadCount();
    const auto outcome =
        recognize(recognizer, english(renderedLines({"Quorvane keeps history", "Line 2026"})));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{"Quorvane keeps history", "Line 2026"}));
    EXPECT_EQ(threadCount(), threadsBefore);

    std::promise<bool> limited;
    recognizer.recognizeText(english({}), [&](TextRecognitionOutcome) {
        limited.set_value(isOpenMpLimitedToOneThreadOnThisThread());
    });
    EXPECT_TRUE(limited.get_future().get());
    EXPECT_FALSE(isOpenMpLimitedToOneThreadOnThisThread());
}

// Each test runs in a process of its own, so nothing before this one loaded the library.
TEST_F(TesseractImageTextRecognizerTest, TheLibraryIsLoadedByTheFirstRecognitionNotBefore) {
    const auto loaded = [] {
        void* handle = dlopen(TesseractImageTextRecognizer::defaultLibraryName, RTLD_NOW | RTLD_NOLOAD);
        if (handle) dlclose(handle);
        return handle != nullptr;
    };
    ASSERT_FALSE(loaded()) << "the test program links Tesseract itself";
    TesseractImageTextRecognizer recognizer;
    EXPECT_FALSE(loaded());
    const auto outcome = recognize(recognizer, english(renderedLines({"Loaded when asked"})));
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{"Loaded when asked"}));
    EXPECT_TRUE(loaded());
}

TEST_F(TesseractImageTextRecognizerTest, AMissingLibraryFailsEveryRequestWithItsReason) {
    TesseractImageTextRecognizer recognizer(std::nullopt, "libtesseract-not-installed.so.5");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto outcome = recognize(recognizer, english(renderedLines({"Never read"})));
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->kind, Kind::request);
        EXPECT_NE(outcome.error->description.find("libtesseract-not-installed.so.5"), std::string::npos)
            << outcome.error->description;
        EXPECT_TRUE(outcome.lines.empty());
    }
}

TEST(TesseractModelsTest, LanguageCodesMapToModelsAndInstalledOnesFollowTheSettingOrder) {
    EXPECT_EQ(TesseractImageTextRecognizer::modelName("zh-Hant"), std::optional<std::string>("chi_tra"));
    EXPECT_EQ(TesseractImageTextRecognizer::modelName("ko-KR"), std::optional<std::string>("kor"));
    EXPECT_EQ(TesseractImageTextRecognizer::modelName("en"), std::nullopt);
    testing::TemporaryDirectory models;
    for (const char* name : {"kor.traineddata", "eng.traineddata", "deu.traineddata", "jpn.traineddata.gz"}) {
        std::ofstream(models / name) << "model";
    }
    std::filesystem::create_directory(models / "chi_sim.traineddata");
    EXPECT_EQ(TesseractImageTextRecognizer::installedModels(models.path()),
              (std::vector<std::string>{"eng", "kor"}));
}

}  // namespace
}  // namespace quorvane
