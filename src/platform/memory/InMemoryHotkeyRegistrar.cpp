#include "platform/memory/InMemoryHotkeyRegistrar.h"

#include <algorithm>

#include "platform/KeyPositions.h"

namespace quorvane {

namespace {
constexpr std::int32_t kBadAccess = 10;
}

InMemoryHotkeyRegistrar::InMemoryHotkeyRegistrar() : handler_(std::make_shared<PressHandler>()) {}

HotkeyRegistrar::Result InMemoryHotkeyRegistrar::registerHotkey(std::uint16_t keyCode,
                                                                std::uint64_t modifierFlags,
                                                                std::uint32_t id) {
    ++registerCalls_;
    if (!KeyPositions::ofKeyCode(keyCode)) return {statusKeyWithoutPosition, 0};
    const std::uint64_t modifiers = modifierFlags & hotkeyModifierMask;
    const auto taken = std::find(heldElsewhere_.begin(), heldElsewhere_.end(), std::pair(keyCode, modifiers));
    if (taken != heldElsewhere_.end()) return {kBadAccess, 0};
    const HotkeyRef ref = nextRef_++;
    grabs_.emplace(ref, Grab{keyCode, modifiers, id});
    return {statusOK, ref};
}

void InMemoryHotkeyRegistrar::unregisterHotkey(HotkeyRef ref) {
    if (grabs_.erase(ref) == 0) ++staleReleases_;
}

Subscription InMemoryHotkeyRegistrar::installPressHandler(PressHandler handler) {
    *handler_ = std::move(handler);
    std::weak_ptr<PressHandler> weak = handler_;
    return Subscription([weak] {
        if (auto installed = weak.lock()) *installed = nullptr;
    });
}

void InMemoryHotkeyRegistrar::holdByAnotherProgram(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    heldElsewhere_.emplace_back(keyCode, modifierFlags & hotkeyModifierMask);
}

void InMemoryHotkeyRegistrar::releaseByAnotherProgram(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    std::erase(heldElsewhere_, std::pair{keyCode, modifierFlags & hotkeyModifierMask});
}

bool InMemoryHotkeyRegistrar::press(std::uint16_t keyCode, std::uint64_t modifierFlags,
                                    std::uint32_t timestamp) {
    const std::uint64_t modifiers = modifierFlags & hotkeyModifierMask;
    for (const auto& [ref, grab] : grabs_) {
        if (grab.keyCode != keyCode || grab.modifiers != modifiers) continue;
        const PressHandler handler = *handler_;
        if (handler) handler(Press{grab.id, timestamp});
        return true;
    }
    return false;
}

}  // namespace quorvane
