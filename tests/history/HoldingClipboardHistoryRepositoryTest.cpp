#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "capture/support/RecordingClipboardHistoryRepository.h"
#include "history/HoldingClipboardHistoryRepository.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

using Bytes = ClipboardHistoryRepositoryProtocol::Bytes;

class HoldingClipboardHistoryRepositoryTest : public ::testing::Test {
protected:
    FakeClock clock_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>(clock_);
    HoldingClipboardHistoryRepository holding_{loop_};
    testing::RecordingClipboardHistoryRepository target_;
};

TEST_F(HoldingClipboardHistoryRepositoryTest, ReplayedEntriesKeepTheirOrderAndEveryFieldButTheUsage) {
    const NewTextItem text{.id = "T",
                           .preview = "title",
                           .searchText = "search",
                           .content = "the text",
                           .richTextRTFData = Bytes{'{', '}'},
                           .richTextHTMLData = Bytes{'<', '>'},
                           .bundleIdentifier = "org.example.Editor",
                           .classification = "URL",
                           .lastAccessedAt = Date(10),
                           .accessCount = 7};
    const NewImageItem image{.id = "I",
                             .preview = "Image 2x1",
                             .imageData = {1, 2},
                             .bundleIdentifier = "org.example.Paint",
                             .ocrText = "read",
                             .accessCount = 3};
    holding_.saveTextItem(text);
    holding_.saveImageItem(image);
    holding_.saveTextItem({.id = "U", .preview = "u", .searchText = "u", .content = "later"});
    EXPECT_EQ(holding_.heldCount(), 3u);
    // The usage the stand-in was handed is not the destination's: the removal there decides it.
    target_.removedUsage = {Date(99), 4};

    holding_.replayInto(target_);

    EXPECT_EQ(holding_.heldCount(), 0u);
    EXPECT_EQ(target_.calls,
              (std::vector<std::string>{"removeDuplicateTexts", "saveTextItem", "removeDuplicateImages",
                                        "saveImageItem", "removeDuplicateTexts", "saveTextItem"}));
    EXPECT_EQ(target_.duplicateTextsRemoved, (std::vector<std::string>{"the text", "later"}));
    EXPECT_EQ(target_.duplicateImagesRemoved, std::vector<Bytes>{image.imageData});
    NewTextItem expectedText = text;
    expectedText.lastAccessedAt = Date(99);
    expectedText.accessCount = 4;
    NewImageItem expectedImage = image;
    expectedImage.lastAccessedAt = Date(99);
    expectedImage.accessCount = 4;
    ASSERT_EQ(target_.savedTexts.size(), 2u);
    EXPECT_EQ(target_.savedTexts[0], expectedText);
    EXPECT_EQ(target_.savedTexts[1].id, "U");
    EXPECT_EQ(target_.savedImages, std::vector<NewImageItem>{expectedImage});

    // They were let go of: a second replay saves nothing.
    holding_.replayInto(target_);
    EXPECT_EQ(target_.calls.size(), 6u);
}

TEST_F(HoldingClipboardHistoryRepositoryTest, RecognisedTextReachesTheHeldImageOnly) {
    holding_.saveTextItem({.id = "same", .preview = "t", .searchText = "t", .content = "text"});
    holding_.saveImageItem({.id = "same", .preview = "Image 1x1", .imageData = {1}});
    holding_.saveImageItem({.id = "other", .preview = "Image 1x1", .imageData = {2}});

    holding_.updateOCRText("same", "hello annotated", "hello");
    holding_.replayInto(target_);

    ASSERT_EQ(target_.savedTexts.size(), 1u);
    EXPECT_EQ(target_.savedTexts[0].searchText, "t");
    ASSERT_EQ(target_.savedImages.size(), 2u);
    EXPECT_EQ(target_.savedImages[0].searchText, "hello annotated");
    EXPECT_EQ(target_.savedImages[0].ocrText, std::optional<std::string>("hello"));
    EXPECT_EQ(target_.savedImages[1].searchText, "");
    EXPECT_EQ(target_.savedImages[1].ocrText, std::nullopt);
}

}  // namespace
}  // namespace quorvane
