#pragma once

// Keeps one running Quorvane per user. The first process takes an exclusive lock on "instance.lock" in the
// private runtime folder and listens on "instance.socket" beside it; a later process finds the lock taken,
// asks the running one to reopen (what a second launch means to a user) and ends. The lock is the kernel's,
// so two launches at the same moment leave exactly one running, and a crashed instance never blocks the next.
// Main thread only.

#include <QLocalServer>
#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/ExclusiveFileLock.h"

namespace quorvane {

class SingleInstanceGuard final : public QObject {
    Q_OBJECT

public:
    ~SingleInstanceGuard() override;

    // The guard when this process is the only instance; `onReopen` then runs on the main thread for every
    // reopen request of a later process. Otherwise sends the running instance a reopen request (waiting at
    // most about a second for it to listen) and returns nullptr. Throws std::system_error when the folder or
    // lock file cannot be used at all.
    static std::unique_ptr<SingleInstanceGuard> acquire(const std::filesystem::path& folder,
                                                        std::function<void()> onReopen);

private:
    SingleInstanceGuard(ExclusiveFileLock lock, std::filesystem::path socketPath,
                        std::function<void()> onReopen);
    void listen();
    void acceptConnections();

    ExclusiveFileLock lock_;
    std::filesystem::path socketPath_;
    std::function<void()> onReopen_;
    QLocalServer server_;
};

}  // namespace quorvane
