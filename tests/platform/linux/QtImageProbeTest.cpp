#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include "model/ClipboardEntryTitle.h"
#include "platform/linux/QtImageProbe.h"
#include "support/PictureBytes.h"

namespace quorvane {
namespace {

using testing::encodedImage;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendChunk(std::vector<std::uint8_t>& png, std::string_view type,
                 const std::vector<std::uint8_t>& body) {
    appendBigEndian(png, static_cast<std::uint32_t>(body.size()));
    std::vector<std::uint8_t> typed(type.begin(), type.end());
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    appendBigEndian(png, crc32(typed.data(), typed.size()));
}

// A well-formed PNG header declaring `width` x `height` RGBA pixels, followed by a few bytes of image data
// that could never fill it.
std::vector<std::uint8_t> pngHeader(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", {0x78, 0x9C, 0x03, 0x00});
    return png;
}

TEST(QtImageProbeTest, ReadsThePixelSizeOfEachRecognisedRasterFormat) {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QtImageProbe probe;
    for (const char* format : {"PNG", "JPEG", "BMP", "TIFF", "WEBP"}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(QImageWriter::supportedImageFormats().contains(QByteArray(format).toLower()));
        const std::vector<std::uint8_t> data = encodedImage(image, format);
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(probe.dimensions(data), (ImageDimensions{{ImagePixelSize{5, 3}}}));
    }
}

TEST(QtImageProbeTest, ReadsTheSizeOfAGif) {
    // Qt writes no GIF: a 2x1 image with one frame, written out by hand.
    const std::vector<std::uint8_t> gif = {
        'G',  'I', 'F',  '8',  '9', 'a', 2,    0,    1,    0,
        0x80, 0,   0,    0,    0,   0,   0xFF, 0xFF, 0xFF,     // screen, palette
        0x2C, 0,   0,    0,    0,   2,   0,    1,    0,    0,  // frame
        2,    2,   0x44, 0x01, 0,   0x3B};                     // pixels, end
    EXPECT_EQ(QtImageProbe().dimensions(gif), (ImageDimensions{{ImagePixelSize{2, 1}}}));
}

TEST(QtImageProbeTest, HugeDeclaredImageIsTitledFromItsHeaderAlone) {
    // Decoding would need 40 GB; the title needs 24 bytes.
    const std::vector<std::uint8_t> png = pngHeader(100000, 100000);
    EXPECT_EQ(ClipboardEntryTitle::image(png, QtImageProbe()), "Image 100000x100000");
}

TEST(QtImageProbeTest, UnreadableDataHasNoDimensions) {
    const QtImageProbe probe;
    const std::vector<std::uint8_t> png = pngHeader(10, 10);
    EXPECT_EQ(probe.dimensions(std::span(png).first(20)), std::nullopt);  // cut inside the header
    EXPECT_EQ(probe.dimensions(std::vector<std::uint8_t>{}), std::nullopt);
    const std::string pdf = "%PDF-1.7\n";
    EXPECT_EQ(probe.dimensions(std::vector<std::uint8_t>(pdf.begin(), pdf.end())), std::nullopt);
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>";
    EXPECT_EQ(probe.dimensions(std::vector<std::uint8_t>(svg.begin(), svg.end())), std::nullopt);
    EXPECT_EQ(ClipboardEntryTitle::image(std::vector<std::uint8_t>{'M', 'M', 0, 42}, probe), "Image");
}

}  // namespace
}  // namespace quorvane
