#pragma once

// Turns SIGINT, SIGTERM and SIGHUP into a clean quit of the Qt event loop, so shut-down runs on the main
// thread instead of inside a signal handler. Create one, on the main thread, after the QApplication.

#include <QObject>

class QSocketNotifier;

namespace quorvane {

class TerminationSignalHandler final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignalHandler(QObject* parent = nullptr);
    ~TerminationSignalHandler() override;

signals:
    // Emitted on the main thread when a termination signal arrived.
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
    bool hangUpHandled_ = false;
};

}  // namespace quorvane
