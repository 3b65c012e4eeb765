#include "history/store/ClipboardHistoryStoreContext.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

#include "base/Logger.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteKeyPages.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {

namespace {

constexpr const char* kIndexColumns =
    "id, preview, searchText, createdAt, lastAccessedAt, accessCount, contentType, bundleIdentifier, "
    "classification";
constexpr const char* kContentColumns =
    "id, content, imageData, ocrText, richTextRTFData, richTextHTMLData, duplicateFingerprint";

// A NOT NULL text column.
std::string text(const SQLiteStatement& statement, int column) {
    return statement.columnText(column).value_or("");
}

// The wrappers' errors leave the store as its own error type.
template <class F>
auto translatingErrors(F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const SQLiteError& error) {
        throw HistoryStoreError(
            error.isCorruption() ? HistoryStoreError::Kind::damaged : HistoryStoreError::Kind::statement,
            std::string("History store SQL failed: ") + error.what());
    }
}

// Appends " WHERE a AND b ..." for the given conditions.
std::string whereClause(const std::vector<std::string>& conditions) {
    std::string sql;
    for (std::size_t i = 0; i < conditions.size(); ++i) sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    return sql;
}

// Ids bound per statement of an id list: each is one lookup of the id index, and the rows of a statement
// come out in id order without a sort.
constexpr std::size_t kIDsPerStatement = 500;

// Runs `select` + " WHERE <column> IN (...) ORDER BY <column>" for `ids` (ascending) kIDsPerStatement at
// a time, in order, handing each prepared statement to `use`. Only the preparing is translated: what `use`
// throws passes unchanged.
template <class Use>
void forIDsAmong(SQLiteDatabase& db, const std::string& select, const char* column,
                 const std::vector<std::string>& ids, Use&& use) {
    for (std::size_t first = 0; first < ids.size(); first += kIDsPerStatement) {
        const std::size_t count = std::min(kIDsPerStatement, ids.size() - first);
        SQLiteStatement statement = translatingErrors([&] {
            std::string sql = select + " WHERE " + column + " IN (?";
            for (std::size_t i = 1; i < count; ++i) sql += ", ?";
            SQLiteStatement prepared = db.prepare(sql + ") ORDER BY " + column);
            for (std::size_t i = 0; i < count; ++i)
                prepared.bindText(static_cast<int>(i + 1), ids[first + i]);
            return prepared;
        });
        use(statement);
    }
}

}  // namespace

ClipboardHistoryStoreContext::ClipboardHistoryStoreContext(std::unique_ptr<SQLiteDatabase> connection)
    : connection_(std::move(connection)) {}

std::vector<std::string> ClipboardHistoryStoreContext::fetchRecordIDsAfter(
    const std::optional<std::string>& after, std::size_t most) {
    // The id index alone: reading contentType too would look up every row, scattered across the file when
    // ids are random: seconds at a million entries.
    return translatingErrors(
        [&] { return textKeysAfter(*connection_, "ClipboardHistoryIndex", "id", after, most); });
}

std::vector<std::string> ClipboardHistoryStoreContext::fetchIndexIDsAmong(
    const std::vector<std::string>& ids) {
    return translatingErrors([&] {
        std::vector<std::string> entries;
        forIDsAmong(*connection_, "SELECT id, contentType FROM ClipboardHistoryIndex", "id", ids,
                    [&](SQLiteStatement& statement) {
                        while (statement.step()) {
                            // Rows fetchIndexes() skips are no entries here either.
                            if (clipboardContentTypeFromRawValue(text(statement, 1)))
                                entries.push_back(text(statement, 0));
                        }
                    });
        return entries;
    });
}

bool ClipboardHistoryStoreContext::hasIndexes() {
    return translatingErrors([&] {
        SQLiteStatement statement = connection_->prepare("SELECT 1 FROM ClipboardHistoryIndex LIMIT 1");
        return statement.step();
    });
}

ClipboardHistoryCounts ClipboardHistoryStoreContext::countIndexes() {
    return translatingErrors([&] {
        SQLiteStatement statement = connection_->prepare(
            "SELECT contentType, COUNT(*), MAX(createdAt) FROM ClipboardHistoryIndex GROUP BY contentType");
        ClipboardHistoryCounts counts;
        while (statement.step()) {
            // Rows fetchIndexes() skips (a type this build does not know) are no entries here either.
            const auto type = clipboardContentTypeFromRawValue(text(statement, 0));
            if (!type) continue;
            counts.itemCount += statement.columnInt64(1);
            if (*type == ClipboardContentType::text) counts.textItemCount += statement.columnInt64(1);
            const Date newest(statement.columnDouble(2));
            if (!counts.lastSavedAt || newest > *counts.lastSavedAt) counts.lastSavedAt = newest;
        }
        return counts;
    });
}

