#pragma once

// The main queue on Qt's event loop. Create it on the thread that runs QApplication::exec(); post() and
// postAfter() are safe from any thread.

#include <QObject>
#include <thread>

#include "platform/MainQueue.h"

namespace quorvane {

class QtJobReceiver;

class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;

    void post(std::function<void()> job) override;
    Timer postAfter(double delaySeconds, std::function<void()> job) override;
    bool isMainThread() const override;

private:
    class TimerHost;

    TimerHost* context_;   // lives on the main thread; timers are dropped with it
    QtJobReceiver* jobs_;  // the same for queued jobs
    std::thread::id mainThread_;
};

}  // namespace quorvane
