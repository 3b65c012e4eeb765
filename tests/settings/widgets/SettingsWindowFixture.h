#pragma once

// The settings window over in-memory services, for the widget tests and the screenshots. The settings
// themselves may be another store (a settings file for the desktop tests); `defaults` is then unused.

#include <memory>

#include "l10n/StandardAppLanguage.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryLaunchAtLoginManager.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "settings/model/SettingsTestDoubles.h"
#include "settings/widgets/SettingsCoordinator.h"
#include "settings/widgets/SettingsWindowServices.h"
#include "ui/WindowManager.h"

namespace quorvane::testing {

struct SettingsWindowFixture {
    explicit SettingsWindowFixture(DistributionChannel channel = DistributionChannel::direct)
        : SettingsWindowFixture(channel, nullptr) {}
    SettingsWindowFixture(DistributionChannel channel, UserDefaults* otherStore)
        : store(otherStore ? *otherStore : defaults) {
        searchService->stats = {1234, 5000, std::nullopt};
        services =
            std::make_unique<SettingsWindowServices>(SettingsWindowServices{store,
                                                                            notifications,
                                                                            loop,
                                                                            windowManager,
                                                                            alerts,
                                                                            hotkeys,
                                                                            launchAtLogin,
                                                                            trayHost,
                                                                            accessibility,
                                                                            clock,
                                                                            channel,
                                                                            "Quorvane",
                                                                            [this] { return searchService; },
                                                                            {},
                                                                            {},
                                                                            {},
                                                                            {}});
        services->shellCallbacks.clipboardHotkeyRecordingChanged = [this](bool recording) {
            recordingCalls.push_back(recording);
        };
        services->shellCallbacks.clipboardHotkeySaved = [this] { ++hotkeySavedCalls; };
    }

    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter notifications{loop};
    InMemoryUserDefaults defaults;
    UserDefaults& store;
    StandardAppLanguage language{store};
    WindowManager windowManager{store};
    FakeAlertPresenter alerts;
    RecordingHotkeyManager hotkeys;
    InMemoryLaunchAtLoginManager launchAtLogin;
    InMemoryTrayHost trayHost{true};
    FakeAccessibilityManager accessibility;
    std::shared_ptr<FakeSearchService> searchService = std::make_shared<FakeSearchService>();
    std::unique_ptr<SettingsWindowServices> services;
    std::vector<bool> recordingCalls;
    int hotkeySavedCalls = 0;
};

}  // namespace quorvane::testing
