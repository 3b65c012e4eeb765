#include <gtest/gtest.h>

#include <unordered_set>

#include "search/ClipboardParsedSearchQuery.h"
#include "searchindex/ClipboardSearchFilter.h"
#include "searchindex/ClipboardSearchQueryText.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchFilterKind;

ClipboardSearchFilter filter(Kind kind, std::string value, bool implicit = false) {
    return {kind, value, implicit, std::string(rawValue(kind)) + ":" + value};
}

TEST(ClipboardSearchFilterTest, ChipTitleUppercasesOnlyTypeValues) {
    EXPECT_EQ(filter(Kind::type, "GitHub PR").chipTitle(), "Type: GITHUB PR");
    EXPECT_EQ(filter(Kind::type, "Image").chipTitle(), "Type: IMAGE");
    EXPECT_EQ(filter(Kind::type, "idées").chipTitle(), "Type: IDÉES");
    EXPECT_EQ(filter(Kind::app, "safari").chipTitle(), "App: safari");
    EXPECT_EQ(filter(Kind::after, "week").chipTitle(), "After: week");
    EXPECT_EQ(filter(Kind::before, "today").chipTitle(), "Before: today");
}

TEST(ClipboardSearchFilterTest, KindRawValuesAreExactAndCaseSensitive) {
    for (auto kind : allClipboardSearchFilterKinds)
        EXPECT_EQ(clipboardSearchFilterKind(rawValue(kind)), kind);
    EXPECT_EQ(clipboardSearchFilterKind("Type"), std::nullopt);
    EXPECT_EQ(clipboardSearchFilterKind("application"), std::nullopt);
}

TEST(ClipboardSearchFilterTest, FiltersDifferingInAnyFieldAreDistinctKeys) {
    auto base = filter(Kind::app, "safari");
    auto otherToken = base;
    otherToken.sourceToken = "app: safari";
    auto implicit = base;
    implicit.isImplicit = true;
    std::unordered_set<ClipboardSearchFilter> set{base, otherToken, implicit, filter(Kind::type, "safari"),
                                                  base};
    EXPECT_EQ(set.size(), 4u);
    EXPECT_TRUE(set.count(filter(Kind::app, "safari")));
}

TEST(ClipboardSearchFilterTest, ExplicitFilterSuppressesImplicitFiltersOfItsKindOnly) {
    ClipboardParsedSearchQuery query;
    query.explicitFilters = {filter(Kind::type, "JSON")};
    query.implicitFilters = {filter(Kind::type, "Image", true), filter(Kind::app, "xterm", true)};
    std::vector<ClipboardSearchFilter> expected{filter(Kind::app, "xterm", true), filter(Kind::type, "JSON")};
    EXPECT_EQ(query.effectiveFilters(), expected);

    ClipboardParsedSearchQuery onlyExplicit;
    onlyExplicit.explicitFilters = {filter(Kind::type, "Text"), filter(Kind::type, "Text")};
    EXPECT_EQ(onlyExplicit.effectiveFilters(), onlyExplicit.explicitFilters);
}

TEST(ClipboardSearchFilterTest, ParsedQueriesAndQueryTextsHashByContent) {
    ClipboardParsedSearchQuery a{{"foo"}, {filter(Kind::type, "JSON")}, {}};
    ClipboardParsedSearchQuery b{{"foo"}, {}, {filter(Kind::type, "JSON")}};
    std::unordered_set<ClipboardParsedSearchQuery> queries{a, b, a};
    EXPECT_EQ(queries.size(), 2u);

    std::unordered_set<ClipboardSearchQueryText> texts{
        {"a b", "ab", {"a", "b"}}, {"ab", "ab", {"ab"}}, {"a b", "ab", {"a", "b"}}};
    EXPECT_EQ(texts.size(), 2u);
}

}  // namespace
}  // namespace quorvane
