#include <gtest/gtest.h>

#include "base/Logger.h"
#include "classification/ClipboardClassificationSettings.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "search/ClipboardSearchQueryParser.h"
#include "support/IcuDefaultLocale.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchFilterKind;
using Parser = ClipboardSearchQueryParser;
using Strings = std::vector<std::string>;

ClipboardSearchFilter filter(Kind kind, std::string value, std::string source) {
    return {kind, std::move(value), false, std::move(source)};
}

class ClipboardSearchQueryParserTest : public ::testing::Test {
protected:
    // Stores user classification rules that yield the given result classifications.
    void setUserClassifications(const Strings& results, bool enabled = true) {
        std::vector<ClipboardUserClassificationRule> rules;
        for (const auto& result : results) {
            ClipboardUserClassificationRule rule;
            rule.id = "rule-" + std::to_string(rules.size());
            rule.name = "Rule";
            rule.conditionValue = "x";
            rule.resultClassification = result;
            rule.isEnabled = enabled;
            rules.push_back(rule);
        }
        ClipboardClassificationSettings::setUserRules(rules, defaults);
    }
    void setEnabledMainTypes(const std::set<ClipboardMainContentType>& types) {
        ClipboardClassificationSettings::setEnabledMainContentTypes(types, defaults);
    }
    ClipboardParsedSearchQuery parse(std::string_view query) { return Parser::parse(query, defaults); }
    std::vector<ClipboardSearchFilter> filtersOf(std::string_view query) {
        return parse(query).explicitFilters;
    }
    Strings textOf(std::string_view query) { return parse(query).textTokens; }
    Strings displayNames(std::string_view prefix) {
        Strings names;
        for (const auto& suggestion : Parser::filterSuggestions(prefix, defaults)) {
            names.push_back(suggestion.displayName);
        }
        return names;
    }

    InMemoryUserDefaults defaults;
};

TEST_F(ClipboardSearchQueryParserTest, BlankQueryHasNoWordsAndNoFilters) {
    for (auto query : {"", "   ", "\t \n"}) {
        auto parsed = parse(query);
        EXPECT_EQ(parsed, ClipboardParsedSearchQuery{}) << query;
        EXPECT_TRUE(parsed.effectiveFilters().empty());
    }
}

TEST_F(ClipboardSearchQueryParserTest, FilterWordsAreReadAfterTheWholeQueryIsNormalised) {
    auto parsed = parse("type:image foo");
    EXPECT_EQ(parsed.textTokens, Strings{"foo"});
    EXPECT_EQ(parsed.explicitFilters, (std::vector{filter(Kind::type, "Image", "type:image")}));
    EXPECT_TRUE(parsed.implicitFilters.empty());

    EXPECT_EQ(filtersOf("TYPE:IMG"), (std::vector{filter(Kind::type, "Image", "type:img")}));
    EXPECT_EQ(filtersOf("Before:Week"), (std::vector{filter(Kind::before, "week", "before:week")}));
    EXPECT_EQ(filtersOf("type:image type:text"), (std::vector{filter(Kind::type, "Image", "type:image"),
                                                              filter(Kind::type, "Text", "type:text")}));
}

TEST_F(ClipboardSearchQueryParserTest, BareColonIsATypeFilterWhateverFollows) {
    EXPECT_EQ(filtersOf(":json"), (std::vector{filter(Kind::type, "JSON", ":json")}));
    EXPECT_EQ(filtersOf(": json"), (std::vector{filter(Kind::type, "JSON", ": json")}));
    EXPECT_EQ(filtersOf(": app:x"), (std::vector{filter(Kind::type, "app:x", ": app:x")}));
    EXPECT_EQ(filtersOf("::"), (std::vector{filter(Kind::type, ":", "::")}));
    EXPECT_EQ(filtersOf(":x:"), (std::vector{filter(Kind::type, "x:", ":x:")}));
    EXPECT_EQ(textOf(":"), Strings{":"});
    EXPECT_EQ(textOf("notes :"), (Strings{"notes", ":"}));
}

