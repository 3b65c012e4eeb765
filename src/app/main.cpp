#include <QApplication>

#include "app/TerminationSignalHandler.h"
#include "core/Logger.h"
#include "platform/linux/OpenMpThreadLimit.h"

int main(int argc, char* argv[]) {
    quorvane::restartWithOpenMpLimitedToOneThreadIfNeeded(argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quorvane");
    QApplication::setQuitOnLastWindowClosed(false);

    quorvane::TerminationSignalHandler terminationSignals;
    QObject::connect(&terminationSignals, &quorvane::TerminationSignalHandler::terminationRequested, &application,
                     [] { QApplication::quit(); });

    quorvane::Logger::info("Application did finish launching", "AppDelegate");
    const int status = QApplication::exec();
    quorvane::Logger::info("Application will terminate", "AppDelegate");
    return status;
}
