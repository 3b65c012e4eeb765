#pragma once

// A private X server (Xvfb) for one desktop test program: it picks a free display number itself and is
// stopped when the object goes away. Programs started by the tests on that display end with it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quorvane::testing {

// How long the display and the programs of a desktop (window manager, buses) may take to come up: on a
// machine busy building and testing in parallel that is many seconds, and waiting ends as soon as they
// answer.
inline constexpr std::chrono::seconds kDesktopStartTimeout{60};

class XvfbServer {
public:
    // Starts Xvfb with `extraArguments` and waits until it accepts connections; isRunning() says whether that
    // worked.
    explicit XvfbServer(const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return pid_ > 0 && !display_.empty(); }
    // The display name, ":<number>"; empty when the server did not start.
    const std::string& display() const { return display_; }
    // Why the server did not start.
    const std::string& failure() const { return failure_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string failure_;
};

}  // namespace quorvane::testing
