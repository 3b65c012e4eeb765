#include "desktop/AccessibilityBusSession.h"

#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <atomic>
#include <cstdlib>

#include "desktop/WindowManagerProbe.h"
#include "support/XvfbServer.h"

namespace quorvane::testing {

namespace {

constexpr auto kStartTimeout = kDesktopStartTimeout;

}  // namespace

AccessibilityBusSession::AccessibilityBusSession(std::string display) : display_(std::move(display)) {
    static std::atomic<int> counter{0};
    busConnectionName_ = QStringLiteral("accessibility-bus-session-%1").arg(++counter);
}

AccessibilityBusSession::~AccessibilityBusSession() {
    setTestWindowPaused(false);
    QDBusConnection::disconnectFromBus(busConnectionName_);
    // Last started, first stopped: the window before its buses.
    for (auto process = processes_.rbegin(); process != processes_.rend(); ++process) {
        if ((*process)->state() == QProcess::NotRunning) continue;
        (*process)->terminate();
        if (!(*process)->waitForFinished(3000)) {
            (*process)->kill();
            (*process)->waitForFinished(1000);
        }
    }
}

bool AccessibilityBusSession::processEventsUntil(const std::function<bool()>& condition,
                                                 std::chrono::milliseconds timeout) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QProcess* AccessibilityBusSession::launch(const QString& program, const QStringList& arguments,
                                          bool readOutput) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(display_));
    if (!sessionBusAddress_.isEmpty()) environment.insert("DBUS_SESSION_BUS_ADDRESS", sessionBusAddress_);
    environment.remove("AT_SPI_BUS_ADDRESS");
    // The launcher keeps the accessibility switch in GSettings: never in the user's own settings.
    environment.insert("GSETTINGS_BACKEND", "memory");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    process->setProcessEnvironment(environment);
    if (!readOutput) process->setStandardOutputFile(QProcess::nullDevice());
    if (!readOutput) process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, arguments);
    if (!process->waitForStarted(5000)) {
        failure_ = "cannot start " + program.toStdString();
        return nullptr;
    }
    processes_.push_back(std::move(process));
    return processes_.back().get();
}

bool AccessibilityBusSession::start(bool withWindowManager) {
    QProcess* bus =
        launch("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"}, true);
    if (!bus) return false;
    QByteArray address;
    processEventsUntil(
        [&] {
            bus->waitForReadyRead(20);
            address += bus->readAllStandardOutput();
            return address.contains('\n') || bus->state() == QProcess::NotRunning;
        },
        kStartTimeout);
    sessionBusAddress_ = QString::fromUtf8(address).trimmed();
    if (sessionBusAddress_.isEmpty()) {
        failure_ = "dbus-daemon printed no address";
        return false;
    }

    if (!launch("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"})) return false;
    QDBusConnection connection = QDBusConnection::connectToBus(sessionBusAddress_, busConnectionName_);
    if (!connection.isConnected()) {
        failure_ = "cannot connect to the private session bus";
        return false;
    }
    if (!processEventsUntil(
            [&] { return connection.interface()->isServiceRegistered("org.a11y.Bus").value(); },
            kStartTimeout)) {
        failure_ = "at-spi-bus-launcher did not take org.a11y.Bus";
        return false;
    }

    if (!withWindowManager) return true;
    if (!launch("openbox", {"--sm-disable"})) return false;
    if (!windowManagerManagesWindows(display_, kStartTimeout)) {
        failure_ = "openbox did not start";
        return false;
    }
    return true;
}

bool AccessibilityBusSession::setAccessibilityEnabled(bool enabled) {
    QDBusConnection connection(busConnectionName_);
    QDBusMessage call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                       "org.freedesktop.DBus.Properties", "Set");
    call << QString("org.a11y.Status") << QString("IsEnabled") << QVariant::fromValue(QDBusVariant(enabled));
    return connection.call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage;
}

bool AccessibilityBusSession::startTestWindow(const QString& program, const QStringList& arguments) {
    return startWindow(program, arguments, "focus ", "Caret test window");
}

