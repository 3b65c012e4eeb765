#include "searchindex/SQLiteClipboardSearchIndexStore.h"

#include <locale.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardSearchFilterState.h"
#include "searchindex/ClipboardSearchIndexReader.h"
#include "searchindex/ClipboardSearchIndexWriter.h"
#include "searchindex/SearchStrings.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteKeyPages.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {
namespace {

constexpr const char* kSetMeta =
    "INSERT INTO meta (key, value)\nVALUES (?, ?)\nON CONFLICT(key) DO UPDATE SET value = excluded.value;";
constexpr const char* kSelectMeta = "SELECT value FROM meta WHERE key = ? LIMIT 1;";
constexpr const char* kLastRebuildAtKey = "last_rebuild_at";

void setMeta(SQLiteDatabase& db, const std::string& key, const std::string& value) {
    auto statement = db.prepare(kSetMeta);
    statement.bindText(1, key);
    statement.bindText(2, value);
    statement.stepDone();
}

std::optional<Date> metaDate(SQLiteDatabase& db, const std::string& key) {
    auto statement = db.prepare(kSelectMeta);
    statement.bindText(1, key);
    if (!statement.step()) return std::nullopt;
    const auto text = statement.columnText(0);
    if (!text) return std::nullopt;
    const auto seconds = SQLiteClipboardSearchIndexStore::parseMetaDate(*text);
    if (!seconds) return std::nullopt;
    return Date(*seconds);
}

std::int64_t count(SQLiteDatabase& db, const char* sql) {
    auto statement = db.prepare(sql);
    if (!statement.step()) throw SQLiteError(SQLiteError::Kind::step, 0, "count returned no row");
    return statement.columnInt64(0);
}

ClipboardSearchIndexStats readStats(SQLiteDatabase& db) {
    ClipboardSearchIndexStats stats;
    stats.documentCount = count(db, "SELECT COUNT(*) FROM documents;");
    // One gram per distinct run of two or three characters per document, as the vocabularies count them.
    stats.gramCount = count(db,
                            "SELECT (SELECT COALESCE(SUM(doc), 0) FROM search_trigram_terms) +\n"
                            "       (SELECT COALESCE(SUM(doc), 0) FROM search_bigram_terms);");
    stats.lastRebuildAt = metaDate(db, kLastRebuildAtKey);
    return stats;
}

// Documents a refill may leave out before it gives up: beyond these, the failure is not about them.
constexpr std::size_t kMostLeftOut = 100;

// A failure that this document's values caused (a refused or oversized value), as opposed to one of the
// file, the disk or the memory, which every other write would meet as well.
bool isDocumentFault(const SQLiteError& error) {
    if (error.kind() != SQLiteError::Kind::step && error.kind() != SQLiteError::Kind::bind) return false;
    switch (error.resultCode() & 0xff) {
        case SQLITE_CONSTRAINT:
        case SQLITE_TOOBIG:
        case SQLITE_MISMATCH:
        case SQLITE_RANGE:
        case SQLITE_ERROR:
            return true;
        default:
            return false;
    }
}

// Names the entry, never its text.
void warnLeftOut(const std::string& itemID, const SQLiteError& error) {
    Logger::warning("Left entry " + itemID + " out of the clipboard search index: " + error.message(),
                    "SQLiteSearch");
}

std::string describe(const std::optional<std::string>& value) {
    return value ? *value : "nil";
}

// Seconds of a date bound, truncated toward zero and held inside the 64-bit range.
std::int64_t boundSeconds(Date date) {
    const double seconds = std::trunc(date.timeIntervalSince1970);
    if (std::isnan(seconds)) return 0;
    if (seconds >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (seconds <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(seconds);
}

}  // namespace

SQLiteClipboardSearchIndexStore::SQLiteClipboardSearchIndexStore(
    std::filesystem::path databasePath, std::shared_ptr<UserDefaults> userDefaults,
    std::shared_ptr<const Clock> clock,
    ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers)
    : userDefaults_(std::move(userDefaults)),
      clock_(std::move(clock)),
      resolveBundleIdentifiers_(resolveBundleIdentifiers ? std::move(resolveBundleIdentifiers)
                                                         : &ClipboardSearchVocabulary::resolveByIdentifier),
      file_(std::move(databasePath), clock_, [this] { forgetAppIdentifiers(); }) {}

SQLiteClipboardSearchIndexStore::~SQLiteClipboardSearchIndexStore() = default;

void SQLiteClipboardSearchIndexStore::forgetAppIdentifiers() {
    std::lock_guard lock(appIdentifiersMutex_);
    appIdentifiers_.reset();
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuild(
    const std::vector<ClipboardSearchIndexDocument>& documents) {
    return rebuildInBatches([&](const DocumentBatch& add) { add(documents); });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuildInBatches(
    const std::function<void(const DocumentBatch&)>& fill) {
    return file_.write([&](SQLiteDatabase& db) {
        // A large page cache for the length of the rebuild keeps the full-text merges in memory; the usual
        // cache returns afterwards so the memory is given back.
        const SQLiteClipboardSearchIndexFile::WideCache wideCache(db);
        std::size_t leftOut = 0;
        const auto leaveOut = [&](const ClipboardSearchIndexDocument& document, const SQLiteError& error) {
            // Past a handful, the documents are not what is wrong.
            if (!isDocumentFault(error) || ++leftOut > kMostLeftOut) return false;
            warnLeftOut(document.id, error);
            return true;
        };
        SQLiteTransaction::run(db, [&] {
            db.execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
            ClipboardSearchIndexWriter(db).replaceAllInBatches(fill, leaveOut);
            setMeta(db, kLastRebuildAtKey, formatMetaDate(clock_->now().timeIntervalSince1970));
        });
        forgetAppIdentifiers();
        return readStats(db);
    });
}

void SQLiteClipboardSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    file_.write([&](SQLiteDatabase& db) {
        try {
            SQLiteTransaction::run(db, [&] {
                const auto replaced = ClipboardSearchIndexWriter(db).upsert(document);
                noteAppIdentifier(document.bundleIdentifier, replaced ? *replaced : std::nullopt);
            });
        } catch (const SQLiteError& error) {
            if (!isDocumentFault(error)) throw;
            // Rolled back: the document is out, and so is its earlier version, which no longer holds.
            SQLiteTransaction::run(db, [&] { ClipboardSearchIndexWriter(db).remove(document.id); });
            forgetAppIdentifiers();
            warnLeftOut(document.id, error);
        }
        file_.noteWrite();
        file_.scheduleTidy();
    });
}

void SQLiteClipboardSearchIndexStore::deleteDocuments(const std::vector<std::string>& itemIDs) {
    file_.write([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            ClipboardSearchIndexWriter writer(db);
            for (const auto& itemID : itemIDs) writer.remove(itemID);
        });
        file_.noteWrite();
        file_.scheduleTidy();
        forgetAppIdentifiers();
    });
}

void SQLiteClipboardSearchIndexStore::updateAccess(const std::string& itemID, Date sortAt,
                                                   std::optional<Date> lastAccessedAt,
                                                   std::int64_t accessCount) {
    file_.write([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            ClipboardSearchIndexWriter(db).updateAccess(
                itemID, sortAt.timeIntervalSince1970,
                lastAccessedAt ? std::optional(lastAccessedAt->timeIntervalSince1970) : std::nullopt,
                accessCount);
        });
        file_.scheduleTidy();
    });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::stats() {
    return file_.write([](SQLiteDatabase& db) { return readStats(db); });
}

