// The index store against the reference statements it replaces: the same generated corpus in both, every
// kind of query with every filter, pages 1 to 5, must give identical pages, before and after a run of writes
// that moves entries around in the recency order.

#include <gtest/gtest.h>

#include <random>

#include "classification/ClipboardClassificationSettings.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "searchindex/reference/ReferenceSearchIndexStore.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kEntries = 1500;
#else
constexpr int kEntries = 10000;
#endif
constexpr std::int64_t kPageSize = 10;
constexpr double kNow = 1'765'000'000;  // a Saturday afternoon
constexpr double kDay = 86400;

const std::vector<std::string> kWords = {
    "meeting", "meet",      "notes",   "note",      "server", "serve",  "timeout",          "deploy",
    "kernel",  "socket",    "token",   "tokenizer", "cache",  "cafe",   "clipboard",        "clip",
    "history", "histogram", "invoice", "budget",    "quorum", "quartz", "abcdefghijklmnop", "xylophone",
    "über",    "naïve",     "résumé"};
const std::vector<std::string> kChinese = {"北京", "上海", "会议记录", "剪贴板",
                                           "历史", "搜索", "项目",     "计划"};
const std::vector<std::string> kOdd = {"e\u0301", "👍🏽", "🇩🇪",  "a.b",    "x_y",
                                       "\"q\"",   "a/b",      "C++", "k\u0308"};
const std::vector<std::string> kApps = {"org.mozilla.firefox", "org.kde.kate", "code", "org.gnome.Terminal",
                                        "com.example.Rare"};

std::string pick(std::mt19937& random, const std::vector<std::string>& list) {
    return list[random() % list.size()];
}

// One entry's text in one of five shapes: prose, code, JSON, URLs, Chinese with Latin words.
std::string entryText(std::mt19937& random, int index) {
    std::string text;
    const std::size_t length = 20 + random() % 120;
    switch (index % 5) {
        case 0:
            while (text.size() < length) {
                text += pick(random, kWords) + (random() % 7 == 0 ? ". " : " ");
                if (random() % 23 == 0) text += pick(random, kOdd) + " ";
            }
            break;
        case 1:
            while (text.size() < length) {
                text += "if (" + pick(random, kWords) + "_" + pick(random, kWords) + ") { return " +
                        pick(random, kWords) + "->" + std::to_string(random() % 100) + "; }\n";
            }
            break;
        case 2:
            text = "{";
            while (text.size() < length) {
                // One word glued to numbers: its prefix starts more words than a search spells out.
                const std::string word = pick(random, kWords);
                const std::string value = word == "quorum" ? word + std::to_string(random() % 100)
                                                           : word + "-" + std::to_string(random() % 1000);
                text += "\"" + pick(random, kWords) + "\": \"" + value + "\", ";
            }
            text += "}";
            break;
        case 3:
            while (text.size() < length) {
                text += "https://" + pick(random, kWords) + ".example.com/" + pick(random, kWords) +
                        "?q=" + std::to_string(random() % 100) + "\n";
            }
            break;
        default:
            while (text.size() < length) text += pick(random, kChinese) + pick(random, kWords) + "，";
            break;
    }
    // Some entries start with a common word, so "starts with" has many rows to order.
    if (random() % 6 == 0) text = pick(random, kWords) + " " + text;
    return text;
}

ClipboardSearchIndexDocument makeDocument(std::mt19937& random, int index, double createdAt) {
    ClipboardSearchSourceDocument source;
    source.id = "entry-" + std::to_string(index);
    source.searchableText = entryText(random, index);
    source.preview = source.searchableText.substr(0, 30);
    source.createdAt = Date(createdAt);
    if (random() % 4 == 0) source.lastAccessedAt = Date(createdAt + static_cast<double>(random() % 200000));
    source.accessCount = static_cast<std::int64_t>(random() % 5);
    source.contentType = index % 11 == 0 ? ClipboardContentType::image : ClipboardContentType::text;
    if (random() % 9 != 0) source.bundleIdentifier = kApps[(index * 7 + random() % 3) % kApps.size()];
    if (index % 5 == 2) source.classification = "JSON";
    if (index % 5 == 3) source.classification = "URL";
    if (index % 13 == 0) source.classification = "My Clips";
    return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{8192, 4096, true});
}