TEST_F(ClipboardSearchQueryParserTest, KeyWrittenApartFromItsValueTakesTheNextWord) {
    auto parsed = parse("app: Safari notes");
    EXPECT_EQ(parsed.explicitFilters, (std::vector{filter(Kind::app, "safari", "app: safari")}));
    EXPECT_EQ(parsed.textTokens, Strings{"notes"});
    EXPECT_EQ(filtersOf("type: image"), (std::vector{filter(Kind::type, "Image", "type: image")}));
    EXPECT_EQ(textOf("type:"), Strings{"type:"});
    // A date value that is no preset leaves both words as text.
    auto bad = parse("after: tomorrow");
    EXPECT_EQ(bad.textTokens, (Strings{"after:", "tomorrow"}));
    EXPECT_TRUE(bad.explicitFilters.empty());
}

TEST_F(ClipboardSearchQueryParserTest, WordsThatAreNoValidFilterStayText) {
    EXPECT_EQ(textOf("foo:bar https://example.com after:tomorrow"),
              (Strings{"foo:bar", "https://example.com", "after:tomorrow"}));
    EXPECT_TRUE(filtersOf("foo:bar https://example.com after:tomorrow").empty());
}

TEST_F(ClipboardSearchQueryParserTest, TypeValuesBecomeCanonicalThroughAliases) {
    for (auto word : {"pull-request", "github_pr", "pr", "githubpullrequest", "github-pr"}) {
        EXPECT_EQ(filtersOf(std::string("type:") + word).at(0).value, "GitHub PR") << word;
    }
    EXPECT_EQ(filtersOf("type:curlcommand").at(0).value, "Curl");
    EXPECT_EQ(filtersOf("type:file_path").at(0).value, "File Path");
    EXPECT_EQ(filtersOf("type:json-lines").at(0).value, "JSON Lines");
    EXPECT_EQ(filtersOf("type:ipaddress").at(0).value, "IP");
    EXPECT_EQ(filtersOf("type:jsonl").at(0).value, "jsonl");
}

TEST_F(ClipboardSearchQueryParserTest, UserClassificationNamesResolveButNeverShadowBuiltIns) {
    setUserClassifications({"  My Clips ", "url"}, false);
    EXPECT_EQ(filtersOf("type:my-clips").at(0).value, "My Clips");
    EXPECT_EQ(filtersOf("type:myclips").at(0).value, "My Clips");
    EXPECT_EQ(filtersOf("type:my_clips").at(0).value, "My Clips");
    EXPECT_EQ(filtersOf("type:url").at(0).value, "URL");
    // Read afresh at every lookup.
    setUserClassifications({});
    EXPECT_EQ(filtersOf("type:myclips").at(0).value, "myclips");
}

TEST_F(ClipboardSearchQueryParserTest, RemovingAChipDropsEveryTokenWithItsSourceAndNormalisesTheRest) {
    EXPECT_EQ(Parser::removingFilterToken("app: safari", "Notes app: Safari", defaults), "notes");
    EXPECT_EQ(Parser::removingFilterToken("type:json", "type:json foo TYPE:JSON : json", defaults),
              "foo : json");
    EXPECT_EQ(Parser::removingFilterToken("foo", "foo bar foo", defaults), "bar");
}

TEST_F(ClipboardSearchQueryParserTest, TypeCandidatesFollowDisplayNamesAndEnabledMainTypes) {
    EXPECT_EQ(Parser::typeFilterCandidates("git", defaults), (Strings{"github-issue", "github-pr"}));
    EXPECT_EQ(Parser::typeFilterCandidates("jsonl", defaults), Strings{"json-lines"});
    EXPECT_EQ(Parser::typeFilterCandidates("IMG", defaults), Strings{"img"});

    auto all = Parser::typeFilterCandidates("", defaults);
    EXPECT_EQ(all.size(), 18u);  // text, image, img and the fifteen classifications
    EXPECT_EQ(all.front(), "base64");
    EXPECT_EQ(all.back(), "uuid");

    setEnabledMainTypes({ClipboardMainContentType::text});
    EXPECT_TRUE(Parser::typeFilterCandidates("img", defaults).empty());
    EXPECT_EQ(Parser::typeFilterCandidates("te", defaults), Strings{"text"});
}

TEST_F(ClipboardSearchQueryParserTest, TypeCandidatesSortTheSameUnderThePosixLocale) {
    // en_US_POSIX puts every capital before every small letter: "IP Address" would precede "Image".
    testing::runUnderIcuDefaultLocale("en_US_POSIX", [&] {
        const auto candidates = Parser::typeFilterCandidates("i", defaults);
        ASSERT_EQ(candidates.size(), 3u);
        EXPECT_EQ(candidates.back(), "ip");
    });
}

