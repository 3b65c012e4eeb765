#include "searchindex/ClipboardSearchIndexWriter.h"

#include <algorithm>
#include <utility>

#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardSearchGramSignature.h"
#include "searchindex/ClipboardSearchIndexSchema.h"
#include "searchindex/SearchStrings.h"
#include "sqlite/SQLiteDatabase.h"
#include "sqlite/SQLiteError.h"

namespace quorvane {
namespace {

// FTS5's own default; used while a whole index is filled.
constexpr int kBulkAutomerge = 4;

constexpr const char* kInsertDocument =
    "INSERT INTO documents (\n"
    "    item_id,\n"
    "    preview,\n"
    "    created_at,\n"
    "    sort_at,\n"
    "    last_accessed_at,\n"
    "    access_count,\n"
    "    content_type,\n"
    "    bundle_identifier,\n"
    "    classification,\n"
    "    normalized_text,\n"
    "    compact_text,\n"
    "    pinyin_spaced,\n"
    "    pinyin_compact,\n"
    "    is_truncated\n"
    ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
constexpr const char* kSelectDocument =
    "SELECT d.doc_id, r.rank, d.sort_at, d.bundle_identifier, d.normalized_text, d.compact_text,\n"
    "       d.pinyin_spaced, d.pinyin_compact\n"
    "FROM documents d LEFT JOIN document_ranks r ON r.doc_id = d.doc_id\nWHERE d.item_id = ? LIMIT 1;";
constexpr const char* kUpdateAccess =
    "UPDATE documents SET sort_at = ?, last_accessed_at = ?, access_count = ? WHERE item_id = ?;";

}  // namespace

// The texts a document is searched by, in the order of the search tables' columns.
struct ClipboardSearchIndexWriter::Texts {
    std::string normalizedText;
    std::string compactText;
    std::string pinyinSpaced;
    std::string pinyinCompact;

    friend bool operator==(const Texts&, const Texts&) = default;
};

// The texts of `document` as the index keeps them: a NUL counts as a blank, so no full-text term ever holds
// one (SQLite cuts a term at a NUL when it writes it out, which damages the table) and the words on both
// sides are found. Stored in the documents row, so a removal reads back exactly what was indexed.
ClipboardSearchIndexWriter::Texts ClipboardSearchIndexWriter::searchTexts(
    const ClipboardSearchIndexDocument& document) {
    return withoutNul(
        {document.normalizedText, document.compactText, document.pinyinSpaced, document.pinyinCompact});
}

ClipboardSearchIndexWriter::Texts ClipboardSearchIndexWriter::withoutNul(const Texts& texts) {
    const std::string_view nul("\0", 1);
    return {search_strings::blankingNul(texts.normalizedText),
            search_strings::removingCharacters(texts.compactText, nul),
            search_strings::blankingNul(texts.pinyinSpaced),
            search_strings::removingCharacters(texts.pinyinCompact, nul)};
}

// An indexed document as its writes need it.
struct ClipboardSearchIndexWriter::Indexed {
    std::int64_t docID = 0;
    std::optional<std::int64_t> rank;
    double sortAt = 0;
    std::optional<std::string> bundleIdentifier;
    Texts texts;
};

void ClipboardSearchIndexWriter::rankAndIndexAll(SQLiteDatabase& db) {
    ClipboardSearchIndexSchema::setAutomerge(db, kBulkAutomerge);
    db.execute("DELETE FROM document_ranks;");
    for (const char* table : ClipboardSearchIndexSchema::kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ") VALUES ('delete-all');");
    }
    auto rank = db.prepare(
        "INSERT INTO document_ranks (rank, doc_id)\n"
        "SELECT (ROW_NUMBER() OVER (ORDER BY sort_at DESC, doc_id DESC) - 1) * ?, doc_id FROM documents;");
    rank.bindInt64(1, ClipboardSearchRankPlacement::kRankGap);
    rank.stepDone();
    const char* fills[] = {
        "INSERT INTO search_words (rowid, normalized_text, pinyin_spaced)\n"
        "SELECT r.rank, d.normalized_text, d.pinyin_spaced FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_trigrams (rowid, compact_text, pinyin_compact)\n"
        "SELECT r.rank, d.compact_text, d.pinyin_compact FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_bigrams (rowid, compact_text, pinyin_compact)\n"
        "SELECT r.rank, d.compact_text, d.pinyin_compact FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_heads (rowid, normalized_text, compact_text, pinyin_spaced, pinyin_compact)\n"
        "SELECT r.rank, d.normalized_text, d.compact_text, d.pinyin_spaced, d.pinyin_compact\n"
        "FROM document_ranks r JOIN documents d ON d.doc_id = r.doc_id ORDER BY r.rank;",
    };
    for (const char* sql : fills) db.execute(sql);
    db.execute("DELETE FROM document_grams;");
    {
        auto texts = db.prepare(
            "SELECT r.rank, d.normalized_text, d.compact_text, d.pinyin_spaced, d.pinyin_compact\n"
            "FROM document_ranks r JOIN documents d ON d.doc_id = r.doc_id ORDER BY r.rank;");
        auto insert = db.prepare("INSERT INTO document_grams (rank, signature) VALUES (?, ?);");
        while (texts.step()) {
            insert.reset();
            insert.bindInt64(1, texts.columnInt64(0));
            insert.bindBlob(2, ClipboardSearchGramSignature::of(
                                   {texts.columnText(1).value_or(""), texts.columnText(2).value_or(""),
                                    texts.columnText(3).value_or(""), texts.columnText(4).value_or("")}));
            insert.stepDone();
        }
    }
    // One segment per table: later writes then add small segments beside it, never half-done merges of
    // large ones.
    for (const char* table : ClipboardSearchIndexSchema::kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ") VALUES ('optimize');");
    }
    ClipboardSearchIndexSchema::setAutomerge(db, 0);
    ClipboardSearchIndexSchema::markCurrentTexts(db);
}