namespace {

// The index columns (kIndexColumns' order) of the current row, from `first` on; nothing for an unknown
// content type, which is skipped with a warning.
std::optional<ClipboardHistoryIndex> indexRecord(const SQLiteStatement& statement, int first) {
    const std::string type = text(statement, first + 6);
    const auto contentType = clipboardContentTypeFromRawValue(type);
    if (!contentType) {
        Logger::warning("Skipped history record with unknown content type: " + type, "ClipboardHistoryStore");
        return std::nullopt;
    }
    ClipboardHistoryIndex record;
    record.id = text(statement, first);
    record.preview = text(statement, first + 1);
    record.searchText = text(statement, first + 2);
    record.createdAt = Date(statement.columnDouble(first + 3));
    if (!statement.columnIsNull(first + 4)) record.lastAccessedAt = Date(statement.columnDouble(first + 4));
    record.accessCount = statement.columnInt64(first + 5);
    record.contentType = *contentType;
    record.bundleIdentifier = statement.columnText(first + 7);
    record.classification = statement.columnText(first + 8);
    return record;
}

// Ties of createdAt in the order the createdAt index holds them, stated so that every newest-first read
// agrees.
constexpr const char* kNewestFirst = " ORDER BY createdAt DESC, rowid DESC";

// The index columns with the content's texts; the index record's own search text is never indexed, so it is
// not read.
constexpr const char* kIndexWithContent =
    "SELECT i.id, i.preview, '', i.createdAt, i.lastAccessedAt, i.accessCount, i.contentType, "
    "i.bundleIdentifier, i.classification, c.id, c.content, c.ocrText "
    "FROM ClipboardHistoryIndex i LEFT JOIN ClipboardHistoryContent c ON c.id = i.id";

// Gathers the rows of kIndexWithContent statements into batches of at most `most` records, ending a batch
// once its texts pass `mostBytes`.
class IndexWithContentBatches {
public:
    IndexWithContentBatches(std::size_t most, std::size_t mostBytes,
                            const ClipboardHistoryStoreContext::IndexWithContentBatch& visit)
        : most_(most), mostBytes_(mostBytes), visit_(visit) {}

    // Only the history's own statements are translated: what `visit` throws passes unchanged.
    void take(SQLiteStatement& statement) {
        while (translatingErrors([&] { return readRow(statement); })) {
            if (batch_.size() >= most_ || bytes_ >= mostBytes_) handOver();
        }
    }
    // Hands over the last batch, which may be short.
    void finish() {
        if (!batch_.empty()) handOver();
    }

private:
    bool readRow(SQLiteStatement& statement) {
        if (!statement.step()) return false;
        auto index = indexRecord(statement, 0);
        if (!index) return true;
        HistoryIndexWithContent record{std::move(*index), std::nullopt};
        if (!statement.columnIsNull(9)) {
            ClipboardHistoryContent content;
            content.id = text(statement, 9);
            content.content = text(statement, 10);
            content.ocrText = statement.columnText(11);
            bytes_ += content.content.size() + content.ocrText.value_or("").size();
            record.content = std::move(content);
        }
        bytes_ += record.index.preview.size();
        batch_.push_back(std::move(record));
        return true;
    }
    void handOver() {
        visit_(batch_);
        batch_.clear();
        bytes_ = 0;
    }

    std::size_t most_;
    std::size_t mostBytes_;
    const ClipboardHistoryStoreContext::IndexWithContentBatch& visit_;
    std::vector<HistoryIndexWithContent> batch_;
    std::size_t bytes_ = 0;
};

}  // namespace

void ClipboardHistoryStoreContext::fetchIndexesWithContentInBatches(std::size_t most, std::size_t mostBytes,
                                                                    const IndexWithContentBatch& visit) {
    SQLiteStatement statement = translatingErrors([&] {
        return connection_->prepare(std::string(kIndexWithContent) +
                                    " ORDER BY i.createdAt DESC, i.rowid DESC");
    });
    IndexWithContentBatches batches(most, mostBytes, visit);
    batches.take(statement);
    batches.finish();
}