TEST_F(ClipboardSearchQueryParserTest, TypeCandidatesOfferUserNamesWithoutDisplacingBuiltInKeys) {
    setUserClassifications({"Zebra Notes", "JSON", "  "});
    auto all = Parser::typeFilterCandidates("", defaults);
    EXPECT_EQ(all.back(), "zebra-notes");
    EXPECT_EQ(std::count(all.begin(), all.end(), "json"), 1);
    EXPECT_EQ(Parser::typeFilterCandidates("zebranotes", defaults), Strings{"zebra-notes"});
}

TEST_F(ClipboardSearchQueryParserTest, DateValuesCompleteByLowercasedPrefix) {
    EXPECT_EQ(Parser::dateFilterValues(""), (Strings{"today", "yesterday", "week", "month"}));
    EXPECT_EQ(Parser::dateFilterValues("Y"), Strings{"yesterday"});
    EXPECT_TRUE(Parser::dateFilterValues("x").empty());
}

TEST_F(ClipboardSearchQueryParserTest, HyphenatedKeyJoinsNormalisedWords) {
    EXPECT_EQ(Parser::hyphenatedKey("GitHub  PR"), "github-pr");
    EXPECT_EQ(Parser::hyphenatedKey("  "), "");
    ClipboardSearchQueryParser::AliasMap map;
    Parser::registerAliases("JSON Lines", "JSON Lines", map);
    EXPECT_EQ(map, (ClipboardSearchQueryParser::AliasMap{{"json lines", "JSON Lines"},
                                                         {"jsonlines", "JSON Lines"},
                                                         {"json-lines", "JSON Lines"},
                                                         {"json_lines", "JSON Lines"}}));
}

TEST_F(ClipboardSearchQueryParserTest, SuggestionContextIsAColonFragmentEndingAtTheCursor) {
    auto context = Parser::filterSuggestionContext("notes :js", 9);
    ASSERT_TRUE(context);
    EXPECT_EQ(*context, (ClipboardFilterSuggestionContext{{6, 3}, "js", ":js"}));
    EXPECT_EQ(Parser::filterSuggestionContext(": js", 4),
              (ClipboardFilterSuggestionContext{{0, 4}, "js", ": js"}));
    EXPECT_EQ(Parser::filterSuggestionContext(":", 1), (ClipboardFilterSuggestionContext{{0, 1}, "", ":"}));
    EXPECT_EQ(Parser::filterSuggestionContext(":js more", 3),
              (ClipboardFilterSuggestionContext{{0, 3}, "js", ":js"}));
    for (auto text : {"type:js", "notes:js", ":js more", ":é"}) {
        EXPECT_FALSE(
            Parser::filterSuggestionContext(text, static_cast<std::ptrdiff_t>(std::string(text).size())))
            << text;
    }
    EXPECT_FALSE(Parser::filterSuggestionContext(":js", 0));
    // Locations count UTF-16 units: the emoji before the fragment takes two.
    EXPECT_EQ(Parser::filterSuggestionContext("😀 :md", 100),
              (ClipboardFilterSuggestionContext{{3, 3}, "md", ":md"}));
}

TEST_F(ClipboardSearchQueryParserTest, SuggestionsRankByMatchLevelThenVocabularyOrder) {
    auto all = displayNames("");
    ASSERT_EQ(all.size(), 17u);
    EXPECT_EQ(all.front(), "Text");
    EXPECT_EQ(all[2], "URL");
    EXPECT_EQ(all.back(), "Curl");
    EXPECT_EQ(displayNames("js"), (Strings{"JSON", "JSON Lines"}));
    EXPECT_EQ(displayNames("pr"), Strings{"GitHub PR"});
    EXPECT_EQ(displayNames("json-l"), Strings{"JSON Lines"});
    // "ip" equals a key of IP (level 0) and only lies inside keys of others.
    EXPECT_EQ(displayNames("ip").front(), "IP");
    auto issue = Parser::filterSuggestions("issue", defaults);
    ASSERT_FALSE(issue.empty());
    EXPECT_EQ(issue.front(), (ClipboardFilterSuggestion{"GitHub Issue", ":github-issue", "issue",
                                                        ClipboardFilterSuggestionSource::system}));
}

