#include "searchindex/ClipboardSearchTokenizers.h"

#include <sqlite3.h>

#include <algorithm>
#include <string>

#include "sqlite/SQLiteDatabase.h"
#include "sqlite/SQLiteError.h"

namespace quorvane {
namespace {

// Byte length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
int sequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// The offset after the code point at `at`.
int next(const char* text, int length, int at) {
    return std::min(length, at + sequenceLength(static_cast<unsigned char>(text[at])));
}

struct Tokenizer {
    bool heads;
};

int createBigram(void*, const char**, int, Fts5Tokenizer** out) {
    *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer{false});
    return SQLITE_OK;
}

int createHeads(void*, const char**, int, Fts5Tokenizer** out) {
    *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer{true});
    return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer* tokenizer) {
    delete reinterpret_cast<Tokenizer*>(tokenizer);
}

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

// No token ever holds a NUL: FTS5 cuts a term at its first NUL when it writes the term out, which leaves
// the table damaged. The index stores its texts without NULs; this keeps any other text from doing harm.
bool holdsNul(const char* text, int from, int to) {
    return std::find(text + from, text + to, '\0') != text + to;
}

int tokenizeBigrams(void* context, const char* text, int length, TokenCallback token) {
    if (length <= 0) return SQLITE_OK;
    int first = 0;
    int second = next(text, length, first);
    while (second < length) {
        const int third = next(text, length, second);
        const int result = holdsNul(text, first, third)
                               ? SQLITE_OK
                               : token(context, 0, text + first, third - first, first, third);
        if (result != SQLITE_OK) return result;
        first = second;
        second = third;
    }
    return SQLITE_OK;
}

int tokenizeHeads(void* context, int flags, const char* text, int length, TokenCallback token) {
    int end = 0;
    // A NUL ends the heads (see holdsNul()).
    length = static_cast<int>(std::find(text, text + std::max(length, 0), '\0') - text);
    for (std::size_t count = 0; count < ClipboardSearchTokenizers::kHeadLength && end < length; ++count) {
        end = next(text, length, end);
        if (flags & FTS5_TOKENIZE_QUERY) continue;
        const int result = token(context, 0, text, end, 0, end);
        if (result != SQLITE_OK) return result;
    }
    if ((flags & FTS5_TOKENIZE_QUERY) && end > 0) return token(context, 0, text, end, 0, end);
    return SQLITE_OK;
}

int tokenize(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int length,
             TokenCallback token) {
    if (reinterpret_cast<Tokenizer*>(tokenizer)->heads)
        return tokenizeHeads(context, flags, text, length, token);
    return tokenizeBigrams(context, text, length, token);
}

fts5_api* fts5(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1);", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

struct WordTokens {
    std::string first;
    int count = 0;
};

int collectWordToken(void* context, int, const char* token, int length, int, int) {
    auto* tokens = static_cast<WordTokens*>(context);
    if (tokens->count++ == 0) tokens->first.assign(token, static_cast<std::size_t>(length));
    return SQLITE_OK;
}

}  // namespace

std::optional<std::string> ClipboardSearchTokenizers::singleWordToken(sqlite3* db, std::string_view text) {
    fts5_api* api = fts5(db);
    void* userData = nullptr;
    fts5_tokenizer methods{};
    if (api == nullptr || api->xFindTokenizer(api, "unicode61", &userData, &methods) != SQLITE_OK) {
        return std::nullopt;
    }
    Fts5Tokenizer* tokenizer = nullptr;
    if (methods.xCreate(userData, nullptr, 0, &tokenizer) != SQLITE_OK) return std::nullopt;
    WordTokens tokens;
    const int result = methods.xTokenize(tokenizer, &tokens, FTS5_TOKENIZE_QUERY | FTS5_TOKENIZE_PREFIX,
                                         text.data(), static_cast<int>(text.size()), collectWordToken);
    methods.xDelete(tokenizer);
    if (result != SQLITE_OK || tokens.count != 1) return std::nullopt;
    return tokens.first;
}

void ClipboardSearchTokenizers::registerWith(sqlite3* db) {
    fts5_api* api = fts5(db);
    if (api == nullptr) throw SQLiteError(SQLiteError::Kind::execute, SQLITE_ERROR, "no FTS5 in this SQLite");
    fts5_tokenizer bigram{createBigram, deleteTokenizer, tokenize};
    fts5_tokenizer heads{createHeads, deleteTokenizer, tokenize};
    if (api->xCreateTokenizer(api, "quorvane_bigram", nullptr, &bigram, nullptr) != SQLITE_OK ||
        api->xCreateTokenizer(api, "quorvane_heads", nullptr, &heads, nullptr) != SQLITE_OK) {
        throw SQLiteError(SQLiteError::Kind::execute, SQLITE_ERROR, sqliteErrorMessage(db));
    }
}

}  // namespace quorvane