void ClipboardSearchIndexWriter::reindexAll(SQLiteDatabase& db) {
    // Texts stored in an earlier form: with NULs, or with invisible characters a query no longer holds. Only
    // the index's own texts change; the entries they were made from stay as they are.
    std::vector<std::pair<std::int64_t, Texts>> changed;
    {
        auto statement = db.prepare(
            "SELECT doc_id, normalized_text, compact_text, pinyin_spaced, pinyin_compact FROM documents;");
        const auto current = [](std::string_view text) {
            return SearchTextNormalizer::withoutInvisibleCharacters(text);
        };
        while (statement.step()) {
            const Texts stored{statement.columnText(1).value_or(""), statement.columnText(2).value_or(""),
                               statement.columnText(3).value_or(""), statement.columnText(4).value_or("")};
            Texts texts = withoutNul(stored);
            texts = {current(texts.normalizedText), current(texts.compactText), current(texts.pinyinSpaced),
                     current(texts.pinyinCompact)};
            if (texts != stored) changed.emplace_back(statement.columnInt64(0), std::move(texts));
        }
    }
    auto update = db.prepare(
        "UPDATE documents SET normalized_text = ?, compact_text = ?, pinyin_spaced = ?, pinyin_compact = ?\n"
        "WHERE doc_id = ?;");
    for (const auto& [docID, texts] : changed) {
        update.reset();
        update.bindText(1, texts.normalizedText);
        update.bindText(2, texts.compactText);
        update.bindText(3, texts.pinyinSpaced);
        update.bindText(4, texts.pinyinCompact);
        update.bindInt64(5, docID);
        update.stepDone();
    }
    rankAndIndexAll(db);
}

ClipboardSearchIndexWriter::ClipboardSearchIndexWriter(SQLiteDatabase& db) : db_(db) {}

ClipboardSearchIndexWriter::~ClipboardSearchIndexWriter() = default;

void ClipboardSearchIndexWriter::replaceAll(const std::vector<ClipboardSearchIndexDocument>& documents,
                                            const LeaveOut& leaveOut) {
    replaceAllInBatches([&](const Batch& add) { add(documents); }, leaveOut);
}

void ClipboardSearchIndexWriter::replaceAllInBatches(const std::function<void(const Batch&)>& fill,
                                                     const LeaveOut& leaveOut) {
    db_.execute("DELETE FROM documents;");
    // Only the rows go in batch by batch; the ranks and search tables are made once from the whole table,
    // so the result does not depend on where the batches were cut.
    fill([&](const std::vector<ClipboardSearchIndexDocument>& documents) {
        for (const auto& document : documents) {
            try {
                insertRow(document, searchTexts(document));
            } catch (const SQLiteError& error) {
                // A refused row undoes only its own statement; the transaction goes on without it.
                if (!leaveOut || !leaveOut(document, error)) throw;
            }
        }
    });
    rankAndIndexAll(db_);
}

std::optional<std::optional<std::string>> ClipboardSearchIndexWriter::upsert(
    const ClipboardSearchIndexDocument& document) {
    std::optional<std::optional<std::string>> replaced;
    if (const auto existing = indexed(document.id)) {
        removeRow(*existing);
        replaced = existing->bundleIdentifier;
    }
    const Texts texts = searchTexts(document);
    const std::int64_t docID = insertRow(document, texts);
    place(docID, document.sortAt.timeIntervalSince1970, texts);
    return replaced;
}

