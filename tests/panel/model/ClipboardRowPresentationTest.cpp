#include <gtest/gtest.h>

#include "panel/model/ClipboardRowPresentation.h"

namespace quorvane {
namespace {

const Date kNow(1'700'000'000.0);

std::string ago(double seconds, AppLanguage language = AppLanguage::english) {
    return ClipboardRowPresentation::relativeTimeText(kNow.addingTimeInterval(-seconds), kNow, language,
                                                      "UTC");
}

TEST(ClipboardRowPresentationTest, RelativeTimesStepThroughMinutesHoursAndDays) {
    EXPECT_EQ(ago(-5), "Just now");
    EXPECT_EQ(ago(59), "Just now");
    EXPECT_EQ(ago(60), "1 min ago");
    EXPECT_EQ(ago(119), "1 min ago");
    EXPECT_EQ(ago(120), "2 mins ago");
    EXPECT_EQ(ago(3600), "1 hour ago");
    EXPECT_EQ(ago(86399), "23 hours ago");
    EXPECT_EQ(ago(86400), "Yesterday");
    EXPECT_EQ(ago(172800), "2 days ago");
    EXPECT_EQ(ago(604799), "6 days ago");
    // 2023-11-07 22:13:20 UTC
    EXPECT_EQ(ago(604800), "Nov 7, 10:13\u202fPM");
}

TEST(ClipboardRowPresentationTest, RelativeTimesInChinese) {
    const auto chinese = AppLanguage::simplifiedChinese;
    EXPECT_EQ(ago(30, chinese), "刚刚");
    EXPECT_EQ(ago(60, chinese), "1 分钟前");
    EXPECT_EQ(ago(7200, chinese), "2 小时前");
    EXPECT_EQ(ago(90000, chinese), "昨天");
    EXPECT_EQ(ago(3 * 86400, chinese), "3 天前");
    const std::string date = ago(604800, chinese);
    EXPECT_NE(date.find("11月7日"), std::string::npos) << date;
    EXPECT_NE(date.find("10:13"), std::string::npos) << date;
}

TEST(ClipboardRowPresentationTest, EntryRowsShowKindAndLastActivity) {
    ClipboardHistoryIndexSnapshot item;
    item.preview = "first line\r\n\tsecond";
    item.createdAt = kNow.addingTimeInterval(-7200);
    item.lastAccessedAt = kNow.addingTimeInterval(-300);
    item.bundleIdentifier = "org.kde.kate";
    auto row = ClipboardRowPresentation::entry(item, kNow, AppLanguage::english);
    EXPECT_EQ(row.title, "first line second");
    EXPECT_EQ(row.subtitle, "Text · 5 mins ago");
    EXPECT_EQ(row.icon, ClipboardRowIcon::applicationIcon);
    EXPECT_EQ(row.bundleIdentifier, std::optional<std::string>("org.kde.kate"));

    // A last access before the creation does not count.
    item.lastAccessedAt = kNow.addingTimeInterval(-9000);
    item.classification = "JSON";
    EXPECT_EQ(ClipboardRowPresentation::entry(item, kNow, AppLanguage::english).subtitle,
              "JSON · 2 hours ago");

    item.classification.reset();
    item.contentType = ClipboardContentType::image;
    row = ClipboardRowPresentation::entry(item, kNow, AppLanguage::simplifiedChinese);
    EXPECT_EQ(row.subtitle, "图片 · 2 小时前");
    EXPECT_EQ(row.icon, ClipboardRowIcon::photo);
    EXPECT_FALSE(row.bundleIdentifier);
}

// Two pictures of one size copied in the same minute from the same program sound apart by the second; text
// rows keep their text.
TEST(ClipboardRowPresentationTest, ImagesCopiedInTheSameMinuteSoundApart) {
    ClipboardHistoryIndexSnapshot first;
    first.preview = "Image 640x200";
    first.contentType = ClipboardContentType::image;
    first.createdAt = kNow.addingTimeInterval(-150);  // 22:10:50 UTC
    ClipboardHistoryIndexSnapshot second = first;
    second.createdAt = kNow.addingTimeInterval(-170);
    const auto spoken = [](const ClipboardHistoryIndexSnapshot& item, AppLanguage language,
                           std::string_view application) {
        return ClipboardRowPresentation::spokenName(item, kNow, language, application, "UTC");
    };
    EXPECT_EQ(spoken(first, AppLanguage::english, "Painter"),
              "Image 640x200, 2 mins ago (10:10:50\u202fPM), from Painter");
    EXPECT_EQ(spoken(second, AppLanguage::english, "Painter"),
              "Image 640x200, 2 mins ago (10:10:30\u202fPM), from Painter");
    EXPECT_EQ(spoken(second, AppLanguage::english, ""), "Image 640x200, 2 mins ago (10:10:30\u202fPM)");
    const std::string chinese = spoken(first, AppLanguage::simplifiedChinese, "画图");
    EXPECT_EQ(chinese.rfind("Image 640x200，2 分钟前 (", 0), 0u) << chinese;
    EXPECT_NE(chinese.find("10:50)，来自画图"), std::string::npos) << chinese;
    EXPECT_NE(chinese, spoken(second, AppLanguage::simplifiedChinese, "画图"));
    // The last use counts, as in the row's subtitle.
    second.lastAccessedAt = kNow.addingTimeInterval(-5);
    EXPECT_EQ(spoken(second, AppLanguage::english, ""), "Image 640x200, Just now (10:13:15\u202fPM)");

    ClipboardHistoryIndexSnapshot text = first;
    text.contentType = ClipboardContentType::text;
    text.preview = "line one\nline two";
    EXPECT_EQ(spoken(text, AppLanguage::english, "Painter"), "line one line two");
}

TEST(ClipboardRowPresentationTest, SuggestionAndShowMoreRows) {
    const ClipboardFilterSuggestion suggestion{"GitHub PR", "github-pr", "git", {}};
    const auto row = ClipboardRowPresentation::suggestion(suggestion, AppLanguage::english);
    EXPECT_EQ(row.title, "GitHub PR");
    EXPECT_EQ(row.subtitle, "Type filter · github-pr");
    EXPECT_EQ(row.icon, ClipboardRowIcon::tag);
    EXPECT_EQ(ClipboardRowPresentation::suggestion(suggestion, AppLanguage::simplifiedChinese).subtitle,
              "类型筛选 · github-pr");
    EXPECT_EQ(ClipboardRowPresentation::showMore(AppLanguage::english).title, "Show more...");
    EXPECT_EQ(ClipboardRowPresentation::showMore(AppLanguage::english).icon, ClipboardRowIcon::ellipsis);
}

}  // namespace
}  // namespace quorvane
