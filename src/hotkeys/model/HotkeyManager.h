#pragma once

// Registers global hot keys through the desktop's registrar, each bound to an action that runs on the main
// queue when the combination is pressed in any program, and keeps the list of registered combinations in the
// settings under its key ("RegisteredHotkeys"). One per process, made by the container. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "hotkeys/model/HotkeyManagerProtocol.h"
#include "platform/HotkeyRegistrar.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class HotkeyManager final : public HotkeyManagerProtocol {
public:
    static constexpr const char* defaultUserDefaultsKey = "RegisteredHotkeys";
    // Set by test runners: records and persistence work, but nothing is grabbed from the desktop.
    static constexpr const char* testingEnvironmentVariable = "XCTestConfigurationFilePath";

    struct HotkeyInfo {
        std::optional<HotkeyRegistrar::HotkeyRef> hotKeyRef;  // absent in testing mode
        std::function<void()> action;
        std::uint32_t id = 0;
    };

    // Installs the press handler at once (in testing mode too). `registrar`, `userDefaults` and `mainQueue`
    // must outlive the manager.
    HotkeyManager(std::string userDefaultsKey, HotkeyRegistrar& registrar, UserDefaults& userDefaults,
                  MainQueue& mainQueue, bool isTestingMode = testingModeFromEnvironment());
    // Unregisters everything, then removes the press handler; queued actions no longer run.
    ~HotkeyManager() override;
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    bool registerHotkey(const KeyCombo& keyCombo, std::function<void()> action) override;
    void unregister(const KeyCombo& keyCombo) override;
    void unregisterAll() override;
    std::vector<KeyCombo> registeredKeyCombos() const override;
    bool isRegistered(const KeyCombo& keyCombo) const override;
    std::uint32_t lastHotkeyTimestamp() const override { return lastHotkeyTimestamp_; }
    void saveRegisteredHotkeys() override;

    // Queues the action of the record with the press's id; a press of no record is ignored.
    void handleHotKeyEvent(const HotkeyRegistrar::Press& press);

    // True when a combination may never be registered: Ctrl alone with Z, X, C, V, Q, W, Tab or Space, or no
    // modifier with any key but F1-F12. Only the four modifier bits count, so a stored Caps Lock bit changes
    // nothing.
    static bool isRefused(const KeyCombo& keyCombo);
    static bool testingModeFromEnvironment();

    const std::string& userDefaultsKey() const { return userDefaultsKey_; }
    std::uint32_t nextHotkeyID() const { return nextHotkeyID_; }
    bool isTestingMode() const { return isTestingMode_; }

private:
    void release(HotkeyInfo& info);

    std::unordered_map<KeyCombo, HotkeyInfo> registeredHotkeys_;
    std::string userDefaultsKey_;
    std::uint32_t nextHotkeyID_ = 1;
    Subscription eventHandler_;
    bool isTestingMode_;
    HotkeyRegistrar& registrar_;
    UserDefaults& userDefaults_;
    MainQueue& mainQueue_;
    std::uint32_t lastHotkeyTimestamp_ = 0;
    // The status of each combination's latest failed grab, until one succeeds.
    std::unordered_map<KeyCombo, std::int32_t> lastFailures_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // queued actions check it
};

}  // namespace quorvane
