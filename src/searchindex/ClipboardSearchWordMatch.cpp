#include "searchindex/ClipboardSearchWordMatch.h"

#include <algorithm>

#include "base/Utf8.h"
#include "searchindex/ClipboardSearchCandidateStreams.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {
namespace {

using search_candidates::ftsString;

// Each token, split at "/" into its non-empty pieces when it holds one.
std::vector<std::string_view> matchPieces(const std::vector<std::string>& tokens) {
    std::vector<std::string_view> pieces;
    for (const auto& token : tokens) {
        const std::string_view whole(token);
        if (whole.find('/') == std::string_view::npos) {
            pieces.push_back(whole);
            continue;
        }
        std::size_t start = 0;
        while (start <= whole.size()) {
            const auto slash = std::min(whole.find('/', start), whole.size());
            if (slash > start) pieces.push_back(whole.substr(start, slash - start));
            start = slash + 1;
        }
    }
    return pieces;
}

}  // namespace

std::string ClipboardSearchWordMatch::prefixExpression(const std::vector<std::string>& tokens) {
    std::string expression;
    for (const auto piece : matchPieces(tokens)) {
        if (!expression.empty()) expression += " AND ";
        expression += ftsString(piece) + "*";
    }
    return expression;
}

std::string ClipboardSearchWordMatch::expression(const std::vector<std::string>& tokens) {
    std::string expression;
    for (const auto piece : matchPieces(tokens)) {
        if (!expression.empty()) expression += " AND ";
        expression += wordPrefix(piece);
    }
    return expression;
}

// A prefix of more letters than the prefix indexes cover makes FTS5 merge the whole lists of every word it
// starts, however few rows the page needs. The words it stands for, when they are few, are matched instead:
// their lists are read lazily and stop with the page.
std::string ClipboardSearchWordMatch::wordPrefix(std::string_view piece) {
    const std::string asPrefix = ftsString(piece) + "*";
    const auto token = ClipboardSearchTokenizers::singleWordToken(db_.handle(), piece);
    if (!token || characterCountUpTo(*token, 3) < 3) return asPrefix;
    // Counting a word's rows is what the vocabulary does for each word it lists, so the prefix's own word is
    // matched without being listed: the list starts just after it and stops before the first word past
    // the prefix.
    if (!wordTerms_) {
        wordTerms_.emplace(db_.prepare("SELECT term FROM search_word_terms WHERE term >= ? AND term < ?;"));
    }
    auto& terms = *wordTerms_;
    terms.reset();
    std::string after = *token;
    after.push_back('\0');
    std::string past = *token;
    past.back() = static_cast<char>(static_cast<unsigned char>(past.back()) + 1);
    terms.bindText(1, after);
    terms.bindText(2, past);
    std::string alternatives = ftsString(*token);
    std::size_t count = 1;
    while (terms.step()) {
        const auto term = terms.columnText(0);
        if (!term || *term == *token || term->compare(0, token->size(), *token) != 0) continue;
        if (++count > kMostWordTerms) {
            terms.reset();
            return asPrefix;
        }
        alternatives += " OR " + ftsString(*term);
    }
    terms.reset();
    return "(" + alternatives + ")";
}

}  // namespace quorvane