void ClipboardHistoryStoreContext::fetchIndexesWithContentInBatches(const std::vector<std::string>& ids,
                                                                    std::size_t most, std::size_t mostBytes,
                                                                    const IndexWithContentBatch& visit) {
    IndexWithContentBatches batches(most, mostBytes, visit);
    forIDsAmong(*connection_, kIndexWithContent, "i.id", ids,
                [&](SQLiteStatement& statement) { batches.take(statement); });
    batches.finish();
}

std::vector<ClipboardHistoryIndex> ClipboardHistoryStoreContext::fetchIndexes(
    const HistoryIndexFetch& fetch) {
    std::vector<ClipboardHistoryIndex> records;
    visitIndexes(fetch, [&](ClipboardHistoryIndex& record) { records.push_back(std::move(record)); });
    return records;
}

void ClipboardHistoryStoreContext::visitIndexes(const HistoryIndexFetch& fetch,
                                                const std::function<void(ClipboardHistoryIndex&)>& visit) {
    SQLiteStatement statement = translatingErrors([&] {
        std::vector<std::string> conditions;
        if (fetch.idEquals) conditions.push_back("id = ?");
        if (fetch.createdBefore) conditions.push_back("createdAt < ?");
        // A limit counts only the records that are returned.
        if (fetch.limit) conditions.push_back("contentType IN (?, ?)");
        std::string sql =
            std::string("SELECT ") + kIndexColumns + " FROM ClipboardHistoryIndex" + whereClause(conditions);
        if (fetch.mostRecentFirst) {
            sql += std::string(" ORDER BY ") + sortAtExpression + " DESC, createdAt DESC, id DESC";
        } else if (fetch.newestFirst) {
            sql += kNewestFirst;
        }
        if (fetch.limit) sql += " LIMIT ?";
        SQLiteStatement prepared = connection_->prepare(sql);
        int parameter = 1;
        if (fetch.idEquals) prepared.bindText(parameter++, *fetch.idEquals);
        if (fetch.createdBefore) prepared.bindDouble(parameter++, fetch.createdBefore->timeIntervalSince1970);
        if (fetch.limit) {
            prepared.bindText(parameter++, rawValue(ClipboardContentType::text));
            prepared.bindText(parameter++, rawValue(ClipboardContentType::image));
            prepared.bindInt64(parameter++, static_cast<std::int64_t>(std::min<std::size_t>(
                                                *fetch.limit, std::numeric_limits<std::int64_t>::max())));
        }
        return prepared;
    });
    // Only the store's own reads are translated: what `visit` throws passes unchanged.
    while (translatingErrors([&] { return statement.step(); })) {
        if (auto record = indexRecord(statement, 0)) visit(*record);
    }
}

std::vector<ClipboardHistoryContent> ClipboardHistoryStoreContext::fetchContents(
    const HistoryContentFetch& fetch) {
    return translatingErrors([&] {
        std::vector<std::string> conditions;
        if (fetch.idEquals) conditions.push_back("id = ?");
        if (fetch.duplicateFingerprintEquals) conditions.push_back("duplicateFingerprint = ?");
        if (fetch.contentEquals) conditions.push_back("content = ?");
        if (fetch.withoutDuplicateFingerprint) conditions.push_back("duplicateFingerprint IS NULL");
        const std::string columns = fetch.loadImageData
                                        ? kContentColumns
                                        : "id, content, NULL, ocrText, richTextRTFData, richTextHTMLData, "
                                          "duplicateFingerprint";
        SQLiteStatement statement = connection_->prepare(
            "SELECT " + columns + " FROM ClipboardHistoryContent" + whereClause(conditions));
        int parameter = 1;
        for (const auto* value : {&fetch.idEquals, &fetch.duplicateFingerprintEquals, &fetch.contentEquals}) {
            if (*value) statement.bindText(parameter++, **value);
        }

        std::vector<ClipboardHistoryContent> records;
        while (statement.step()) {
            ClipboardHistoryContent record;
            record.id = text(statement, 0);
            record.content = text(statement, 1);
            record.imageData = statement.columnBlob(2);
            record.ocrText = statement.columnText(3);
            record.richTextRTFData = statement.columnBlob(4);
            record.richTextHTMLData = statement.columnBlob(5);
            record.duplicateFingerprint = statement.columnText(6);
            records.push_back(std::move(record));
        }
        return records;
    });
}

