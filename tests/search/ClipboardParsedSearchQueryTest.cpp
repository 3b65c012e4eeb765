#include "search/ClipboardParsedSearchQuery.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = ClipboardSearchFilterKind;

TEST(ClipboardParsedSearchQueryTest, WrittenFiltersSuppressImplicitOnesOfTheirKind) {
    ClipboardParsedSearchQuery query;
    query.explicitFilters = {{K::type, "JSON", false, "type:json"}};
    query.implicitFilters = {{K::type, "Image", true, ""}, {K::app, "kate", true, ""}};
    const auto effective = query.effectiveFilters();
    ASSERT_EQ(effective.size(), 2u);
    EXPECT_EQ(effective[0], query.implicitFilters[1]);
    EXPECT_EQ(effective[1], query.explicitFilters[0]);
}

}  // namespace
}  // namespace quorvane
