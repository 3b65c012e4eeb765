#include "searchindex/reference/ReferenceSearchIndexQuery.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cmath>
#include <limits>

#include "base/Utf8.h"
#include "searchindex/reference/ReferenceSearchIndexStore.h"

namespace quorvane {
namespace {

constexpr const char* kSelectColumns =
    "SELECT doc_id, item_id, preview, created_at, sort_at, last_accessed_at, access_count,\n"
    "       content_type, bundle_identifier, normalized_text, compact_text, pinyin_spaced, pinyin_compact, "
    "classification";
constexpr const char* kSelectPrefixedFirst =
    "SELECT d.doc_id, d.item_id, d.preview, d.created_at, d.sort_at, d.last_accessed_at, d.access_count,";
constexpr const char* kSelectPrefixedSecond =
    "       d.content_type, d.bundle_identifier, d.normalized_text, d.compact_text, d.pinyin_spaced, "
    "d.pinyin_compact, d.classification";

std::string selectPrefixed() {
    return std::string(kSelectPrefixedFirst) + "\n" + kSelectPrefixedSecond;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator, bool skipEmpty = false) {
    std::string text;
    bool first = true;
    for (const auto& part : parts) {
        if (skipEmpty && part.empty()) continue;
        if (!first) text += separator;
        text += part;
        first = false;
    }
    return text;
}

void append(std::vector<SQLiteBindingValue>& to, const std::vector<SQLiteBindingValue>& values) {
    to.insert(to.end(), values.begin(), values.end());
}

// Seconds of a bound, truncated toward zero and held inside the 64-bit range.
std::int64_t boundSeconds(Date date) {
    const double seconds = std::trunc(date.timeIntervalSince1970);
    if (std::isnan(seconds)) return 0;
    if (seconds >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (seconds <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(seconds);
}

struct Conditions {
    // Content type, classification, application, lower bound, upper bound; "" where not set.
    std::vector<std::string> texts;
    std::vector<SQLiteBindingValue> parameters;
};

Conditions filterConditions(const ReferenceSearchIndexQuery::Filters& filters, bool prefixed) {
    const std::string p = prefixed ? "d." : "";
    const auto& state = filters.state;
    Conditions c;
    c.texts.resize(5);
    if (state.contentType) {
        c.texts[0] = "AND " + p + "content_type = ?";
        c.parameters.emplace_back(std::string(rawValue(*state.contentType)));
    }
    if (state.classification) {
        c.texts[1] = "AND " + p + "classification = ? COLLATE NOCASE";
        c.parameters.emplace_back(*state.classification);
    }
    if (state.appValue) {
        c.texts[2] = ReferenceSearchIndexQuery::bundleIdentifierClause(filters.bundleIdentifiers,
                                                                       p + "bundle_identifier");
        if (filters.bundleIdentifiers) {
            for (const auto& id : *filters.bundleIdentifiers) c.parameters.emplace_back(id);
        }
    }
    if (state.lowerBound) {
        c.texts[3] = "AND " + p + "created_at >= ?";
        c.parameters.emplace_back(boundSeconds(*state.lowerBound));
    }
    if (state.upperBound) {
        c.texts[4] = "AND " + p + "created_at < ?";
        c.parameters.emplace_back(boundSeconds(*state.upperBound));
    }
    return c;
}

// The gram filter of a compact query: every 2-gram of a two-character text, every 3-gram of a longer one.
std::optional<std::pair<std::string, std::vector<SQLiteBindingValue>>> gramMatch(std::string_view compact) {
    const std::size_t n = characterCountUpTo(compact, 3);
    if (n < 2) return std::nullopt;
    const auto grams = ReferenceSearchIndexStore::makeGrams(compact, {n == 2 ? 2 : 3});
    if (grams.empty()) return std::nullopt;
    std::vector<std::string> marks(grams.size(), "?");
    std::vector<SQLiteBindingValue> parameters(grams.begin(), grams.end());
    parameters.emplace_back(static_cast<std::int32_t>(grams.size()));
    std::string text =
        "gram_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n    JOIN (\n        SELECT doc_id\n"
        "        FROM compact_grams\n        WHERE gram IN (" +
        join(marks, ", ") +
        ")\n        GROUP BY doc_id\n        HAVING COUNT(DISTINCT gram) = ?\n"
        "    ) gram_match ON gram_match.doc_id = d.doc_id";
    return std::pair{std::move(text), std::move(parameters)};
}

struct UnionPart {
    std::string text;
    std::string select;
    std::vector<SQLiteBindingValue> parameters;
};

ReferenceSearchIndexQuery assembleUnion(const std::vector<UnionPart>& parts,
                                        const ClipboardSearchQueryText& query, std::int64_t limit,
                                        std::int64_t offset) {
    ReferenceSearchIndexQuery result;
    std::vector<std::string> texts;
    std::vector<std::string> selects;
    for (const auto& part : parts) {
        texts.push_back(part.text);
        selects.push_back(part.select);
        append(result.parameters, part.parameters);
    }
    result.sql = "WITH\n" + join(texts, ",\n") + ",\ncandidate_ids AS (\n    " + join(selects, "\nUNION\n") +
                 "\n)\n" + selectPrefixed() +
                 "\nFROM documents d\nJOIN candidate_ids c ON c.doc_id = d.doc_id\n" + "ORDER BY " +
                 ReferenceSearchIndexQuery::rankingExpression("d") + "\nLIMIT ? OFFSET ?;";
    append(result.parameters, ReferenceSearchIndexQuery::rankingParameters(query));
    result.parameters.emplace_back(ReferenceSearchIndexQuery::saturatingAdd(limit, 1));
    result.parameters.emplace_back(offset);
    return result;
}

}  // namespace

std::int64_t ReferenceSearchIndexQuery::saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

std::string ReferenceSearchIndexQuery::rankingExpression(std::string_view alias) {
    const std::string a(alias);
    const std::string contains = "instr(" + a + ".normalized_text, ?) > 0 OR instr(" + a +
                                 ".compact_text, ?) > 0 OR instr(" + a + ".pinyin_spaced, ?) > 0 OR instr(" +
                                 a + ".pinyin_compact, ?) > 0";
    const std::string prefix = "instr(" + a + ".normalized_text, ?) = 1 OR instr(" + a +
                               ".compact_text, ?) = 1 OR instr(" + a + ".pinyin_spaced, ?) = 1 OR instr(" +
                               a + ".pinyin_compact, ?) = 1";
    return "CASE WHEN " + contains + " THEN 1 ELSE 0 END DESC,\nCASE WHEN " + prefix +
           " THEN 1 ELSE 0 END DESC,\n" + a + ".sort_at DESC,\n" + a + ".doc_id DESC";
}

std::vector<SQLiteBindingValue> ReferenceSearchIndexQuery::rankingParameters(
    const ClipboardSearchQueryText& query) {
    std::vector<SQLiteBindingValue> parameters;
    for (int i = 0; i < 4; ++i) {
        parameters.emplace_back(query.normalizedText);
        parameters.emplace_back(query.compactText);
    }
    return parameters;
}

std::string ReferenceSearchIndexQuery::matchExpression(const std::vector<std::string>& tokens) {
    std::vector<std::string> phrases;
    for (const auto& token : tokens) {
        std::string escaped;
        for (char c : token) {
            escaped += c;
            if (c == '"') escaped += '"';
        }
        std::vector<std::string> pieces;
        if (escaped.find('/') == std::string::npos) {
            pieces.push_back(escaped);
        } else {
            std::size_t start = 0;
            while (start <= escaped.size()) {
                const auto slash = std::min(escaped.find('/', start), escaped.size());
                if (slash > start) pieces.push_back(escaped.substr(start, slash - start));
                start = slash + 1;
            }
        }
        for (const auto& piece : pieces) phrases.push_back("\"" + piece + "\"*");
    }
    return join(phrases, " AND ");
}

bool ReferenceSearchIndexQuery::containsNonAlphanumeric(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return true;
        const auto mask = U_GET_GC_MASK(c);
        if ((mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) == 0) return true;
    }
    return false;
}

std::string ReferenceSearchIndexQuery::bundleIdentifierClause(
    const std::optional<std::vector<std::string>>& ids, std::string_view column) {
    if (!ids) return "";
    if (ids->empty()) return "AND 0=1";
    std::vector<std::string> terms(ids->size(), std::string(column) + " = ? COLLATE NOCASE");
    return "AND (" + join(terms, " OR ") + ")";
}

ReferenceSearchIndexQuery ReferenceSearchIndexQuery::recent(std::int64_t limit, std::int64_t offset) {
    return {std::string(kSelectColumns) +
                "\nFROM documents\nORDER BY sort_at DESC, doc_id DESC\nLIMIT ? OFFSET ?;",
            {saturatingAdd(limit, 1), std::max<std::int64_t>(offset, 0)}};
}

ReferenceSearchIndexQuery ReferenceSearchIndexQuery::substring(const ClipboardSearchQueryText& query,
                                                               const Filters& filters,
                                                               std::int64_t fetchLimit, std::int64_t offset) {
    const auto conditions = filterConditions(filters, true);
    std::vector<std::string> parts = {
        kSelectPrefixedFirst, kSelectPrefixedSecond, "FROM documents d",
        "WHERE (instr(d.normalized_text, ?) > 0 OR instr(d.compact_text, ?) > 0)"};
    parts.insert(parts.end(), conditions.texts.begin(), conditions.texts.end());
    parts.push_back("ORDER BY " + rankingExpression("d"));
    parts.push_back("LIMIT ? OFFSET ?;");
    ReferenceSearchIndexQuery result{join(parts, " ", true), {query.normalizedText, query.compactText}};
    append(result.parameters, conditions.parameters);
    append(result.parameters, rankingParameters(query));
    result.parameters.emplace_back(fetchLimit);
    result.parameters.emplace_back(offset);
    return result;
}

ReferenceSearchIndexQuery ReferenceSearchIndexQuery::fullText(const ClipboardSearchQueryText& query,
                                                              const std::string& match, std::int64_t limit) {
    ReferenceSearchIndexQuery result{selectPrefixed() +
                                         "\nFROM documents d\nJOIN fts_terms ON fts_terms.rowid = d.doc_id\n"
                                         "WHERE fts_terms MATCH ?\nORDER BY " +
                                         rankingExpression("d") + "\nLIMIT ?;",
                                     {match}};
    append(result.parameters, rankingParameters(query));
    result.parameters.emplace_back(limit);
    return result;
}

std::optional<ReferenceSearchIndexQuery> ReferenceSearchIndexQuery::textOnlyUnion(
    const ClipboardSearchQueryText& query, std::int64_t limit, std::int64_t offset) {
    if (query.normalizedText.empty()) return std::nullopt;
    const std::int64_t candidateLimit =
        std::max<std::int64_t>(saturatingAdd(offset, saturatingAdd(limit, 1)), 1);
    std::vector<UnionPart> parts;
    const std::string match = matchExpression(query.tokens);
    if (!query.tokens.empty() && !match.empty()) {
        UnionPart part{
            "fts_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n"
            "    JOIN fts_terms ON fts_terms.rowid = d.doc_id\n    WHERE fts_terms MATCH ?\n"
            "    ORDER BY " +
                rankingExpression("d") + "\n    LIMIT ?\n)",
            "SELECT doc_id FROM fts_candidates",
            {match}};
        append(part.parameters, rankingParameters(query));
        part.parameters.emplace_back(candidateLimit);
        parts.push_back(std::move(part));
    }
    if (auto grams = gramMatch(query.compactText)) {
        UnionPart part{grams->first + "\n    ORDER BY " + rankingExpression("d") + "\n    LIMIT ?\n)",
                       "SELECT doc_id FROM gram_candidates", std::move(grams->second)};
        append(part.parameters, rankingParameters(query));
        part.parameters.emplace_back(candidateLimit);
        parts.push_back(std::move(part));
    }
    if (parts.empty()) return std::nullopt;
    return assembleUnion(parts, query, limit, offset);
}

std::optional<ReferenceSearchIndexQuery> ReferenceSearchIndexQuery::textWithFiltersUnion(
    const ClipboardSearchQueryText& query, const Filters& filters, std::int64_t limit, std::int64_t offset) {
    const std::int64_t candidateLimit =
        std::max<std::int64_t>(saturatingAdd(offset, saturatingAdd(limit, 1)), 1);
    const auto conditions = filterConditions(filters, true);
    std::vector<UnionPart> parts;
    const std::string match = matchExpression(query.tokens);
    if (!match.empty()) {
        UnionPart part{
            "fts_candidates AS (\n    SELECT d.doc_id, d.classification, d.bundle_identifier, "
            "d.created_at\n    FROM documents d\n    JOIN fts_terms ON fts_terms.rowid = d.doc_id\n"
            "    WHERE fts_terms MATCH ?\n    " +
                join(conditions.texts, "\n    ") + "\n    ORDER BY " + rankingExpression("d") +
                "\n    LIMIT ?\n)",
            "SELECT doc_id FROM fts_candidates",
            {match}};
        append(part.parameters, conditions.parameters);
        append(part.parameters, rankingParameters(query));
        part.parameters.emplace_back(candidateLimit);
        parts.push_back(std::move(part));
    }
    const std::size_t n = characterCountUpTo(query.compactText, 2);
    std::optional<UnionPart> gramPart;
    if (n == 1 && filters.state.classification && filters.namesUserClassification) {
        gramPart = UnionPart{
            "gram_candidates AS (\n    SELECT d.doc_id\n    FROM documents d\n"
            "    WHERE instr(d.compact_text, ?) > 0",
            "SELECT doc_id FROM gram_candidates",
            {query.compactText}};
    } else if (auto grams = gramMatch(query.compactText)) {
        gramPart = UnionPart{grams->first + "\n    WHERE 1=1", "SELECT doc_id FROM gram_candidates",
                             std::move(grams->second)};
    }
    if (gramPart) {
        std::vector<std::string> pieces = {gramPart->text};
        pieces.insert(pieces.end(), conditions.texts.begin(), conditions.texts.end());
        pieces.push_back("ORDER BY " + rankingExpression("d"));
        pieces.push_back("LIMIT ?");
        pieces.push_back(")");
        gramPart->text = join(pieces, " ", true);
        append(gramPart->parameters, conditions.parameters);
        append(gramPart->parameters, rankingParameters(query));
        gramPart->parameters.emplace_back(candidateLimit);
        parts.push_back(std::move(*gramPart));
    }
    if (parts.empty()) return std::nullopt;
    return assembleUnion(parts, query, limit, offset);
}

ReferenceSearchIndexQuery ReferenceSearchIndexQuery::filtersOnly(const Filters& filters, std::int64_t limit,
                                                                 std::int64_t offset) {
    const auto conditions = filterConditions(filters, false);
    std::vector<std::string> parts = {
        "SELECT doc_id, item_id, preview, created_at, sort_at, last_accessed_at, access_count,",
        "content_type, bundle_identifier, normalized_text, compact_text, pinyin_spaced, pinyin_compact, "
        "classification",
        "FROM documents WHERE 1=1"};
    parts.insert(parts.end(), conditions.texts.begin(), conditions.texts.end());
    parts.push_back("ORDER BY sort_at DESC, doc_id DESC");
    parts.push_back("LIMIT ? OFFSET ?");
    ReferenceSearchIndexQuery result{join(parts, " ", true), conditions.parameters};
    result.parameters.emplace_back(saturatingAdd(limit, 1));
    result.parameters.emplace_back(offset);
    return result;
}

}  // namespace quorvane
