#include "platform/linux/QtMainQueue.h"

#include <QMetaObject>
#include <QTimer>
#include <cmath>

namespace quorvane {

QtMainQueue::QtMainQueue() : context_(new QObject), mainThread_(std::this_thread::get_id()) {}

QtMainQueue::~QtMainQueue() {
    delete context_;
}

void QtMainQueue::post(std::function<void()> job) {
    QMetaObject::invokeMethod(
        context_, [job = std::move(job)] { job(); }, Qt::QueuedConnection);
}

Timer QtMainQueue::postAfter(double delaySeconds, std::function<void()> job) {
    auto token = std::make_shared<Timer::Token>();
    const int milliseconds = static_cast<int>(std::lround(std::max(0.0, delaySeconds) * 1000.0));
    // QTimer belongs to the thread that starts it, so the timer is always started on the main thread.
    post([this, token, milliseconds, job = std::move(job)] {
        if (token->cancelled.load()) return;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, context_, [token, job] {
            if (!token->cancelled.load()) job();
        });
    });
    return Timer(token);
}

bool QtMainQueue::isMainThread() const {
    return std::this_thread::get_id() == mainThread_;
}

}  // namespace quorvane
