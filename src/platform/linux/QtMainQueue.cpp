#include "platform/linux/QtMainQueue.h"

#include <QMetaObject>
#include <QTimerEvent>
#include <cmath>
#include <unordered_map>

#include "platform/linux/QtJobReceiver.h"

namespace quorvane {

// Runs the queue's timers as plain timer ids of one object: no timer object is made, and none is left to
// delete, per timer; the pasteboard monitor arms four a second for as long as the program runs.
class QtMainQueue::TimerHost final : public QObject {
public:
    void start(int milliseconds, std::shared_ptr<Timer::Token> token, std::function<void()> job) {
        const int id = startTimer(milliseconds, Qt::PreciseTimer);
        if (id != 0) jobs_.emplace(id, Entry{std::move(token), std::move(job)});
    }

protected:
    void timerEvent(QTimerEvent* event) override {
        const auto found = jobs_.find(event->timerId());
        killTimer(event->timerId());
        if (found == jobs_.end()) return;
        const Entry entry = std::move(found->second);
        jobs_.erase(found);
        if (!entry.token->cancelled.load()) entry.job();
    }

private:
    struct Entry {
        std::shared_ptr<Timer::Token> token;
        std::function<void()> job;
    };
    std::unordered_map<int, Entry> jobs_;
};

QtMainQueue::QtMainQueue()
    : context_(new TimerHost), jobs_(new QtJobReceiver), mainThread_(std::this_thread::get_id()) {}

QtMainQueue::~QtMainQueue() {
    delete jobs_;
    delete context_;
}

void QtMainQueue::post(std::function<void()> job) {
    jobs_->post(std::move(job));
}

Timer QtMainQueue::postAfter(double delaySeconds, std::function<void()> job) {
    auto token = std::make_shared<Timer::Token>();
    const int milliseconds = static_cast<int>(std::lround(std::max(0.0, delaySeconds) * 1000.0));
    // Timers belong to the thread that starts them, so they are always started on the main thread: at once
    // when called there, which also spares the loop a wake-up per timer.
    if (isMainThread()) {
        context_->start(milliseconds, token, std::move(job));
    } else {
        post([this, token, milliseconds, job = std::move(job)]() mutable {
            if (!token->cancelled.load()) context_->start(milliseconds, token, std::move(job));
        });
    }
    return Timer(token);
}

bool QtMainQueue::isMainThread() const {
    return std::this_thread::get_id() == mainThread_;
}

}  // namespace quorvane