void ClipboardSearchIndexWriter::remove(const std::string& itemID) {
    if (const auto existing = indexed(itemID)) removeRow(*existing);
}

void ClipboardSearchIndexWriter::updateAccess(const std::string& itemID, double sortAt,
                                              std::optional<double> lastAccessedAt,
                                              std::int64_t accessCount) {
    const auto existing = indexed(itemID);
    auto statement = db_.prepare(kUpdateAccess);
    statement.bindDouble(1, sortAt);
    if (lastAccessedAt) {
        statement.bindDouble(2, *lastAccessedAt);
    } else {
        statement.bindNull(2);
    }
    statement.bindInt64(3, std::max<std::int64_t>(accessCount, 0));
    statement.bindText(4, itemID);
    statement.stepDone();
    // A new sort time is a new place in the order: the rows move to the rank of that place.
    if (!existing || (existing->rank && existing->sortAt == sortAt)) return;
    if (existing->rank) removeSearchRows(*existing->rank, existing->texts);
    clearRank(existing->docID);
    place(existing->docID, sortAt, existing->texts);
}

std::optional<ClipboardSearchIndexWriter::Indexed> ClipboardSearchIndexWriter::indexed(
    const std::string& itemID) {
    auto statement = db_.prepare(kSelectDocument);
    statement.bindText(1, itemID);
    if (!statement.step()) return std::nullopt;
    Indexed found;
    found.docID = statement.columnInt64(0);
    if (!statement.columnIsNull(1)) found.rank = statement.columnInt64(1);
    found.sortAt = statement.columnDouble(2);
    found.bundleIdentifier = statement.columnText(3);
    found.texts = {statement.columnText(4).value_or(""), statement.columnText(5).value_or(""),
                   statement.columnText(6).value_or(""), statement.columnText(7).value_or("")};
    return found;
}

ClipboardSearchIndexWriter::Texts ClipboardSearchIndexWriter::textsOf(std::int64_t docID) {
    auto statement = db_.prepare(
        "SELECT normalized_text, compact_text, pinyin_spaced, pinyin_compact FROM documents WHERE doc_id = "
        "?;");
    statement.bindInt64(1, docID);
    if (!statement.step()) return {};
    return {statement.columnText(0).value_or(""), statement.columnText(1).value_or(""),
            statement.columnText(2).value_or(""), statement.columnText(3).value_or("")};
}

std::int64_t ClipboardSearchIndexWriter::insertRow(const ClipboardSearchIndexDocument& document,
                                                   const Texts& texts) {
    if (!insertDocument_) insertDocument_.emplace(db_.prepare(kInsertDocument));
    auto& statement = *insertDocument_;
    statement.reset();
    statement.bindText(1, document.id);
    statement.bindText(2, document.preview);
    statement.bindDouble(3, document.createdAt.timeIntervalSince1970);
    statement.bindDouble(4, document.sortAt.timeIntervalSince1970);
    if (document.lastAccessedAt) {
        statement.bindDouble(5, document.lastAccessedAt->timeIntervalSince1970);
    } else {
        statement.bindNull(5);
    }
    statement.bindInt64(6, document.accessCount);
    statement.bindText(7, rawValue(document.contentType));
    statement.bindOptionalText(8, document.bundleIdentifier);
    statement.bindOptionalText(9, document.classification);
    statement.bindText(10, texts.normalizedText);
    statement.bindText(11, texts.compactText);
    statement.bindText(12, texts.pinyinSpaced);
    statement.bindText(13, texts.pinyinCompact);
    statement.bindInt(14, document.isTruncated ? 1 : 0);
    statement.stepDone();
    return db_.lastInsertRowID();
}

void ClipboardSearchIndexWriter::removeRow(const Indexed& document) {
    if (document.rank) removeSearchRows(*document.rank, document.texts);
    clearRank(document.docID);
    auto statement = db_.prepare("DELETE FROM documents WHERE doc_id = ?;");
    statement.bindInt64(1, document.docID);
    statement.stepDone();
}

void ClipboardSearchIndexWriter::setRank(std::int64_t docID, std::int64_t rank) {
    auto statement = db_.prepare("INSERT INTO document_ranks (rank, doc_id) VALUES (?, ?);");
    statement.bindInt64(1, rank);
    statement.bindInt64(2, docID);
    statement.stepDone();
}

void ClipboardSearchIndexWriter::clearRank(std::int64_t docID) {
    auto statement = db_.prepare("DELETE FROM document_ranks WHERE doc_id = ?;");
    statement.bindInt64(1, docID);
    statement.stepDone();
}

