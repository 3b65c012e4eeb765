#include <fmt/format.h>
#include <gtest/gtest.h>

#include "searchindex/ClipboardSearchIndexSchema.h"
#include "searchindex/ClipboardSearchIndexWriter.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "searchindex/ClipboardSearchWordMatch.h"
#include "sqlite/SQLiteDatabase.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

ClipboardSearchIndexDocument document(const std::string& id, const std::string& text) {
    ClipboardSearchIndexDocument doc;
    doc.id = id;
    doc.preview = text.substr(0, 20);
    doc.createdAt = Date(100);
    doc.sortAt = Date(100);
    doc.normalizedText = text;
    for (char c : text) {
        if (c != ' ') doc.compactText += c;
    }
    return doc;
}

// Words `stem`00, `stem`01, ... one document each.
void addWords(std::vector<ClipboardSearchIndexDocument>& documents, const std::string& stem, int count) {
    for (int i = 0; i < count; ++i) {
        const auto word = fmt::format("{}{:02}", stem, i);
        documents.push_back(document(word, word));
    }
}

class ClipboardSearchWordMatchTest : public ::testing::Test {
protected:
    ClipboardSearchWordMatchTest() : db_(directory_ / "index.sqlite") {
        ClipboardSearchTokenizers::registerWith(db_.handle());
        ClipboardSearchIndexSchema::create(db_);
        std::vector<ClipboardSearchIndexDocument> documents = {
            document("a", "alpha alphabet"), document("b", "alphanumeric beta"), document("c", "alps bet"),
            document("d", "the alph file"),  document("e", "betamax alphabet"),  document("f", "gamma")};
        // One word short of the most a prefix is spelled out as, and exactly as many.
        addWords(documents, "kappa", ClipboardSearchWordMatch::kMostWordTerms - 1);
        addWords(documents, "zeta", ClipboardSearchWordMatch::kMostWordTerms);
        ClipboardSearchIndexWriter(db_).replaceAll(documents);
    }

    // The ranks of the word table's rows that `match` selects.
    std::vector<std::int64_t> rows(const std::string& match) {
        auto statement =
            db_.prepare("SELECT rowid FROM search_words WHERE search_words MATCH ? ORDER BY rowid;");
        statement.bindText(1, match);
        std::vector<std::int64_t> found;
        while (statement.step()) found.push_back(statement.columnInt64(0));
        return found;
    }

    testing::TemporaryDirectory directory_;
    SQLiteDatabase db_;
};

TEST_F(ClipboardSearchWordMatchTest, PrefixExpressionQuotesEveryPieceOfEveryToken) {
    EXPECT_EQ(ClipboardSearchWordMatch::prefixExpression({"foo", "a/b"}), R"("foo"* AND "a"* AND "b"*)");
    EXPECT_EQ(ClipboardSearchWordMatch::prefixExpression({"say\"hi"}), R"("say""hi"*)");
    // FTS5 operators and column filters stay plain text inside the quotes.
    EXPECT_EQ(ClipboardSearchWordMatch::prefixExpression({"or", "a:b", "near("}),
              R"("or"* AND "a:b"* AND "near("*)");
    EXPECT_EQ(ClipboardSearchWordMatch::prefixExpression({"//", "/"}), "");
    EXPECT_EQ(ClipboardSearchWordMatch::prefixExpression({}), "");
}

TEST_F(ClipboardSearchWordMatchTest, LongPrefixIsSpelledOutAsTheWordsItStarts) {
    ClipboardSearchWordMatch match(db_);
    EXPECT_EQ(match.expression({"alph"}), R"(("alph" OR "alpha" OR "alphabet" OR "alphanumeric"))");
    // Too short for the spelling out: the prefix indexes serve it.
    EXPECT_EQ(match.expression({"al"}), R"("al"*)");
    // A prefix no word starts matches only itself.
    EXPECT_EQ(match.expression({"omega"}), R"(("omega"))");
    EXPECT_EQ(match.expression({"alps/bet"}), R"(("alps") AND ("bet" OR "beta" OR "betamax"))");
    EXPECT_EQ(match.expression({}), "");
}

TEST_F(ClipboardSearchWordMatchTest, PrefixOfTooManyWordsStaysAPrefix) {
    ClipboardSearchWordMatch match(db_);
    const auto kappa = match.expression({"kappa"});
    EXPECT_EQ(kappa.rfind("(\"kappa\" OR \"kappa00\"", 0), 0u) << kappa;
    EXPECT_NE(kappa.find("\"kappa30\")"), std::string::npos) << kappa;
    EXPECT_EQ(match.expression({"zeta"}), R"("zeta"*)");
    // The statement is reused: a second call answers the same.
    EXPECT_EQ(match.expression({"zeta"}), R"("zeta"*)");
    EXPECT_EQ(match.expression({"alph"}), R"(("alph" OR "alpha" OR "alphabet" OR "alphanumeric"))");
}

TEST_F(ClipboardSearchWordMatchTest, SpelledOutExpressionSelectsTheSameRowsAsThePrefix) {
    ClipboardSearchWordMatch match(db_);
    for (const std::vector<std::string>& tokens :
         std::vector<std::vector<std::string>>{{"alph"},
                                               {"alpha"},
                                               {"alph", "bet"},
                                               {"alps/bet"},
                                               {"kappa"},
                                               {"kappa1"},
                                               {"zeta"},
                                               {"gam"},
                                               {"betamax", "alphabet"},
                                               {"nothing"}}) {
        const auto expected = rows(ClipboardSearchWordMatch::prefixExpression(tokens));
        EXPECT_EQ(rows(match.expression(tokens)), expected) << fmt::format("{}", fmt::join(tokens, " "));
    }
    EXPECT_EQ(rows(match.expression({"kappa"})).size(), ClipboardSearchWordMatch::kMostWordTerms - 1);
}

}  // namespace
}  // namespace quorvane
