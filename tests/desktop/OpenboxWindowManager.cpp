#include "desktop/OpenboxWindowManager.h"

#include <QProcessEnvironment>

#include "desktop/DesktopSession.h"
#include "desktop/WindowManagerProbe.h"
#include "support/XvfbServer.h"

namespace quorvane::testing {

OpenboxWindowManager::~OpenboxWindowManager() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

::testing::AssertionResult OpenboxWindowManager::start() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
    process_.setProcessEnvironment(environment);
    process_.start("openbox", {"--sm-disable"});
    if (!process_.waitForStarted(5000)) return ::testing::AssertionFailure() << "openbox is missing";
    if (!windowManagerManagesWindows(DesktopSession::display(), kDesktopStartTimeout))
        return ::testing::AssertionFailure() << "openbox did not start";
    return ::testing::AssertionSuccess();
}

}  // namespace quorvane::testing
