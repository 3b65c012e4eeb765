#include <gtest/gtest.h>

#include <unordered_set>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {
namespace {

ClipboardHistoryIndex makeRecord() {
    return {"ID-1",    "preview", "search", Date(1000), Date(1500), 4, ClipboardContentType::text,
            "org.app", "url"};
}

TEST(ClipboardHistoryIndexSnapshotTest, CopiesEveryFieldOfTheRecord) {
    const ClipboardHistoryIndex record = makeRecord();
    const auto snapshot = ClipboardHistoryIndexSnapshot::fromModel(record);
    EXPECT_EQ(snapshot, (ClipboardHistoryIndexSnapshot{"ID-1", "preview", "search", Date(1000), Date(1500), 4,
                                                       ClipboardContentType::text, "org.app", "url"}));
}

TEST(ClipboardHistoryIndexSnapshotTest, UsageChangeMakesADifferentSetElementWithTheSameId) {
    const auto base = ClipboardHistoryIndexSnapshot::fromModel(makeRecord());
    auto used = base;
    used.accessCount += 1;
    auto used2 = base;
    used2.lastAccessedAt = std::nullopt;
    std::unordered_set<ClipboardHistoryIndexSnapshot> set{base, used, used2, base};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_NE(std::hash<ClipboardHistoryIndexSnapshot>{}(base),
              std::hash<ClipboardHistoryIndexSnapshot>{}(used));
}

TEST(ClipboardHistoryIndexSnapshotTest, AbsentOptionalDiffersFromPresentEmptyOne) {
    auto absent = ClipboardHistoryIndexSnapshot::fromModel(makeRecord());
    absent.bundleIdentifier = std::nullopt;
    auto empty = absent;
    empty.bundleIdentifier = "";
    EXPECT_NE(absent, empty);
    EXPECT_NE(std::hash<ClipboardHistoryIndexSnapshot>{}(absent),
              std::hash<ClipboardHistoryIndexSnapshot>{}(empty));
}

TEST(ClipboardHistoryIndexSnapshotTest, SortDateIsTheLatestEventButNeverBeforeCapture) {
    ClipboardHistoryIndex record = makeRecord();
    record.lastAccessedAt = std::nullopt;
    EXPECT_EQ(record.sortAt(), Date(1000));
    record.lastAccessedAt = Date(1001);
    EXPECT_EQ(record.sortAt(), Date(1001));
    record.lastAccessedAt = Date(999);
    EXPECT_EQ(record.sortAt(), Date(1000));
    auto snapshot = ClipboardHistoryIndexSnapshot::fromModel(record);
    EXPECT_EQ(snapshot.sortAt(), Date(1000));
    snapshot.lastAccessedAt = Date(1000);
    EXPECT_EQ(snapshot.sortAt(), Date(1000));
}

TEST(ClipboardHistoryContentSnapshotTest, LeavesOutTheFingerprintAndTellsAbsentFromEmptyBlobs) {
    ClipboardHistoryContent a{"ID", "text", std::nullopt, std::nullopt, std::nullopt, std::nullopt, "aaaa"};
    ClipboardHistoryContent b = a;
    b.duplicateFingerprint = "bbbb";
    EXPECT_EQ(ClipboardHistoryContentSnapshot::fromModel(a), ClipboardHistoryContentSnapshot::fromModel(b));
    b.imageData = std::vector<std::uint8_t>{};
    EXPECT_NE(ClipboardHistoryContentSnapshot::fromModel(a), ClipboardHistoryContentSnapshot::fromModel(b));
    const auto snapshot = ClipboardHistoryContentSnapshot::fromModel(b);
    ASSERT_TRUE(snapshot.imageData.has_value());
    EXPECT_TRUE(snapshot.imageData->empty());
}

}  // namespace
}  // namespace quorvane
