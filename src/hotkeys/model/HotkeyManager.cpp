#include "hotkeys/model/HotkeyManager.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <tuple>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "HotkeyManager";

// Ctrl with these keys belongs to every program (undo, cut, copy, paste, quit, close) or to the desktop.
constexpr std::array<std::uint16_t, 8> kSystemShortcutKeyCodes{6, 7, 8, 9, 12, 13, 48, 49};

}  // namespace

HotkeyManager::HotkeyManager(std::string userDefaultsKey, HotkeyRegistrar& registrar,
                             UserDefaults& userDefaults, MainQueue& mainQueue, bool isTestingMode)
    : userDefaultsKey_(std::move(userDefaultsKey)),
      isTestingMode_(isTestingMode),
      registrar_(registrar),
      userDefaults_(userDefaults),
      mainQueue_(mainQueue) {
    eventHandler_ = registrar_.installPressHandler(
        [this](const HotkeyRegistrar::Press& press) { handleHotKeyEvent(press); });
}

HotkeyManager::~HotkeyManager() {
    unregisterAll();
    eventHandler_.reset();
    *alive_ = false;
}

bool HotkeyManager::testingModeFromEnvironment() {
    return std::getenv(testingEnvironmentVariable) != nullptr;
}

bool HotkeyManager::isRefused(const KeyCombo& keyCombo) {
    const std::uint64_t modifiers = keyCombo.meaningfulModifiers();
    if (modifiers == hotkeyModifierCommand &&
        std::find(kSystemShortcutKeyCodes.begin(), kSystemShortcutKeyCodes.end(), keyCombo.keyCode) !=
            kSystemShortcutKeyCodes.end()) {
        return true;
    }
    return modifiers == 0 && !KeyCombo::isFunctionKey(keyCombo.keyCode);
}

void HotkeyManager::release(HotkeyInfo& info) {
    // Reset the reference with the release, so a record can never release the same grab twice.
    if (info.hotKeyRef && !isTestingMode_) registrar_.unregisterHotkey(*info.hotKeyRef);
    info.hotKeyRef.reset();
}

bool HotkeyManager::registerHotkey(const KeyCombo& keyCombo, std::function<void()> action) {
    assert(mainQueue_.isMainThread());
    if (isRefused(keyCombo)) return false;

    const auto existing = registeredHotkeys_.find(keyCombo);
    if (existing != registeredHotkeys_.end()) release(existing->second);

    const std::uint32_t id = nextHotkeyID_++;
    std::optional<HotkeyRegistrar::HotkeyRef> ref;
    if (!isTestingMode_) {
        const auto result = registrar_.registerHotkey(keyCombo.keyCode, keyCombo.modifierFlags, id);
        if (result.status != HotkeyRegistrar::statusOK) {
            // Retries while another program holds the combination fail the same way; that is said once.
            const auto [failure, isNew] = lastFailures_.try_emplace(keyCombo, result.status);
            if (isNew || failure->second != result.status) {
                Logger::error("Failed to register hotkey " + keyCombo.displayString() + ": " +
                                  std::to_string(result.status),
                              kLogCategory);
            }
            failure->second = result.status;
            // The earlier record's grab is gone already: a record that kept it would claim a hot key that
            // no longer fires.
            if (existing != registeredHotkeys_.end()) {
                registeredHotkeys_.erase(existing);
                saveRegisteredHotkeys();
            }
            return false;
        }
        ref = result.ref;
        lastFailures_.erase(keyCombo);
    }

    registeredHotkeys_[keyCombo] = HotkeyInfo{ref, std::move(action), id};
    saveRegisteredHotkeys();
    return true;
}

void HotkeyManager::unregister(const KeyCombo& keyCombo) {
    assert(mainQueue_.isMainThread());
    const auto found = registeredHotkeys_.find(keyCombo);
    if (found == registeredHotkeys_.end()) return;
    release(found->second);
    registeredHotkeys_.erase(found);
    saveRegisteredHotkeys();
}

void HotkeyManager::unregisterAll() {
    assert(mainQueue_.isMainThread());
    for (auto& [combo, info] : registeredHotkeys_) release(info);
    registeredHotkeys_.clear();
    saveRegisteredHotkeys();
}

std::vector<KeyCombo> HotkeyManager::registeredKeyCombos() const {
    std::vector<KeyCombo> combos;
    combos.reserve(registeredHotkeys_.size());
    for (const auto& [combo, info] : registeredHotkeys_) combos.push_back(combo);
    std::sort(combos.begin(), combos.end(), [](const KeyCombo& left, const KeyCombo& right) {
        return std::tie(left.keyCode, left.modifierFlags) < std::tie(right.keyCode, right.modifierFlags);
    });
    return combos;
}

bool HotkeyManager::isRegistered(const KeyCombo& keyCombo) const {
    return registeredHotkeys_.count(keyCombo) > 0;
}

void HotkeyManager::saveRegisteredHotkeys() {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& combo : registeredKeyCombos()) list.push_back(combo.json());
    const std::string text = list.dump();
    userDefaults_.set(userDefaultsKey_, Data(text.begin(), text.end()));
}

void HotkeyManager::handleHotKeyEvent(const HotkeyRegistrar::Press& press) {
    for (const auto& [combo, info] : registeredHotkeys_) {
        if (info.id != press.id) continue;
        lastHotkeyTimestamp_ = press.timestamp;
        // Never inside the event path: the action may register or unregister hot keys itself.
        mainQueue_.post([alive = std::weak_ptr<bool>(alive_), action = info.action] {
            const auto owner = alive.lock();
            if (owner && *owner && action) action();
        });
        return;
    }
}

}  // namespace quorvane
