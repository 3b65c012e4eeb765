#include "history/ClipboardHistorySearchIndexSync.h"

#include <exception>
#include <set>

#include "base/Logger.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kCategory = "ClipboardHistoryRepository";

void runLogged(const char* failure, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        Logger::error(std::string(failure) + error.what(), kCategory);
    }
}

}  // namespace

ClipboardHistorySearchIndexSync::ClipboardHistorySearchIndexSync(
    std::shared_ptr<ClipboardSearchIndexStoreProtocol> store, UserDefaults& userDefaults)
    : store_(std::move(store)), userDefaults_(userDefaults) {}

ClipboardSearchIndexDocument ClipboardHistorySearchIndexSync::indexDocument(
    const ClipboardSearchSourceDocument& source) const {
    // Read for every document, so a changed setting applies from the next write on.
    const bool pinyin = clipboardSearchPinyinIndexEnabled(userDefaults_);
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = pinyin;
    return ClipboardSearchIndexDocument::make(source, configuration);
}

void ClipboardHistorySearchIndexSync::submit(const char* failure,
                                             std::function<void(ClipboardSearchIndexStoreProtocol&)> job) {
    queue_.async(
        [store = store_, failure, job = std::move(job)] { runLogged(failure, [&] { job(*store); }); });
}

void ClipboardHistorySearchIndexSync::scheduleUpsert(const ClipboardSearchSourceDocument& document,
                                                     bool synchronously) {
    if (!store_) return;
    constexpr const char* failure = "Failed to upsert clipboard search index document: ";
    ClipboardSearchIndexDocument row = indexDocument(document);
    if (synchronously) {
        runLogged(failure, [&] { store_->upsert(row); });
        return;
    }
    submit(failure, [row = std::move(row)](ClipboardSearchIndexStoreProtocol& store) { store.upsert(row); });
}

void ClipboardHistorySearchIndexSync::scheduleDelete(const std::vector<std::string>& ids) {
    if (!store_ || ids.empty()) return;
    const std::set<std::string> unique(ids.begin(), ids.end());
    submit("Failed to delete clipboard search index documents: ",
           [ids = std::vector<std::string>(unique.begin(), unique.end())](
               ClipboardSearchIndexStoreProtocol& store) { store.deleteDocuments(ids); });
}

void ClipboardHistorySearchIndexSync::scheduleClear() {
    if (!store_) return;
    submit("Failed to clear clipboard search index: ",
           [](ClipboardSearchIndexStoreProtocol& store) { store.rebuild({}); });
}

void ClipboardHistorySearchIndexSync::scheduleTouch(const std::string& id, Date sortAt,
                                                    std::optional<Date> lastAccessedAt,
                                                    std::int64_t accessCount) {
    if (!store_) return;
    submit("Failed to touch clipboard search index document: ",
           [=](ClipboardSearchIndexStoreProtocol& store) {
               store.updateAccess(id, sortAt, lastAccessedAt, accessCount);
           });
}

void ClipboardHistorySearchIndexSync::bootstrapIfEmpty(
    const std::function<std::vector<ClipboardSearchSourceDocument>()>& loadDocuments) {
    if (!store_) return;
    runLogged("Failed to bootstrap clipboard search index: ", [&] {
        if (store_->stats().documentCount != 0) return;
        const std::vector<ClipboardSearchSourceDocument> sources = loadDocuments();
        if (sources.empty()) return;
        std::vector<ClipboardSearchIndexDocument> rows;
        rows.reserve(sources.size());
        for (const auto& source : sources) rows.push_back(indexDocument(source));
        const ClipboardSearchIndexStats stats = store_->rebuild(rows);
        Logger::info("Bootstrapped clipboard search index, documents=" + std::to_string(stats.documentCount) +
                         ", grams=" + std::to_string(stats.gramCount),
                     kCategory);
    });
}

void ClipboardHistorySearchIndexSync::close() {
    queue_.drain();
    store_.reset();
}

}  // namespace quorvane
