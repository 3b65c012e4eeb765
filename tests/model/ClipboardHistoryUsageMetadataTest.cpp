#include <gtest/gtest.h>

#include <limits>

#include "model/ClipboardContentType.h"
#include "model/ClipboardHistoryUsageMetadata.h"

namespace quorvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ClipboardHistoryUsageMetadataTest, MergeKeepsTheLaterDateWhicheverSideHoldsIt) {
    const ClipboardHistoryUsageMetadata early{Date(100), 3};
    const ClipboardHistoryUsageMetadata late{Date(200), 5};
    EXPECT_EQ(early.merged(late), (ClipboardHistoryUsageMetadata{Date(200), 8}));
    EXPECT_EQ(late.merged(early), (ClipboardHistoryUsageMetadata{Date(200), 8}));
    EXPECT_EQ((ClipboardHistoryUsageMetadata{std::nullopt, 5}).merged(early),
              (ClipboardHistoryUsageMetadata{Date(100), 8}));
    EXPECT_EQ((ClipboardHistoryUsageMetadata{std::nullopt, 1}).merged({std::nullopt, 2}).lastAccessedAt,
              std::nullopt);
}

TEST(ClipboardHistoryUsageMetadataTest, MergeSaturatesUpwardsAndNeverGoesBelowZero) {
    EXPECT_EQ(ClipboardHistoryUsageMetadata({std::nullopt, kMax}).merged({std::nullopt, 1}).accessCount,
              kMax);
    EXPECT_EQ(ClipboardHistoryUsageMetadata({std::nullopt, 2}).merged({std::nullopt, -5}).accessCount, 0);
    // Both directions of overflow: only the upward one may give the largest value.
    EXPECT_EQ(ClipboardHistoryUsageMetadata({std::nullopt, kMin}).merged({std::nullopt, -1}).accessCount, 0);
    EXPECT_EQ(ClipboardHistoryUsageMetadata({std::nullopt, kMax}).merged({std::nullopt, kMax}).accessCount,
              kMax);
}

TEST(ClipboardHistoryUsageMetadataTest, EmptyIsNeutralForNonNegativeCountsAndOperandsStayUnchanged) {
    const ClipboardHistoryUsageMetadata value{Date(42), 7};
    EXPECT_EQ(ClipboardHistoryUsageMetadata::empty.merged(value), value);
    EXPECT_EQ(value.merged(ClipboardHistoryUsageMetadata::empty), value);
    EXPECT_EQ(ClipboardHistoryUsageMetadata::empty, (ClipboardHistoryUsageMetadata{std::nullopt, 0}));
}

TEST(ClipboardContentTypeTest, RawValuesRoundTripAndOtherStringsGiveNothing) {
    for (ClipboardContentType type : allClipboardContentTypes) {
        EXPECT_EQ(clipboardContentTypeFromRawValue(rawValue(type)), type);
    }
    EXPECT_EQ(rawValue(ClipboardContentType::image), "image");
    EXPECT_EQ(clipboardContentTypeFromRawValue("Text"), std::nullopt);
    EXPECT_EQ(clipboardContentTypeFromRawValue(""), std::nullopt);
    EXPECT_EQ(clipboardContentTypeFromRawValue("image "), std::nullopt);
}

}  // namespace
}  // namespace quorvane
