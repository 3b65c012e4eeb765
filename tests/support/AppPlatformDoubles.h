#pragma once

// What a test builds the application container over: every platform service AppAssembler::Platform takes,
// as in-memory doubles on a fake clock, in a fresh temporary directory. A fixture derives from it, so its
// tests name the doubles directly. Main thread only.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/AppAssembler.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryAccessibilityTrust.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/TemporaryDirectory.h"
#include "system/AccessibilityPermissionManager.h"
#include "system/DataDirectoryManager.h"

namespace quorvane::testing {

class AppPlatformDoubles {
protected:
    // The one environment variable set is `variable`, naming `folder` inside the temporary directory; by
    // default the storage folder override, so the storage directory is "storage" there.
    explicit AppPlatformDoubles(
        std::string variable = DataDirectoryManager::storageDirectoryOverrideEnvironmentKey,
        std::filesystem::path folder = "storage")
        : variable_(std::move(variable)), folder_(directory_ / folder) {}

    // The container's platform over these doubles; without a registrar no hot key is grabbed.
    AppAssembler::Platform appPlatform(const AppEnvironment& environment = {},
                                       HotkeyRegistrar* registrar = nullptr) {
        return AppAssembler::Platform{defaults_,      loop_,       clock_,     notifications_,
                                      dataDirectory_, permission_, catalog_,   pasteboard_,
                                      probe_,         decoder_,    frontmost_, recognizer_,
                                      keys_,          environment, registrar,  nullptr};
    }

    TemporaryDirectory directory_;

private:
    std::string variable_;
    std::filesystem::path folder_;

protected:
    FakeClock fakeClock_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>(fakeClock_);
    std::shared_ptr<const Clock> clock_{std::shared_ptr<const Clock>{}, &fakeClock_};
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    NotificationCenter notifications_{*loop_};
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager dataDirectory_{
        *defaults_, workspace_, [this](const std::string& name) {
            return name == variable_ ? std::optional<std::string>(folder_.string()) : std::nullopt;
        }};
    InMemoryAccessibilityTrust trust_{true};
    AccessibilityPermissionManager permission_{*defaults_, *loop_, trust_, workspace_};
    InMemoryApplicationCatalog catalog_;
    InMemoryPasteboard pasteboard_;
    InMemoryImageProbe probe_;
    InMemoryImageDecoder decoder_;
    InMemoryFrontmostApplicationProvider frontmost_;
    InMemoryImageTextRecognizer recognizer_;
    InMemoryKeyEventMonitor keys_;
};

}  // namespace quorvane::testing
