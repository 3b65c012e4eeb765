#pragma once

// A seeded corpus of clipboard-like entries of about 500 characters (prose, code, JSON, URLs, some Chinese),
// and a private scratch directory, shared by the search benchmarks.

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "searchindex/ClipboardSearchIndexDocument.h"

namespace bench {

// The corpus sizes of a run: QUORVANE_BENCH_SIZES ("10000,100000") or `fallback`.
inline std::vector<int> sizes(const char* fallback) {
    const char* text = std::getenv("QUORVANE_BENCH_SIZES");
    std::stringstream list(text != nullptr ? text : fallback);
    std::vector<int> result;
    for (std::string item; std::getline(list, item, ',');) result.push_back(std::stoi(item));
    return result;
}

inline const std::vector<std::string>& words() {
    static const std::vector<std::string> list = {
        "clipboard", "history", "search",  "index",    "window",   "panel",   "meeting",  "notes",
        "release",   "server",  "request", "response", "timeout",  "deploy",  "kernel",   "socket",
        "buffer",    "thread",  "query",   "filter",   "syntax",   "module",  "package",  "version",
        "update",    "config",  "cache",   "account",  "invoice",  "payment", "customer", "order",
        "address",   "network", "gateway", "proxy",    "template", "draft",   "summary",  "budget",
        "schedule",  "report",  "review",  "branch",   "commit",   "merge",   "token",    "secret",
        "profile",   "session", "cookie",  "banner",   "layout",   "widget"};
    return list;
}

inline const std::vector<std::string>& chinese() {
    static const std::vector<std::string> list = {"北京", "上海",     "会议记录", "剪贴板", "历史", "搜索",
                                                  "拼音", "中文文本", "项目",     "计划",   "客户", "数据"};
    return list;
}

// Made-up words that give the corpus a realistic vocabulary: most words of real clipboard text are rare.
inline const std::vector<std::string>& rareWords() {
    static const std::vector<std::string> list = [] {
        const std::vector<std::string> syllables = {"ka",  "lo",  "mer", "tis", "van", "dor",
                                                    "qui", "sel", "bra", "nu",  "pex", "rol",
                                                    "gan", "zu",  "fir", "ost", "lem", "cha"};
        std::mt19937 random(42);
        std::vector<std::string> words;
        for (int i = 0; i < 6000; ++i) {
            std::string word;
            const int count = 2 + static_cast<int>(random() % 3);
            for (int s = 0; s < count; ++s) word += syllables[random() % syllables.size()];
            words.push_back(word);
        }
        return words;
    }();
    return list;
}

// One entry's text; the kind rotates so every fifth entry is of each shape.
inline std::string entryText(std::mt19937& random, int index) {
    // One word in eight comes from the short list of common words the benchmarks search for.
    auto pick = [&](const std::vector<std::string>& list) {
        if (&list == &words() && random() % 8 != 0) return rareWords()[random() % rareWords().size()];
        return list[random() % list.size()];
    };
    std::string text;
    switch (index % 5) {
        case 0:  // prose
            while (text.size() < 480) text += pick(words()) + (random() % 9 == 0 ? ". " : " ");
            break;
        case 1:  // code
            while (text.size() < 480) {
                text += "if (" + pick(words()) + "_" + pick(words()) + " != nullptr) { return " +
                        pick(words()) + "->" + pick(words()) + "(" + std::to_string(random() % 1000) +
                        "); }\n";
            }
            break;
        case 2:  // JSON
            text = "{";
            while (text.size() < 470) {
                text += "\"" + pick(words()) + "\": \"" + pick(words()) + "-" +
                        std::to_string(random() % 10000) + "\", ";
            }
            text += "\"id\": " + std::to_string(index) + "}";
            break;
        case 3:  // URLs
            while (text.size() < 480) {
                text += "https://" + pick(words()) + ".example.com/" + pick(words()) + "/" +
                        std::to_string(random() % 100000) + "?q=" + pick(words()) + "\n";
            }
            break;
        default:  // Chinese mixed with Latin words
            while (text.size() < 700) text += pick(chinese()) + " " + pick(words()) + "，";
            break;
    }
    return text;
}

// The id of entry `index` in the form of a random UUID, as the program's own are: a string too long to be
// kept inside std::string, in an order that has nothing to do with the entries' dates.
inline std::string uuidOf(int index) {
    std::uint64_t state = 0x9E3779B97F4A7C15ull * 2 * static_cast<std::uint64_t>(index);
    const auto next = [&state] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    const std::uint64_t high = next();
    const std::uint64_t low = next();
    char text[37];
    std::snprintf(text, sizeof text, "%08llx-%04llx-4%03llx-%04llx-%012llx",
                  static_cast<unsigned long long>(high >> 32),
                  static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(high & 0xFFF),
                  static_cast<unsigned long long>(0x8000 | ((low >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

inline quorvane::ClipboardSearchSourceDocument sourceDocument(std::mt19937& random, int index) {
    quorvane::ClipboardSearchSourceDocument source;
    source.id = "entry-" + std::to_string(index);
    source.searchableText = entryText(random, index);
    source.preview = source.searchableText.substr(0, 60);
    // A minute apart, ending now, so the date filters find entries on both sides of their bounds.
    static const double now = static_cast<double>(std::time(nullptr));
    source.createdAt = quorvane::Date(now - index * 60.0);
    source.bundleIdentifier =
        index % 3 == 0 ? "org.mozilla.firefox" : (index % 3 == 1 ? "org.kde.kate" : "code");
    if (index % 5 == 2) source.classification = "JSON";
    if (index % 5 == 3) source.classification = "URL";
    return source;
}

// The corpus a batch at a time, the same documents corpus() gives, for sizes too large to hold at once.
class CorpusBatches {
public:
    CorpusBatches(int count, bool pinyin = true) : count_(count), pinyin_(pinyin) {}
    // The next documents, at most `most`; empty at the end.
    std::vector<quorvane::ClipboardSearchIndexDocument> next(int most) {
        std::vector<quorvane::ClipboardSearchIndexDocument> documents;
        for (; next_ < count_ && static_cast<int>(documents.size()) < most; ++next_) {
            documents.push_back(quorvane::ClipboardSearchIndexDocument::make(
                sourceDocument(random_, next_),
                quorvane::ClipboardSearchIndexConfiguration{8192, 4096, pinyin_}));
        }
        return documents;
    }

private:
    int count_;
    bool pinyin_;
    int next_ = 0;
    std::mt19937 random_{20261209};
};

inline std::vector<quorvane::ClipboardSearchIndexDocument> corpus(int count, bool pinyin = true) {
    return CorpusBatches(count, pinyin).next(count);
}

// A private directory, removed with its contents when the object goes away.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Bytes of the database file with its write-ahead log.
inline std::uintmax_t databaseBytes(const std::filesystem::path& path) {
    std::uintmax_t total = 0;
    for (const char* suffix : {"", "-wal"}) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path.string() + suffix, error);
        if (!error) total += size;
    }
    return total;
}

}  // namespace bench
