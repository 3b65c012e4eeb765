#pragma once

// One private X display and one QGuiApplication on it for the whole desktop test program, plus helpers to
// run the X tools the tests play other programs with. Tests call DESKTOP_SESSION_OR_SKIP() first.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <chrono>
#include <functional>
#include <string>

namespace quorvane::testing {

class DesktopSession {
public:
    // Starts the display on first use; false (with reason()) when Xvfb cannot start.
    static bool available();
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

#define DESKTOP_SESSION_OR_SKIP()                                          \
    do {                                                                   \
        if (!::quorvane::testing::DesktopSession::available()) {           \
            GTEST_SKIP() << "No X display for desktop tests: "             \
                         << ::quorvane::testing::DesktopSession::reason(); \
        }                                                                  \
    } while (false)