TEST_F(ClipboardSearchQueryParserTest, SuggestionsListEachNameOnceAndRespectEnabledTypes) {
    EXPECT_EQ(displayNames("im"), Strings{"Image"});
    setEnabledMainTypes({ClipboardMainContentType::text});
    EXPECT_TRUE(displayNames("im").empty());

    setUserClassifications({"JSON", "Receipts", "receipts"});
    auto json = displayNames("json");
    EXPECT_EQ(std::count(json.begin(), json.end(), "JSON"), 1);
    auto receipts = Parser::filterSuggestions("rec", defaults);
    ASSERT_EQ(receipts.size(), 1u);
    EXPECT_EQ(receipts[0], (ClipboardFilterSuggestion{"Receipts", ":receipts", "receipts",
                                                      ClipboardFilterSuggestionSource::user}));
}

TEST_F(ClipboardSearchQueryParserTest, EveryInsertTokenParsesBackToItsDisplayName) {
    setUserClassifications({"My Clips"});
    for (const auto& suggestion : Parser::filterSuggestions("", defaults)) {
        auto filters = filtersOf(suggestion.insertToken);
        ASSERT_EQ(filters.size(), 1u) << suggestion.insertToken;
        EXPECT_EQ(filters[0].value, suggestion.displayName);
    }
}

TEST_F(ClipboardSearchQueryParserTest, MatchRankPrefersEarlierLevelsOverEarlierKeys) {
    Strings keys{"json lines", "jsonlines", "json-lines", "json_lines"};
    EXPECT_EQ(Parser::matchRank(keys, "jsonlines", "jsonlines"), std::make_pair(0, std::string("jsonlines")));
    EXPECT_EQ(Parser::matchRank(keys, "json_l", "jsonl"), std::make_pair(1, std::string("json_lines")));
    EXPECT_EQ(Parser::matchRank({"json-lines"}, "json_l", "jsonl"),
              std::make_pair(2, std::string("json-lines")));
    EXPECT_EQ(Parser::matchRank(keys, "lines", "lines"), std::make_pair(3, std::string("json lines")));
    EXPECT_EQ(Parser::matchRank({"json-lines"}, "n_li", "nli"), std::make_pair(4, std::string("json-lines")));
    EXPECT_EQ(Parser::matchRank(keys, "", ""), std::make_pair(0, std::string()));
    EXPECT_EQ(Parser::matchRank(keys, "xml", "xml"), std::nullopt);
}

TEST_F(ClipboardSearchQueryParserTest, ApplyingASuggestionReplacesTheFragmentAndLeavesOneBlank) {
    ClipboardFilterSuggestion json{"JSON", ":json", "json", ClipboardFilterSuggestionSource::system};
    auto context = Parser::filterSuggestionContext("notes :js", 9);
    ASSERT_TRUE(context);
    EXPECT_EQ(Parser::applySuggestion(json, "notes :js", context->replacementRange), "notes :json ");
    EXPECT_EQ(Parser::applySuggestion(json, "a :j ", {2, 2}), "a :json ");
    // Ranges reaching past the text are clamped, never rejected.
    EXPECT_EQ(Parser::applySuggestion(json, "ab", {1, 50}), "a:json ");
    EXPECT_EQ(Parser::applySuggestion(json, "ab", {SIZE_MAX, SIZE_MAX}), "ab:json ");
    EXPECT_EQ(Parser::applySuggestion({"", "", "", ClipboardFilterSuggestionSource::system}, "", {0, 0}),
              " ");
    EXPECT_EQ(Parser::applySuggestion(json, "é :j", {2, 2}), "é :json ");
}

TEST_F(ClipboardSearchQueryParserTest, ParseTracesItsTokensAtDebugLevel) {
    if (!Logger::debugLinesEnabled) GTEST_SKIP() << "DEBUG lines exist in debug builds only";
    testing::LogCapture log;
    parse("Notes type:JSON");
    EXPECT_TRUE(
        log.contains("DEBUG", "QueryParser.parse: input='Notes type:JSON' normalized='notes type:json'"));
    EXPECT_TRUE(log.contains("DEBUG", "-> explicit filter: type:JSON"));
    EXPECT_TRUE(log.contains("DEBUG", "QueryParser: token='notes' -> text token"));
    EXPECT_TRUE(log.contains("DEBUG",
                             "QueryParser.parse result: textTokens=[\"notes\"], explicitFilters=1, "
                             "implicitFilters=0, hasFilters=true"));
}

}  // namespace
}  // namespace quorvane
