#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "base/Sha256.h"
#include "capture/ClipboardPayloadReader.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

// Blobs that start with a real signature, told apart by a tag.
Data pngBlob(const std::string& tag) {
    return dataFromString(std::string("\x89PNG\r\n\x1A\n", 8) + tag);
}
Data tiffBlob(const std::string& tag) {
    return dataFromString(std::string("II*\0", 4) + tag);
}
Data jpegBlob(const std::string& tag) {
    return dataFromString("\xFF\xD8\xFF" + tag);
}
Data bmpBlob(const std::string& tag) {
    return dataFromString("BM" + tag);
}

ImageDimensions pixels(std::int64_t width, std::int64_t height) {
    return {{ImagePixelSize{width, height}}};
}

class ClipboardPayloadReaderTest : public ::testing::Test {
protected:
    static constexpr std::int64_t limit = 1000;

    // Registers an image blob the probe can read.
    Data image(Data bytes, std::int64_t width = 4, std::int64_t height = 3) {
        probe.setDimensions(bytes, pixels(width, height));
        return bytes;
    }
    std::optional<ClipboardMonitoredPayload> read(bool textEnabled = true, bool imageEnabled = true) {
        return reader.readMonitoredPayload(pasteboard, limit, textEnabled, imageEnabled);
    }
    std::filesystem::path writeFile(const std::string& name, const Data& bytes) {
        const auto path = directory / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void copyFiles(const std::vector<std::filesystem::path>& paths) {
        std::string list;
        for (const auto& path : paths) list += "file://" + path.string() + "\r\n";
        pasteboard.replaceItem({{PasteboardType::fileURLs, dataFromString(list)},
                                {PasteboardType::plainText, dataFromString(paths.front().string())}});
    }

    InMemoryPasteboard pasteboard;
    InMemoryImageProbe probe;
    InMemoryImageDecoder decoder;
    ClipboardPayloadReader reader{probe, decoder};
    testing::LogCapture log;
    testing::TemporaryDirectory directory;
};

TEST_F(ClipboardPayloadReaderTest, PngIsTakenAsItIsUnlessItIsSmallerThanTwoByTwo) {
    const Data png = image(pngBlob("wide"), 2, 2);
    pasteboard.replaceItem({{PasteboardType::png, png}, {PasteboardType::plainText, dataFromString("alt")}});
    auto payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, png);
    EXPECT_EQ(payload->image()->dimensions, pixels(2, 2));
    EXPECT_EQ(payload->fingerprint, sha256Hex(png));

    const Data dot = image(pngBlob("dot"), 1, 1);
    pasteboard.replaceItem({{PasteboardType::png, dot}});
    EXPECT_EQ(read(), std::nullopt);
    pasteboard.replaceItem(
        {{PasteboardType::png, dot}, {PasteboardType::plainText, dataFromString("caption")}});
    payload = read();
    ASSERT_TRUE(payload && payload->text());
    EXPECT_EQ(payload->text()->plainText, "caption");
    EXPECT_EQ(decoder.decodeCount(), 0);
}

TEST_F(ClipboardPayloadReaderTest, TiffIsStoredAsPngAndAsTiffWhenEncodingFails) {
    const Data tiff = image(tiffBlob("scan"));
    decoder.setPngData(tiff, pngBlob("from-tiff"));
    pasteboard.replaceItem({{PasteboardType::tiff, tiff}});
    auto payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, pngBlob("from-tiff"));
    EXPECT_EQ(payload->fingerprint, sha256Hex(pngBlob("from-tiff")));

    const Data stubborn = image(tiffBlob("stubborn"));
    pasteboard.replaceItem({{PasteboardType::tiff, stubborn}});
    payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, stubborn);
}

TEST_F(ClipboardPayloadReaderTest, OtherImageDataIsConvertedOnlyWhenTheFirstOfferedOneDecodes) {
    const Data bmp = image(bmpBlob("icon"));
    decoder.setPngData(bmp, pngBlob("from-bmp"));
    pasteboard.replaceItem({{"image/bmp", bmp}, {"image/gif", image(dataFromString("GIF89a"))}});
    auto payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, pngBlob("from-bmp"));

    pasteboard.replaceItem({{"image/x-unknown", dataFromString("garbage")}, {"image/bmp", bmp}});
    EXPECT_EQ(read(false, true), std::nullopt);
}

