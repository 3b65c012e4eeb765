#pragma once

// What the application says about itself: display name, version, build number, the system it runs on, and
// the feedback mail, all derived from the information table of this build (AppEnvironment). Safe from any
// thread, except sendFeedback (main queue: it hands the mail link to the desktop).

#include <optional>
#include <string>

#include "preferences/AppEnvironment.h"

namespace quorvane {

class WorkspaceOpener;

class AppInfo {
public:
    explicit AppInfo(const AppEnvironment& environment = AppEnvironment::main())
        : environment_(environment) {}

    // The display name, else the bundle name, else "Quorvane".
    std::string displayName() const;
    // "1.0" and "1" when the table has no version or build number.
    std::string version() const;
    std::string buildNumber() const;
    // The address feedback mail goes to, from the build settings; empty when the build names none.
    std::string supportMailAddress() const;

    // The running kernel's release, e.g. "6.1.0" (what a bug report needs to know of the system).
    static std::string systemVersion();

    // "mailto:" link to the support address with the subject and body as query items (each only when present
    // and non-empty); every byte outside the unreserved set is percent-encoded. None without an address.
    std::optional<std::string> feedbackMailURL(const std::optional<std::string>& subject,
                                               const std::optional<std::string>& body) const;
    // Opens a feedback mail in the user's mail program: "<name> <version> (<build>) Linux <release>".
    void sendFeedback(WorkspaceOpener& workspace) const;

private:
    std::optional<std::string> string(const char* key) const;

    const AppEnvironment& environment_;
};

// Percent-encodes every byte of `text` outside A-Z a-z 0-9 - . _ ~ (so "&", "=", "+" and "#" in a subject
// can never start another query item).
std::string percentEncoded(std::string_view text);

}  // namespace quorvane
