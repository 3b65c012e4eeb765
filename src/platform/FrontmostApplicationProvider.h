#pragma once

// Which program the user is working in: the owner of the active window. Capture asks it on every copied item
// to record the source program and to skip our own and the ignored programs' copies. Call on the main queue.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/WindowIdentity.h"

namespace quorvane {

struct FrontmostApplication {
    // The desktop-file id; absent when the window names no program.
    std::optional<std::string> bundleIdentifier;
    std::string name;
    std::optional<std::int64_t> processIdentifier;
    // The raw strings the identity was made from, for callers that match them themselves.
    WindowIdentity window;

    bool operator==(const FrontmostApplication&) const = default;
};

class FrontmostApplicationProvider {
public:
    virtual ~FrontmostApplicationProvider() = default;

    // The program of the active window; nothing when no window is active or the answer cannot be read.
    virtual std::optional<FrontmostApplication> frontmostApplication() const = 0;

    // The bundle identifier of frontmostApplication(), absent in both "no program" cases.
    std::optional<std::string> frontmostBundleIdentifier() const {
        auto application = frontmostApplication();
        return application ? application->bundleIdentifier : std::nullopt;
    }
};

}  // namespace quorvane
