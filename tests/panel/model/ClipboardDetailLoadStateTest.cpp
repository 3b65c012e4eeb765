#include <gtest/gtest.h>

#include "panel/model/ClipboardDetailImageLayout.h"
#include "panel/model/ClipboardDetailLoadState.h"
#include "panel/model/ClipboardDetailMetadata.h"

namespace quorvane {
namespace {

using Step = ClipboardDetailLoadState::Step;
using Outcome = ClipboardDetailLoadState::LoadOutcome;

ClipboardHistoryIndexSnapshot entry(const std::string& id) {
    ClipboardHistoryIndexSnapshot item;
    item.id = id;
    return item;
}

std::shared_ptr<const ClipboardHistoryContentSnapshot> content(const std::string& id) {
    auto snapshot = std::make_shared<ClipboardHistoryContentSnapshot>();
    snapshot->id = id;
    snapshot->content = "text of " + id;
    return snapshot;
}

TEST(ClipboardDetailLoadStateTest, EmptyStateEndsTheLoadInFlight) {
    ClipboardDetailLoadState state;
    const auto decision = state.showItem(entry("a"), "");
    ASSERT_EQ(decision.step, Step::startLoad);
    state.showEmptyState();
    EXPECT_EQ(state.loadFinished(decision.loadToken, "a", content("a")), Outcome::ignore);
    EXPECT_EQ(state.loadFinished(decision.loadToken, "a", nullptr), Outcome::ignore);
    EXPECT_FALSE(state.displayedItemId());
    EXPECT_FALSE(state.loadingItemId());
    EXPECT_FALSE(state.cache().content("a"));
}

TEST(ClipboardDetailLoadStateTest, OnlyTheNewestLoadIsShown) {
    ClipboardDetailLoadState state;
    const auto first = state.showItem(entry("a"), "");
    EXPECT_EQ(state.showItem(entry("a"), "").step, Step::alreadyLoading);
    const auto second = state.showItem(entry("b"), "");
    EXPECT_EQ(state.loadFinished(first.loadToken, "a", content("a")), Outcome::ignore);
    EXPECT_EQ(state.loadFinished(second.loadToken, "b", content("b")), Outcome::display);
    state.displayed("b");

    EXPECT_EQ(state.showItem(entry("b"), "").step, Step::refreshLabel);
    const auto rehighlight = state.showItem(entry("b"), "new");
    EXPECT_EQ(rehighlight.step, Step::rehighlight);
    EXPECT_FALSE(rehighlight.entryChanged);
    EXPECT_EQ(state.highlightQuery(), "new");

    const auto failing = state.showItem(entry("c"), "");
    EXPECT_TRUE(failing.entryChanged);
    EXPECT_EQ(state.loadFinished(failing.loadToken, "c", nullptr), Outcome::fail);
    EXPECT_FALSE(state.loadingItemId());
}

TEST(ClipboardDetailLoadStateTest, SeventhLoadEvictsTheFirstEvenAfterACacheHit) {
    ClipboardDetailLoadState state;
    const auto load = [&](const std::string& id) {
        const auto decision = state.showItem(entry(id), "");
        if (decision.step == Step::startLoad) state.loadFinished(decision.loadToken, id, content(id));
        state.displayed(id);
        return decision.step;
    };
    for (const char* id : {"1", "2", "3", "4", "5", "6"}) load(id);
    EXPECT_EQ(load("1"), Step::displayCached);
    EXPECT_EQ(load("7"), Step::startLoad);
    EXPECT_FALSE(state.cache().content("1"));
    EXPECT_TRUE(state.cache().content("2"));
    EXPECT_EQ(state.cache().size(), 6u);
}

TEST(ClipboardDetailLoadStateTest, LateFormattingAndMetadataAreRecognised) {
    ClipboardDetailLoadState state;
    const auto formatting = state.beginFormatting();
    state.cancelFormatting();
    EXPECT_FALSE(state.isCurrentFormatting(formatting));
    state.displayed("x");
    const auto metadata = state.beginMetadata();
    EXPECT_TRUE(state.isCurrentMetadata(metadata, "x"));
    EXPECT_FALSE(state.isCurrentMetadata(metadata, "y"));
    state.showEmptyState();
    EXPECT_FALSE(state.isCurrentMetadata(metadata, "x"));
}

TEST(ClipboardDetailMetadataTest, TextFormsSizesAndUse) {
    const Date now(1'700'000'000.0);
    ClipboardHistoryIndexSnapshot item = entry("a");
    item.classification = "JSON";
    item.accessCount = -3;
    ClipboardHistoryContentSnapshot stored = *content("a");
    stored.content = "0123456789";
    stored.richTextRTFData = std::vector<std::uint8_t>(100);
    stored.richTextHTMLData = std::vector<std::uint8_t>(200);
    EXPECT_EQ(ClipboardDetailMetadata::compose(item, stored, std::nullopt, now, AppLanguage::english),
              "JSON · RTF/HTML - 310 bytes · used 0x · last used never");

    stored.richTextRTFData.reset();
    item.classification.reset();
    item.accessCount = 4;
    item.lastAccessedAt = now.addingTimeInterval(-300);
    EXPECT_EQ(ClipboardDetailMetadata::compose(item, stored, std::nullopt, now, AppLanguage::english),
              "HTML - 210 bytes · used 4x · last used 5 min. ago");
    EXPECT_EQ(
        ClipboardDetailMetadata::compose(item, stored, std::nullopt, now, AppLanguage::simplifiedChinese),
        "HTML - 210 字节 · 使用 4 次 · 上次使用 5分钟前");
}

TEST(ClipboardDetailMetadataTest, ImagesAndByteCounts) {
    const Date now(1'700'000'000.0);
    ClipboardHistoryIndexSnapshot item = entry("i");
    item.contentType = ClipboardContentType::image;
    ClipboardHistoryContentSnapshot stored = *content("i");
    const auto first = [&](std::optional<ImagePixelSize> size) {
        const std::string text =
            ClipboardDetailMetadata::compose(item, stored, size, now, AppLanguage::english);
        return text.substr(0, text.find(" · "));
    };
    EXPECT_EQ(first(std::nullopt), "IMG");
    stored.imageData = std::vector<std::uint8_t>(2'500);
    EXPECT_EQ(first(ImagePixelSize{640, 480}), "IMG - 640x480 - 3 KB");
    EXPECT_EQ(first(std::nullopt), "IMG - 3 KB");
    stored.imageData = std::vector<std::uint8_t>();
    EXPECT_EQ(first(std::nullopt), "IMG");

    EXPECT_EQ(ClipboardDetailMetadata::byteCountText(1, AppLanguage::english), "1 byte");
    EXPECT_EQ(ClipboardDetailMetadata::byteCountText(999, AppLanguage::english), "999 bytes");
    EXPECT_EQ(ClipboardDetailMetadata::byteCountText(1'500'000, AppLanguage::english), "1.5 MB");
    EXPECT_EQ(ClipboardDetailMetadata::byteCountText(999'999, AppLanguage::english), "1.0 MB");
    EXPECT_EQ(ClipboardDetailMetadata::labelText(now.addingTimeInterval(-7200), std::string("x"), now,
                                                 AppLanguage::english),
              "2 hr. ago | x");
}

TEST(ClipboardDetailImageLayoutTest, ImagesStayWithinTheirPixelsAndHairlinesStayVisible) {
    auto layout = ClipboardDetailImageLayout::make(420, 300, 100, 50);
    EXPECT_EQ(layout.image, (ClipboardLayoutRect{150, 125, 100, 50}));
    layout = ClipboardDetailImageLayout::make(220, 300, 4000, 10);
    EXPECT_EQ(layout.image.width, 200);
    EXPECT_DOUBLE_EQ(layout.image.height, 2);
    layout = ClipboardDetailImageLayout::make(120, 50, 100, 400);
    EXPECT_EQ(layout.container.height, 400);
}

}  // namespace
}  // namespace quorvane
