#pragma once

// The drop-target window (helpers/DropTargetWindow.cpp) as another program on the test display, for the
// drag-out tests: started at a point, it reports its frame and what each drop held. Main thread only.

#include <QProcess>
#include <QRect>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

#include "desktop/DesktopSession.h"

namespace quorvane::testing {

class DropTargetProcess {
public:
    DropTargetProcess() = default;
    ~DropTargetProcess() {
        if (!process_) return;
        process_->kill();
        process_->waitForFinished(3000);
    }
    DropTargetProcess(const DropTargetProcess&) = delete;
    DropTargetProcess& operator=(const DropTargetProcess&) = delete;

    // Shows the window with its top left corner at `at`; its frame on screen once it is mapped.
    std::optional<QRect> start(QPoint at) {
        process_ = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        process_->setProcessEnvironment(environment);
        process_->start(QUORVANE_DROP_TARGET_WINDOW, {QString::number(at.x()), QString::number(at.y())});
        if (!process_->waitForStarted(5000) || !waitForLine("ready ")) return std::nullopt;
        const QStringList numbers = lastLine("ready ").split(' ');
        if (numbers.size() != 4) return std::nullopt;
        return QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
    }

    // Waits until `count` lines starting with `prefix` have come ("dropped" ends each drop).
    bool waitForLine(const QString& prefix, int count = 1) {
        return DesktopSession::processEventsUntil(
            [&] {
                read();
                return output_.count("\n" + prefix) + (output_.startsWith(prefix) ? 1 : 0) >= count;
            },
            std::chrono::seconds(10));
    }

    // The rest of the last line that starts with `prefix`.
    QString lastLine(const QString& prefix) {
        read();
        QString found;
        for (const QString& line : output_.split('\n'))
            if (line.startsWith(prefix)) found = line.mid(prefix.size());
        return found;
    }

    std::string output() {
        read();
        return (output_ + QString::fromUtf8(process_ ? process_->readAllStandardError() : QByteArray()))
            .toStdString();
    }

private:
    void read() {
        if (process_) output_ += QString::fromUtf8(process_->readAllStandardOutput());
    }

    std::unique_ptr<QProcess> process_;
    QString output_;
};

}  // namespace quorvane::testing
