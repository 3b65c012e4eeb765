#pragma once

// One private X display and one QGuiApplication on it for the whole desktop test program, plus helpers to
// run the X tools the tests play other programs with. Tests call DESKTOP_SESSION_OR_SKIP() first: by hand a
// desktop that cannot start skips its tests; with QUORVANE_DESKTOP_TESTS_REQUIRED=1 (scripts/test) it fails
// them with the reason, so a machine without the X tools cannot pass by skipping.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <chrono>
#include <functional>
#include <string>

namespace quorvane::testing {

class DesktopSession {
public:
    // Starts the display on first use; false (with reason()) when an X tool is missing or Xvfb cannot start.
    static bool available();
    // Whether a desktop that cannot start fails the tests instead of skipping them.
    static bool required();
    static const std::string& reason();
    static const std::string& display();

    struct ProgramResult {
        int exitCode = -1;  // -1 when the program did not start or did not finish in time
        QByteArray output;
    };
    // Runs `program` with `arguments` on the display, feeding it `input`, while the event loop keeps running
    // (so our own clipboard can answer the program's requests).
    static ProgramResult run(const QString& program, const QStringList& arguments,
                             const QByteArray& input = {});
    // Puts `bytes` on the clipboard as `target` through xclip, as another program would.
    static bool copyWithXclip(const QByteArray& bytes, const QString& target);
    // Processes events until `condition` holds or `timeout` passes; returns the condition's last value.
    static bool processEventsUntil(const std::function<bool()>& condition,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Processes events for `duration`, for checks that something does NOT happen.
    static void processEventsFor(std::chrono::milliseconds duration);
};

}  // namespace quorvane::testing

// Skips the test with `reason`, or fails it when the desktop tests are required.
#define DESKTOP_SKIP_OR_FAIL(reason)                           \
    do {                                                       \
        if (::quorvane::testing::DesktopSession::required()) { \
            GTEST_FAIL() << reason;                            \
        }                                                      \
        GTEST_SKIP() << reason;                                \
    } while (false)

#define DESKTOP_SESSION_OR_SKIP()                                                                     \
    do {                                                                                              \
        if (!::quorvane::testing::DesktopSession::available()) {                                      \
            DESKTOP_SKIP_OR_FAIL(                                                                     \
                "No X display for desktop tests: " << ::quorvane::testing::DesktopSession::reason()); \
        }                                                                                             \
    } while (false)
