#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ImageFormat.h"

namespace quorvane {
namespace {

using namespace std::string_literals;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::optional<ImageFormat> detect(std::string_view text) {
    return ImageFormat::detect(bytes(text));
}

struct Signature {
    std::string data;  // the shortest blob of the format
    ImageFormat::Value format;
};

TEST(ImageFormatTest, EachSignatureIsRecognisedAndNoneWhenCutShort) {
    const std::vector<Signature> signatures = {
        {"\x89PNG\r\n\x1A\n", ImageFormat::png},
        {"\xFF\xD8\xFF", ImageFormat::jpeg},
        {"GIF", ImageFormat::gif},
        {"RIFF\x10\0\0\0WEBP"s, ImageFormat::webp},
        {"II", ImageFormat::tiff},
        {"MM", ImageFormat::tiff},
        {"BM", ImageFormat::bmp},
        {"%PDF", ImageFormat::pdf},
    };
    for (const auto& signature : signatures) {
        SCOPED_TRACE(signature.data);
        EXPECT_EQ(detect(signature.data), ImageFormat{signature.format});
        EXPECT_EQ(detect(signature.data + "trailing image data"), ImageFormat{signature.format});
        const std::string truncated = signature.data.substr(0, signature.data.size() - 1);
        EXPECT_EQ(detect(truncated), std::nullopt);
    }
    EXPECT_EQ(detect(""), std::nullopt);
}

TEST(ImageFormatTest, NearMissesAreNotImages) {
    EXPECT_EQ(detect("RIFF\x10\0\0\0WAVEfmt "s), std::nullopt);  // a sound
    EXPECT_EQ(detect("\x89PNG\r\n\x1A\x0B"), std::nullopt);
    EXPECT_EQ(detect("\xFF\xD8\xFE"), std::nullopt);
    EXPECT_EQ(detect("%PDX"), std::nullopt);
    EXPECT_EQ(detect("plain text"), std::nullopt);
}

TEST(ImageFormatTest, OnlyTheLeadingBytesDecide) {
    EXPECT_EQ(detect("MM anything at all"), ImageFormat{ImageFormat::tiff});
    EXPECT_EQ(detect("BMP"), ImageFormat{ImageFormat::bmp});
    // A RIFF blob that is no WebP still goes through the later tests.
    EXPECT_EQ(detect("RIFF"), std::nullopt);
    EXPECT_EQ(detect("GIF89a\x89PNG\r\n\x1A\n"), ImageFormat{ImageFormat::gif});
}

TEST(ImageFormatTest, UnrecognisedDataFallsBackToPngForFilesAndUnknownForLogs) {
    EXPECT_EQ(ImageFormat::nameOf(std::nullopt), "unknown");
    EXPECT_EQ(ImageFormat::fileExtensionOf(std::nullopt), "png");
    EXPECT_EQ(ImageFormat::utTypeOf(std::nullopt), "image/png");
    const auto jpeg = detect("\xFF\xD8\xFF\xE0");
    EXPECT_EQ(ImageFormat::nameOf(jpeg), "jpeg");
    EXPECT_EQ(ImageFormat::fileExtensionOf(jpeg), "jpg");
    EXPECT_EQ(ImageFormat::utTypeOf(jpeg), "image/jpeg");
    EXPECT_EQ(ImageFormat{ImageFormat::pdf}.utType(), "application/pdf");
}

}  // namespace
}  // namespace quorvane