ClipboardSearchFilter filter(ClipboardSearchFilterKind kind, std::string value) {
    return {kind, value, false, std::string(rawValue(kind)) + ":" + value};
}

std::string describe(const ClipboardSearchPage& page) {
    std::string text = page.hasMore ? "more:" : "last:";
    for (const auto& item : page.items) text += " " + item.id;
    return text;
}

class SearchIndexDifferentialTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory_ = new testing::TemporaryDirectory();
        defaults_ = std::make_shared<InMemoryUserDefaults>();
        ClipboardUserClassificationRule mine;
        mine.id = "r1";
        mine.name = "Mine";
        mine.conditionValue = "zz";
        mine.resultClassification = "My Clips";
        ClipboardClassificationSettings::setUserRules({mine}, *defaults_);
        clock_ = std::make_shared<FakeClock>(Date(kNow));
        store_ = new SQLiteClipboardSearchIndexStore(*directory_ / "index.sqlite", defaults_, clock_);
        reference_ = new ReferenceSearchIndexStore(*directory_ / "reference.sqlite", defaults_, clock_);
        std::mt19937 random(7);
        std::vector<ClipboardSearchIndexDocument> documents;
        for (int i = 0; i < kEntries; ++i) {
            // Ten a day over the last months, with runs of equal times so doc_id breaks ties.
            const double createdAt = kNow - static_cast<double>(i / 3) * (kDay / 10) - (i % 3 == 0 ? 0 : 7);
            documents.push_back(makeDocument(random, i, createdAt));
        }
        store_->rebuild(documents);
        reference_->rebuild(documents);
    }
    static void TearDownTestSuite() {
        delete store_;
        delete reference_;
        delete directory_;
        defaults_.reset();
        clock_.reset();
    }

    // Every page from 1 to 5 of every text, with these filters, must be the same from both stores.
    void expectSamePages(const std::vector<std::string>& texts,
                         const std::vector<ClipboardSearchFilter>& filters, const std::string& label) {
        for (const auto& text : texts) {
            const ClipboardSearchQueryText query(text);
            for (int page = 0; page < 5; ++page) {
                const auto expected = reference_->search(query, filters, kPageSize, page * kPageSize);
                const auto actual = store_->search(query, filters, kPageSize, page * kPageSize);
                EXPECT_EQ(actual, expected)
                    << label << " '" << text << "' page " << page + 1 << "\n  expected " << describe(expected)
                    << "\n  actual   " << describe(actual);
                if (expected.items.empty()) break;
            }
        }
    }

    // `thorough`: every text with every filter set; otherwise a sample of each kind.
    void expectSameEverywhere(const std::string& label, bool thorough) {
        using K = ClipboardSearchFilterKind;
        const std::vector<std::string> texts = {"meeting",
                                                "meet",
                                                "me",
                                                "m",
                                                "notes meeting",
                                                "server timeout",
                                                "serv timeo",
                                                "meeting no",
                                                "quorum",
                                                "quorum5",
                                                "token",
                                                "tok",
                                                "okeniz",
                                                "abcdefghijklmnop",
                                                "bcdefghijklmno",
                                                "cdefghijklmnopq",
                                                "ee",
                                                "ot",
                                                "uber",
                                                "naive",
                                                "example.com/cache",
                                                "->",
                                                "\"token\":",
                                                "q=1",
                                                ".",
                                                "a.b",
                                                "a/b",
                                                "c++",
                                                "x_y",
                                                "北京",
                                                "会议",
                                                "记录",
                                                "京上",
                                                "beijing",
                                                "huiyi",
                                                "jiantieban",
                                                "xiangmu",
                                                "shang",
                                                "e",
                                                "👍🏽",
                                                "🇩🇪",
                                                "k",
                                                "\"q\"",
                                                "zz",
                                                "ar",
                                                "quo"};
        const std::vector<std::string> sample = {"meeting", "me", "notes meeting",     "serv timeo", "quorum",
                                                 "okeniz",  "ot", "example.com/cache", ".",          "北京",
                                                 "beijing", "🇩🇪"};
        expectSamePages(thorough ? texts : sample, {}, label + " text only");
        std::vector<std::string> some = {
            "meeting",           "me", "m",    "notes meeting", "serv timeo", "quorum5", "token", "okeniz",
            "example.com/cache", ".",  "北京", "beijing",       "e",          "zz",      ""};
        if (!thorough) some = {"meeting", "m", "okeniz", ".", "zz", ""};
        const std::vector<std::vector<ClipboardSearchFilter>> filterSets = {
            {filter(K::type, "text")},
            {filter(K::type, "image")},
            {filter(K::type, "json")},
            {filter(K::type, "my clips")},
            {filter(K::type, "json"), filter(K::type, "image")},
            {filter(K::app, "firefox")},
            {filter(K::app, "rare")},
            {filter(K::app, "nothing-like-it")},
            {filter(K::after, "today")},
            {filter(K::after, "week")},
            {filter(K::before, "yesterday")},
            {filter(K::before, "month"), filter(K::type, "url")},
            {filter(K::after, "month"), filter(K::app, "kate"), filter(K::type, "text")},
            {filter(K::after, "someday")},
        };
        for (std::size_t i = thorough ? 0 : 1; i < filterSets.size(); i += thorough ? 1 : 2) {
            std::string name;
            for (const auto& f : filterSets[i]) name += " " + f.sourceToken;
            expectSamePages(some, filterSets[i], label + name);
        }
    }

    static testing::TemporaryDirectory* directory_;
    static std::shared_ptr<InMemoryUserDefaults> defaults_;
    static std::shared_ptr<FakeClock> clock_;
    static SQLiteClipboardSearchIndexStore* store_;
    static ReferenceSearchIndexStore* reference_;
};

