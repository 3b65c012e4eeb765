#include <gtest/gtest.h>

#include "platform/Pasteboard.h"
#include "platform/memory/InMemoryPasteboard.h"

namespace quorvane {
namespace {

std::vector<std::filesystem::path> pathsOf(const std::string& uriList) {
    return localPathsFromURIList(dataFromString(uriList));
}

TEST(PasteboardTest, UriListKeepsLocalFileUrlsInOrderAndDecodesThem) {
    const auto paths = pathsOf(
        "# copied by a file manager\r\n"
        "file:///home/u/My%20Pictures/caf%C3%A9.png\r\n"
        "https://example.org/image.png\r\n"
        "  file://localhost/tmp/b.jpg  \r\n"
        "FILE:///tmp/upper.gif\n"
        "file:///tmp/with%23hash.png#fragment\n");
    EXPECT_EQ(paths, (std::vector<std::filesystem::path>{"/home/u/My Pictures/café.png", "/tmp/b.jpg",
                                                         "/tmp/upper.gif", "/tmp/with#hash.png"}));
}

TEST(PasteboardTest, UriListRefusesOtherHostsRelativePathsAndBrokenEscapes) {
    EXPECT_TRUE(pathsOf("file://otherhost/tmp/a.png").empty());
    EXPECT_TRUE(pathsOf("file://localhostile/tmp/a.png").empty());
    EXPECT_TRUE(pathsOf("file:relative/a.png").empty());
    EXPECT_TRUE(pathsOf("file:///tmp/a%2").empty());
    EXPECT_TRUE(pathsOf("file:///tmp/a%zz.png").empty());
    // A NUL byte would cut the path short where the file system reads it.
    EXPECT_TRUE(pathsOf("file:///tmp/a%00.png").empty());
    EXPECT_TRUE(pathsOf("").empty());
    EXPECT_EQ(pathsOf("file:/tmp/short-form.png"), std::vector<std::filesystem::path>{"/tmp/short-form.png"});
}

TEST(PasteboardTest, UriListOfAMegabyteOfLinesFinishes) {
    std::string list;
    while (list.size() < 1024 * 1024) list += "file:///tmp/%41%42\n#\n\n";
    EXPECT_EQ(pathsOf(list).size(), list.size() / 22);
}

TEST(PasteboardTest, FileUrlsAndHintComeFromTheCurrentItem) {
    InMemoryPasteboard pasteboard;
    EXPECT_TRUE(pasteboard.fileURLs().empty());
    pasteboard.replaceItem({{PasteboardType::fileURLs, dataFromString("file:///tmp/a.png\n")}});
    EXPECT_EQ(pasteboard.fileURLs(), std::vector<std::filesystem::path>{"/tmp/a.png"});
    EXPECT_FALSE(pasteboard.carriesPasswordManagerHint());

    pasteboard.replaceItem({{PasteboardType::plainText, dataFromString("hunter2")},
                            {PasteboardType::passwordManagerHint, dataFromString("secret")}});
    EXPECT_TRUE(pasteboard.carriesPasswordManagerHint());
    EXPECT_TRUE(pasteboard.fileURLs().empty());
}

TEST(PasteboardTest, InMemoryWritesReplaceTheItemAndMoveTheCountAtOnce) {
    InMemoryPasteboard pasteboard;
    pasteboard.replaceItem({{PasteboardType::png, Data{1, 2, 3}}});
    const auto before = pasteboard.changeCount();

    pasteboard.writeText("héllo", dataFromString("{\\rtf1 x}"), std::nullopt);
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("héllo"));
    EXPECT_EQ(pasteboard.data(PasteboardType::rtf), std::optional<Data>(dataFromString("{\\rtf1 x}")));
    EXPECT_FALSE(pasteboard.hasType(PasteboardType::html));
    EXPECT_FALSE(pasteboard.hasType(PasteboardType::png));

    // Data that is no image is refused and leaves the item alone.
    EXPECT_FALSE(pasteboard.writeImage(Data{9, 9}, PasteboardType::tiff));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("héllo"));

    const Data tiff{'I', 'I', 42, 0, 9, 9};
    EXPECT_TRUE(pasteboard.writeImage(tiff, PasteboardType::tiff));
    EXPECT_EQ(pasteboard.changeCount(), before + 2);
    EXPECT_EQ(pasteboard.string(), std::nullopt);
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{PasteboardType::tiff});
}

TEST(PasteboardTest, InMemoryCountsContentReadsButNotCountReads) {
    InMemoryPasteboard pasteboard;
    pasteboard.replaceItem({{"text/plain", dataFromString("legacy")}});
    (void)pasteboard.changeCount();
    EXPECT_EQ(pasteboard.contentReadCount(), 0);
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("legacy"));
    EXPECT_GT(pasteboard.contentReadCount(), 0);
}

}  // namespace
}  // namespace quorvane