void ClipboardHistoryStoreContext::insert(ClipboardHistoryIndex record) {
    pending_.emplace_back(std::move(record));
}

void ClipboardHistoryStoreContext::insert(ClipboardHistoryContent record) {
    pending_.emplace_back(std::move(record));
}

void ClipboardHistoryStoreContext::deleteIndex(const std::string& id) {
    pending_.emplace_back(DeleteIndex{id});
}

void ClipboardHistoryStoreContext::deleteContent(const std::string& id) {
    pending_.emplace_back(DeleteContent{id});
}

void ClipboardHistoryStoreContext::deleteAllIndexes() {
    pending_.emplace_back(DeleteAllIndexes{});
}

void ClipboardHistoryStoreContext::deleteAllContents() {
    pending_.emplace_back(DeleteAllContents{});
}

void ClipboardHistoryStoreContext::save() {
    if (pending_.empty()) return;
    const std::vector<Change> changes = std::move(pending_);
    pending_.clear();
    translatingErrors([&] {
        SQLiteTransaction::run(*connection_, [&] {
            for (const Change& change : changes) apply(change);
        });
    });
}

void ClipboardHistoryStoreContext::eraseRemovedData() {
    translatingErrors([&] { connection_->rewriteWithoutRemovedData(); });
}

void ClipboardHistoryStoreContext::apply(const Change& change) {
    if (const auto* index = std::get_if<ClipboardHistoryIndex>(&change)) {
        SQLiteStatement statement = connection_->prepare(
            std::string("INSERT INTO ClipboardHistoryIndex (") + kIndexColumns +
            ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(id) DO UPDATE SET preview = excluded.preview, "
            "searchText = excluded.searchText, createdAt = excluded.createdAt, "
            "lastAccessedAt = excluded.lastAccessedAt, accessCount = excluded.accessCount, "
            "contentType = excluded.contentType, bundleIdentifier = excluded.bundleIdentifier, "
            "classification = excluded.classification;");
        statement.bindText(1, index->id);
        statement.bindText(2, index->preview);
        statement.bindText(3, index->searchText);
        statement.bindDouble(4, index->createdAt.timeIntervalSince1970);
        if (index->lastAccessedAt) {
            statement.bindDouble(5, index->lastAccessedAt->timeIntervalSince1970);
        } else {
            statement.bindNull(5);
        }
        statement.bindInt64(6, index->accessCount);
        statement.bindText(7, rawValue(index->contentType));
        statement.bindOptionalText(8, index->bundleIdentifier);
        statement.bindOptionalText(9, index->classification);
        statement.stepDone();
    } else if (const auto* content = std::get_if<ClipboardHistoryContent>(&change)) {
        SQLiteStatement statement = connection_->prepare(
            std::string("INSERT INTO ClipboardHistoryContent (") + kContentColumns +
            ") VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT(id) DO UPDATE SET content = excluded.content, "
            "imageData = excluded.imageData, ocrText = excluded.ocrText, "
            "richTextRTFData = excluded.richTextRTFData, richTextHTMLData = excluded.richTextHTMLData, "
            "duplicateFingerprint = excluded.duplicateFingerprint;");
        statement.bindText(1, content->id);
        statement.bindText(2, content->content);
        statement.bindOptionalBlob(3, content->imageData);
        statement.bindOptionalText(4, content->ocrText);
        statement.bindOptionalBlob(5, content->richTextRTFData);
        statement.bindOptionalBlob(6, content->richTextHTMLData);
        statement.bindOptionalText(7, content->duplicateFingerprint);
        statement.stepDone();
    } else if (const auto* deleteIndex = std::get_if<DeleteIndex>(&change)) {
        SQLiteStatement statement = connection_->prepare("DELETE FROM ClipboardHistoryIndex WHERE id = ?;");
        statement.bindText(1, deleteIndex->id);
        statement.stepDone();
    } else if (const auto* deleteContent = std::get_if<DeleteContent>(&change)) {
        SQLiteStatement statement = connection_->prepare("DELETE FROM ClipboardHistoryContent WHERE id = ?;");
        statement.bindText(1, deleteContent->id);
        statement.stepDone();
    } else if (std::holds_alternative<DeleteAllIndexes>(change)) {
        connection_->execute("DELETE FROM ClipboardHistoryIndex;");
    } else {
        connection_->execute("DELETE FROM ClipboardHistoryContent;");
    }
}

}  // namespace quorvane
