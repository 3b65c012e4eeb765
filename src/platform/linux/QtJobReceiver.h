#pragma once

// Runs jobs handed over from any thread on the thread this object lives on, through Qt's event queue. Each
// job travels in an event the queue alone owns, so it and everything it captured are freed on the receiving
// thread: a queued call (QMetaObject::invokeMethod) shares its function with the sender, which may free it,
// captures and all, on its own thread after the receiver ran it. Jobs still queued when the receiver goes are
// freed unrun, on its thread.

#include <QObject>
#include <functional>

namespace quorvane {

class QtJobReceiver final : public QObject {
public:
    explicit QtJobReceiver(QObject* parent = nullptr);

    // Safe from any thread while the receiver exists; `job` runs on a later turn of the receiver's loop.
    void post(std::function<void()> job);

protected:
    bool event(QEvent* event) override;
};

}  // namespace quorvane