// The ranked documents nearest the place (sortAt, docID) on its newer (or older) side, at most `most`,
// nearest first.
std::vector<ClipboardSearchRankPlacement::Ranked> ClipboardSearchIndexWriter::nearestRanked(
    double sortAt, std::int64_t docID, bool newer, std::int64_t most) {
    auto statement = db_.prepare(
        newer ? "SELECT r.rank, d.doc_id FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id\n"
                "WHERE (d.sort_at, d.doc_id) > (?1, ?2) ORDER BY d.sort_at ASC, d.doc_id ASC LIMIT ?3;"
              : "SELECT r.rank, d.doc_id FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id\n"
                "WHERE (d.sort_at, d.doc_id) < (?1, ?2) ORDER BY d.sort_at DESC, d.doc_id DESC LIMIT ?3;");
    statement.bindDouble(1, sortAt);
    statement.bindInt64(2, docID);
    statement.bindInt64(3, most);
    std::vector<ClipboardSearchRankPlacement::Ranked> documents;
    while (statement.step()) documents.push_back({statement.columnInt64(0), statement.columnInt64(1)});
    return documents;
}

// Gives the document (already in the documents table, without a rank) its rank and its search rows.
void ClipboardSearchIndexWriter::place(std::int64_t docID, double sortAt, const Texts& texts) {
    const auto placement = ClipboardSearchRankPlacement::place(
        [&](bool newer, std::int64_t most) { return nearestRanked(sortAt, docID, newer, most); });
    // The search rows move with their ranks. All are taken out before any goes back, as a new rank may be
    // one that another moved document gives up.
    std::vector<Texts> moved;
    for (const auto& move : placement.moves) {
        moved.push_back(textsOf(move.id));
        removeSearchRows(move.from, moved.back());
        clearRank(move.id);
    }
    for (std::size_t i = 0; i < placement.moves.size(); ++i) {
        setRank(placement.moves[i].id, placement.moves[i].to);
        insertSearchRows(placement.moves[i].to, moved[i]);
    }
    setRank(docID, placement.rank);
    insertSearchRows(placement.rank, texts);
}

void ClipboardSearchIndexWriter::insertSearchRows(std::int64_t rank, const Texts& texts) {
    runSearchRows(searchInserts_, false, rank, texts);
    if (!insertSignature_) {
        insertSignature_.emplace(db_.prepare("INSERT INTO document_grams (rank, signature) VALUES (?, ?);"));
    }
    insertSignature_->reset();
    insertSignature_->bindInt64(1, rank);
    insertSignature_->bindBlob(
        2, ClipboardSearchGramSignature::of(
               {texts.normalizedText, texts.compactText, texts.pinyinSpaced, texts.pinyinCompact}));
    insertSignature_->stepDone();
}

// The tables keep no copy of the texts, so a removal must be handed the texts the rows were made from.
void ClipboardSearchIndexWriter::removeSearchRows(std::int64_t rank, const Texts& texts) {
    runSearchRows(searchRemoves_, true, rank, texts);
    if (!removeSignature_)
        removeSignature_.emplace(db_.prepare("DELETE FROM document_grams WHERE rank = ?;"));
    removeSignature_->reset();
    removeSignature_->bindInt64(1, rank);
    removeSignature_->stepDone();
}

void ClipboardSearchIndexWriter::runSearchRows(std::vector<SQLiteStatement>& statements, bool removing,
                                               std::int64_t rank, const Texts& texts) {
    if (statements.empty()) {
        for (const char* table : ClipboardSearchIndexSchema::kSearchTables) {
            const std::string t(table);
            const bool words = t == "search_words";
            const bool heads = t == "search_heads";
            const std::string columns = words ? "normalized_text, pinyin_spaced"
                                        : heads
                                            ? "normalized_text, compact_text, pinyin_spaced, pinyin_compact"
                                            : "compact_text, pinyin_compact";
            const std::string marks = words || !heads ? "?, ?, ?" : "?, ?, ?, ?, ?";
            statements.push_back(db_.prepare("INSERT INTO " + t + " (" + (removing ? t + ", " : "") +
                                             "rowid, " + columns + ") VALUES (" +
                                             (removing ? "'delete', " : "") + marks + ");"));
        }
    }
    const std::string_view all[] = {texts.normalizedText, texts.compactText, texts.pinyinSpaced,
                                    texts.pinyinCompact};
    const std::vector<std::vector<int>> columnsOf = {{0, 2}, {1, 3}, {1, 3}, {0, 1, 2, 3}};
    for (std::size_t i = 0; i < statements.size(); ++i) {
        auto& statement = statements[i];
        statement.reset();
        statement.bindInt64(1, rank);
        int index = 2;
        for (const int column : columnsOf[i]) statement.bindText(index++, all[column]);
        statement.stepDone();
    }
}

}  // namespace quorvane
