#include "desktop/DesktopSession.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <cstdlib>
#include <memory>

#include "support/XvfbServer.h"

namespace quorvane::testing {

namespace {

// The programs the desktop tests play the desktop and other applications with (scripts/setup installs them).
// The first one missing, or empty when all are there.
std::string missingTool() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xclip", "xprop", "setxkbmap", "dbus-daemon",
                             "/usr/libexec/at-spi-bus-launcher"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) return tool;
    }
    return {};
}

struct Session {
    std::unique_ptr<XvfbServer> server;
    // A widgets application: the window tests put real widgets on the display.
    std::unique_ptr<QApplication> application;
    std::string reason;
    int argc = 1;
    char name[16] = "tests_desktop";
    char* argv[2] = {name, nullptr};

    Session() {
        if (const std::string tool = missingTool(); !tool.empty()) {
            reason = tool + " is missing (not on PATH); scripts/setup installs it";
            return;
        }
        server = std::make_unique<XvfbServer>();
        if (!server->isRunning()) {
            reason = server->failure();
            return;
        }
        setenv("DISPLAY", server->display().c_str(), 1);
        // The test runner asks for the offscreen platform; these tests need the real X11 clipboard.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        application = std::make_unique<QApplication>(argc, argv);
    }
    ~Session() {
        application.reset();
        server.reset();
    }
};

bool sessionStarted = false;

Session& session() {
    static Session instance;
    sessionStarted = true;
    return instance;
}

// Ends the application when the tests are over, before exit-time destruction: Qt's own globals made
// during the tests (pixmap and style caches) are destroyed at exit before a static session would be, and
// the application's clean-up still reaches for them.
class SessionEnd : public ::testing::Environment {
public:
    void TearDown() override {
        if (sessionStarted) session().application.reset();
    }
};

const bool sessionEndRegistered = [] {
    ::testing::AddGlobalTestEnvironment(new SessionEnd);
    return true;
}();

}  // namespace

bool DesktopSession::available() {
    return session().application != nullptr;
}
bool DesktopSession::required() {
    const char* value = std::getenv("QUORVANE_DESKTOP_TESTS_REQUIRED");
    return value != nullptr && std::string(value) == "1";
}
const std::string& DesktopSession::reason() {
    return session().reason;
}
const std::string& DesktopSession::display() {
    static const std::string none;
    return session().server ? session().server->display() : none;
}

bool DesktopSession::processEventsUntil(const std::function<bool()>& condition,
                                        std::chrono::milliseconds timeout) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void DesktopSession::processEventsFor(std::chrono::milliseconds duration) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < duration.count()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

DesktopSession::ProgramResult DesktopSession::run(const QString& program, const QStringList& arguments,
                                                  const QByteArray& input) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(display()));
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) return {};
    if (!input.isEmpty()) process.write(input);
    process.closeWriteChannel();
    QByteArray output;
    const bool finished = processEventsUntil(
        [&] {
            output += process.readAllStandardOutput();
            return process.state() == QProcess::NotRunning;
        },
        std::chrono::seconds(10));
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    output += process.readAllStandardOutput();
    return {process.exitCode(), output};
}

bool DesktopSession::copyWithXclip(const QByteArray& bytes, const QString& target) {
    // xclip forks a child that serves the selection until another program takes it or the display ends.
    return run("xclip", {"-selection", "clipboard", "-t", target, "-i"}, bytes).exitCode == 0;
}

}  // namespace quorvane::testing