bool SQLiteClipboardSearchIndexStore::isEmpty() {
    // Only a file with documents is reindexed; asking the queue would wait for the whole reindexing.
    if (file_.isReindexing()) return false;
    return file_.write(
        [](SQLiteDatabase& db) { return count(db, "SELECT EXISTS (SELECT 1 FROM documents);") == 0; });
}

std::vector<std::string> SQLiteClipboardSearchIndexStore::documentItemIDsAfter(
    const std::optional<std::string>& after, std::size_t most) {
    return file_.write(
        [&](SQLiteDatabase& db) { return textKeysAfter(db, "documents", "item_id", after, most); });
}

void SQLiteClipboardSearchIndexStore::setRecoveryHandler(std::function<void()> handler) {
    file_.setRecoveryHandler(std::move(handler));
}

void SQLiteClipboardSearchIndexStore::eraseRemovedData() {
    file_.eraseRemovedData();
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::fetchRecent(std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    return file_.read(
        [&](SQLiteDatabase& db) { return ClipboardSearchIndexReader(db).recent(limit, offset); });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::search(const ClipboardSearchQueryText& typed,
                                                            const std::vector<ClipboardSearchFilter>& filters,
                                                            std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    offset = std::max<std::int64_t>(offset, 0);
    // Taken as the documents' texts were; a NUL would also end a full-text query in the middle of a string.
    const ClipboardSearchQueryText query = typed.withNulAsBlank();
    return file_.read([&](SQLiteDatabase& db) {
        ClipboardSearchIndexReader reader(db);
        return filters.empty() ? reader.textOnly(query, limit, offset)
                               : filteredSearch(db, query, filters, limit, offset);
    });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::filteredSearch(
    SQLiteDatabase& db, const ClipboardSearchQueryText& query,
    const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit, std::int64_t offset) {
    const auto state = ClipboardSearchFilterState::make(filters, clock_->now());
    ClipboardSearchIndexReader::Filters resolved;
    auto& conditions = resolved.conditions;
    if (state.contentType) conditions.contentType = std::string(rawValue(*state.contentType));
    conditions.classification = state.classification;
    if (state.appValue) conditions.bundleIdentifiers = appBundleIdentifiers(db, state.appValue);
    if (state.lowerBound) conditions.lowerBound = boundSeconds(*state.lowerBound);
    if (state.upperBound) conditions.upperBound = boundSeconds(*state.upperBound);
    const std::string contentType = state.contentType ? std::string(rawValue(*state.contentType)) : "nil";
    Logger::debug(
        "SQLiteStore.searchWithFilters: contentType=" + contentType + " classification=" +
            describe(state.classification) + " app=" + describe(state.appValue) + " appMatches=" +
            (conditions.bundleIdentifiers ? std::to_string(conditions.bundleIdentifiers->size()) : "nil") +
            " textQuery='" + query.normalizedText + "'",
        "SQLiteSearch");
    ClipboardSearchIndexReader reader(db);
    if (query.normalizedText.empty()) {
        Logger::debug("SQLiteStore: pure filter query (no text)", "SQLiteSearch");
        std::string sql;
        auto result = reader.filtersOnly(resolved, limit, offset, &sql);
        Logger::debug("SQLiteStore.fetchWithFiltersOnly SQL: " + sql, "SQLiteSearch");
        Logger::debug("SQLiteStore.fetchWithFiltersOnly bindings: contentType=" + contentType +
                          " classification=" + describe(state.classification),
                      "SQLiteSearch");
        Logger::debug("SQLiteStore.fetchWithFiltersOnly result: " +
                          std::to_string(result.items.size() + (result.hasMore ? 1 : 0)) + " documents",
                      "SQLiteSearch");
        return result;
    }
    Logger::debug("SQLiteStore: text + filter query", "SQLiteSearch");
    if (state.classification && characterCountUpTo(query.compactText, 2) == 1) {
        resolved.namesUserClassification = namesUserClassification(*state.classification);
    }
    return reader.textWithFilters(query, resolved, limit, offset);
}

std::optional<std::vector<std::string>> SQLiteClipboardSearchIndexStore::appBundleIdentifiers(
    SQLiteDatabase& db, const std::optional<std::string>& appValue) {
    if (!appValue || search_strings::trimmed(*appValue).empty()) return std::nullopt;
    std::optional<std::vector<std::string>> cached;
    {
        std::lock_guard lock(appIdentifiersMutex_);
        cached = appIdentifiers_;
    }
    if (!cached) {
        std::vector<std::string> known;
        // Reading every identifier is a scan of a whole index: done once, not per keystroke.
        auto statement = db.prepare(
            "SELECT DISTINCT bundle_identifier\nFROM documents\n"
            "WHERE bundle_identifier IS NOT NULL AND bundle_identifier <> ''\n"
            "ORDER BY bundle_identifier COLLATE NOCASE ASC;");
        while (statement.step()) {
            if (auto identifier = statement.columnText(0)) known.push_back(std::move(*identifier));
        }
        std::lock_guard lock(appIdentifiersMutex_);
        appIdentifiers_ = known;
        cached = std::move(known);
    }
    return resolveBundleIdentifiers_(*appValue, *cached);
}

void SQLiteClipboardSearchIndexStore::noteAppIdentifier(const std::optional<std::string>& added,
                                                        const std::optional<std::string>& replaced) {
    std::lock_guard lock(appIdentifiersMutex_);
    if (!appIdentifiers_) return;
    const auto& list = *appIdentifiers_;
    const bool known = !added || added->empty() || std::find(list.begin(), list.end(), *added) != list.end();
    if (!known || (replaced && replaced != added)) appIdentifiers_.reset();
}

bool SQLiteClipboardSearchIndexStore::namesUserClassification(const std::string& value) const {
    const std::string normalized = SearchTextNormalizer::normalize(value);
    if (normalized.empty() || ClipboardSearchVocabulary::namesBuiltInClassification(normalized)) return false;
    return ClipboardSearchVocabulary::namesEnabledUserClassification(normalized, *userDefaults_);
}

void SQLiteClipboardSearchIndexStore::syncVoid(const std::function<void()>& body) {
    file_.sync(body);
}

std::string SQLiteClipboardSearchIndexStore::formatMetaDate(double secondsSince1970) {
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, secondsSince1970, std::chars_format::fixed);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(secondsSince1970);
    if (text.find_first_of(".ni") == std::string::npos) text += ".0";
    return text;
}

std::optional<double> SQLiteClipboardSearchIndexStore::parseMetaDate(const std::string& text) {
    if (text.empty()) return std::nullopt;
    switch (text.front()) {
        case ' ':
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
        case '\0':
            return std::nullopt;
        default:
            break;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

}  // namespace quorvane