testing::TemporaryDirectory* SearchIndexDifferentialTest::directory_ = nullptr;
std::shared_ptr<InMemoryUserDefaults> SearchIndexDifferentialTest::defaults_;
std::shared_ptr<FakeClock> SearchIndexDifferentialTest::clock_;
SQLiteClipboardSearchIndexStore* SearchIndexDifferentialTest::store_ = nullptr;
ReferenceSearchIndexStore* SearchIndexDifferentialTest::reference_ = nullptr;

TEST_F(SearchIndexDifferentialTest, EveryQueryAndFilterGivesTheReferencePagesAfterARebuild) {
    EXPECT_EQ(store_->fetchRecent(kPageSize, 3 * kPageSize),
              reference_->fetchRecent(kPageSize, 3 * kPageSize));
    expectSameEverywhere("rebuilt", true);
}

TEST_F(SearchIndexDifferentialTest, WritesThatReorderEntriesKeepThePagesTheSame) {
    std::mt19937 random(11);
    auto both = [&](auto&& write) {
        write(*store_);
        write(*reference_);
    };
    for (int i = 0; i < 60; ++i) {
        // New entries, entries dated back between two others (a clock stepped back), and one spot filled
        // over and over so its room runs out.
        const int index = kEntries + i;
        const double createdAt = i % 3 == 0   ? kNow + i
                                 : i % 3 == 1 ? kNow - static_cast<double>(random() % 5000) * 600
                                              : kNow - 40 * kDay + 1.0 / (1 << (i / 3 % 30));
        const auto document = makeDocument(random, index, createdAt);
        both([&](ClipboardSearchIndexStoreProtocol& store) { store.upsert(document); });
    }
    for (int i = 0; i < 40; ++i) {
        const std::string id = "entry-" + std::to_string(random() % kEntries);
        const double sortAt = i % 2 == 0 ? kNow + 100 + i : kNow - static_cast<double>(random() % 3000) * 900;
        both([&](ClipboardSearchIndexStoreProtocol& store) {
            store.updateAccess(id, Date(sortAt), Date(sortAt), i);
        });
    }
    std::vector<std::string> gone;
    for (int i = 0; i < 30; ++i) gone.push_back("entry-" + std::to_string(random() % kEntries));
    both([&](ClipboardSearchIndexStoreProtocol& store) { store.deleteDocuments(gone); });
    // Re-indexing an entry gives it a larger doc_id, which decides ties of equal sort times.
    std::mt19937 again(7);
    const auto replaced = makeDocument(again, 3, kNow - kDay / 10);
    both([&](ClipboardSearchIndexStoreProtocol& store) { store.upsert(replaced); });
    EXPECT_EQ(store_->fetchRecent(kPageSize * 5, 0), reference_->fetchRecent(kPageSize * 5, 0));
    expectSameEverywhere("after writes", false);
}

}  // namespace
}  // namespace quorvane
