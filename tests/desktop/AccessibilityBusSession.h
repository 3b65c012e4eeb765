#pragma once

// A private accessible desktop on an existing X display, for the caret tests and measurements: a D-Bus
// session of its own with the accessibility bus (dbus-daemon, at-spi-bus-launcher), a window manager
// (openbox) and the caret test window (tests/desktop/helpers). Every program it starts is stopped, by its own
// process, when it goes away. Main thread of a program with a QCoreApplication.

#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::testing {

class AccessibilityBusSession {
public:
    explicit AccessibilityBusSession(std::string display);
    ~AccessibilityBusSession();
    AccessibilityBusSession(const AccessibilityBusSession&) = delete;
    AccessibilityBusSession& operator=(const AccessibilityBusSession&) = delete;

    // Starts the session bus, the accessibility bus and (unless the display has one already) the window
    // manager; false (with failure()) when one of them does not come up.
    bool start(bool withWindowManager = true);
    const std::string& failure() const { return failure_; }
    const QString& sessionBusAddress() const { return sessionBusAddress_; }

    // Switches the accessibility bus on or off (org.a11y.Status IsEnabled), as the desktop's setting does.
    bool setAccessibilityEnabled(bool enabled);

    // Starts `program` (the caret test window) with `arguments` and waits until its field has focus; false
    // when it does not.
    bool startTestWindow(const QString& program, const QStringList& arguments = {});
    // Starts another test program and waits for its line starting with `readyPrefix`, asking the window
    // manager to activate the window titled `title` meanwhile; false when the line never comes.
    bool startWindow(const QString& program, const QStringList& arguments, const QString& readyPrefix,
                     const QString& title);
    // The next line the test program prints that starts with `prefix`.
    std::optional<QString> nextWindowLine(const QString& prefix, std::chrono::milliseconds timeout) {
        return waitForWindowLine(prefix, timeout);
    }
    std::int64_t testWindowProcessId() const;
    // Types `text` into the focused window ("\n" presses Return) and waits until the field reports all of
    // it; the field's rectangle on screen afterwards.
    std::optional<QRect> type(const QString& text);
    // The caret's rectangle on screen as the field last drew it, once typing has settled.
    std::optional<QRect> drawnCaret();
    bool moveMouse(int x, int y);
    // Stops or resumes the test window's process (SIGSTOP, SIGCONT): a program that no longer answers.
    bool setTestWindowPaused(bool paused);

    // Processes events until `condition` holds or `timeout` passes; the condition's last value.
    static bool processEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    QProcess* launch(const QString& program, const QStringList& arguments, bool readOutput = false);
    // The next line the test window prints that starts with `prefix`.
    std::optional<QString> waitForWindowLine(const QString& prefix, std::chrono::milliseconds timeout);
    int runTool(const QString& program, const QStringList& arguments);

    std::string display_;
    std::string failure_;
    QString sessionBusAddress_;
    QString busConnectionName_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess* window_ = nullptr;
    QByteArray windowOutput_;
};

}  // namespace quorvane::testing
