#pragma once

// Global hot keys kept in a table: the double of the X11 registrar. Tests press combinations, let another
// program hold one, and read which grabs are held and how often each was released. Main thread only, like the
// real one.

#include <map>
#include <memory>
#include <vector>

#include "platform/HotkeyRegistrar.h"

namespace quorvane {

class InMemoryHotkeyRegistrar final : public HotkeyRegistrar {
public:
    struct Grab {
        std::uint16_t keyCode = 0;
        std::uint64_t modifiers = 0;  // masked to the four modifier bits, as a real grab is
        std::uint32_t id = 0;
    };

    InMemoryHotkeyRegistrar();

    Result registerHotkey(std::uint16_t keyCode, std::uint64_t modifierFlags, std::uint32_t id) override;
    void unregisterHotkey(HotkeyRef ref) override;
    Subscription installPressHandler(PressHandler handler) override;

    // Another program holds this combination: registering it fails with BadAccess (10).
    void holdByAnotherProgram(std::uint16_t keyCode, std::uint64_t modifierFlags);
    // That program lets go of it.
    void releaseByAnotherProgram(std::uint16_t keyCode, std::uint64_t modifierFlags);
    // Presses the combination, with any lock bits in `modifierFlags` ignored as the X grabs ignore them.
    // Returns whether a grab of ours took it.
    bool press(std::uint16_t keyCode, std::uint64_t modifierFlags, std::uint32_t timestamp = 0);

    const std::map<HotkeyRef, Grab>& heldGrabs() const { return grabs_; }
    std::size_t registerCalls() const { return registerCalls_; }
    // Releases of references that were no longer held: a correct caller never makes one.
    std::size_t staleReleases() const { return staleReleases_; }
    bool hasPressHandler() const { return handler_ && *handler_; }

private:
    std::map<HotkeyRef, Grab> grabs_;
    std::vector<std::pair<std::uint16_t, std::uint64_t>> heldElsewhere_;
    std::shared_ptr<PressHandler> handler_;
    HotkeyRef nextRef_ = 1;
    std::size_t registerCalls_ = 0;
    std::size_t staleReleases_ = 0;
};

}  // namespace quorvane
