#pragma once

// Small doubles the settings tests share: a hot-key manager that records what it is told, an accessibility
// manager with a settable status, and a search service whose answers the test holds or gives at once.

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "hotkeys/model/HotkeyManagerProtocol.h"
#include "search/ClipboardSearchServiceError.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane::testing {

class RecordingHotkeyManager final : public HotkeyManagerProtocol {
public:
    bool registerHotkey(const KeyCombo& keyCombo, std::function<void()>) override {
        registered.push_back(keyCombo);
        return true;
    }
    void unregister(const KeyCombo& keyCombo) override { unregistered.push_back(keyCombo); }
    void unregisterAll() override {}
    std::vector<KeyCombo> registeredKeyCombos() const override { return registered; }
    bool isRegistered(const KeyCombo&) const override { return false; }
    std::uint32_t lastHotkeyTimestamp() const override { return 0; }
    void saveRegisteredHotkeys() override {}

    std::vector<KeyCombo> registered;
    std::vector<KeyCombo> unregistered;
};

class FakeAccessibilityManager final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override { return currentStatus; }
    bool isTrusted() const override { return currentStatus == AccessibilityPermissionStatus::authorized; }
    bool hasRequestedPermission() const override { return requests > 0; }
    void requestPermission() override { ++requests; }
    void openSystemSettings() override { ++settingsOpened; }
    bool canOpenSystemSettings() const override { return hasSettings; }
    void openURL(const std::string&) override {}

    AccessibilityPermissionStatus currentStatus = AccessibilityPermissionStatus::notDetermined;
    bool hasSettings = true;
    int requests = 0;
    int settingsOpened = 0;
};

// Answers at once unless `holdRebuilds`; a held rebuild is finished with finishRebuild().
class FakeSearchService final : public ClipboardSearchServiceProtocol {
public:
    void fetchRecent(std::int64_t, std::int64_t, PageCompletion) override {}
    void search(std::string, std::int64_t, std::int64_t, PageCompletion) override {}
    void rebuildIndex(RebuildCompletion completion) override {
        ++rebuildCount;
        if (holdRebuilds) {
            heldRebuilds.push_back(std::move(completion));
            return;
        }
        finish(completion);
    }
    void indexStats(StatsCompletion completion) override {
        ++statsCount;
        if (holdStats) {
            heldStats.push_back(std::move(completion));
            return;
        }
        completion(stats);
    }
    void runtimeMetrics(MetricsCompletion completion) override { completion(metrics); }

    void finishRebuild() {
        auto completion = std::move(heldRebuilds.front());
        heldRebuilds.pop_front();
        finish(completion);
    }
    void finishStats() {
        auto completion = std::move(heldStats.front());
        heldStats.pop_front();
        completion(stats);
    }

    ClipboardSearchIndexStats stats;
    RuntimeMetrics metrics;
    // Without an index the rebuild fails as unavailable.
    bool hasIndex = true;
    std::int64_t indexedCount = 0;
    bool holdRebuilds = false;
    bool holdStats = false;
    int rebuildCount = 0;
    int statsCount = 0;
    std::deque<RebuildCompletion> heldRebuilds;
    std::deque<StatsCompletion> heldStats;

private:
    void finish(const RebuildCompletion& completion) {
        using Result = ClipboardSearchResult<ClipboardSearchRebuildResult>;
        if (!hasIndex) {
            completion(Result::failure(std::make_exception_ptr(ClipboardSearchServiceError())));
            return;
        }
        completion(Result::success({indexedCount, stats}));
    }
};

}  // namespace quorvane::testing
