#include "platform/linux/TerminationSignalHandler.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "base/Logger.h"

namespace quorvane {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: hand the number to the main thread through the pipe.
void forwardSignal(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

TerminationSignalHandler::TerminationSignalHandler(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        Logger::error("Failed to create the termination signal pipe", "TerminationSignalHandler");
        return;
    }
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1) emit terminationRequested(byte);
    });

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or an ended session sends SIGHUP; started under nohup it stays ignored.
    struct sigaction hangUp {};
    ::sigaction(SIGHUP, nullptr, &hangUp);
    hangUpHandled_ = hangUp.sa_handler != SIG_IGN;
    if (hangUpHandled_) ::sigaction(SIGHUP, &action, nullptr);
}

TerminationSignalHandler::~TerminationSignalHandler() {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    if (hangUpHandled_) ::signal(SIGHUP, SIG_DFL);
    if (signalPipe[0] >= 0) {
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

}  // namespace quorvane
