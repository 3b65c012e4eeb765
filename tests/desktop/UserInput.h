#pragma once

// Input as a person gives it, through the X server's test extension (xdotool): keys held down for about
// 120 ms before they are let go, mouse buttons held briefly, the pointer moved first. Our own event loop
// keeps running meanwhile. Main thread of the desktop test program.

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>

#include "desktop/DesktopSession.h"

namespace quorvane::testing::userinput {

// Holds `key` (an X key name: "a", "Return", "ctrl+c", "colon") down for 120 ms.
inline bool holdKey(const QString& key) {
    return DesktopSession::run("xdotool", {"keydown", key, "sleep", "0.12", "keyup", key}).exitCode == 0;
}

// Types `text` one held key at a time (letters, digits, blanks and colons).
inline bool typeText(const QString& text) {
    for (const QChar c : text) {
        const QString key = c == ' '   ? QStringLiteral("space")
                            : c == ':' ? QStringLiteral("colon")
                                       : QString(c);
        if (!holdKey(key)) return false;
    }
    return true;
}

// Moves the pointer to `global` and clicks `button` (1 left, 3 right) there.
inline bool click(QPoint global, int button = 1) {
    const QString b = QString::number(button);
    return DesktopSession::run(
               "xdotool", {"mousemove", QString::number(global.x()), QString::number(global.y()), "sleep",
                           "0.05", "mousedown", b, "sleep", "0.08", "mouseup", b})
               .exitCode == 0;
}

// Moves the pointer to `global` and turns the wheel one notch (X button 4 up, 5 down), as a mouse does.
inline bool wheel(QPoint global, int button) {
    return DesktopSession::run(
               "xdotool", {"mousemove", QString::number(global.x()), QString::number(global.y()), "sleep",
                           "0.05", "click", QString::number(button)})
               .exitCode == 0;
}

// xdotool's arguments that press the left button at `from` and move it in steps to `to`.
inline QStringList pressAndMove(QPoint from, QPoint to, int steps) {
    QStringList arguments{
        "mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.05", "mousedown", "1"};
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        arguments << "sleep"
                  << "0.03"
                  << "mousemove" << QString::number(at.x()) << QString::number(at.y());
    }
    return arguments;
}

// Presses the left button at `from`, moves in steps to `to` and lets go there.
inline bool drag(QPoint from, QPoint to, int steps = 10) {
    QStringList arguments = pressAndMove(from, to, steps);
    arguments << "sleep"
              << "0.1"
              << "mouseup"
              << "1";
    return DesktopSession::run("xdotool", arguments).exitCode == 0;
}

// Like drag(), but the button goes up only once `mayDrop` holds (checked while the drag runs, inside its own
// event loop) or `limit` has passed: the drop must wait for the target's answer, which a busy machine delays.
inline bool dragAndDropWhen(QPoint from, QPoint to, const std::function<bool()>& mayDrop, int steps = 10,
                            std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
    QProcess press;
    QProcess release;
    for (QProcess* process : {&press, &release}) {
        process->setProcessEnvironment(environment);
        process->setStandardErrorFile(QProcess::nullDevice());
    }
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (press.state() != QProcess::NotRunning) return;
        if (!mayDrop() && elapsed.elapsed() < limit.count()) return;
        poll.stop();
        release.start("xdotool", {"mouseup", "1"});
    });
    press.start("xdotool", pressAndMove(from, to, steps));
    poll.start(20);
    const bool released = DesktopSession::processEventsUntil(
        [&] { return !poll.isActive() && release.state() == QProcess::NotRunning; }, limit * 2);
    return released && press.error() == QProcess::UnknownError && release.error() == QProcess::UnknownError &&
           press.exitCode() == 0 && release.exitCode() == 0;
}

}  // namespace quorvane::testing::userinput
