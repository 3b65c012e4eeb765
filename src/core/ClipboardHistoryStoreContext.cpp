#include "core/ClipboardHistoryStoreContext.h"

#include "core/Logger.h"

namespace quorvane {

namespace {

constexpr const char* kIndexColumns =
    "id, preview, searchText, createdAt, lastAccessedAt, accessCount, contentType, bundleIdentifier, "
    "classification";
constexpr const char* kContentColumns =
    "id, content, imageData, ocrText, richTextRTFData, richTextHTMLData, duplicateFingerprint";

std::optional<double> secondsOf(const std::optional<Date>& date) {
    if (!date) return std::nullopt;
    return date->timeIntervalSince1970;
}

// Appends " WHERE a AND b ..." for the given conditions.
std::string whereClause(const std::vector<std::string>& conditions) {
    std::string sql;
    for (std::size_t i = 0; i < conditions.size(); ++i) sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    return sql;
}

}  // namespace

ClipboardHistoryStoreContext::ClipboardHistoryStoreContext(std::unique_ptr<SqliteConnection> connection)
    : connection_(std::move(connection)) {}

std::vector<ClipboardHistoryIndex> ClipboardHistoryStoreContext::fetchIndexes(const HistoryIndexFetch& fetch) {
    std::vector<std::string> conditions;
    if (fetch.idEquals) conditions.push_back("id = ?");
    if (fetch.createdBefore) conditions.push_back("createdAt < ?");
    std::string sql = std::string("SELECT ") + kIndexColumns + " FROM ClipboardHistoryIndex" + whereClause(conditions);
    if (fetch.newestFirst) sql += " ORDER BY createdAt DESC";
    SqliteStatement statement = connection_->prepare(sql);
    int parameter = 1;
    if (fetch.idEquals) statement.bind(parameter++, std::string_view(*fetch.idEquals));
    if (fetch.createdBefore) statement.bind(parameter++, fetch.createdBefore->timeIntervalSince1970);

    std::vector<ClipboardHistoryIndex> records;
    while (statement.step()) {
        const std::string type = statement.text(6);
        const auto contentType = clipboardContentTypeFromRawValue(type);
        if (!contentType) {
            Logger::warning("Skipped history record with unknown content type: " + type, "ClipboardHistoryStore");
            continue;
        }
        ClipboardHistoryIndex record;
        record.id = statement.text(0);
        record.preview = statement.text(1);
        record.searchText = statement.text(2);
        record.createdAt = Date(statement.real(3));
        if (!statement.isNull(4)) record.lastAccessedAt = Date(statement.real(4));
        record.accessCount = statement.integer(5);
        record.contentType = *contentType;
        record.bundleIdentifier = statement.optionalText(7);
        record.classification = statement.optionalText(8);
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<ClipboardHistoryContent> ClipboardHistoryStoreContext::fetchContents(const HistoryContentFetch& fetch) {
    std::vector<std::string> conditions;
    if (fetch.idEquals) conditions.push_back("id = ?");
    if (fetch.duplicateFingerprintEquals) conditions.push_back("duplicateFingerprint = ?");
    if (fetch.contentEquals) conditions.push_back("content = ?");
    const std::string columns = fetch.loadImageData
                                    ? kContentColumns
                                    : "id, content, NULL, ocrText, richTextRTFData, richTextHTMLData, "
                                      "duplicateFingerprint";
    SqliteStatement statement = connection_->prepare("SELECT " + columns + " FROM ClipboardHistoryContent" +
                                                     whereClause(conditions));
    int parameter = 1;
    for (const auto* value : {&fetch.idEquals, &fetch.duplicateFingerprintEquals, &fetch.contentEquals}) {
        if (*value) statement.bind(parameter++, std::string_view(**value));
    }

    std::vector<ClipboardHistoryContent> records;
    while (statement.step()) {
        ClipboardHistoryContent record;
        record.id = statement.text(0);
        record.content = statement.text(1);
        record.imageData = statement.optionalBlob(2);
        record.ocrText = statement.optionalText(3);
        record.richTextRTFData = statement.optionalBlob(4);
        record.richTextHTMLData = statement.optionalBlob(5);
        record.duplicateFingerprint = statement.optionalText(6);
        records.push_back(std::move(record));
    }
    return records;
}

void ClipboardHistoryStoreContext::insert(ClipboardHistoryIndex record) { pending_.emplace_back(std::move(record)); }

void ClipboardHistoryStoreContext::insert(ClipboardHistoryContent record) {
    pending_.emplace_back(std::move(record));
}

void ClipboardHistoryStoreContext::deleteIndex(const std::string& id) { pending_.emplace_back(DeleteIndex{id}); }

void ClipboardHistoryStoreContext::deleteContent(const std::string& id) {
    pending_.emplace_back(DeleteContent{id});
}

void ClipboardHistoryStoreContext::deleteAllIndexes() { pending_.emplace_back(DeleteAllIndexes{}); }

void ClipboardHistoryStoreContext::deleteAllContents() { pending_.emplace_back(DeleteAllContents{}); }

void ClipboardHistoryStoreContext::save() {
    if (pending_.empty()) return;
    const std::vector<Change> changes = std::move(pending_);
    pending_.clear();
    connection_->execute("BEGIN IMMEDIATE TRANSACTION;");
    try {
        for (const Change& change : changes) apply(change);
        connection_->execute("COMMIT TRANSACTION;");
    } catch (...) {
        // The first error is the one worth reporting; a failed rollback adds nothing to it.
        sqlite3_exec(connection_->handle(), "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
        throw;
    }
}

void ClipboardHistoryStoreContext::apply(const Change& change) {
    if (const auto* index = std::get_if<ClipboardHistoryIndex>(&change)) {
        SqliteStatement statement = connection_->prepare(
            std::string("INSERT INTO ClipboardHistoryIndex (") + kIndexColumns +
            ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(id) DO UPDATE SET preview = excluded.preview, "
            "searchText = excluded.searchText, createdAt = excluded.createdAt, "
            "lastAccessedAt = excluded.lastAccessedAt, accessCount = excluded.accessCount, "
            "contentType = excluded.contentType, bundleIdentifier = excluded.bundleIdentifier, "
            "classification = excluded.classification;");
        statement.bind(1, std::string_view(index->id));
        statement.bind(2, std::string_view(index->preview));
        statement.bind(3, std::string_view(index->searchText));
        statement.bind(4, index->createdAt.timeIntervalSince1970);
        statement.bind(5, secondsOf(index->lastAccessedAt));
        statement.bind(6, index->accessCount);
        statement.bind(7, rawValue(index->contentType));
        statement.bind(8, index->bundleIdentifier);
        statement.bind(9, index->classification);
        statement.run();
    } else if (const auto* content = std::get_if<ClipboardHistoryContent>(&change)) {
        SqliteStatement statement = connection_->prepare(
            std::string("INSERT INTO ClipboardHistoryContent (") + kContentColumns +
            ") VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT(id) DO UPDATE SET content = excluded.content, "
            "imageData = excluded.imageData, ocrText = excluded.ocrText, "
            "richTextRTFData = excluded.richTextRTFData, richTextHTMLData = excluded.richTextHTMLData, "
            "duplicateFingerprint = excluded.duplicateFingerprint;");
        statement.bind(1, std::string_view(content->id));
        statement.bind(2, std::string_view(content->content));
        statement.bind(3, content->imageData);
        statement.bind(4, content->ocrText);
        statement.bind(5, content->richTextRTFData);
        statement.bind(6, content->richTextHTMLData);
        statement.bind(7, content->duplicateFingerprint);
        statement.run();
    } else if (const auto* deleteIndex = std::get_if<DeleteIndex>(&change)) {
        SqliteStatement statement = connection_->prepare("DELETE FROM ClipboardHistoryIndex WHERE id = ?;");
        statement.bind(1, std::string_view(deleteIndex->id));
        statement.run();
    } else if (const auto* deleteContent = std::get_if<DeleteContent>(&change)) {
        SqliteStatement statement = connection_->prepare("DELETE FROM ClipboardHistoryContent WHERE id = ?;");
        statement.bind(1, std::string_view(deleteContent->id));
        statement.run();
    } else if (std::holds_alternative<DeleteAllIndexes>(change)) {
        connection_->execute("DELETE FROM ClipboardHistoryIndex;");
    } else {
        connection_->execute("DELETE FROM ClipboardHistoryContent;");
    }
}

}  // namespace quorvane
