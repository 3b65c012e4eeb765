#include "platform/linux/QtJobReceiver.h"

#include <QCoreApplication>
#include <QEvent>

#include "base/ThreadHandOver.h"

namespace quorvane {

namespace {

QEvent::Type jobEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class JobEvent final : public QEvent {
public:
    explicit JobEvent(std::function<void()> job) : QEvent(jobEventType()), job(std::move(job)) {}
    std::function<void()> job;
};

}  // namespace

QtJobReceiver::QtJobReceiver(QObject* parent) : QObject(parent) {}

void QtJobReceiver::post(std::function<void()> job) {
    auto* event = new JobEvent(std::move(job));
    // Announced once the event is built: all of it is the receiver's from here on.
    thread_hand_over::sent(this);
    QCoreApplication::postEvent(this, event);
}

bool QtJobReceiver::event(QEvent* event) {
    // Before the event is read: it may have been built on the sending thread.
    thread_hand_over::received(this);
    if (event->type() != jobEventType()) return QObject::event(event);
    if (auto& job = static_cast<JobEvent*>(event)->job) job();
    return true;
}

}  // namespace quorvane