bool AccessibilityBusSession::startWindow(const QString& program, const QStringList& arguments,
                                          const QString& readyPrefix, const QString& title) {
    window_ = launch(program, arguments, true);
    if (!window_) return false;
    // On a loaded machine the window manager may pass over the window's own request to be activated; a
    // pager's request (what xdotool sends) it always grants.
    bool ready = false;
    for (int attempt = 0; attempt < 20 && !ready && window_->state() != QProcess::NotRunning; ++attempt) {
        ready = waitForWindowLine(readyPrefix, std::chrono::seconds(1)).has_value();
        if (!ready) runTool("xdotool", {"search", "--name", "^" + title + "$", "windowactivate"});
    }
    if (!ready) {
        failure_ = std::string("the test window never became ready (") +
                   (window_->state() == QProcess::NotRunning ? "exited" : "running") +
                   "): " + window_->readAllStandardError().right(2000).toStdString();
        return false;
    }
    return true;
}

std::int64_t AccessibilityBusSession::testWindowProcessId() const {
    return window_ ? window_->processId() : 0;
}

std::optional<QString> AccessibilityBusSession::waitForWindowLine(const QString& prefix,
                                                                  std::chrono::milliseconds timeout) {
    std::optional<QString> found;
    processEventsUntil(
        [&] {
            window_->waitForReadyRead(10);
            windowOutput_ += window_->readAllStandardOutput();
            for (qsizetype end; !found && (end = windowOutput_.indexOf('\n')) >= 0;) {
                const QString line = QString::fromUtf8(windowOutput_.left(end));
                windowOutput_.remove(0, end + 1);
                if (line.startsWith(prefix)) found = line;
            }
            return found.has_value() || window_->state() == QProcess::NotRunning;
        },
        timeout);
    return found;
}

int AccessibilityBusSession::runTool(const QString& program, const QStringList& arguments) {
    QProcess* tool = launch(program, arguments);
    if (!tool) return -1;
    processEventsUntil([&] { return tool->state() == QProcess::NotRunning; }, kStartTimeout);
    return tool->state() == QProcess::NotRunning ? tool->exitCode() : -1;
}

std::optional<QRect> AccessibilityBusSession::type(const QString& text) {
    if (!window_) return std::nullopt;
    // xdotool types no newline: each is a Return key press.
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && runTool("xdotool", {"key", "Return"}) != 0) return std::nullopt;
        if (!lines[i].isEmpty() && runTool("xdotool", {"type", "--delay", "20", lines[i]}) != 0) {
            return std::nullopt;
        }
    }
    QString reported = text;
    reported.replace('\n', "\\n");
    const auto line = waitForWindowLine("text " + reported + ' ', kStartTimeout);
    if (!line) {
        failure_ = "the field never showed the typed text";
        return std::nullopt;
    }
    const QStringList fields = line->split(' ');
    if (fields.size() < 4) return std::nullopt;
    const auto number = [&](qsizetype fromEnd) { return fields[fields.size() - fromEnd].toInt(); };
    return QRect(number(4), number(3), number(2), number(1));
}

std::optional<QRect> AccessibilityBusSession::drawnCaret() {
    std::optional<QString> last;
    // The window reports the caret 100 ms after each change.
    while (const auto line = waitForWindowLine("caret ", std::chrono::milliseconds(400))) last = line;
    if (!last) return std::nullopt;
    const QStringList fields = last->split(' ');
    if (fields.size() != 5) return std::nullopt;
    return QRect(fields[1].toInt(), fields[2].toInt(), fields[3].toInt(), fields[4].toInt());
}

bool AccessibilityBusSession::setTestWindowPaused(bool paused) {
    if (!window_ || window_->state() == QProcess::NotRunning) return false;
    return ::kill(static_cast<pid_t>(window_->processId()), paused ? SIGSTOP : SIGCONT) == 0;
}

bool AccessibilityBusSession::moveMouse(int x, int y) {
    return runTool("xdotool", {"mousemove", QString::number(x), QString::number(y)}) == 0;
}

}  // namespace quorvane::testing
