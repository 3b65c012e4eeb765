#pragma once

// The global key-down stream on X11: XInput2 raw key events of the root window, read on a thread of its own
// with its own X connection, so it sees keys typed in every program without grabbing any. Modifier state is
// kept from the raw presses and releases themselves. Add and remove monitors on the main queue; handlers
// run on the event thread. No key is ever logged or kept beyond the modifier keys held down.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/KeyEventMonitor.h"

namespace quorvane {

class XInputKeyEventMonitor final : public KeyEventMonitor {
public:
    // Uses `displayName`, or $DISPLAY when absent, once the first monitor is added.
    explicit XInputKeyEventMonitor(std::string displayName = {});
    ~XInputKeyEventMonitor() override;
    XInputKeyEventMonitor(const XInputKeyEventMonitor&) = delete;
    XInputKeyEventMonitor& operator=(const XInputKeyEventMonitor&) = delete;

    std::optional<Subscription> addGlobalKeyDownMonitor(Handler handler) override;

    // The UTF-8 text of an X keysym: Latin-1 and Unicode keysyms; empty for every other keysym.
    static std::string charactersOfKeysym(std::uint32_t keysym);

private:
    struct Reader;
    struct Handlers {
        std::mutex mutex;
        std::map<std::uint64_t, std::shared_ptr<Handler>> byId;
        std::uint64_t nextId = 1;
    };

    void removeHandler(std::uint64_t id);

    std::string displayName_;
    std::shared_ptr<Handlers> handlers_;
    std::unique_ptr<Reader> reader_;  // runs while at least one handler is installed
};

}  // namespace quorvane
