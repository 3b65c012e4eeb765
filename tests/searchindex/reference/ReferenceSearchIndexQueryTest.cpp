#include <gtest/gtest.h>

#include <limits>

#include "searchindex/reference/ReferenceSearchIndexQuery.h"

namespace quorvane {
namespace {

using Query = ReferenceSearchIndexQuery;
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

TEST(ReferenceSearchIndexQueryTest, MatchExpressionQuotesEveryPieceAsAPrefixPhrase) {
    EXPECT_EQ(Query::matchExpression({"foo", "a/b"}), R"("foo"* AND "a"* AND "b"*)");
    EXPECT_EQ(Query::matchExpression({"say\"hi"}), R"("say""hi"*)");
    EXPECT_EQ(Query::matchExpression({"//", "/"}), "");
    EXPECT_EQ(Query::matchExpression({}), "");
    // Operators and syntax characters stay inside the quotes.
    EXPECT_EQ(Query::matchExpression({"near(", "or", "-x", "^y", "a:b", "*"}),
              R"("near("* AND "or"* AND "-x"* AND "^y"* AND "a:b"* AND "*"*)");
}

TEST(ReferenceSearchIndexQueryTest, NonAlphanumericMeansAnythingButLettersMarksAndDigits) {
    EXPECT_FALSE(Query::containsNonAlphanumeric(""));
    EXPECT_FALSE(Query::containsNonAlphanumeric("abc123"));
    EXPECT_FALSE(
        Query::containsNonAlphanumeric("\u5317\u4EAC\u0661e\u0301"));  // ideographs, Arabic digit, mark
    EXPECT_TRUE(Query::containsNonAlphanumeric("a.b"));
    EXPECT_TRUE(Query::containsNonAlphanumeric("a_b"));
    EXPECT_TRUE(Query::containsNonAlphanumeric("\U0001F600"));
    EXPECT_TRUE(Query::containsNonAlphanumeric(std::string("a\0b", 3)));
    EXPECT_TRUE(Query::containsNonAlphanumeric("\xff"));
}

TEST(ReferenceSearchIndexQueryTest, AppClauseBindsOneParameterPerIdentifier) {
    EXPECT_EQ(Query::bundleIdentifierClause(std::nullopt, "d.bundle_identifier"), "");
    EXPECT_EQ(Query::bundleIdentifierClause(std::vector<std::string>{}, "d.bundle_identifier"), "AND 0=1");
    EXPECT_EQ(Query::bundleIdentifierClause(std::vector<std::string>{"a", "b"}, "bundle_identifier"),
              "AND (bundle_identifier = ? COLLATE NOCASE OR bundle_identifier = ? COLLATE NOCASE)");
}

TEST(ReferenceSearchIndexQueryTest, PageArithmeticSaturates) {
    EXPECT_EQ(Query::saturatingAdd(kMax, 1), kMax);
    EXPECT_EQ(Query::saturatingAdd(kMax - 1, 1), kMax);
    EXPECT_EQ(Query::saturatingAdd(std::numeric_limits<std::int64_t>::min(), -1),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Query::recent(kMax, -5).parameters, (std::vector<SQLiteBindingValue>{kMax, std::int64_t{0}}));
    const auto query = ClipboardSearchQueryText("ab");
    const auto union_ = Query::textOnlyUnion(query, kMax, kMax);
    ASSERT_TRUE(union_.has_value());
    EXPECT_EQ(union_->parameters.back(), SQLiteBindingValue(kMax));
    EXPECT_EQ(union_->parameters[union_->parameters.size() - 2], SQLiteBindingValue(kMax));
}

TEST(ReferenceSearchIndexQueryTest, FilterValuesAreBoundNeverSpliced) {
    Query::Filters filters;
    filters.state.classification = "x' OR 1=1 --";
    filters.state.lowerBound = Date(1700000000.9);
    filters.state.upperBound = Date(-1.5);
    filters.state.appValue = "evil";
    filters.bundleIdentifiers = std::vector<std::string>{"com.x'); DROP TABLE documents; --"};
    const auto query = Query::filtersOnly(filters, 10, 0);
    EXPECT_EQ(query.sql.find("DROP"), std::string::npos);
    EXPECT_EQ(query.sql.find("OR 1=1"), std::string::npos);
    // Date bounds are whole seconds, truncated toward zero.
    EXPECT_EQ(query.parameters,
              (std::vector<SQLiteBindingValue>{
                  std::string("x' OR 1=1 --"), std::string("com.x'); DROP TABLE documents; --"),
                  std::int64_t{1700000000}, std::int64_t{-1}, std::int64_t{11}, std::int64_t{0}}));
}

}  // namespace
}  // namespace quorvane
