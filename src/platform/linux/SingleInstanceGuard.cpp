#include "platform/linux/SingleInstanceGuard.h"

#include <QLocalSocket>
#include <QPointer>
#include <chrono>
#include <system_error>
#include <thread>

#include "base/Logger.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "AppDelegate";
constexpr char kReopenRequest[] = "reopen\n";

bool sendReopenRequest(const std::filesystem::path& socketPath) {
    // The winner may still be between taking the lock and listening: try for about a second.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(QString::fromStdString(socketPath.string()));
        if (socket.waitForConnected(50)) {
            socket.write(kReopenRequest);
            const bool sent = socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return sent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

std::unique_ptr<SingleInstanceGuard> SingleInstanceGuard::acquire(const std::filesystem::path& folder,
                                                                  std::function<void()> onReopen) {
    std::optional<ExclusiveFileLock> lock = ExclusiveFileLock::tryAcquire(folder / "instance.lock");
    if (!lock) {
        if (!sendReopenRequest(folder / "instance.socket")) {
            Logger::warning("Failed to reach the running instance", kLogCategory);
        }
        return nullptr;
    }
    std::unique_ptr<SingleInstanceGuard> guard(
        new SingleInstanceGuard(std::move(*lock), folder / "instance.socket", std::move(onReopen)));
    guard->listen();
    return guard;
}

SingleInstanceGuard::SingleInstanceGuard(ExclusiveFileLock lock, std::filesystem::path socketPath,
                                         std::function<void()> onReopen)
    : lock_(std::move(lock)), socketPath_(std::move(socketPath)), onReopen_(std::move(onReopen)) {}

SingleInstanceGuard::~SingleInstanceGuard() {
    server_.close();
}

void SingleInstanceGuard::listen() {
    // Holding the lock makes any socket file left behind a crashed instance's: safe to replace.
    QLocalServer::removeServer(QString::fromStdString(socketPath_.string()));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(QString::fromStdString(socketPath_.string()))) {
        Logger::error("Failed to listen for reopen requests: " + server_.errorString().toStdString(),
                      kLogCategory);
        return;
    }
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnections);
}

void SingleInstanceGuard::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket = QPointer<QLocalSocket>(socket)] {
            if (!socket || !socket->canReadLine()) return;
            const QByteArray line = socket->readLine();
            if (line == kReopenRequest && onReopen_) onReopen_();
            socket->disconnectFromServer();
        });
    }
}

}  // namespace quorvane
