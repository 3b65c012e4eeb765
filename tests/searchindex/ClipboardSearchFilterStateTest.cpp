#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <memory>

#include "searchindex/ClipboardSearchFilterState.h"

namespace quorvane {
namespace {

using K = ClipboardSearchFilterKind;

ClipboardSearchFilter f(K kind, std::string value) {
    return {kind, std::move(value), false, ""};
}

TEST(ClipboardSearchFilterStateTest, TypeValuesBecomeContentTypeOrClassificationAsTyped) {
    auto state = ClipboardSearchFilterState::make({f(K::type, "IMG")}, Date(0));
    EXPECT_EQ(state.contentType, ClipboardContentType::image);
    EXPECT_EQ(state.classification, std::nullopt);

    state = ClipboardSearchFilterState::make({f(K::type, "GitHub PR"), f(K::type, "Text")}, Date(0));
    EXPECT_EQ(state.contentType, ClipboardContentType::text);
    EXPECT_EQ(state.classification, "GitHub PR");  // kept as typed, an earlier classification stays

    state = ClipboardSearchFilterState::make({f(K::type, "  ")}, Date(0));
    EXPECT_EQ(state.classification, "  ");
    EXPECT_EQ(state.contentType, std::nullopt);

    state = ClipboardSearchFilterState::make({f(K::type, "json"), f(K::type, "sql")}, Date(0));
    EXPECT_EQ(state.classification, "sql");
}

TEST(ClipboardSearchFilterStateTest, DateWordsSetBoundsFromTheirPresetsAndOthersAreIgnored) {
    const std::unique_ptr<icu::TimeZone> saved(icu::TimeZone::createDefault());
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Europe/Berlin"));
    const Date now(1774740600);  // 29 March 2026, 00:30 in Berlin
    auto state = ClipboardSearchFilterState::make({f(K::after, "Today"), f(K::before, "yesterday")}, now);
    EXPECT_EQ(state.lowerBound, Date(1774738800));
    EXPECT_EQ(state.upperBound, Date(1774738800));  // before yesterday = before the start of today

    state = ClipboardSearchFilterState::make(
        {f(K::after, "tomorrow"), f(K::before, "week"), f(K::app, "kate")}, now);
    EXPECT_EQ(state.lowerBound, std::nullopt);
    EXPECT_EQ(state.upperBound, now);
    EXPECT_EQ(state.appValue, "kate");
    icu::TimeZone::setDefault(*saved);
}

}  // namespace
}  // namespace quorvane