TEST_F(ClipboardPayloadReaderTest, OversizedImageIsRefusedBeforeDecodingAndItsTextIsNotTakenInstead) {
    Data tiff = tiffBlob("large");
    tiff.resize(limit + 1, 0x20);
    image(tiff, 800, 600);
    pasteboard.replaceItem(
        {{PasteboardType::tiff, tiff}, {PasteboardType::plainText, dataFromString("text")}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(decoder.decodeCount(), 0);
    EXPECT_TRUE(log.contains("WARNING",
                             "Ignored clipboard image larger than limit: imageType=tiff, "
                             "actualBytes=1001, maxBytes=1000"));

    // A conversion that grows past the limit is refused too.
    const Data small = image(tiffBlob("small"));
    Data grown = pngBlob("grown");
    grown.resize(limit + 5, 0);
    decoder.setPngData(small, grown);
    pasteboard.replaceItem({{PasteboardType::tiff, small}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(log.contains("WARNING", "imageType=png, actualBytes=1005, maxBytes=1000"));

    // With image capture off the same item's text is captured.
    pasteboard.replaceItem(
        {{PasteboardType::tiff, tiff}, {PasteboardType::plainText, dataFromString("text")}});
    const auto payload = read(true, false);
    ASSERT_TRUE(payload && payload->text());
    EXPECT_EQ(payload->text()->plainText, "text");
}

TEST_F(ClipboardPayloadReaderTest, TextSizeCountsAllThreeFormsAndTheLimitIsInclusive) {
    const std::string rtf = "{\\rtf1 abc}";
    const std::string html = "<b>abc</b>";
    std::string plain(static_cast<std::size_t>(limit) - rtf.size() - html.size(), 'x');
    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString(plain)},
                            {PasteboardType::rtf, dataFromString(rtf)},
                            {PasteboardType::html, dataFromString(html)}});
    auto payload = read();
    ASSERT_TRUE(payload && payload->text());
    EXPECT_EQ(payload->text()->byteCount(), static_cast<std::size_t>(limit));
    EXPECT_EQ(payload->text()->rtfData, dataFromString(rtf));

    plain.push_back('y');
    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString(plain)},
                            {PasteboardType::rtf, dataFromString(rtf)},
                            {PasteboardType::html, dataFromString(html)}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(log.contains("WARNING", "Ignored clipboard item larger than limit"));
    EXPECT_EQ(read(false, true), std::nullopt);
}

TEST_F(ClipboardPayloadReaderTest, FormsGivenUpForTheirSizeWhileReadingAreRefusedLikeFormsReadWhole) {
    // The HTML alone passed the limit: the text forms count together, so the item's text goes too.
    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString("small text")}},
                           {{PasteboardType::html, OversizedRepresentation{5000, {}}}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(log.count("Ignored clipboard item larger than limit"), 1u);
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), std::nullopt);

    // An image stopped part way: its warning names the format its first bytes show, and the text it also
    // offers is not taken instead; with image capture off that text is what is captured.
    const auto bigJpeg = OversizedRepresentation{1'048'577, jpegBlob("head")};
    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString("caption")}},
                           {{PasteboardType::jpeg, bigJpeg}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(log.contains("WARNING",
                             "Ignored clipboard image larger than limit: imageType=jpeg, "
                             "actualBytes=1048577, maxBytes=1000"));
    const auto caption = read(true, false);
    ASSERT_TRUE(caption && caption->text());
    EXPECT_EQ(caption->text()->plainText, "caption");

    // A PNG given up wins over a TIFF that was read, as a PNG read whole would.
    const Data tiff = image(tiffBlob("fits"));
    pasteboard.replaceItem({{PasteboardType::tiff, tiff}},
                           {{PasteboardType::png, OversizedRepresentation{4096, pngBlob("x")}}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(log.contains("WARNING", "imageType=png, actualBytes=4096"));

    // Copied files are never text, so a file list with an oversized name list is skipped without a warning.
    log.clear();
    pasteboard.replaceItem({{PasteboardType::fileURLs, dataFromString("file:///tmp/a.txt\r\n")}},
                           {{PasteboardType::itemText, OversizedRepresentation{5000, {}}}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(log.count("larger than limit"), 0u);
}

TEST_F(ClipboardPayloadReaderTest, TextFingerprintSeparatesTheFormsAndBlankTextHasNone) {
    EXPECT_EQ(ClipboardPayloadReader::textPayloadFingerprint({"abc", std::nullopt, std::nullopt}),
              sha256Hex(std::string_view("text\0abc\0\0", 10)));
    const ClipboardTextPayload plain{"abc", std::nullopt, std::nullopt};
    const ClipboardTextPayload bold{"abc", dataFromString("{\\rtf1 \\b abc}"), std::nullopt};
    const ClipboardTextPayload italic{"abc", dataFromString("{\\rtf1 \\i abc}"), std::nullopt};
    const ClipboardTextPayload moved{"ab", std::nullopt, dataFromString("c")};
    EXPECT_NE(ClipboardPayloadReader::textPayloadFingerprint(bold),
              ClipboardPayloadReader::textPayloadFingerprint(italic));
    EXPECT_NE(ClipboardPayloadReader::textPayloadFingerprint(plain),
              ClipboardPayloadReader::textPayloadFingerprint(moved));

    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString(" \n\t\u00A0\u2028 ")}});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), std::nullopt);
}

