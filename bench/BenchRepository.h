#pragma once

// The history repository as the application assembles it, on the real history and index files of one
// storage folder, with the in-memory doubles for the main queue, clock, settings and workspace: for
// benchmarks that measure the repository's own work.

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "history/ClipboardHistoryRepository.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "system/DataDirectoryManager.h"

namespace bench {

struct BenchRepository {
    // Everything but the repository; start() builds it, which queues its start-up index work.
    explicit BenchRepository(const std::filesystem::path& storage)
        : directories(*defaults, workspace,
                      [storage](const std::string& name) -> std::optional<std::string> {
                          if (name == "QUORVANE_STORAGE_DIRECTORY") return storage.string();
                          return std::nullopt;
                      }),
          index(std::make_shared<quorvane::SQLiteClipboardSearchIndexStore>(
              storage / "clipboard_search.sqlite", defaults)) {}

    quorvane::ClipboardHistoryRepository& start() {
        repository = std::make_unique<quorvane::ClipboardHistoryRepository>(directories, index, loop, center,
                                                                            *defaults, clock);
        return *repository;
    }

    quorvane::FakeClock clock{quorvane::Date(static_cast<double>(std::time(nullptr)))};
    quorvane::ManualRunLoop loop{clock};
    quorvane::NotificationCenter center{loop};
    std::shared_ptr<quorvane::InMemoryUserDefaults> defaults =
        std::make_shared<quorvane::InMemoryUserDefaults>();
    quorvane::RecordingWorkspaceOpener workspace;
    quorvane::DataDirectoryManager directories;
    std::shared_ptr<quorvane::SQLiteClipboardSearchIndexStore> index;
    std::unique_ptr<quorvane::ClipboardHistoryRepository> repository;
};

}  // namespace bench