TEST_F(ClipboardPayloadReaderTest, RichTextWithoutPlainTextTakesTheRtfThenTheHtml) {
    pasteboard.replaceItem(
        {{PasteboardType::rtf, dataFromString("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Caf\\'e9}")}});
    auto payload = read();
    ASSERT_TRUE(payload && payload->text());
    EXPECT_EQ(payload->text()->plainText, "Café");

    const Data html = dataFromString("<p>Hello&nbsp;<b>world</b></p>");
    pasteboard.replaceItem({{PasteboardType::rtf, dataFromString("{\\rtf1{\\fonttbl{\\f0 Arial;}}}")},
                            {PasteboardType::html, html}});
    payload = read();
    ASSERT_TRUE(payload && payload->text());
    EXPECT_EQ(payload->text()->plainText, "Hello\u00A0world");
    EXPECT_EQ(payload->text()->htmlData, html);
    EXPECT_TRUE(payload->text()->rtfData.has_value());
}

TEST_F(ClipboardPayloadReaderTest, OneCopiedImageFileIsTakenWithItsOwnBytes) {
    const Data jpeg = image(jpegBlob("holiday-photo"), 1, 1);  // files have no minimum size
    const auto photo = writeFile("photo.jpg", jpeg);
    copyFiles({photo});
    auto payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, jpeg);
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), payload->fingerprint);

    // Two files, or a file that is no image: nothing at all, not even the path as text.
    copyFiles({photo, writeFile("second.jpg", image(jpegBlob("second")))});
    EXPECT_EQ(read(), std::nullopt);
    copyFiles({writeFile("notes.txt", dataFromString("just words"))});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), std::nullopt);
}

TEST_F(ClipboardPayloadReaderTest, CopiedFilesAreImagesByTheirTypeNotTheirFirstBytes) {
    // An icon has no signature we know: it is converted by its type.
    const Data icon = dataFromString(std::string("\0\0\1\0icon", 8));
    decoder.setFileContentType("app.ico", "image/vnd.microsoft.icon");
    decoder.setTypedConversion(icon, "image/vnd.microsoft.icon", {pngBlob("from-icon"), pixels(16, 16)});
    copyFiles({writeFile("app.ico", icon)});
    auto payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, pngBlob("from-icon"));
    EXPECT_EQ(payload->image()->dimensions, pixels(16, 16));

    // Decoded but not encodable as PNG: the file's own bytes.
    const Data drawing = dataFromString("<svg/>");
    decoder.setFileContentType("drawing.svg", "image/svg+xml");
    decoder.setTypedConversion(drawing, "image/svg+xml", {Data{}, pixels(8, 8)});
    copyFiles({writeFile("drawing.svg", drawing)});
    payload = read();
    ASSERT_TRUE(payload && payload->image());
    EXPECT_EQ(payload->image()->imageData, drawing);

    // An image type that does not decode: nothing.
    decoder.setFileContentType("broken.tga", "image/x-tga");
    copyFiles({writeFile("broken.tga", dataFromString("not really"))});
    EXPECT_EQ(read(), std::nullopt);
}

TEST_F(ClipboardPayloadReaderTest, FilesOfOtherTypesAreNoImagesWhateverTheirFirstBytes) {
    // PNG bytes in a text file are no image.
    decoder.setFileContentType("picture.txt", "text/plain");
    copyFiles({writeFile("picture.txt", image(pngBlob("inside-text")))});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), std::nullopt);

    // Nor is a large text that happens to start like a TIFF or a BMP, nor a file of an image type nothing
    // here decodes; none is reported as an image.
    decoder.setFileContentType("scene", "image/x-3ds");
    decoder.setUndecodableType("image/x-3ds");
    copyFiles({writeFile("scene", dataFromString("MM scene " + std::string(2000, 'x')))});
    EXPECT_EQ(read(), std::nullopt);
    decoder.setFileContentType("minutes.txt", "text/plain");
    decoder.setFileContentType("bmw.txt", "text/plain");
    copyFiles({writeFile("minutes.txt", dataFromString("MM minutes " + std::string(2000, 'x')))});
    EXPECT_EQ(read(), std::nullopt);
    copyFiles({writeFile("bmw.txt", dataFromString("BMW notes " + std::string(2000, 'x')))});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_FALSE(log.contains("WARNING", "Ignored clipboard image larger than limit"));
}

TEST_F(ClipboardPayloadReaderTest, CopiedFilesThatAreNoRegularImagesAreRefusedWithoutReadingThem) {
    const auto fifo = directory / "pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    copyFiles({fifo});
    EXPECT_EQ(read(), std::nullopt);  // returns at once: a FIFO is never opened
    copyFiles({directory.path()});
    EXPECT_EQ(read(), std::nullopt);
    copyFiles({directory / "missing.png"});
    EXPECT_EQ(read(), std::nullopt);
    copyFiles({writeFile("empty.png", {})});
    EXPECT_EQ(read(), std::nullopt);

    // A huge file is judged by its size and signature alone.
    const auto huge = writeFile("huge.png", pngBlob("header"));
    std::filesystem::resize_file(huge, 4ull * 1024 * 1024 * 1024);
    copyFiles({huge});
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_TRUE(log.contains("WARNING", "imageType=png, actualBytes=4294967296, maxBytes=1000"));
    EXPECT_EQ(reader.payloadFingerprint(pasteboard), std::nullopt);
}

}  // namespace
}  // namespace quorvane
